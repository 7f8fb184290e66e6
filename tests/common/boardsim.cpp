#include "common/boardsim.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include "common/programdir.h"

BoardSim::~BoardSim()
{
    stop();
}

bool BoardSim::start(const QString& linkPath, bool setSerialEnv, int timeoutMs)
{
    link_ = linkPath.isEmpty() ? QDir::currentPath() + "/ttyBoard" : linkPath;
    proc_.setProcessChannelMode(QProcess::SeparateChannels);
    proc_.setReadChannel(QProcess::StandardOutput);
    proc_.start(buildDir() + "/boardsim", {"--link", link_});
    if (!proc_.waitForStarted(timeoutMs))
        return false;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (!proc_.canReadLine())
            proc_.waitForReadyRead(50);
        while (proc_.canReadLine()) {
            const QString l = QString::fromUtf8(proc_.readLine()).trimmed();
            if (l == "ready " + link_) {
                if (setSerialEnv) {
                    qputenv("MOULDMON_SERIAL", link_.toLocal8Bit());
                    setEnv_ = true;
                }
                return true;
            }
        }
        if (proc_.state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

void BoardSim::send(const QString& command)
{
    proc_.write((command + "\n").toUtf8());
    proc_.waitForBytesWritten(1000);
}

void BoardSim::drain()
{
    proc_.waitForReadyRead(0);
    partial_ += QString::fromUtf8(proc_.readAllStandardOutput());
    int nl;
    while ((nl = partial_.indexOf('\n')) >= 0) {
        lines_ << partial_.left(nl);
        partial_.remove(0, nl + 1);
    }
}

QStringList BoardSim::lines()
{
    drain();
    return lines_;
}

QList<BoardFrameLog> BoardSim::frames()
{
    QList<BoardFrameLog> out;
    for (const QString& l : lines()) {
        const QStringList f = l.split(' ');
        bool ok1 = false, ok2 = false, ok3 = false;
        if (f.size() != 3)
            continue;
        BoardFrameLog b;
        b.ms = f[0].toLongLong(&ok1);
        b.command = f[1].toInt(&ok2);
        b.data = f[2].toInt(&ok3, 16);
        if (ok1 && ok2 && ok3)
            out << b;
    }
    return out;
}

bool BoardSim::waitFor(const std::function<bool(const QStringList&)>& pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (pred(lines()))
            return true;
        if (t.elapsed() >= timeoutMs || proc_.state() == QProcess::NotRunning)
            return pred(lines());
        proc_.waitForReadyRead(20);
    }
}

bool BoardSim::waitForFrames(int count, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (frames().size() >= count)
            return true;
        if (t.elapsed() >= timeoutMs || proc_.state() == QProcess::NotRunning)
            return frames().size() >= count;
        proc_.waitForReadyRead(20);
    }
}

void BoardSim::stop()
{
    if (setEnv_) {
        qunsetenv("MOULDMON_SERIAL");
        setEnv_ = false;
    }
    if (proc_.state() == QProcess::NotRunning)
        return;
    send("quit");
    proc_.closeWriteChannel();
    if (!proc_.waitForFinished(2000)) {
        proc_.kill();
        proc_.waitForFinished(1000);
    }
    drain();
}
