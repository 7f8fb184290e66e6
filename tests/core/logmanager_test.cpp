#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <utime.h>

#include <QCoreApplication>
#include <QDebug>
#include <glog/logging.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "common/programdir.h"
#include "core/globals.h"
#include "core/glog.h"
#include "core/logmanager.h"
#include "core/wizardpara.h"

// Called by the crash child: its name must show up in the backtrace.
__attribute__((noinline)) void mouldmonCrashProbe(volatile int* where)
{
    *where = 42;
}

namespace {
const char kTime[] = R"(\d{4}/\d\d/\d\d-\d\d:\d\d:\d\d\.\d{3})";

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList l = QString::fromUtf8(f.readAll()).split('\n');
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

QStringList logDirFiles(const QString& filter = "*")
{
    return QDir(LogManager::__CurTaskPath).entryList({filter}, QDir::Files, QDir::Name);
}

void setMtime(const QString& path, qint64 secs)
{
    utimbuf t{static_cast<time_t>(secs), static_cast<time_t>(secs)};
    utime(QFile::encodeName(path).constData(), &t);
}

class LogManagerTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        qInstallMessageHandler(nullptr);
        std::signal(SIGSEGV, SIG_DFL);
        std::signal(SIGABRT, SIG_DFL);
        LogManager::setRotateBytes(0);
        gpWPara = nullptr;
    }
    ProgramDir dir;
};
}  // namespace

TEST_F(LogManagerTest, LineFormatFirstLineAndSwitch)
{
    LogManager lm;
    EXPECT_EQ(LogManager::__CurTaskPath, dir.path() + "/cnt_net/cnt_log_app/");
    EXPECT_TRUE(QDir(LogManager::__CurTaskPath).exists());
    const QString log = LogManager::__CurTaskPath + "log.txt";

    qDebug() << "only on stderr";
    EXPECT_FALSE(QFile::exists(log));
    const int line = __LINE__ + 1;
    qWarning("door open %d", 5);
    QStringList l = fileLines(log);
    ASSERT_EQ(l.size(), 2);
    const QRegularExpression first(QString("^create newlog version 16\\.0\\.1\\.7 (%1)$").arg(kTime));
    const QRegularExpression warn(QString("^\\[W (%1) logmanager_test\\.cpp:%2\\] door open 5$").arg(kTime).arg(line));
    const auto m1 = first.match(l[0]);
    const auto m2 = warn.match(l[1]);
    ASSERT_TRUE(m1.hasMatch()) << l[0].toStdString();
    ASSERT_TRUE(m2.hasMatch()) << l[1].toStdString();
    EXPECT_EQ(m1.captured(1), m2.captured(1));  // the first line carries the message's time

    qCritical() << "c";
    qInfo() << "i 中文";
    l = fileLines(log);
    ASSERT_EQ(l.size(), 4);
    EXPECT_TRUE(l[2].startsWith("[E ")) << l[2].toStdString();
    EXPECT_TRUE(l[2].endsWith("] c"));
    EXPECT_TRUE(l[3].startsWith("[I "));
    EXPECT_TRUE(l[3].endsWith("] i 中文"));

    // A context without a file keeps the format with an empty name and line 0.
    LogManager::outputMessage(QtWarningMsg, QMessageLogContext(), "bare");
    EXPECT_TRUE(QRegularExpression(QString("^\\[W %1 :0\\] bare$").arg(kTime)).match(fileLines(log).last()).hasMatch());

    WizardPara para;
    para.log_switch = 0;
    gpWPara = &para;
    qWarning() << "dropped";
    EXPECT_EQ(fileLines(log).size(), 5);
    para.log_switch = 1;
    qWarning() << "kept";
    EXPECT_EQ(fileLines(log).size(), 6);

    // After log.txt was moved away the next message starts a new file with its first line.
    ASSERT_TRUE(QFile::rename(log, LogManager::__CurTaskPath + "old.txt"));
    qWarning() << "again";
    l = fileLines(log);
    ASSERT_EQ(l.size(), 2);
    EXPECT_TRUE(l[0].startsWith("create newlog version 16.0.1.7 "));
    EXPECT_TRUE(l[1].endsWith("] again"));
}

// Without a sound server the sound system says so twice every 30 s for as long as the program runs.
TEST_F(LogManagerTest, TheAlarmSoundThatCannotPlayIsSaidOnceAStart)
{
    const QString failed = "PulseAudioService: pa_context_connect() failed";
    for (int start = 0; start < 2; ++start) {
        LogManager lm;
        for (const QString& m : {failed, failed, QString("PulseAudioService: another failure"), failed})
            LogManager::outputMessage(QtWarningMsg, QMessageLogContext(), m);
        qWarning("cycle");
    }
    const QStringList l = fileLines(LogManager::__CurTaskPath + "log.txt");
    ASSERT_EQ(l.size(), 5) << l.join('\n').toStdString();
    for (int first : {1, 3})
        EXPECT_TRUE(l[first].endsWith("] alarm sound: \"alarm.wav\" cannot play: no sound server answers "
                                      "(PulseAudioService: pa_context_connect() failed); its further messages are "
                                      "not logged"))
            << l[first].toStdString();
}

TEST_F(LogManagerTest, FatalRenamesTheFileUnderItsStamp)
{
    LogManager lm;
    qWarning() << "before";
    QMessageLogContext ctx("src/vision/x.cpp", 77, "f", "default");
    LogManager::outputMessage(QtFatalMsg, ctx, "the end");
    EXPECT_FALSE(QFile::exists(LogManager::__CurTaskPath + "log.txt"));
    const QStringList fatal = logDirFiles("logFatal*.txt");
    ASSERT_EQ(fatal.size(), 1);
    EXPECT_TRUE(QRegularExpression(R"(^logFatal\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d-\d{3}\.txt$)").match(fatal[0]).hasMatch())
        << fatal[0].toStdString();
    const QStringList l = fileLines(LogManager::__CurTaskPath + fatal[0]);
    ASSERT_EQ(l.size(), 3);
    EXPECT_TRUE(QRegularExpression(QString("^\\[F %1 x\\.cpp:77\\] the end$").arg(kTime)).match(l[2]).hasMatch());

    // A second fatal within the same millisecond never replaces the first file.
    LogManager::outputMessage(QtFatalMsg, ctx, "again");
    LogManager::outputMessage(QtFatalMsg, ctx, "and again");
    EXPECT_EQ(logDirFiles("logFatal*.txt").size(), 3);
}

TEST_F(LogManagerTest, StartPrunesDownToTheLimit)
{
    const QString d = dir.path() + "/cnt_net/cnt_log_app/";
    QDir().mkpath(d);
    const qint64 base = QDateTime::currentSecsSinceEpoch() - 100000;
    for (int i = 0; i < 150; ++i) {
        const QString f = d + QString("f%1.txt").arg(i, 3, 10, QChar('0'));
        dir.write("cnt_net/cnt_log_app/" + QFileInfo(f).fileName(), "x");
        setMtime(f, base + (i * 37) % 150 * 60);  // times out of name order
    }
    LogManager lm;
    QStringList left = logDirFiles();
    ASSERT_EQ(left.size(), 99);
    // the 51 oldest went
    for (int i = 0; i < 150; ++i) {
        const qint64 t = (i * 37) % 150;
        EXPECT_EQ(left.contains(QString("f%1.txt").arg(i, 3, 10, QChar('0'))), t >= 51) << i;
    }
    // 100 files: one goes
    dir.write("cnt_net/cnt_log_app/new.txt", "x");
    LogManager lm2;
    left = logDirFiles();
    EXPECT_EQ(left.size(), 99);
    EXPECT_TRUE(left.contains("new.txt"));
}

TEST_F(LogManagerTest, RotatesAtTheCapAndKeepsTheLimit)
{
    LogManager lm;
    LogManager::setRotateBytes(1000);
    const QString text(100, QChar('w'));
    for (int i = 0; i < 30; ++i)
        qWarning().noquote() << i << text;
    const QStringList rotated = logDirFiles("log2*.txt");
    ASSERT_GE(rotated.size(), 2);
    // nothing lost: every message is in exactly one file, in order
    QStringList all;
    for (const QString& f : rotated + QStringList{"log.txt"}) {
        const QStringList l = fileLines(LogManager::__CurTaskPath + f);
        ASSERT_FALSE(l.isEmpty());
        EXPECT_TRUE(l[0].startsWith("create newlog version ")) << f.toStdString();
        all += l.mid(1);
        EXPECT_LE(QFileInfo(LogManager::__CurTaskPath + f).size(), 1000 + 200);
    }
    ASSERT_EQ(all.size(), 30);
    for (int i = 0; i < 30; ++i)
        EXPECT_TRUE(all[i].endsWith(QString("] %1 %2").arg(i).arg(text))) << i;

    // A warning loop cannot grow the directory beyond the limit.
    LogManager::setRotateBytes(1);
    for (int i = 0; i < 110; ++i)
        qWarning() << "loop" << i;
    EXPECT_LE(logDirFiles().size(), LogManager::kMaxFiles);
}

// Runs in a child process only (started by the test below).
TEST(CrashChild, DISABLED_Crash)
{
    const QByteArray where = qgetenv("MOULDMON_CRASH_DIR");
    if (where.isEmpty())
        return;
    QDir::setCurrent(QString::fromLocal8Bit(where));
    rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    LogManager lm;
    qWarning() << "before the crash";
    if (qgetenv("MOULDMON_CRASH_MODE") == "abort")
        abort();
    mouldmonCrashProbe(nullptr);
}

namespace {
// Runs the crash child in `path`; returns the signal that ended it (0 when it exited).
int runCrashChild(const QString& path, const QByteArray& mode)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MOULDMON_CRASH_DIR", path);
    env.insert("MOULDMON_CRASH_MODE", QString::fromLatin1(mode));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(),
            {"--gtest_also_run_disabled_tests", "--gtest_filter=CrashChild.DISABLED_Crash"});
    if (!p.waitForFinished(20000))
        return -1;
    return p.exitStatus() == QProcess::CrashExit ? p.exitCode() : 0;
}
}  // namespace

TEST_F(LogManagerTest, SegfaultLeavesFatalFileWithOurFrames)
{
    EXPECT_EQ(runCrashChild(dir.path(), "segv"), SIGSEGV);
    const QString d = dir.path() + "/cnt_net/cnt_log_app/";
    EXPECT_FALSE(QFile::exists(d + "log.txt"));
    const QStringList fatal = QDir(d).entryList({"logFatal*.txt"}, QDir::Files);
    ASSERT_EQ(fatal.size(), 1);  // ended by the signal itself: no second pass through abort
    const QStringList l = fileLines(d + fatal[0]);
    ASSERT_GE(l.size(), 6);
    EXPECT_TRUE(l[0].startsWith("create newlog version 16.0.1.7 "));
    EXPECT_TRUE(l[1].endsWith("] before the crash"));
    EXPECT_TRUE(l.filter(QRegularExpression(QString(R"(^\[E %1 logmanager\.cpp:\d+\] crashed!!!$)").arg(kTime))).size() == 1);
    // raw frame and demangled frame of our own function
    EXPECT_FALSE(l.filter("_Z18mouldmonCrashProbePVi").isEmpty());
    EXPECT_FALSE(l.filter(QRegularExpression(R"(^\[E .*\(mouldmonCrashProbe\(int volatile\*\)\) \[0x[0-9a-f]+\]$)")).isEmpty())
        << l.join('\n').toStdString();
    EXPECT_TRUE(QRegularExpression(QString(R"(^\[F %1 logmanager\.cpp:\d+\] \*{105}$)").arg(kTime)).match(l.last()).hasMatch());
}

TEST_F(LogManagerTest, AbortIsCapturedAndEndsByTheSignal)
{
    EXPECT_EQ(runCrashChild(dir.path(), "abort"), SIGABRT);
    const QString d = dir.path() + "/cnt_net/cnt_log_app/";
    const QStringList fatal = QDir(d).entryList({"logFatal*.txt"}, QDir::Files);
    ASSERT_EQ(fatal.size(), 1);
    const QStringList l = fileLines(d + fatal[0]);
    EXPECT_FALSE(l.filter("crashed!!!").isEmpty());
    EXPECT_FALSE(l.filter(QRegularExpression(R"(^\[E .*\(testing::Test::Run\(\)\) \[0x)")).isEmpty());
    EXPECT_TRUE(l.last().startsWith("[F "));
}

TEST(LogFiles, FoundAllFileDescendsInNameOrder)
{
    ProgramDir dir;
    dir.write("t/b.txt", "1");
    dir.write("t/A/z.txt", "1");
    dir.write("t/A/y/x.txt", "1");
    dir.write("t/c/d.txt", "1");
    QDir().mkpath(dir.file("t/empty"));
    QList<QFileInfo> list;
    list.append(QFileInfo("kept"));
    FoundAllFile(list, dir.file("t"));
    QStringList names;
    for (const QFileInfo& f : list)
        names << f.filePath().remove(dir.path() + "/");
    EXPECT_EQ(names, (QStringList{"kept", "t/A/y/x.txt", "t/A/z.txt", "t/b.txt", "t/c/d.txt"}));
    EXPECT_TRUE(list[1].isAbsolute());
}

TEST(LogFiles, SortFileByTimeOldestFirstStable)
{
    ProgramDir dir;
    const qint64 base = 1700000000;
    const QList<QPair<QString, int>> files = {{"a", 30}, {"b", 10}, {"c", 20}, {"d", 10}, {"e", 5}};
    QList<QFileInfo> list;
    for (const auto& f : files) {
        dir.write(f.first, "x");
        setMtime(dir.file(f.first), base + f.second);
        list << QFileInfo(dir.file(f.first));
    }
    SortFileByTime(list);
    QStringList names;
    for (const QFileInfo& f : list)
        names << f.fileName();
    EXPECT_EQ(names, (QStringList{"e", "b", "d", "c", "a"}));  // b before d: equal times keep order
    QList<QFileInfo> one{QFileInfo(dir.file("a"))};
    SortFileByTime(one);
    EXPECT_EQ(one.size(), 1);
}

TEST(LogFiles, HistoryMessageLineFormat)
{
    ProgramDir dir;
    historymessage(QtWarningMsg, "no folder yet");  // unchecked: nothing written, no crash
    QDir().mkpath(dir.file("cnt_net/data"));
    historymessage(QtWarningMsg, "w");
    historymessage(QtCriticalMsg, "c");
    historymessage(QtInfoMsg, "i");
    const QString text = QString::fromUtf8(dir.read("cnt_net/data/mainlog.txt"));
    const QRegularExpression re(R"(^Warning\d{4}\.\d{1,2}\.\d{1,2}-\d\d:\d\d:\d\d: w\r\n)"
                                R"(Critical\d{4}\.\d{1,2}\.\d{1,2}-\d\d:\d\d:\d\d: c\r\n)"
                                R"(\d{4}\.\d{1,2}\.\d{1,2}-\d\d:\d\d:\d\d: i\r\n$)");
    EXPECT_TRUE(re.match(text).hasMatch()) << text.toStdString();
}

TEST(LogFiles, GLogKeepsAtMost49Files)
{
    ProgramDir dir;
    const qint64 base = 1700000000;
    for (int i = 0; i < 55; ++i) {
        const QString name = QString("g/%1.log").arg(i);
        dir.write(name, "x");
        setMtime(dir.file(name), base + i);
    }
    struct sigaction oldSegv {}, oldAbrt {};
    sigaction(SIGSEGV, nullptr, &oldSegv);
    sigaction(SIGABRT, nullptr, &oldAbrt);
    char arg0[] = "test_core";
    char* argv[] = {arg0, nullptr};
    {
        GLog g(dir.file("g").toStdString(), argv);
        EXPECT_EQ(FLAGS_log_dir, dir.file("g").toStdString());
        EXPECT_EQ(FLAGS_max_log_size, 100);
        EXPECT_TRUE(FLAGS_stop_logging_if_full_disk);
        EXPECT_FALSE(FLAGS_logtostderr);
        const QStringList left = QDir(dir.file("g")).entryList({"*.log"}, QDir::Files);
        EXPECT_EQ(left.size(), 49);
        EXPECT_FALSE(left.contains("5.log"));
        EXPECT_TRUE(left.contains("6.log"));
    }
    sigaction(SIGSEGV, &oldSegv, nullptr);
    sigaction(SIGABRT, &oldAbrt, nullptr);
}

namespace {
// Made only in a death test's child: if its destructor runs, the child ends with 9.
struct DestructorProbe {
    ~DestructorProbe() { _exit(9); }
};
}  // namespace

TEST_F(LogManagerTest, ABrokenDisplayEndsTheProcessRightAfterItsLine)
{
    // Forked, so the child writes into this test's log directory.
    GTEST_FLAG_SET(death_test_style, "fast");
    LogManager lm;
    EXPECT_EXIT(
        {
            static DestructorProbe probe;
            (void)probe;
            LogManager::outputMessage(QtWarningMsg, QMessageLogContext("qxcbconnection.cpp", 1, "f", "qt.qpa.xcb"),
                                      "The X11 connection broke (error 1). Did the X11 server die?");
            std::exit(5);  // what the display library does next
        },
        ::testing::ExitedWithCode(1), "");
    const QStringList l = fileLines(LogManager::__CurTaskPath + "log.txt");
    ASSERT_FALSE(l.isEmpty());
    EXPECT_TRUE(l.last().endsWith("] The X11 connection broke (error 1). Did the X11 server die?")) << l.last().toStdString();
}
