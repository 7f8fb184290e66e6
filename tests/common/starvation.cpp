#include "common/starvation.h"

#include <algorithm>
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QThread>

#include <sys/syscall.h>
#include <unistd.h>

#include "common/waituntil.h"
#include "platform/camsdk/threadwaits.h"

Starvation::Starvation(const QList<qint64>& pids) : pids_(pids)
{
    if (pids_.isEmpty())
        pids_ << qint64(getpid());
    Restart();
}

Starvation::Ended::~Ended()
{
    for (const QMetaObject::Connection& c : connections)
        QObject::disconnect(c);
}

void Starvation::Restart()
{
    ended_ = std::make_shared<Ended>();
    spanStartNs_ = ThreadWaits::NowNs();
    start_ = Read();
    span_.start();
}

void Starvation::Watch(QThread* thread)
{
    std::weak_ptr<Ended> weak = ended_;
    // Runs on the ending thread, after its last wait for a CPU before it ends.
    const QMetaObject::Connection c = QObject::connect(thread, &QThread::finished, thread, [weak] {
        QFile f("/proc/thread-self/schedstat");
        const std::shared_ptr<Ended> ended = weak.lock();
        if (!ended || !f.open(QIODevice::ReadOnly))
            return;
        const qint64 count = f.readAll().split(' ').value(1).toLongLong();
        std::lock_guard<std::mutex> lock(ended->mutex);
        ended->counts[QString("%1/%2").arg(getpid()).arg(long(syscall(SYS_gettid)))] = count;
    }, Qt::DirectConnection);
    std::lock_guard<std::mutex> lock(ended_->mutex);
    ended_->connections << c;
}

QMap<QString, qint64> Starvation::Read() const
{
    QMap<QString, qint64> out;
    for (qint64 pid : pids_) {
        const QString tasks = QString("/proc/%1/task").arg(pid);
        for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile f(tasks + "/" + tid + "/schedstat");
            if (f.open(QIODevice::ReadOnly))
                out[QString("%1/%2").arg(pid).arg(tid)] = f.readAll().split(' ').value(1).toLongLong();
        }
    }
    return out;
}

qint64 Starvation::WaitedMs() const
{
    qint64 most = 0;
    QMap<QString, qint64> now = Read();
    {
        std::lock_guard<std::mutex> lock(ended_->mutex);
        for (auto it = ended_->counts.begin(); it != ended_->counts.end(); ++it)
            now[it.key()] = std::max(now.value(it.key(), 0), it.value());
    }
    if (pids_.contains(getpid()))
        for (const auto& e : ThreadWaits::EndedSince(spanStartNs_)) {
            const QString key = QString::fromStdString(e.first);
            now[key] = std::max(now.value(key, 0), qint64(e.second));
        }
    // A thread started within the span waited all its count in it.
    for (auto it = now.begin(); it != now.end(); ++it)
        most = std::max(most, it.value() - start_.value(it.key(), 0));
    return most / 1000000;
}

bool Starvation::Starved(qint64 missedMs) const
{
    return WaitedMs() * 2 >= std::max<qint64>(10, std::abs(missedMs));
}

QString Starvation::Text(const QString& what) const
{
    return QString("starved: %1; a thread waited %2 ms for a CPU in the last %3 ms").arg(what).arg(WaitedMs()).arg(span_.elapsed());
}

bool Starvation::OnTime(qint64 seenMs, qint64 wantMs, qint64 slackMs, const QString& what) const
{
    const qint64 off = std::abs(seenMs - wantMs);
    if (off <= slackMs)
        return true;
    // Missed by what lies past the slack: a wide slack is no part of the miss.
    if (!Starved(off - slackMs))
        return false;
    std::printf("%s\n", qPrintable(Text(QString("%1 at %2 ms, wanted %3 within %4 ms").arg(what).arg(seenMs).arg(wantMs).arg(slackMs))));
    std::fflush(stdout);
    return true;
}

bool Starvation::WaitInTime(const std::function<bool()>& cond, int windowMs, const QString& what) const
{
    QElapsedTimer t;
    t.start();
    if (WaitUntil(cond, windowMs))
        return true;
    return WaitUntil(cond, 9 * windowMs) && OnTime(t.elapsed(), windowMs, 0, what);
}
