#include "network/cnt_thread.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QtDebug>

QByteArray FrameReport(int type, const QByteArray& body)
{
    return QByteArray::number(type) + ':' + QByteArray::number(body.size()) + ":..!" + body;
}

CNT_Thread::CNT_Thread(Writer write, QObject* parent) : QThread(parent), write_(std::move(write)) {}

CNT_Thread::~CNT_Thread()
{
    {
        QMutexLocker lock(&mutex_);
        stopping_ = true;
        wakeup_.wakeAll();
    }
    wait();
}

bool CNT_Thread::enqueue(const QByteArray& frame)
{
    bool dropped = false;
    {
        QMutexLocker lock(&mutex_);
        if (queue_.size() >= kMaxMessages) {
            // The head may be on its way to the client; its acknowledge must still find it.
            queue_.removeAt(retry_ > 0 ? 1 : 0);
            dropped = true;
        }
        queue_.append(frame);
        wakeup_.wakeAll();
    }
    if (dropped)
        qWarning("report queue full (%d messages): oldest waiting message dropped", kMaxMessages);
    return !dropped;
}

void CNT_Thread::setSocket(quint64 connection)
{
    QMutexLocker lock(&mutex_);
    if (connection != connection_)
        retry_ = 0;  // the new client has not seen the head
    connection_ = connection;
    wakeup_.wakeAll();
}

void CNT_Thread::setLinkUp(bool up)
{
    QMutexLocker lock(&mutex_);
    linkUp_ = up;
    wakeup_.wakeAll();
}

bool CNT_Thread::acknowledge(quint64 connection)
{
    QMutexLocker lock(&mutex_);
    if (connection == 0 || connection != connection_)
        return false;
    bool removed = false;
    if (!queue_.isEmpty() && retry_ > 0 && writtenOn_ == connection) {
        queue_.removeFirst();
        removed = true;
    }
    retry_ = 0;
    acked_ = true;
    wakeup_.wakeAll();
    return removed;
}

void CNT_Thread::wake()
{
    QMutexLocker lock(&mutex_);
    wakeup_.wakeAll();
}

int CNT_Thread::queued() const
{
    QMutexLocker lock(&mutex_);
    return queue_.size();
}

QList<QByteArray> CNT_Thread::messages() const
{
    QMutexLocker lock(&mutex_);
    return queue_;
}

void CNT_Thread::run()
{
    QMutexLocker lock(&mutex_);
    while (!stopping_) {
        if (queue_.isEmpty() || !linkUp_ || connection_ == 0) {
            wakeup_.wait(&mutex_);
            continue;
        }
        if (retry_ >= kMaxWrites) {
            queue_.removeFirst();
            retry_ = 0;
            qWarning("report message not acknowledged after %d writes: dropped", kMaxWrites);
            continue;
        }
        const QByteArray frame = queue_.first();
        const quint64 connection = connection_;
        ++retry_;
        writtenOn_ = connection;
        acked_ = false;
        lock.unlock();
        write_(connection, frame);
        lock.relock();
        // Monotonic: the settings set the wall clock. An acknowledge that came before this point
        // left acked_ set and costs no wait.
        QDeadlineTimer deadline(ackWaitMs_.load());
        while (!acked_ && !stopping_ && connection_ == connection && linkUp_ && !deadline.hasExpired())
            wakeup_.wait(&mutex_, deadline);
    }
}
