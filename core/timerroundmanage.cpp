#include "core/timerroundmanage.h"

#include <cerrno>
#include <csignal>

#include <QDebug>
#include <QFile>
#include <QTimerEvent>

#include "core/commandrunner.h"
#include "core/syspath.h"

TimerRoundManage* TimerRoundManage::__instance = nullptr;

namespace {
bool processAlive(qint64 pid)
{
    // pid 0 or below would address a process group: never alive here
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}
}  // namespace

TimerRoundManage::TimerRoundManage(QObject* parent) : QObject(parent)
{
}

TimerRoundManage::~TimerRoundManage()
{
    for (auto it = timers_.cbegin(); it != timers_.cend(); ++it)
        killTimer(it.key());
    timers_.clear();
    if (__instance == this)
        __instance = nullptr;
}

void TimerRoundManage::init()
{
    startCopy();
}

void TimerRoundManage::startCopy()
{
    const int id = startTimer(60000, Qt::CoarseTimer);
    if (id > 0)
        timers_[id] = QStringLiteral("autocopy");
}

void TimerRoundManage::timerEvent(QTimerEvent* event)
{
    const auto it = timers_.constFind(event->timerId());
    if (it == timers_.cend()) {
        QObject::timerEvent(event);
        return;
    }
    if (it.value() == QLatin1String("autocopy"))
        slotCopy();
}

void TimerRoundManage::slotCopy()
{
    const QString script = sysPath("/mnt/autocopy-moju.py");
    if (!QFile::exists(script))
        return;
    if (processAlive(copyPid_)) {
        qInfo() << "copy script still running, not started again";
        return;
    }
    qint64 pid = 0;
    if (CommandRunner::instance()->startDetached("python3", {script}, &pid))
        copyPid_ = pid;
    else
        copyPid_ = 0;
}
