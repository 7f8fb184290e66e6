#pragma once
// Runs tools/reportpeer for a test: send() writes one stdin command; its log lines ("<ms> frame
// <frame>", "<ms> sent <reply>", "<ms> connected", "<ms> closed") are read while the test waits,
// with the GUI thread's events processed (the report server lives there).
#include <functional>
#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QStringList>

#include "common/waituntil.h"

struct PeerEvent {
    qint64 ms = 0;
    QByteArray kind;  // "frame", "sent", "connected", "closed", ...
    QByteArray data;  // the frame or reply bytes, unescaped
};


class ReportPeerProcess {
public:
    // Extra arguments after "--heartbeat 0" (no heartbeats unless asked).
    explicit ReportPeerProcess(const QStringList& args = {});
    ~ReportPeerProcess();
    ReportPeerProcess(const ReportPeerProcess&) = delete;
    ReportPeerProcess& operator=(const ReportPeerProcess&) = delete;

    void send(const QByteArray& command);
    QList<PeerEvent> events();
    // The frames received so far, whole, and their times.
    QList<QByteArray> frames();
    QList<qint64> frameTimes();
    bool waitForFrames(int count, int timeoutMs = 5000);
    bool waitForEvent(const QByteArray& kind, int timeoutMs = 5000);
    bool running() const { return proc_.state() != QProcess::NotRunning; }
    qint64 pid() const { return proc_.processId(); }
    // "exit", then kill when it does not end.
    void stop();

private:
    void drain();

    QProcess proc_;
    QByteArray partial_;
    QList<PeerEvent> events_;
};
