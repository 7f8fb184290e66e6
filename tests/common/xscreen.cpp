#include "common/xscreen.h"

#include <algorithm>

#include <signal.h>
#include <unistd.h>

#include "common/childalive.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QMap>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

XScreen::~XScreen()
{
    Stop();
}

bool XScreen::Available()
{
    return !QStandardPaths::findExecutable("Xvfb").isEmpty() && !QStandardPaths::findExecutable("xdotool").isEmpty();
}

bool XScreen::Start()
{
    // Reached as the program reaches it: from a network namespace of its own, where only the
    // server's socket file leads to it.
    auto reachable = [this] {
        QProcess info;
        if (QProcess::execute("unshare", {"--net", "true"}) == 0)
            info.start("unshare", {"--net", "xdpyinfo", "-display", display_});
        else
            info.start("xdpyinfo", {"-display", display_});
        return info.waitForFinished(3000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0;
    };
    // A number far above the low ones "Xvfb -displayfd" hands out: beside other servers started
    // that way a low display was seen to break under a running program.
    for (int tries = 0; tries < 10; ++tries) {
        const int n = 300 + QRandomGenerator::global()->bounded(600);
        if (QFile::exists(QString("/tmp/.X%1-lock").arg(n)) || QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)))
            continue;
        display_ = QString(":%1").arg(n);
        xvfb_.setProcessChannelMode(QProcess::MergedChannels);
        xvfb_.start("Xvfb", {display_, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
        if (!xvfb_.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        // A server that lost the race for the number exits; the one reached would be another's.
        while (t.elapsed() < 5000 && ChildAlive(xvfb_)) {
            if (reachable() && ChildAlive(xvfb_))
                return true;
            QThread::msleep(50);
        }
        Stop();
    }
    display_.clear();
    return false;
}

bool XScreen::running() const
{
    return ChildAlive(xvfb_);
}

namespace {

// Parent and state of a process from /proc (state 0: gone).
bool ReadStat(qint64 pid, qint64* ppid, char* state)
{
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray stat = f.readAll();
    // "pid (name) state ppid ...": the name may hold spaces and parentheses.
    const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (rest.size() < 2 || rest[0].isEmpty())
        return false;
    *state = rest[0][0];
    *ppid = rest[1].toLongLong();
    return true;
}

bool Ended(qint64 pid)
{
    qint64 ppid = 0;
    char state = 0;
    return !ReadStat(pid, &ppid, &state) || state == 'Z' || state == 'X';
}

}  // namespace

QList<qint64> XScreen::Clients() const
{
    // The programs a test starts are its own children (their wrappers exec them).
    const QByteArray want = "DISPLAY=" + display_.toLatin1();
    QList<qint64> found;
    for (const QString& name : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const qint64 pid = name.toLongLong(&ok);
        qint64 ppid = 0;
        char state = 0;
        if (!ok || pid == xvfb_.processId() || !ReadStat(pid, &ppid, &state) || ppid != ::getpid() || state == 'Z')
            continue;
        QFile env(QString("/proc/%1/environ").arg(pid));
        if (env.open(QIODevice::ReadOnly) && env.readAll().split('\0').contains(want))
            found << pid;
    }
    return found;
}

void XScreen::StopClients()
{
    if (display_.isEmpty())
        return;
    QList<qint64> clients = Clients();
    for (int sig : {SIGTERM, SIGKILL}) {
        for (qint64 pid : clients)
            ::kill(pid_t(pid), sig);
        QElapsedTimer t;
        t.start();
        while (!clients.isEmpty() && t.elapsed() < 3000) {
            clients.erase(std::remove_if(clients.begin(), clients.end(), Ended), clients.end());
            QThread::msleep(20);
        }
        if (clients.isEmpty())
            return;
    }
}

void XScreen::Vanish()
{
    if (xvfb_.state() != QProcess::NotRunning) {
        xvfb_.kill();
        xvfb_.waitForFinished(2000);
    }
}

void XScreen::Stop()
{
    if (xvfb_.state() != QProcess::NotRunning) {
        StopClients();
        xvfb_.terminate();
        if (!xvfb_.waitForFinished(3000))
            xvfb_.kill();
        xvfb_.waitForFinished(2000);
    }
}

QString XScreen::XDo(const QStringList& args)
{
    QProcess x;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    x.setProcessEnvironment(env);
    x.start("xdotool", args);
    x.waitForFinished(5000);
    return QString::fromLatin1(x.readAllStandardOutput());
}

void XScreen::Settle(int ms)
{
    for (int waited = 0; waited < ms; waited += 50) {
        if (idle)
            idle();
        QThread::msleep(50);
    }
}

void XScreen::Touch(QPoint p, int settleMs)
{
    XDo({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
    Settle(settleMs);
}

void XScreen::Drag(QPoint from, QPoint to)
{
    XDo({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1"});
    Settle(100);
    for (int i = 1; i <= 10; ++i) {
        const QPoint p = from + (to - from) * i / 10;
        XDo({"mousemove", QString::number(p.x()), QString::number(p.y())});
        QThread::msleep(30);
    }
    XDo({"mouseup", "1"});
    Settle(500);
}

QRect XScreen::Box()
{
    for (const QString& w : XDo({"search", "--onlyvisible", "--name", ""}).split('\n', Qt::SkipEmptyParts)) {
        QMap<QString, int> g;
        for (const QString& l : XDo({"getwindowgeometry", "--shell", w}).split('\n', Qt::SkipEmptyParts))
            g[l.section('=', 0, 0)] = l.section('=', 1).toInt();
        if (g.value("WIDTH") >= 1920 || g.value("WIDTH") == 0)
            continue;
        return QRect(g["X"], g["Y"], g["WIDTH"], g["HEIGHT"]);
    }
    return QRect();
}

QImage XScreen::Grab()
{
    QTemporaryDir tmp;
    const QString file = tmp.path() + "/screen.png";
    QProcess import;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    import.setProcessEnvironment(env);
    import.start("import", {"-window", "root", file});
    import.waitForFinished(10000);
    return QImage(file);
}

void XScreen::Shot(const QString& name)
{
    const QString folder = qEnvironmentVariable("MOULDMON_E2E_SHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    Grab().save(folder + "/" + name + ".png");
}

bool XScreen::WaitForPixels(const QList<QPair<QPoint, QRgb>>& want, int ms, QStringList* seen)
{
    QElapsedTimer t;
    t.start();
    do {
        const QImage screen = Grab();
        bool all = !screen.isNull();
        QStringList colours;
        for (const auto& w : want) {
            const QRgb c = screen.isNull() ? 0 : screen.pixel(w.first) & 0xffffff;
            colours << QString("#%1").arg(c, 6, 16, QChar('0')).toUpper();
            all = all && c == (w.second & 0xffffff);
        }
        if (seen)
            *seen = colours;
        if (all)
            return true;
        Settle(100);
    } while (t.elapsed() < ms);
    return false;
}
