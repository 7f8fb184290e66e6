#include "network/reportclientprocess.h"

#include <csignal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QList>

qint64 ReportClientProcess::StartTicks(qint64 pid)
{
    if (pid <= 0)
        return -1;
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    // The name in parentheses may hold blanks: the fields count from its closing parenthesis.
    const int close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    // fields[0] is the state (field 3), fields[19] the start time (field 22).
    if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X")
        return -1;
    bool ok = false;
    const qint64 ticks = fields[19].toLongLong(&ok);
    return ok ? ticks : -1;
}

void ReportClientProcess::started(qint64 pid)
{
    pid_ = pid > 0 ? pid : 0;
    ticks_ = StartTicks(pid_);
}

bool ReportClientProcess::alive() const
{
    return pid_ > 0 && ticks_ >= 0 && StartTicks(pid_) == ticks_;
}

bool ReportClientProcess::end()
{
    if (!alive())
        return false;
    ::kill(pid_t(pid_), SIGTERM);
    return true;
}

void ReportClientProcess::kill() const
{
    if (alive())
        ::kill(pid_t(pid_), SIGKILL);
}

namespace {

// "0100007F:22B8": the address as the kernel's socket table prints it.
QByteArray TableAddress(const sockaddr_in& a)
{
    return QByteArray::number(quint32(a.sin_addr.s_addr), 16).toUpper().rightJustified(8, '0') + ':'
        + QByteArray::number(ntohs(a.sin_port), 16).toUpper().rightJustified(4, '0');
}

// The owner of the loopback TCP socket at `peer` connected to `local`, from the kernel's socket
// table of this network namespace; -1 when it is not listed.
qint64 TcpSocketOwner(const sockaddr_in& peer, const sockaddr_in& local)
{
    QFile f("/proc/self/net/tcp");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray from = TableAddress(peer), to = TableAddress(local);
    f.readLine();  // the column names
    for (QByteArray line = f.readLine(); !line.isEmpty(); line = f.readLine()) {
        const QList<QByteArray> w = line.simplified().split(' ');
        // sl, local, remote, state, queues, timer, retransmits, uid; a socket in TIME_WAIT (06)
        // has no owner any more.
        if (w.size() > 7 && w[1] == from && w[2] == to && w[3] != "06") {
            bool ok = false;
            const qint64 uid = w[7].toLongLong(&ok);
            return ok ? uid : -1;
        }
    }
    return -1;
}

}  // namespace

bool PeerIsOwnUser(qintptr fd, qint64* peerUid)
{
    qint64 uid = -1;
    // A local (Unix) socket carries its peer's credentials; a TCP socket does not (the kernel
    // reports pid 0), so its peer's owner is looked up in the socket table.
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && len == sizeof cred && cred.pid > 0) {
        uid = cred.uid;
    } else {
        sockaddr_in peer{}, local{};
        socklen_t plen = sizeof peer, llen = sizeof local;
        if (getpeername(int(fd), reinterpret_cast<sockaddr*>(&peer), &plen) == 0
            && getsockname(int(fd), reinterpret_cast<sockaddr*>(&local), &llen) == 0 && peer.sin_family == AF_INET
            && local.sin_family == AF_INET)
            uid = TcpSocketOwner(peer, local);
    }
    if (peerUid)
        *peerUid = uid;
    return uid >= 0 && uid == qint64(geteuid());
}
