#include <gtest/gtest.h>

#include "common/programdir.h"
#include "core/uitexttable.h"
#include "settings/connectivity.h"
#include "settings/helppages.h"
#include "settings/logpaging.h"
#include "settings/recorddays.h"
#include "widgets/textrow.h"

namespace {
CommandResult Output(const QByteArray& out)
{
    CommandResult r;
    r.started = true;
    r.exitCode = 0;
    r.out = out;
    return r;
}

class Connectivity : public ::testing::Test {
protected:
    RecordingRunner runner;
    QByteArray route = "default via 192.168.1.1 dev eth0 proto static metric 100 \n"
                       "192.168.1.0/24 dev eth0 proto kernel scope link src 192.168.1.20 \n";
    QByteArray gatewayPing = "PING 192.168.1.1 (192.168.1.1) 56(84) bytes of data.\n"
                             "64 bytes from 192.168.1.1: icmp_seq=1 ttl=64 time=0.412 ms\n";
    QByteArray internetPing = "PING 8.8.8.8 (8.8.8.8) 56(84) bytes of data.\n\n--- 8.8.8.8 ping statistics ---\n"
                              "3 packets transmitted, 0 received, 100% packet loss, time 2040ms\n";
    void SetUp() override
    {
        static bool texts = false;
        if (!texts) {
            Data_Init();
            texts = true;
        }
        runner.answer = [this](const RecordedCommand& c) {
            if (c.program == "ip")
                return Output(route);
            return Output(c.args.value(0) == "192.168.1.1" ? gatewayPing : internetPing);
        };
    }
    void TearDown() override { gLan = 0; }
};
}  // namespace

TEST_F(Connectivity, LanReachedInternetNotAndNoClientGiveTheThreeVerdictsInTheLanguageInForce)
{
    gLan = 1;
    EXPECT_EQ(CheckConnectivity(false), "LAN OK,Internet NG,Server NG");
    EXPECT_EQ(runner.lines(), QStringList({"ip route show", "ping 192.168.1.1 -w 2",
                                           QString("ping %1 -w 3").arg(kInternetProbe)}));
    gLan = 0;
    EXPECT_EQ(CheckConnectivity(true), QString::fromUtf8("局域网已连接,外网未连接,服务器已连接"));
}

TEST_F(Connectivity, WithoutADefaultRouteOnlyTheGatewayErrorIsShown)
{
    gLan = 1;
    route = "192.168.1.0/24 dev eth0 proto kernel scope link src 192.168.1.20\n";
    EXPECT_EQ(CheckConnectivity(true), textRow(419));
    EXPECT_EQ(runner.calls.size(), 1);
    // A "via" with fewer than two words behind it names no gateway either.
    route = QByteArray("default via 10.0.0.1\0via 1.2.3.4 dev eth0", 40);
    EXPECT_EQ(CheckConnectivity(true), textRow(419));
    EXPECT_EQ(GatewayFromRoute("default via 10.0.0.1", "0.0.0.0"), "0.0.0.0");
}

TEST(PingOutput, OnlyANonZeroRoundTripCounts)
{
    EXPECT_TRUE(PingReached("64 bytes from 8.8.8.8: icmp_seq=1 ttl=117 time=12.3 ms\n"));
    EXPECT_FALSE(PingReached("64 bytes from 8.8.8.8: icmp_seq=1 ttl=117 time=0.000 ms\n"));
    EXPECT_FALSE(PingReached("From 10.0.0.20 icmp_seq=1 Destination Host Unreachable\n"));
    EXPECT_FALSE(PingReached(""));
}

TEST(RecordDays, TodayFirstThenArchivedDaysNewestFirst)
{
    ProgramDir dir;
    for (const char* f : {"RECORD/2026-11-30.db", "RECORD/2026-12-05.db", "RECORD/2026-12-01.db", "RECORD/notes.txt"})
        dir.write(f, "");
    EXPECT_EQ(RecordDays("RECORD", QDate(2026, 12, 7)),
              QStringList({"2026-12-07", "2026-12-05", "2026-12-01", "2026-11-30"}));
    EXPECT_EQ(RecordDays("missing", QDate(2026, 12, 7)), QStringList({"2026-12-07"}));
}

TEST(LogPaging, PageCountKeepsItsExtraPageAndAFullSinglePageHasNone)
{
    // 21 rows per page: an 836-pixel view of 38-pixel rows.
    LogPaging p{0, 38, 836, 600};
    ASSERT_EQ(p.rowsPerPage(), 21);
    const QList<QPair<int, int>> cases = {{42, 3}, {43, 4}, {21, 0}, {0, 0}, {1, 2}};
    for (const auto& c : cases) {
        p.rows = c.first;
        EXPECT_EQ(p.pageCount(), c.second) << c.first;
    }
    // Rows taller than half the view still page one row at a time.
    LogPaging tall{5, 500, 810, 100};
    EXPECT_EQ(tall.rowsPerPage(), 1);
    EXPECT_EQ(tall.pageCount(), 6);
    EXPECT_EQ(LogPaging({5, 0, 810, 100}).rowsPerPage(), 1);
}

TEST(LogPaging, MovesStayWithinTheScrollRangeAndTheIndicatorMarksPagesTwoToFour)
{
    LogPaging p{43, 38, 836, 400};  // 4 pages, step 100
    EXPECT_EQ(p.step(), 100);
    EXPECT_EQ(p.upFrom(0), 0);
    EXPECT_EQ(p.upFrom(50), 0);
    EXPECT_EQ(p.downFrom(400), 400);
    EXPECT_EQ(p.downFrom(350), 400);
    EXPECT_EQ(p.downFrom(100), 200);
    EXPECT_EQ(p.positionOf(3), 200);
    EXPECT_EQ(p.positionOf(5), -1);
    EXPECT_EQ(p.indicatorButton(0), 0);
    EXPECT_EQ(p.indicatorButton(1), 2);
    EXPECT_EQ(p.indicatorButton(101), 3);
    EXPECT_EQ(p.indicatorButton(300), 4);
    EXPECT_EQ(p.indicatorButton(301), 0);
    LogPaging empty{0, 38, 836, 0};
    EXPECT_EQ(empty.indicatorButton(10), 0);
    EXPECT_EQ(empty.downFrom(0), 0);
}

TEST(HelpPages, StepsWrapBothWaysAndPagesBeyondTheCountShowTheLast)
{
    const HelpStepper three{3};
    EXPECT_EQ(three.next(2), 0);
    EXPECT_EQ(three.previous(0), 2);
    EXPECT_EQ(three.shown(kHelpAlarmPage), 2);
    EXPECT_EQ(three.shown(6), 2);
    EXPECT_EQ(three.next(6), 0);
    const HelpStepper none{0};
    EXPECT_EQ(none.shown(4), 0);
    EXPECT_EQ(none.next(0), 0);
    EXPECT_EQ(none.previous(0), 0);
}

TEST(HelpPages, DirectoryByLanguageAndAtMostFiftyPicturesInNameOrder)
{
    EXPECT_EQ(HelpDirectory(0), "./help/");
    EXPECT_EQ(HelpDirectory(1), "./help-en/");
    EXPECT_EQ(HelpDirectory(2), "./help-en/");
    ProgramDir dir;
    for (int i = 60; i >= 1; --i)
        dir.write(QString("help-en/%1.png").arg(i, 2, 10, QChar('0')), "png");
    dir.write("help-en/notes.txt", "");
    const QStringList files = HelpPageFiles("./help-en/");
    ASSERT_EQ(files.size(), kHelpMaxPages);
    EXPECT_EQ(files.first(), "./help-en/01.png");
    EXPECT_EQ(files.last(), "./help-en/50.png");
    EXPECT_EQ(HelpStepper{int(files.size())}.next(49), 0);
}
