#include "common/reportpeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "common/programdir.h"
#include "tools/reportpeer/peerlog.h"

ReportPeerProcess::ReportPeerProcess(const QStringList& args)
{
    proc_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc_.start(buildDir() + "/reportpeer", QStringList{"--heartbeat", "0"} + args);
    proc_.waitForStarted(5000);
}

ReportPeerProcess::~ReportPeerProcess()
{
    stop();
}

void ReportPeerProcess::send(const QByteArray& command)
{
    proc_.write(command + "\n");
    proc_.waitForBytesWritten(1000);
}

void ReportPeerProcess::drain()
{
    partial_ += proc_.readAllStandardOutput();
    int nl;
    while ((nl = partial_.indexOf('\n')) >= 0) {
        const QByteArray line = partial_.left(nl);
        partial_.remove(0, nl + 1);
        const int a = line.indexOf(' ');
        if (a < 0)
            continue;
        const int b = line.indexOf(' ', a + 1);
        PeerEvent e;
        e.ms = line.left(a).toLongLong();
        e.kind = b < 0 ? line.mid(a + 1) : line.mid(a + 1, b - a - 1);
        e.data = b < 0 ? QByteArray() : UnescapeLine(line.mid(b + 1));
        events_ << e;
    }
}

QList<PeerEvent> ReportPeerProcess::events()
{
    drain();
    return events_;
}

QList<QByteArray> ReportPeerProcess::frames()
{
    QList<QByteArray> out;
    for (const PeerEvent& e : events())
        if (e.kind == "frame")
            out << e.data;
    return out;
}

QList<qint64> ReportPeerProcess::frameTimes()
{
    QList<qint64> out;
    for (const PeerEvent& e : events())
        if (e.kind == "frame")
            out << e.ms;
    return out;
}

bool ReportPeerProcess::waitForFrames(int count, int timeoutMs)
{
    return WaitUntil([&] { return frames().size() >= count; }, timeoutMs);
}

bool ReportPeerProcess::waitForEvent(const QByteArray& kind, int timeoutMs)
{
    return WaitUntil(
        [&] {
            for (const PeerEvent& e : events())
                if (e.kind == kind)
                    return true;
            return false;
        },
        timeoutMs);
}

void ReportPeerProcess::stop()
{
    if (proc_.state() == QProcess::NotRunning)
        return;
    send("exit");
    if (!proc_.waitForFinished(2000)) {
        proc_.kill();
        proc_.waitForFinished(2000);
    }
    drain();
}
