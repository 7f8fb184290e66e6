#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>

#include "common/programdir.h"
#include "core/defaultdatabases.h"
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
    CNT_Net net;
    EXPECT_FALSE(net.isopen);
    EXPECT_FALSE(net.connected);
    EXPECT_FALSE(net.isListening());
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
