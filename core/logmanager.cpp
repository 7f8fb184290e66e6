#include "core/logmanager.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include "core/globals.h"
#include "core/startup.h"
#include "core/wizardpara.h"

LogManager* LogManager::__instance = nullptr;
QString LogManager::__CurTaskPath;

namespace {
const char kStars[] =
    "*********************************************************************************************************";
static_assert(sizeof kStars == 106, "105 asterisks");

struct LogFile {
    QMutex mutex;
    QFile file;
};

LogFile& logFile()
{
    static LogFile f;  // created on first use, kept to the end
    return f;
}

qint64 gRotateBytes = LogManager::kRotateBytes;
// The sound system retries a missing sound server every 30 s with the same lines; one says it.
std::atomic<bool> gSoundServerSaid{false};

bool IsSoundServerMessage(const QString& msg)
{
    return msg.startsWith(QLatin1String("PulseAudioService: "));
}

thread_local bool tInHandler = false;

// Everything the crash handler needs is prepared here in advance: it may not allocate, lock
// or call into Qt.
char gLogPath[PATH_MAX];
char gDirPath[PATH_MAX];
int gCrashFd = -1;                      // fixed descriptor number; dup'ed onto the open log.txt
volatile sig_atomic_t gCrashFdLive = 0; // 1 while gCrashFd refers to the current log.txt
void* gFrames[1024];
char* gDemangleBuf = nullptr;           // malloc'ed: __cxa_demangle may grow it
size_t gDemangleLen = 0;
long gTzOffset = 0;                     // seconds east of UTC when the handler was set up

bool logSwitchOn()
{
    return !(gpWPara && gpWPara->log_switch == 0);
}

QString timeText(const QDateTime& t)
{
    return t.toString("yyyy/MM/dd-HH:mm:ss.zzz");
}

QString stampText(const QDateTime& t)
{
    return t.toString("yyyy-MM-dd_HH-mm-ss-zzz");
}

// "<dir><prefix><stamp>.txt", or with "_001", "_002", ... when that name is taken (the names
// still sort in time order).
QString freeName(const QString& prefix, const QString& stamp)
{
    const QString base = LogManager::__CurTaskPath + prefix + stamp;
    QString name = base + ".txt";
    for (int i = 1; QFile::exists(name); ++i)
        name = base + QString("_%1.txt").arg(i, 3, 10, QChar('0'));
    return name;
}

void pruneLocked()
{
    const QFileInfoList files = QDir(LogManager::__CurTaskPath).entryInfoList({"*"}, QDir::Files, QDir::NoSort);
    if (files.size() <= LogManager::kMaxFiles)
        return;
    // one stat per file, then oldest first
    std::vector<std::pair<qint64, QString>> byTime;
    byTime.reserve(static_cast<size_t>(files.size()));
    for (const QFileInfo& f : files)
        byTime.emplace_back(f.lastModified().toMSecsSinceEpoch(), f.fileName());
    std::stable_sort(byTime.begin(), byTime.end());
    for (size_t i = 0; i + LogManager::kMaxFiles < byTime.size(); ++i)
        QFile::remove(LogManager::__CurTaskPath + byTime[i].second);
}

// --- async-signal-safe helpers of the crash handler ---

struct SafeLine {
    char b[1536];
    size_t n = 0;
    void add(const char* s)
    {
        while (*s && n < sizeof b)
            b[n++] = *s++;
    }
    void add(char c)
    {
        if (n < sizeof b)
            b[n++] = c;
    }
    void num(unsigned long v, int width = 0)
    {
        char d[24];
        int k = 0;
        do {
            d[k++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v && k < 24);
        while (k < width && k < 24)
            d[k++] = '0';
        while (k)
            add(d[--k]);
    }
    void hex(uintptr_t v)
    {
        add("0x");
        char d[20];
        int k = 0;
        do {
            d[k++] = "0123456789abcdef"[v & 15];
            v >>= 4;
        } while (v && k < 20);
        while (k)
            add(d[--k]);
    }
    void writeTo(int fd) const
    {
        size_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(fd, b + done, n - done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return;
            done += static_cast<size_t>(w);
        }
    }
};

struct SafeTime {
    int year, month, day, hour, minute, second, ms;
};

SafeTime safeNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    long long secs = static_cast<long long>(ts.tv_sec) + gTzOffset;
    long long days = secs / 86400;
    long long rem = secs % 86400;
    if (rem < 0) {
        rem += 86400;
        --days;
    }
    // days since 1970-01-01 to a civil date
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    SafeTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>(rem / 60 % 60);
    t.second = static_cast<int>(rem % 60);
    t.ms = static_cast<int>(ts.tv_nsec / 1000000);
    return t;
}

// "yyyy/MM/dd-HH:mm:ss.zzz"
void addTime(SafeLine& l, const SafeTime& t)
{
    l.num(t.year, 4), l.add('/'), l.num(t.month, 2), l.add('/'), l.num(t.day, 2), l.add('-');
    l.num(t.hour, 2), l.add(':'), l.num(t.minute, 2), l.add(':'), l.num(t.second, 2), l.add('.');
    l.num(t.ms, 3);
}

void safeLogLine(int fd, char tag, const SafeTime& t, int line, const char* text)
{
    SafeLine l;
    l.add('['), l.add(tag), l.add(' ');
    addTime(l, t);
    l.add(" logmanager.cpp:"), l.num(static_cast<unsigned long>(line)), l.add("] "), l.add(text), l.add('\n');
    l.writeTo(fd);
}

// Renames log.txt to logFatal<stamp>.txt without replacing an existing file.
void safeRenameFatal(const SafeTime& t)
{
    for (int i = 0; i < 100; ++i) {
        SafeLine p;
        p.add(gDirPath), p.add("logFatal");
        p.num(t.year, 4), p.add('-'), p.num(t.month, 2), p.add('-'), p.num(t.day, 2), p.add('_');
        p.num(t.hour, 2), p.add('-'), p.num(t.minute, 2), p.add('-'), p.num(t.second, 2), p.add('-');
        p.num(t.ms, 3);
        if (i > 0)
            p.add('_'), p.num(static_cast<unsigned long>(i), 3);
        p.add(".txt");
        p.add('\0');
        if (::link(gLogPath, p.b) == 0) {
            ::unlink(gLogPath);
            return;
        }
        if (errno != EEXIST) {
            ::rename(gLogPath, p.b);
            return;
        }
    }
}

void prepareCrashCapture()
{
    const QByteArray dir = QFile::encodeName(LogManager::__CurTaskPath);
    const QByteArray log = dir + "log.txt";
    std::memset(gDirPath, 0, sizeof gDirPath);
    std::memset(gLogPath, 0, sizeof gLogPath);
    if (log.size() < PATH_MAX - 64) {
        std::memcpy(gDirPath, dir.constData(), static_cast<size_t>(dir.size()));
        std::memcpy(gLogPath, log.constData(), static_cast<size_t>(log.size()));
    }
    if (gCrashFd < 0)
        gCrashFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    gCrashFdLive = 0;
    backtrace(gFrames, 2);  // the first call loads libgcc; never let that happen in the handler
    if (!gDemangleBuf) {
        gDemangleLen = 4096;
        gDemangleBuf = static_cast<char*>(std::malloc(gDemangleLen));
    }
    const time_t now = time(nullptr);
    tm lt{};
    localtime_r(&now, &lt);
    gTzOffset = lt.tm_gmtoff;
    // A stack overflow must still reach the handler.
    static char* altStack = nullptr;
    if (!altStack) {
        altStack = static_cast<char*>(std::malloc(64 * 1024));
        stack_t ss{};
        ss.ss_sp = altStack;
        ss.ss_size = 64 * 1024;
        sigaltstack(&ss, nullptr);
    }
}
}  // namespace

LogManager::LogManager(QObject* parent) : QObject(parent)
{
    __CurTaskPath = QDir::currentPath() + "/cnt_net/cnt_log_app/";
    QDir().mkpath(__CurTaskPath);
    gSoundServerSaid = false;
    {
        QMutexLocker lock(&logFile().mutex);
        prepareCrashCapture();
    }
    qInstallMessageHandler(outputMessage);
    struct sigaction sa {};
    sa.sa_handler = sigcrash;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_ONSTACK;
    sigaction(SIGSEGV, &sa, nullptr);
    sigaction(SIGABRT, &sa, nullptr);
    pruneLogDir();
}

LogManager::~LogManager()
{
    if (__instance == this)
        __instance = nullptr;
}

void LogManager::setRotateBytes(qint64 bytes)
{
    gRotateBytes = bytes > 0 ? bytes : kRotateBytes;
}

void LogManager::pruneLogDir()
{
    QMutexLocker lock(&logFile().mutex);
    pruneLocked();
}

void LogManager::outputMessage(QtMsgType type, const QMessageLogContext& context, const QString& msg)
{
    // A broken display connection is followed by exit(1), whose static destructors would run under
    // the camera, board and writer threads: once the line is written (or skipped), the process
    // ends here instead.
    struct EndAfterLostDisplay {
        bool lost;
        ~EndAfterLostDisplay()
        {
            if (lost)
                EndProcess(1);
        }
    } endAfter{type == QtWarningMsg && IsLostDisplayMessage(msg)};
    if (type == QtDebugMsg) {
        fprintf(stderr, "%s\n", msg.toUtf8().constData());
        return;
    }
    if (!logSwitchOn())
        return;
    if (tInHandler) {  // a message raised while writing one (e.g. by QFile): no deadlock, no loop
        fprintf(stderr, "%s\n", msg.toUtf8().constData());
        return;
    }
    QString text = msg;
    if (IsSoundServerMessage(msg)) {
        if (gSoundServerSaid.exchange(true))
            return;
        const QString why = msg.contains(QLatin1String("pa_context_connect"))
                                ? QStringLiteral("no sound server answers")
                                : QStringLiteral("the sound system failed");
        text = QStringLiteral("alarm sound: \"alarm.wav\" cannot play: %1 (%2); its further messages are not logged")
                   .arg(why, msg);
    }
    char tag = 'I';
    switch (type) {
    case QtWarningMsg: tag = 'W'; break;
    case QtCriticalMsg: tag = 'E'; break;
    case QtFatalMsg: tag = 'F'; break;
    default: break;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QString when = timeText(now);
    const QString file = context.file ? QString::fromUtf8(context.file).section('/', -1) : QString();
    const QByteArray line = (QStringLiteral("[") + QLatin1Char(tag) + ' ' + when + ' ' + file + ':' + QString::number(context.line)
                             + QLatin1String("] ") + text + '\n').toUtf8();

    tInHandler = true;
    LogFile& lf = logFile();
    QMutexLocker lock(&lf.mutex);
    const QString path = __CurTaskPath + "log.txt";
    if (lf.file.fileName() != path) {
        gCrashFdLive = 0;
        lf.file.close();
        lf.file.setFileName(path);
    }
    if (!QFile::exists(path)) {
        gCrashFdLive = 0;
        lf.file.close();
        if (!lf.file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            tInHandler = false;
            return;
        }
        lf.file.write(QString("create newlog version %1 %2\n").arg(kVersion, when).toUtf8());
    } else if (!lf.file.isOpen() && !lf.file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        tInHandler = false;
        return;
    }
    if (!gCrashFdLive && gCrashFd >= 0 && dup3(lf.file.handle(), gCrashFd, O_CLOEXEC) == gCrashFd)
        gCrashFdLive = 1;
    lf.file.write(line);
    lf.file.flush();

    if (type == QtFatalMsg) {
        // The fatal file is named under the lock, so no other thread writes into it meanwhile.
        gCrashFdLive = 0;
        lf.file.close();
        QFile::rename(path, freeName("logFatal", stampText(QDateTime::currentDateTime())));
    } else if (lf.file.size() >= gRotateBytes) {
        gCrashFdLive = 0;
        lf.file.close();
        QFile::rename(path, freeName("log", stampText(now)));
        pruneLocked();
    }
    tInHandler = false;
}

void LogManager::sigcrash(int sig)
{
    const int savedErrno = errno;
    if (logSwitchOn() && gLogPath[0]) {
        int fd = -1;
        bool created = false;
        if (gCrashFdLive) {
            fd = gCrashFd;
        } else {
            fd = ::open(gLogPath, O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            created = fd >= 0;
            if (fd < 0)
                fd = ::open(gLogPath, O_WRONLY | O_APPEND | O_CLOEXEC);
        }
        if (fd >= 0) {
            const SafeTime t = safeNow();
            if (created) {
                SafeLine first;
                first.add("create newlog version "), first.add(kVersion), first.add(' ');
                addTime(first, t);
                first.add('\n');
                first.writeTo(fd);
            }
            safeLogLine(fd, 'E', t, __LINE__, "\n");
            safeLogLine(fd, 'E', t, __LINE__, kStars);
            safeLogLine(fd, 'E', t, __LINE__, "crashed!!!");
            const int n = backtrace(gFrames, 1024);
            backtrace_symbols_fd(gFrames, n, fd);
            // Demangled names, best effort: frames without a symbol or with a C name are skipped.
            for (int i = 0; i < n && gDemangleBuf; ++i) {
                Dl_info info{};
                if (!dladdr(gFrames[i], &info) || !info.dli_sname)
                    continue;
                int status = -1;
                size_t len = gDemangleLen;
                char* name = abi::__cxa_demangle(info.dli_sname, gDemangleBuf, &len, &status);
                if (status != 0 || !name)
                    continue;
                gDemangleBuf = name;
                if (len > gDemangleLen)
                    gDemangleLen = len;
                SafeLine l;
                l.add("[E "), addTime(l, t), l.add(" logmanager.cpp:"), l.num(__LINE__), l.add("] ");
                l.add(info.dli_fname ? info.dli_fname : "?"), l.add('('), l.add(name), l.add(") [");
                l.hex(reinterpret_cast<uintptr_t>(gFrames[i])), l.add("]\n");
                l.writeTo(fd);
            }
            safeLogLine(fd, 'F', t, __LINE__, kStars);
            if (fd != gCrashFd)
                ::close(fd);
            gCrashFdLive = 0;
            safeRenameFatal(t);
        }
    }
    errno = savedErrno;
    // End by the signal's default action (SA_RESETHAND restored it).
    ::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
    _exit(128 + sig);
}

void FoundAllFile(QList<QFileInfo>& list, QString path)
{
    QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& e : entries) {
        if (e.isDir())
            FoundAllFile(list, e.absoluteFilePath());
        else
            list.append(QFileInfo(e.absoluteFilePath()));
    }
}

void SortFileByTime(QList<QFileInfo>& list)
{
    const int n = list.size();
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = 0; j + 1 < n - i; ++j) {
            if (list[j + 1].lastModified() < list[j].lastModified())
                list.swapItemsAt(j, j + 1);
        }
    }
}

void historymessage(QtMsgType type, const char* msg)
{
    QString word;
    switch (type) {
    case QtDebugMsg: word = "Debug"; break;
    case QtWarningMsg: word = "Warning"; break;
    case QtCriticalMsg: word = "Critical"; break;
    case QtFatalMsg: word = "Fatal"; break;
    default: break;
    }
    const QString text = word + QString("%1: %2\r\n")
                                    .arg(QDateTime::currentDateTime().toString("yyyy.M.d-hh:mm:ss"))
                                    .arg(QString::fromUtf8(msg));
    QFile f("./cnt_net/data/mainlog.txt");
    if (f.open(QIODevice::WriteOnly | QIODevice::Append))
        f.write(text.toUtf8());
}
