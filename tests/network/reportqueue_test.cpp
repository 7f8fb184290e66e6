// The sender's queue rules without a network: a recording writer stands for the socket.
#include <gtest/gtest.h>

#include <QMutex>

#include "common/reportpeer.h"
#include "network/cnt_thread.h"

namespace {

class SenderQueue : public ::testing::Test {
protected:
    SenderQueue()
        : sender([this](quint64 connection, const QByteArray& frame) {
              QMutexLocker lock(&mutex);
              written << frame;
              connections << connection;
          })
    {
        sender.setAckWaitMs(200);
    }
    QList<QByteArray> Written()
    {
        QMutexLocker lock(&mutex);
        return written;
    }
    bool WaitWritten(int n) { return WaitUntil([&] { return Written().size() >= n; }, 3000); }

    QMutex mutex;
    QList<QByteArray> written;
    QList<quint64> connections;
    CNT_Thread sender;
};

}  // namespace

TEST(ReportFrame, TypeLengthInBytesAndTheBodyWithNothingAfter)
{
    EXPECT_EQ(FrameReport(14, QByteArray()), QByteArray("14:0:..!"));
    EXPECT_EQ(FrameReport(1, QString("报警灯").toUtf8()), QByteArray("1:9:..!") + QString("报警灯").toUtf8());
}

TEST_F(SenderQueue, LateAcknowledgeRemovesNoUnwrittenMessage)
{
    sender.enqueue("A");
    sender.enqueue("B");
    sender.setSocket(1);
    sender.setLinkUp(true);
    sender.start();
    ASSERT_TRUE(WaitWritten(1));
    sender.setLinkUp(false);  // the link drops while A waits for its acknowledge
    WaitUntil([] { return false; }, 50);
    EXPECT_TRUE(sender.acknowledge(1));   // A was written: removed
    EXPECT_FALSE(sender.acknowledge(1));  // B was never written: stays
    EXPECT_EQ(sender.messages(), (QList<QByteArray>{"B"}));
    sender.setLinkUp(true);
    ASSERT_TRUE(WaitWritten(2));
    EXPECT_EQ(Written(), (QList<QByteArray>{"A", "B"}));
}

TEST_F(SenderQueue, NewConnectionWritesTheHeadAfresh)
{
    sender.enqueue("A");
    sender.setSocket(1);
    sender.setLinkUp(true);
    sender.start();
    ASSERT_TRUE(WaitWritten(2));  // twice to connection 1, no acknowledge
    sender.setSocket(2);
    ASSERT_TRUE(WaitWritten(3));
    QMutexLocker lock(&mutex);
    EXPECT_EQ(connections.last(), 2u);
}

TEST_F(SenderQueue, OnlyTheConnectionTheHeadWasWrittenToAcknowledgesIt)
{
    sender.setAckWaitMs(60000);
    sender.enqueue("A");
    sender.setSocket(1);
    sender.setLinkUp(true);
    sender.start();
    ASSERT_TRUE(WaitWritten(1));
    EXPECT_FALSE(sender.acknowledge(2));  // another connection's acknowledge
    EXPECT_FALSE(sender.acknowledge(0));
    EXPECT_EQ(sender.messages(), (QList<QByteArray>{"A"}));
    EXPECT_EQ(sender.retryCount(), 1);

    // A newer connection: A is written to it afresh; the old one's acknowledge no longer counts.
    sender.setSocket(2);
    ASSERT_TRUE(WaitWritten(2));
    EXPECT_FALSE(sender.acknowledge(1));
    EXPECT_EQ(sender.messages(), (QList<QByteArray>{"A"}));
    EXPECT_TRUE(sender.acknowledge(2));
    EXPECT_TRUE(sender.messages().isEmpty());
    QMutexLocker lock(&mutex);
    EXPECT_EQ(connections, (QList<quint64>{1, 2}));
}

TEST_F(SenderQueue, FullQueueDropsTheOldestMessageNotBeingWritten)
{
    sender.setSocket(1);
    sender.setLinkUp(true);
    sender.setAckWaitMs(60000);
    sender.start();
    sender.enqueue("head");
    ASSERT_TRUE(WaitWritten(1));
    for (int i = 1; i < CNT_Thread::kMaxMessages; ++i)
        EXPECT_TRUE(sender.enqueue(QByteArray::number(i)));
    EXPECT_FALSE(sender.enqueue("last"));
    const QList<QByteArray> q = sender.messages();
    ASSERT_EQ(q.size(), CNT_Thread::kMaxMessages);
    EXPECT_EQ(q[0], "head");  // its acknowledge must still find it
    EXPECT_EQ(q[1], "2");
    EXPECT_EQ(q.last(), "last");
}
