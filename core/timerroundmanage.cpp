#include "core/timerroundmanage.h"

#include <cerrno>
#include <csignal>

#include <sys/stat.h>

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
    // A minute; MOULDMON_AUTOCOPY_MS shortens it for tests.
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("MOULDMON_AUTOCOPY_MS", &ok);
    const int id = startTimer(ok && ms > 0 ? ms : 60000, Qt::CoarseTimer);
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

QString TimerRoundManage::InsertionKey(const QString& script)
{
    QString key;
    QFile info(sysPath("/proc/self/mountinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        // "<mount id> <parent> <major:minor> <root> <mount point> ...": the last mount on /mnt.
        for (QByteArray line = info.readLine(); !line.isEmpty(); line = info.readLine()) {
            const QList<QByteArray> w = line.split(' ');
            if (w.size() > 4 && w[4] == "/mnt")
                key = QString::fromUtf8(w[0] + ' ' + w[2]);
        }
    }
    struct stat st {};
    if (::stat(QFile::encodeName(script).constData(), &st) == 0)
        key += QString(" %1:%2:%3.%4")
                   .arg(quint64(st.st_dev))
                   .arg(quint64(st.st_ino))
                   .arg(qint64(st.st_ctim.tv_sec))
                   .arg(qint64(st.st_ctim.tv_nsec));
    return key;
}

void TimerRoundManage::slotCopy()
{
    const QString script = sysPath("/mnt/autocopy-moju.py");
    if (!QFile::exists(script)) {
        ranFor_.clear();  // the stick is gone: the next one is a new insertion
        return;
    }
    const QString key = InsertionKey(script);
    if (key == ranFor_)
        return;  // ran for this stick already
    if (processAlive(copyPid_)) {
        qInfo() << "copy script still running, not started again";
        return;
    }
    qint64 pid = 0;
    if (CommandRunner::instance()->startDetached("python3", {script}, &pid)) {
        copyPid_ = pid;
        ranFor_ = key;
    } else {
        copyPid_ = 0;
    }
}
