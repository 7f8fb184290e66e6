#pragma once
// A report server with reporting on in a temporary program directory, no client: messages stay
// queued where the tests read them. Host "M1", a settable clock, counters and cameras reset.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include <QByteArray>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cjson/cJSON.h>

#include "common/programdir.h"
#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/records/counters.h"

inline void SetReportingRow(bool on)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reportfixture");
        db.setDatabaseName("PARAM.db");
        db.open();
        QSqlQuery q(db);
        q.prepare("UPDATE sysparam SET value = ? WHERE name = 'CntNet'");
        q.addBindValue(on ? "1 0 0 0 0 0 0 0" : "0 0 0 0 0 0 0 0");
        q.exec();
        db.close();
    }
    QSqlDatabase::removeDatabase("reportfixture");
}

class ReportNet : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateDefaultDatabases("."));
        SetReportingRow(true);
        oldPara = gpWPara;
        gpWPara = &para;
        para.cnt_net_enabled = 1;
        std::strcpy(para.CntNet_Operator, "Operator");
        oldCameras = numCamera;
        numCamera = 8;
        std::memset(gAllNum, 0, sizeof gAllNum);
        std::memset(gFailNum, 0, sizeof gFailNum);
        Restart();
    }
    void TearDown() override
    {
        net.reset();
        gpWPara = oldPara;
        numCamera = oldCameras;
        std::memset(gAllNum, 0, sizeof gAllNum);
        std::memset(gFailNum, 0, sizeof gFailNum);
    }
    // A new server over the same program directory (a program restart).
    void Restart()
    {
        net.reset();
        net.reset(new CNT_Net);
        ASSERT_TRUE(net->isopen);
        net->cardInForce.hostName = "M1";
        net->host.nowMs = [this] { return now; };
        net->host.runState = [this] { return runState; };
        net->host.cycleTime = [] { return 0; };
        // Loaded again on the test's clock (the program's host is wired after construction too).
        net->InitManualStop();
        net->InitStatistics();
    }
    // The bodies queued so far of one type.
    QList<QByteArray> Bodies(int type)
    {
        QList<QByteArray> out;
        const QByteArray head = QByteArray::number(type) + ':';
        for (const QByteArray& f : net->queuedFrames()) {
            if (f.startsWith(head))
                out << f.mid(f.indexOf(":..!") + 4);
        }
        return out;
    }
    static qint64 Local(int h, int m) { return QDateTime(QDate(2024, 5, 1), QTime(h, m)).toMSecsSinceEpoch(); }

    ProgramDir dir;
    WizardPara para;
    WizardPara* oldPara = nullptr;
    int oldCameras = 0;
    qint64 now = 1714547700000;
    int runState = 1;
    std::unique_ptr<CNT_Net> net;
};

// The member names of a JSON object in their order, and a parsed tree that frees itself.
struct Json {
    explicit Json(const QByteArray& text) : root(cJSON_Parse(text.constData())) {}
    ~Json() { cJSON_Delete(root); }
    cJSON* operator->() const { return root; }
    cJSON* root;
};

inline QStringList KeysOf(const cJSON* object)
{
    QStringList keys;
    for (const cJSON* c = object ? object->child : nullptr; c; c = c->next)
        keys << QString::fromUtf8(c->string);
    return keys;
}

inline qint64 NumOf(const cJSON* object, const char* key)
{
    const cJSON* item = cJSON_GetObjectItem(object, key);
    return item ? qint64(item->valuedouble) : -999999;
}

inline QString TextOf(const cJSON* object, const char* key)
{
    const cJSON* item = cJSON_GetObjectItem(object, key);
    return item && item->valuestring ? QString::fromUtf8(item->valuestring) : QString("<missing>");
}
