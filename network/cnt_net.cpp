#include "network/cnt_net.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QUuid>
#include <QVariant>
#include <QtDebug>

#include "core/commandrunner.h"
#include "core/parameterstore.h"

bool ReadReportingSwitch(const QString& paramFile)
{
    if (!QFileInfo(paramFile).isFile())
        return false;
    const QString conn = "cntnet-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    int value = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", conn);
        db.setDatabaseName(paramFile);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("SELECT value FROM sysparam WHERE name = 'CntNet'") && q.next())
                value = ParseParamValues(q.value(0).toString(), 1).value(0);
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    return value != 0;
}

CNT_Net::CNT_Net(QObject* parent) : QTcpServer(parent)
{
    cardInForce.addresses = getNewNetCardInfo();
    cardInForce.hostName = getNetHostName();
    cardInForce.macs = getNetMac();
    enabled = ReadReportingSwitch("PARAM.db");
    if (!enabled)
        return;
    connect(this, &QTcpServer::newConnection, this, &CNT_Net::TakeClient);
    isopen = listen(QHostAddress::LocalHost, kPort);
    if (!isopen)
        qWarning() << "report server: cannot listen on port" << kPort << errorString();
}

CNT_Net::~CNT_Net() = default;

void CNT_Net::TakeClient()
{
    while (QTcpSocket* s = nextPendingConnection()) {
        if (client)
            client->deleteLater();
        client = s;
        connected = true;
        connect(s, &QTcpSocket::disconnected, this, [this, s] {
            if (client == s) {
                client = nullptr;
                connected = false;
            }
            s->deleteLater();
        });
    }
}

void CNT_Net::CNT_FirstInit() {}

void CNT_Net::CNT_ReStart()
{
    const QString script = "./cnt_net/runNetClient.py";
    if (QFileInfo(script).isFile())
        CommandRunner::instance()->startDetached("python3", {script});
}

// The report bodies and their sender come with network reporting; until then nothing is queued.
void CNT_Net::CNT_SendMemoryInfo() {}
void CNT_Net::CNT_SendParam() {}
void CNT_Net::CNT_SendRecord(QDateTime const&, QString const&, QString const&) {}
void CNT_Net::CNT_SendStatistics(QString const&) {}
void CNT_Net::CNT_SendStatistics_Once(QList<param_roi> const&, bool, int) {}
void CNT_Net::ChkandAddStaticticsItem(int, int, int) {}
void CNT_Net::CNT_SendTelInfo(int, int) {}
void CNT_Net::CNT_AddNgTimes(int) {}
void CNT_Net::CNT_SendSaveNgVideo(int, int) {}
void CNT_Net::CNT_SendCancle() {}
void CNT_Net::CNT_SendManualStop() {}
void CNT_Net::CNT_SendAlarmPic(QString const&) {}
void CNT_Net::CNT_SendTempPic(QString const&) {}
void CNT_Net::CNT_SendROIParam(int, int) {}
