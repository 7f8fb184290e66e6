// The real program started in a temporary program directory (offscreen, dry run, in the test's
// network namespace): the order of its start-up as its log shows it, the splash second, and the
// no-camera mode.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include "common/programdir.h"
#include "core/defaultdatabases.h"
#include "statistics/resstatisticsparam.h"

namespace {

bool MakeEmptyRecord(const QString& path)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "startup-record");
        db.setDatabaseName(path);
        ok = db.open() && QSqlQuery(db).exec("CREATE TABLE RECORD(recordtime TEXT, recordpassword TEXT, remarks TEXT)");
        db.close();
    }
    QSqlDatabase::removeDatabase("startup-record");
    return ok;
}

class Program {
public:
    explicit Program(bool camera)
    {
        EXPECT_TRUE(CreateDefaultDatabases("."));
        EXPECT_TRUE(CreateDefaultDatabases("paraGroup/default"));
        EXPECT_TRUE(ResStatisticsParam::WriteEmptyFiles("."));
        EXPECT_TRUE(MakeEmptyRecord("RECORDNULL.db"));
        EXPECT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("MOULDMON_DRYRUN", "1");
        env.insert("MOULDMON_SERIAL", dir.file("noboard"));
        env.remove("MOULDMON_SYSROOT");
        env.remove("MOULDMON_SIMCAM");
        if (camera) {
            QImage scene(640, 480, QImage::Format_Grayscale8);
            scene.fill(90);
            EXPECT_TRUE(scene.save(dir.file("scene.png")));
            dir.write("simcam.json", QString(R"({"make": "daheng", "devices": [{"serial": "S1", "model": "SIM",)"
                                             R"( "width": 640, "height": 480, "color": false, "fps": 20,)"
                                             R"( "source": "%1"}]})")
                                         .arg(dir.file("scene.png"))
                                         .toUtf8());
            env.insert("MOULDMON_SIMCAM", dir.file("simcam.json"));
        }
        proc.setProcessEnvironment(env);
        proc.setWorkingDirectory(dir.path());
        proc.setProcessChannelMode(QProcess::MergedChannels);
        proc.start(buildDir() + "/mouldmonitor", QStringList());
        EXPECT_TRUE(proc.waitForStarted(5000));
    }
    ~Program()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(5000);
        }
    }

    QString log() const { return QString::fromUtf8(dir.read("cnt_net/cnt_log_app/log.txt")); }

    // Waits until the log holds `text`; false after `ms` or when the program ended.
    bool waitFor(const QString& text, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (log().contains(text))
                return true;
            if (proc.state() == QProcess::NotRunning)
                return log().contains(text);
            proc.waitForFinished(50);
        }
        return false;
    }

    ProgramDir dir;
    QProcess proc;
};

// Time of the first log line holding `text`.
QDateTime LineTime(const QString& log, const QString& text)
{
    for (const QString& line : log.split('\n')) {
        if (line.contains(text))
            return QDateTime::fromString(line.mid(3, 23), "yyyy/MM/dd-HH:mm:ss.zzz");
    }
    return {};
}

}  // namespace

TEST(StartUpOrder, TheLogShowsEveryStepInOrder)
{
    Program p(true);
    ASSERT_TRUE(p.waitFor("start-up: main screen shown", 60000)) << p.log().toStdString()
                                                                  << p.proc.readAll().toStdString();
    const QString log = p.log();
    const QStringList steps = {
        "start-up: application object", "start-up: I/O privilege", "start-up: front panel device",
        "start-up: copy timer", "start-up: locks", "start-up: text table and pictures",
        "start-up: parameter records", "start-up: databases open, parameter record loaded",
        "application start VERSION: 16.0.1.7 on \"",
        "start-up: I/O board on port", "start-up: camera make 4, 1 found", "camera views built, 1 cameras open",
        "start-up: screens and dialogs built", "start-up: monitoring ready, 1 views, detection running",
        "start-up: main window built", "start-up: report server off", "start-up: splash shown", "start-up: application font",
        "start-up: main screen shown"};
    int at = -1;
    for (const QString& s : steps) {
        const int next = log.indexOf(s, at + 1);
        ASSERT_GT(next, at) << "out of order or missing: " << s.toStdString() << "\n" << log.toStdString();
        at = next;
    }
    // The splash stays one second after the main window was built, before the font and sheet.
    const qint64 splash = LineTime(log, "start-up: splash shown").msecsTo(LineTime(log, "start-up: application font"));
    EXPECT_GE(splash, 999);
    EXPECT_LT(splash, 5000);
    // Reporting is off in the shipped record: no report client.
    EXPECT_FALSE(log.contains("report client started"));
    // Benches and tests read the start-up's own pass-gap report: once, after the main screen.
    ASSERT_TRUE(p.waitFor("start-up: longest monitoring pass gap", 30000)) << p.log().toStdString();
    const QString later = p.log();
    const QRegularExpression report(R"(start-up: longest monitoring pass gap \d+ ms, ended \d\d:\d\d:\d\d\.\d\d\d, )"
                                    R"(up to 10 s after main screen shown\n)");
    const auto m = report.match(later);
    ASSERT_TRUE(m.hasMatch()) << later.toStdString();
    EXPECT_GT(m.capturedStart(), later.indexOf("start-up: main screen shown"));
    EXPECT_EQ(later.count("longest monitoring pass gap"), 1);
}

TEST(StartUpOrder, WithoutCamerasItAsksAndKeepsRunning)
{
    Program p(false);
    ASSERT_TRUE(p.waitFor("start-up: no camera, four empty views", 60000)) << p.log().toStdString();
    // The question of the no-camera mode waits for the operator; the program stays alive meanwhile.
    EXPECT_FALSE(p.proc.waitForFinished(1500));
    EXPECT_EQ(p.proc.state(), QProcess::Running);
    EXPECT_FALSE(p.log().contains("crashed"));
}
