#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>

#include "common/programdir.h"
#include "core/defaultdatabases.h"
#include "core/startup.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"

namespace {

void SetCntNetRow(const QString& value)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "cnttest");
        db.setDatabaseName("PARAM.db");
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        if (value.isNull()) {
            q.exec("DELETE FROM sysparam WHERE name = 'CntNet'");
        } else {
            q.prepare("UPDATE sysparam SET value = ? WHERE name = 'CntNet'");
            q.addBindValue(value);
            ASSERT_TRUE(q.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("cnttest");
}

}  // namespace

TEST(CntNet, ReportingSwitchIsTheFirstValueOfTheRow)
{
    ProgramDir dir;
    ASSERT_TRUE(CreateDefaultDatabases("."));
    SetCntNetRow("0 1 1 1 1 1 1 1");
    EXPECT_FALSE(ReadReportingSwitch("PARAM.db"));
    SetCntNetRow("1 0 0 0 0 0 0 0");
    EXPECT_TRUE(ReadReportingSwitch("PARAM.db"));
    SetCntNetRow("x 1");
    EXPECT_FALSE(ReadReportingSwitch("PARAM.db"));
    SetCntNetRow(QString());
    EXPECT_FALSE(ReadReportingSwitch("PARAM.db"));
    EXPECT_FALSE(ReadReportingSwitch("missing.db"));
}

TEST(CntNet, SwitchedOffItIsNotOpen)
{
    ProgramDir dir;
    ASSERT_TRUE(CreateDefaultDatabases("."));
    SetCntNetRow("0 0 0 0 0 0 0 0");
    dir.write("cnt_net/chknettimes", "3");
    CNT_Net net;
    EXPECT_FALSE(net.isopen);
    EXPECT_FALSE(net.connected);
    EXPECT_FALSE(net.isListening());
    EXPECT_FALSE(QFileInfo::exists("cnt_net/data"));
    EXPECT_TRUE(QFileInfo::exists("cnt_net/chknettimes"));
}

TEST(CntNet, SwitchedOnItListensAndTakesTheClient)
{
    ProgramDir dir;
    ASSERT_TRUE(CreateDefaultDatabases("."));
    SetCntNetRow("1 0 0 0 0 0 0 0");
    CNT_Net net;
    ASSERT_TRUE(net.isopen);
    EXPECT_FALSE(net.connected);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, CNT_Net::kPort);
    ASSERT_TRUE(client.waitForConnected(2000));
    for (int i = 0; i < 100 && !net.connected; ++i)
        net.waitForNewConnection(20);
    EXPECT_TRUE(net.connected);
    client.disconnectFromHost();
    for (int i = 0; i < 100 && net.connected; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(net.connected);
}

TEST(CntNet, ReportClientStartsOnlyWithReportingOnAndTheServerSetUp)
{
    ProgramDir dir;
    ASSERT_TRUE(CreateDefaultDatabases("."));
    dir.write("cnt_net/runNetClient.py", "# client\n");
    RecordingRunner runner;
    WizardPara record;
    SetCntNetRow("0 0 0 0 0 0 0 0");
    CNT_Net off;  // not set up
    record.cnt_net_enabled = 1;
    EXPECT_FALSE(StartReportClient(record, &off));
    EXPECT_FALSE(StartReportClient(record, nullptr));

    SetCntNetRow("1 0 0 0 0 0 0 0");
    CNT_Net on;
    ASSERT_TRUE(on.isopen);
    record.cnt_net_enabled = 0;  // switched off in the loaded record, whatever the server
    EXPECT_FALSE(StartReportClient(record, &on));
    EXPECT_TRUE(runner.calls.isEmpty());
    record.cnt_net_enabled = 1;
    EXPECT_TRUE(StartReportClient(record, &on));
    ASSERT_EQ(runner.calls.size(), 1);
    EXPECT_TRUE(runner.calls[0].detached);
    EXPECT_EQ(runner.calls[0].line(), "python3 ./cnt_net/runNetClient.py");
}
