#pragma once
// The report sender: writes the head of the message queue to the client and waits for its
// acknowledge before the next; an unacknowledged message is written once more and then dropped,
// so one lost message never blocks the queue.
//
// The socket belongs to the GUI thread: the sender only decides what to write and when, and hands
// the bytes to the GUI thread. The mutex guards the queue and the connection, never a write or a
// wait, so an enqueue from the cycle never waits on the network.
#include <atomic>
#include <functional>

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

// "%1:%2:..!" with the type number and the body's length in bytes, then the body itself.
QByteArray FrameReport(int type, const QByteArray& body);

class CNT_Thread : public QThread {
    Q_OBJECT
public:
    static constexpr int kMaxMessages = 10000;
    static constexpr int kMaxWrites = 2;

    // `write` runs on the sender thread and must only hand the bytes of connection `connection`
    // over to the socket's own thread.
    using Writer = std::function<void(quint64 connection, const QByteArray& frame)>;
    explicit CNT_Thread(Writer write, QObject* parent = nullptr);
    ~CNT_Thread() override;

    // Appends a framed message (any thread); past kMaxMessages the oldest message that is not
    // being written is dropped. Returns false when one was dropped.
    bool enqueue(const QByteArray& frame);
    // The client connection to write to (0: none). A new connection starts the head afresh.
    void setSocket(quint64 connection);
    void clearSocket() { setSocket(0); }
    // The link is usable (connected flag of the server); the sender idles while it is not.
    void setLinkUp(bool up);
    // An acknowledge read on connection `connection`: removes the head when it was written to that
    // connection and not yet acknowledged; otherwise only wakes the sender. An acknowledge of
    // another connection changes nothing. Returns true when it removed the head.
    bool acknowledge(quint64 connection);
    // Wakes the sender (goThrough).
    void wake();
    // The acknowledge wait; 5 s in the program, shorter in tests.
    void setAckWaitMs(int ms) { ackWaitMs_ = ms; }
    int ackWaitMs() const { return ackWaitMs_; }

    int queued() const;
    // How often the head has been written since it became the head on this connection.
    int retryCount() const { return retry_; }
    QList<QByteArray> messages() const;

protected:
    void run() override;

private:
    Writer write_;
    mutable QMutex mutex_;
    QWaitCondition wakeup_;
    QList<QByteArray> queue_;
    quint64 connection_ = 0;
    quint64 writtenOn_ = 0;  // the connection the head was last written to
    bool linkUp_ = false;
    bool acked_ = false;
    bool stopping_ = false;
    std::atomic<int> retry_{0};
    std::atomic<int> ackWaitMs_{5000};
};
