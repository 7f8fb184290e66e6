#pragma once
// The report client process the server started last, known by its pid and its start time (so a
// pid the system has given to another process since is never signalled), and the rule that one
// client runs at a time.
#include <QtGlobal>

class ReportClientProcess {
public:
    // The client just started as `pid` (0: unknown, nothing to end later).
    void started(qint64 pid);
    // The process started last still runs.
    bool alive() const;
    // Asks it to end (SIGTERM); true when it was running.
    bool end();
    // Ends it for good (SIGKILL) when it is still the same process.
    void kill() const;
    qint64 pid() const { return pid_; }

    // The start time of `pid` in clock ticks since boot; -1 when there is no such process or it
    // has ended (a zombie).
    static qint64 StartTicks(qint64 pid);

private:
    qint64 pid_ = 0;
    qint64 ticks_ = -1;
};

// True when the peer of the connected local socket `fd` runs as this program's user.
// `peerUid` receives the peer's uid (-1 when the kernel does not tell it).
bool PeerIsOwnUser(qintptr fd, qint64* peerUid = nullptr);
