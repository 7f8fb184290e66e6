#include "core/orderlystop.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QtDebug>

#include "core/startup.h"

namespace {
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

int gReadFd = -1;
volatile sig_atomic_t gWriteFd = -1;
struct sigaction gPrevious[sizeof kSignals / sizeof kSignals[0]];
OrderlyStop::Flush gFlush;  // GUI thread only

// Async-signal-safe: one write, errno kept. A full socket drops the byte: a stop is coming anyway.
void OnSignal(int sig)
{
    const int saved = errno;
    const int fd = gWriteFd;
    if (fd >= 0) {
        const unsigned char b = static_cast<unsigned char>(sig);
        const ssize_t w = ::write(fd, &b, 1);
        (void)w;
    }
    errno = saved;
}

[[noreturn]] void EndBySignal(int sig)
{
    StopWTD();
    std::fflush(stdout);
    std::fflush(stderr);
    ::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
    _exit(128 + sig);
}
}  // namespace

OrderlyStop::OrderlyStop(QObject* parent) : QObject(parent), end(EndBySignal)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) {
        qCritical("stop signals: no socket pair (%s); SIGTERM ends the program at once", std::strerror(errno));
        return;
    }
    gReadFd = fds[1];
    gWriteFd = fds[0];
    notifier_ = new QSocketNotifier(gReadFd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Take(); });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    // A system call of another thread that the signal interrupts goes on.
    sa.sa_flags = SA_RESTART;
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        sigaction(kSignals[i], &sa, &gPrevious[i]);
}

OrderlyStop::~OrderlyStop()
{
    if (!notifier_)
        return;
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        sigaction(kSignals[i], &gPrevious[i], nullptr);
    delete notifier_;
    const int w = gWriteFd;
    gWriteFd = -1;
    ::close(w);
    ::close(gReadFd);
    gReadFd = -1;
}

void OrderlyStop::SetFlush(Flush flush)
{
    gFlush = std::move(flush);
}

bool OrderlyStop::FlushBeforeEnd()
{
    QStringList leftOut;
    const bool whole = (!gFlush || gFlush(kFlushBoundMs, &leftOut)) && leftOut.isEmpty();
    if (whole)
        qInfo("end: everything held is written and the databases are closed");
    else if (leftOut.isEmpty())
        qCritical("end: the databases are closed; what could not be written is logged above");
    else
        qCritical("end: the databases are closed; what could not be written is logged above; left out since the "
                  "start: %s", qPrintable(leftOut.join("; ")));
    return whole;
}

void OrderlyStop::TakePending()
{
    if (notifier_)
        Take();
}

void OrderlyStop::Take()
{
    unsigned char b = 0;
    if (::read(gReadFd, &b, 1) != 1)
        return;
    // Nothing else is taken up while the stop runs (it never returns on the machine).
    notifier_->setEnabled(false);
    const int sig = b;
    qWarning("%s: the program stops in order", SignalName(sig));
    FlushBeforeEnd();
    if (end)
        end(sig);
    notifier_->setEnabled(true);
}

const char* OrderlyStop::SignalName(int sig)
{
    switch (sig) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return "signal";
    }
}
