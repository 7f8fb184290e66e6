// The report link against tools/reportpeer on port 8890 (this program holds a CTest resource
// lock for the port).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QTcpSocket>

#include "common/programdir.h"
#include "common/reportpeer.h"
#include "common/starvation.h"
#include "reportfixture.h"
#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "network/cnt_thread.h"

namespace {

class ReportLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateDefaultDatabases("."));
        SetReportingRow(true);
        para.cnt_net_enabled = 1;
        oldPara = gpWPara;
        gpWPara = &para;
        dir.write("cnt_net/runNetClient.py", "# client\n");
        net.reset(new CNT_Net);
        ASSERT_TRUE(net->isopen);
        ASSERT_TRUE(net->isListening());
        ReportTimings t;
        t.ackWaitMs = 300;
        net->setTimings(t);
    }
    void TearDown() override
    {
        peers.clear();
        net.reset();
        gpWPara = oldPara;
    }
    ReportPeerProcess& Peer(const QStringList& args = {})
    {
        peers.emplace_back(new ReportPeerProcess(args));
        ReportPeerProcess& p = *peers.back();
        EXPECT_TRUE(p.waitForEvent("connected"));
        EXPECT_TRUE(WaitUntil([&] { return bool(net->connected); }, 3000));
        return p;
    }
    void Send(const QByteArray& body, SendType type = SEND_RECORD) { net->CNT_Enqueue(type, body); }

    ProgramDir dir;
    RecordingRunner runner;
    WizardPara para;
    WizardPara* oldPara = nullptr;
    std::unique_ptr<CNT_Net> net;
    std::vector<std::unique_ptr<ReportPeerProcess>> peers;
};

int Restarts(const RecordingRunner& runner)
{
    return runner.lines().count("python3 ./cnt_net/runNetClient.py");
}

}  // namespace

TEST_F(ReportLink, FramesArriveByteForByteWithTheBodyLengthInBytes)
{
    ReportPeerProcess& peer = Peer();
    Send(QByteArray(), SEND_GET_REMIND_LIST);
    Send(QString("报警灯").toUtf8());
    Send("device_id=M1&utc=1");
    ASSERT_TRUE(peer.waitForFrames(3));
    EXPECT_EQ(peer.frames(), (QList<QByteArray>{"17:0:..!", "1:9:..!" + QString("报警灯").toUtf8(),
                                                "1:18:..!device_id=M1&utc=1"}));
}

TEST_F(ReportLink, AcknowledgedMessagesGoInOrderOnceEach)
{
    ReportPeerProcess& peer = Peer();
    Send("a");
    Send("b");
    Send("c");
    ASSERT_TRUE(peer.waitForFrames(3));
    WaitUntil([] { return false; }, 3 * net->timings().ackWaitMs);  // no second writes follow
    EXPECT_EQ(peer.frames(), (QList<QByteArray>{"1:1:..!a", "1:1:..!b", "1:1:..!c"}));
    EXPECT_EQ(net->queuedMessages(), 0);
}

TEST_F(ReportLink, UnacknowledgedMessageIsWrittenTwiceThenDropped)
{
    ReportPeerProcess& peer = Peer();
    peer.send("ack never");
    WaitUntil([] { return false; }, 100);
    Send("a");
    Send("b");
    ASSERT_TRUE(peer.waitForFrames(4, 5000));
    const QList<qint64> t = peer.frameTimes();
    EXPECT_EQ(peer.frames(), (QList<QByteArray>{"1:1:..!a", "1:1:..!a", "1:1:..!b", "1:1:..!b"}));
    EXPECT_NEAR(t[1] - t[0], 300, 150);
    EXPECT_NEAR(t[2] - t[0], 600, 200);
    ASSERT_TRUE(WaitUntil([&] { return net->queuedMessages() == 0; }, 2000));
}

TEST_F(ReportLink, UnacknowledgedMessageWithTheProgramsFiveSecondWait)
{
    net->setTimings(ReportTimings());
    ReportPeerProcess& peer = Peer();
    peer.send("ack never");
    WaitUntil([] { return false; }, 100);
    Send("a");
    Send("b");
    ASSERT_TRUE(peer.waitForFrames(3, 15000));
    const QList<qint64> t = peer.frameTimes();
    EXPECT_EQ(peer.frames().mid(0, 3), (QList<QByteArray>{"1:1:..!a", "1:1:..!a", "1:1:..!b"}));
    EXPECT_NEAR(t[1] - t[0], 5000, 300);
    EXPECT_NEAR(t[2] - t[0], 10000, 500);
}

TEST_F(ReportLink, AcknowledgeAfterTheFirstWriteSavesTheSecond)
{
    ReportPeerProcess& peer = Peer();
    peer.send("ack late 150");
    WaitUntil([] { return false; }, 100);
    Send("a");
    Send("b");
    ASSERT_TRUE(peer.waitForFrames(2));
    ASSERT_TRUE(WaitUntil([&] { return net->queuedMessages() == 0; }, 3000));
    WaitUntil([] { return false; }, 500);
    EXPECT_EQ(peer.frames(), (QList<QByteArray>{"1:1:..!a", "1:1:..!b"}));
}

TEST_F(ReportLink, SplitAndCoalescedRepliesAreEachHandledOnce)
{
    QStringList reminders;
    QObject context;
    net->setSessionReceiver(CNT_Net::kSessionRemind, &context, [&](const QString& body) {
        reminders << body + (net->queuedMessages() == 0 ? " after-ack" : " before-ack");
    });
    ReportPeerProcess& peer = Peer();
    peer.send("ack never");
    peer.send("split 120");
    WaitUntil([] { return false; }, 100);
    Send("a");
    ASSERT_TRUE(peer.waitForFrames(1));
    peer.send("session 17 {\"result\": [{\"a\": \"x\\r\\n\\r\\n}\"}]}");
    ASSERT_TRUE(WaitUntil([&] { return reminders.size() == 1; }, 2000));
    EXPECT_EQ(reminders[0], "{\"result\": [{\"a\": \"x\r\n\r\n}\"}]} before-ack");

    // An acknowledge, a heartbeat and a reminder reply in one write, each handled in order.
    peer.send("split 0");
    peer.send("hold");
    peer.send("sendack");
    peer.send("heart");
    peer.send("session 17 {\"result\": []}");
    peer.send("flush");
    ASSERT_TRUE(WaitUntil([&] { return reminders.size() == 2; }, 2000));
    EXPECT_EQ(reminders[1], "{\"result\": []} after-ack");
    WaitUntil([] { return false; }, 700);
    EXPECT_EQ(peer.frames().size(), 1);  // the acknowledge came before the second write
    EXPECT_EQ(reminders.size(), 2);
}

TEST_F(ReportLink, LastSessionIdLineChoosesTheReceiver)
{
    QStringList product, remind;
    QObject context;
    net->setSessionReceiver(CNT_Net::kSessionProduct, &context, [&](const QString& b) { product << b; });
    net->setSessionReceiver(CNT_Net::kSessionRemind, &context, [&](const QString& b) { remind << b; });
    ReportPeerProcess& peer = Peer();
    peer.send("raw POST / HTTP/1.1\\r\\nSessionId: 14\\r\\nSessionId: 17\\r\\n\\r\\n{\"result\":[1]}");
    peer.send("raw POST / HTTP/1.1\\r\\nSessionId: abc\\r\\n\\r\\n{\"result\":[2]}");
    peer.send("session 14");  // no body at all
    ASSERT_TRUE(WaitUntil([&] { return !product.isEmpty(); }, 4000));
    EXPECT_EQ(remind, QStringList({"{\"result\":[1]}"}));
    EXPECT_EQ(product, QStringList({""}));
}

TEST_F(ReportLink, HeartbeatsKeepTheLinkSilenceRestartsTheClient)
{
    ReportTimings t;
    t.ackWaitMs = 300;
    t.heartCheckMs = 400;
    t.heartSilenceMs = 390;
    net->setTimings(t);
    ReportPeerProcess& peer = Peer();
    peer.send("heartbeat 150");
    WaitUntil([] { return false; }, 1300);  // three checks
    EXPECT_TRUE(net->connected);
    EXPECT_EQ(Restarts(runner), 0);

    peer.send("heartbeat 0");
    ASSERT_TRUE(WaitUntil([&] { return Restarts(runner) == 1; }, 1500));
    EXPECT_FALSE(net->connected);
    ASSERT_TRUE(WaitUntil([&] { return Restarts(runner) == 2; }, 1000));  // still silent: again

    // A heartbeat brings the link back and the queue moves again.
    Send("a");
    peer.send("heart");
    ASSERT_TRUE(peer.waitForFrames(1));
}

TEST_F(ReportLink, RelineDropsTheAskingLinkAndRestartsTheClientOnceAHeartbeatPeriod)
{
    ReportPeerProcess& peer = Peer({"--reconnect"});
    Send("a");
    ASSERT_TRUE(peer.waitForFrames(1));
    peer.send("reline");
    ASSERT_TRUE(WaitUntil([&] { return Restarts(runner) == 1; }, 2000));
    // The asking client gave up its link: it is closed at once, and the next connection is
    // taken although the asking client was just heard; the queue goes on there.
    ASSERT_TRUE(peer.waitForEvent("closed", 2000));
    Send("b");
    ASSERT_TRUE(WaitUntil([&] { return bool(net->connected); }, 2000));
    ASSERT_TRUE(peer.waitForFrames(2));
    EXPECT_EQ(peer.frames(), (QList<QByteArray>{"1:1:..!a", "1:1:..!b"}));

    peer.send("hold");
    for (int i = 0; i < 50; ++i)
        peer.send("reline");
    peer.send("flush");
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(Restarts(runner), 1) << "a client asking again within the period is not started again";

    ReportTimings t;
    t.ackWaitMs = 300;
    t.heartCheckMs = 250;
    net->setTimings(t);
    WaitUntil([] { return false; }, 300);
    ASSERT_TRUE(WaitUntil([&] { return bool(net->connected); }, 2000));
    peer.send("reline");
    ASSERT_TRUE(WaitUntil([&] { return Restarts(runner) == 2; }, 2000));
    para.cnt_net_enabled = 0;  // switched off since: no restart
    WaitUntil([] { return false; }, 300);
    ASSERT_TRUE(WaitUntil([&] { return bool(net->connected); }, 2000));
    peer.send("reline");
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(Restarts(runner), 2);
}

TEST_F(ReportLink, RestartEndsTheClientStartedLastAndDropsItsLink)
{
    QProcess first, second;  // stand for two runs of the client script
    first.start("sleep", {"30"});
    second.start("sleep", {"30"});
    ASSERT_TRUE(first.waitForStarted() && second.waitForStarted());
    runner.detachedPid = first.processId();
    net->CNT_ReStart();
    EXPECT_EQ(net->clientProcess().pid(), first.processId());
    EXPECT_TRUE(net->clientProcess().alive());
    ReportPeerProcess& link = Peer();  // the first run's connection

    runner.detachedPid = second.processId();
    net->CNT_ReStart();
    EXPECT_TRUE(first.waitForFinished(3000)) << "the earlier client was not ended";
    EXPECT_EQ(first.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(link.waitForEvent("closed"));
    EXPECT_FALSE(net->connected);
    EXPECT_EQ(net->clientProcess().pid(), second.processId());
    EXPECT_EQ(second.state(), QProcess::Running);
    EXPECT_EQ(Restarts(runner), 2);

    // A client that ended by itself is not signalled; its pid is no longer taken for it.
    second.kill();
    second.waitForFinished();
    EXPECT_FALSE(net->clientProcess().alive());
    runner.detachedPid = 0;
    net->CNT_ReStart();
    EXPECT_EQ(Restarts(runner), 3);
}

TEST_F(ReportLink, PeerVanishingMidSendLosesNothingQueued)
{
    ReportPeerProcess& first = Peer();
    first.send("ack never");
    first.send("vanish");
    WaitUntil([] { return false; }, 100);
    Send("a");
    Send("b");
    ASSERT_TRUE(first.waitForFrames(1));
    ASSERT_TRUE(WaitUntil([&] { return !net->connected; }, 3000));
    WaitUntil([] { return false; }, 700);  // longer than two acknowledge waits
    EXPECT_EQ(net->queuedMessages(), 2);

    ReportPeerProcess& second = Peer();
    ASSERT_TRUE(second.waitForFrames(2));
    EXPECT_EQ(second.frames(), (QList<QByteArray>{"1:1:..!a", "1:1:..!b"}));
}

TEST_F(ReportLink, ANewerConnectionIsRefusedWhileTheClientSpeaksAndReplacesItWhenSilent)
{
    ReportTimings t;
    t.ackWaitMs = 300;
    t.heartCheckMs = 800;
    net->setTimings(t);
    ReportPeerProcess& first = Peer();
    ReportPeerProcess intruder;
    ASSERT_TRUE(intruder.waitForEvent("connected"));
    ASSERT_TRUE(intruder.waitForEvent("closed"));
    EXPECT_TRUE(net->connected);
    Send("a");
    ASSERT_TRUE(first.waitForFrames(1));
    ASSERT_TRUE(WaitUntil([&] { return net->queuedMessages() == 0; }, 2000));
    EXPECT_TRUE(intruder.frames().isEmpty());

    // Silent for a heartbeat period: the next connection takes over, the older one's close does
    // not drop it.
    WaitUntil([] { return false; }, 900);
    ReportPeerProcess& second = Peer();
    ASSERT_TRUE(first.waitForEvent("closed"));
    WaitUntil([] { return false; }, 200);
    EXPECT_TRUE(net->connected);
    Send("b");
    ASSERT_TRUE(second.waitForFrames(1));
    EXPECT_EQ(first.frames(), QList<QByteArray>{"1:1:..!a"});
}

TEST_F(ReportLink, AnotherUsersConnectionIsRefusedAndGetsNothing)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run a process as another user";
    Send("queued");  // would be written at once to a client taken
    // 0: the server closed the link without a byte; 1: bytes came; 2: open and silent; 3: no connect.
    const auto asUser = [](uid_t uid) {
        const pid_t pid = fork();
        if (pid == 0) {
            if (setgid(uid) != 0 || setuid(uid) != 0)
                _exit(4);
            const int fd = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(CNT_Net::kPort);
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
                _exit(3);
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 2000) != 1)
                _exit(2);
            char c;
            _exit(read(fd, &c, 1) > 0 ? 1 : 0);
        }
        int status = -1;
        WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 5000);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(asUser(65534), 0);
    EXPECT_FALSE(net->connected);
    EXPECT_EQ(net->queuedMessages(), 1);
    // The program's own user is taken and gets the queue.
    ReportPeerProcess& peer = Peer();
    ASSERT_TRUE(peer.waitForFrames(1));
    EXPECT_EQ(peer.frames(), QList<QByteArray>{"1:6:..!queued"});
}

TEST_F(ReportLink, AFloodWithJunkBurstsLeavesTheLinkWorking)
{
    QStringList reminders;
    QObject context;
    net->setSessionReceiver(CNT_Net::kSessionRemind, &context, [&](const QString& body) { reminders << body; });
    ReportPeerProcess& peer = Peer();
    const Starvation cpu({qint64(getpid()), peer.pid()});
    peer.send("flood 1000 1048576 300");
    ASSERT_TRUE(peer.waitForEvent("flood", 5000));
    // A heartbeat closes the last junk burst: junk has no separator, so the reply glued to it is
    // dropped with it as one header too long. Only a peer that keeps up writes heartbeats after
    // the last burst by itself; a starved one does not.
    peer.send("heart");
    peer.send("session 17 {\"result\": []}");
    Send("a");
    ASSERT_TRUE(peer.waitForFrames(1));
    ASSERT_TRUE(cpu.WaitInTime([&] { return reminders.size() == 1 && net->queuedMessages() == 0; }, 3000,
                               "the reminder after a flood"));
    EXPECT_EQ(reminders[0], "{\"result\": []}");
    EXPECT_TRUE(net->connected);
}

TEST_F(ReportLink, PeerThatStopsReadingNeverHoldsUpTheQueueingSide)
{
    ReportPeerProcess& peer = Peer();
    peer.send("stopread");
    WaitUntil([] { return false; }, 100);
    const QByteArray kib(1024, 'x');
    for (int i = 0; i < 3000; ++i)
        Send(kib);
    EXPECT_EQ(net->queuedMessages(), 3000);
    peer.send("read");
    ASSERT_TRUE(WaitUntil([&] { return net->queuedMessages() == 0; }, 30000));
}
