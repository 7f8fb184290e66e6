#include "vision/controller/passhold.h"

#include <QThread>
#include <QtGlobal>
#include <atomic>
#include <csignal>

namespace PassHold {

namespace {

std::atomic<int> holdMs{0};
volatile std::sig_atomic_t asked = 0;

void OnSignal(int)
{
    asked = 1;
}

}  // namespace

void Install()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("MOULDMON_HOLD_PASS_MS", &ok);
    if (!ok || ms <= 0)
        return;
    holdMs = ms;
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGUSR2, &sa, nullptr);
    qWarning("test seam: SIGUSR2 holds the monitoring pass for %d ms", ms);
}

void MaybeHold()
{
    if (!asked)
        return;
    asked = 0;
    qWarning("test seam: monitoring pass held for %d ms", holdMs.load());
    QThread::msleep(unsigned(holdMs.load()));
}

}  // namespace PassHold
