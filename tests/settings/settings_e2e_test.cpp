// The real program under Xvfb, touched through xdotool, in a network namespace and a temporary
// program directory with the board simulator and one simulated camera: "System settings", two
// touches on the "Proc DLY" slider, "Exit setup", Yes. The record, the stored delay and the
// time the next stage-1 verdict reaches the board follow.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMap>
#include <QPoint>
#include <QVariant>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>
#include <memory>

#include <opencv2/imgcodecs.hpp>

#include "common/boardsim.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "core/defaultdatabases.h"
#include "core/parameterstore.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"

namespace {

// Screen positions at 1920 x 1080 (the main window's fixed layout).
const QPoint kSettingsButton(1821, 409);  // option bar, "System settings"
const QPoint kProcDelayGroove(1000, 247); // right of the "Proc DLY" handle: one page step (+1 s)
const QPoint kExitSetup(1623, 137);

class SettingsE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
            GTEST_SKIP() << "Xvfb or xdotool missing";
    }

    void TearDown() override
    {
        for (QProcess* p : {&app, &xvfb}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000))
                    p->kill();
                p->waitForFinished(2000);
            }
        }
        if (board)
            board->stop();
    }

    void Prepare()
    {
        ASSERT_TRUE(CreateDefaultDatabases("."));
        ASSERT_TRUE(CreateDefaultDatabases("paraGroup/default"));
        ASSERT_TRUE(MakeRecordDb("RECORDNULL.db"));
        ASSERT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
        {
            QSqlDatabase in = QSqlDatabase::addDatabase("QSQLITE", PARAM_DB_CONNECTION);
            in.setDatabaseName("PARAM.db");
            ASSERT_TRUE(in.open());
            QSqlDatabase sn = QSqlDatabase::addDatabase("QSQLITE", SERIAL_DB_CONNECTION);
            sn.setDatabaseName("SN.db");
            ASSERT_TRUE(sn.open());
            WizardPara p;
            p.LoadDatafromFile();
            gLan = 0;
            p.first_stage_on = 1;
            p.stage_delay[0] = 10;  // stage 1 judged 1.0 s after the edge
            p.stage_delay[1] = 10;
            p.enable_correct = -1;
            p.enable_display_detail = 1;  // as the camera functions page stores it beside spot detection
            p.input_timeout_len = 0;
            p.io_mode_chosen = 0;
            p.output_polarity[0] = p.output_polarity[1] = p.output_polarity[2] = 0;
            ASSERT_TRUE(p.SaveDatatoFile());
            in.close();
            sn.close();
        }
        QSqlDatabase::removeDatabase(PARAM_DB_CONNECTION);
        QSqlDatabase::removeDatabase(SERIAL_DB_CONNECTION);
        ASSERT_TRUE(cv::imwrite("camera1.png", cv::Mat(480, 640, CV_8UC1, cv::Scalar(128))));
        ASSERT_TRUE(dir.write("simcam.json",
                              QString("{\"make\": \"daheng\", \"devices\": [{\"serial\": \"SIM1\", \"model\": \"SIM-640\", "
                                      "\"width\": 640, \"height\": 480, \"color\": false, \"fps\": 20, \"source\": \"%1\"}]}")
                                  .arg(dir.file("camera1.png"))
                                  .toUtf8()));
    }

    void Launch()
    {
        // A display of its own: Xvfb picks a free number and prints it. Beside other tests' servers
        // a number may be taken between the pick and the listen: then another one.
        for (int tries = 0; tries < 5 && display.isEmpty(); ++tries) {
            xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
            ASSERT_TRUE(xvfb.waitForStarted(5000));
            if (xvfb.waitForReadyRead(10000)) {
                const QString d = ":" + QString::fromLatin1(xvfb.readLine()).trimmed();
                auto reachable = [&d] {
                    QProcess info;
                    info.start("xdpyinfo", {"-display", d});
                    return info.waitForFinished(3000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0;
                };
                if (WaitFor(reachable, 5000))
                    display = d;
            }
            if (display.isEmpty()) {
                xvfb.kill();
                xvfb.waitForFinished(2000);
            }
        }
        ASSERT_FALSE(display.isEmpty()) << "no X server";
        board = std::make_unique<BoardSim>();
        ASSERT_TRUE(board->start(dir.file("ttyBoard"), false));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("MOULDMON_DRYRUN", "1");
        env.insert("MOULDMON_SERIAL", board->link());
        env.insert("MOULDMON_SIMCAM", dir.file("simcam.json"));
        env.insert("XDG_RUNTIME_DIR", dir.path());
        env.remove("MOULDMON_SYSROOT");
        app.setProcessEnvironment(env);
        app.setWorkingDirectory(dir.path());
        app.setProcessChannelMode(QProcess::MergedChannels);
        const QString exe = buildDir() + "/mouldmonitor";
        if (QProcess::execute("unshare", {"--net", "true"}) == 0)
            app.start("unshare", {"--net", "--", "sh", "-c", "ip link set lo up 2>/dev/null; exec \"$0\"", exe});
        else
            app.start(exe, QStringList());
        ASSERT_TRUE(app.waitForStarted(5000));
        ASSERT_TRUE(WaitFor([this] { return Log().contains("main screen shown"); }, 30000)) << output.toStdString();
        QThread::msleep(1500);
    }

    QString Log()
    {
        if (app.state() == QProcess::Running)
            app.waitForReadyRead(5);
        output += QString::fromLocal8Bit(app.readAll());
        QFile f(dir.file("cnt_net/cnt_log_app/log.txt"));
        return f.open(QIODevice::ReadOnly) ? output + QString::fromUtf8(f.readAll()) : output;
    }

    bool WaitFor(const std::function<bool()>& cond, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (cond())
                return true;
            QThread::msleep(20);
        }
        return cond();
    }

    QString XDo(const QStringList& args)
    {
        QProcess x;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        x.setProcessEnvironment(env);
        x.start("xdotool", args);
        x.waitForFinished(5000);
        return QString::fromLatin1(x.readAllStandardOutput());
    }

    void Touch(QPoint p)
    {
        XDo({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
        QThread::msleep(600);
        if (!qEnvironmentVariableIsEmpty("MOULDMON_E2E_SHOTS")) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("DISPLAY", display);
            QProcess shot;
            shot.setProcessEnvironment(env);
            shot.start("import", {"-window", "root", QString("%1/touch%2.png").arg(qgetenv("MOULDMON_E2E_SHOTS").constData()).arg(++touches)});
            shot.waitForFinished(10000);
        }
    }
    int touches = 0;

    // The question box is the one visible window smaller than the screen: Yes is the left button
    // of its lower third.
    bool AnswerYes()
    {
        for (int tries = 0; tries < 50; ++tries) {
            for (const QString& w : XDo({"search", "--onlyvisible", "--name", ""}).split('\n', Qt::SkipEmptyParts)) {
                const QString geo = XDo({"getwindowgeometry", "--shell", w});
                QMap<QString, int> g;
                for (const QString& l : geo.split('\n', Qt::SkipEmptyParts))
                    g[l.section('=', 0, 0)] = l.section('=', 1).toInt();
                if (g.value("WIDTH") >= 1920 || g.value("WIDTH") == 0)
                    continue;
                Touch(QPoint(g["X"] + g["WIDTH"] * 44 / 100, g["Y"] + g["HEIGHT"] * 67 / 100));
                return true;
            }
            QThread::msleep(100);
        }
        return false;
    }

    // Board time from a rise of input 0 to the release of output 1 (the stage-1 verdict).
    qint64 StageOneVerdict()
    {
        const int seen = board->lines().size();
        board->send("pulse 0 300");
        qint64 edge = -1;
        if (!board->waitFor([&](const QStringList& l) {
                for (int i = seen; i < l.size(); ++i) {
                    const QStringList w = l[i].split(' ');
                    if (w.size() == 3 && w[1] == "in" && (w[2].toInt(nullptr, 16) & 1))
                        edge = w[0].toLongLong();
                }
                return edge >= 0;
            }, 2000))
            return -1;
        qint64 release = -1;
        WaitFor([&] {
            bool inhibited = false;
            for (const BoardFrameLog& f : board->frames()) {
                if (f.command != 1 || f.ms < edge)
                    continue;
                if (f.data & 2)
                    inhibited = true;
                else if (inhibited) {
                    release = f.ms;
                    return true;
                }
            }
            return false;
        }, 8000);
        return release < 0 ? -1 : release - edge;
    }

    ProgramDir dir;
    std::unique_ptr<BoardSim> board;
    QProcess xvfb;
    QProcess app;
    QString display;
    QString output;
};

}  // namespace

TEST_F(SettingsE2E, RaisedProcDelayIsRecordedStoredAndDelaysTheNextVerdict)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    ASSERT_NO_FATAL_FAILURE(Launch());
    const qint64 before = StageOneVerdict();
    ASSERT_GT(before, 0) << Log().toStdString();
    EXPECT_NEAR(double(before), 1000.0, 300.0);

    Touch(kSettingsButton);
    Touch(kProcDelayGroove);
    Touch(kProcDelayGroove);
    Touch(kExitSetup);
    ASSERT_TRUE(AnswerYes()) << Log().toStdString();
    QThread::msleep(800);

    QStringList texts;
    for (const QStringList& row : RecordRows("RECORD.db"))
        texts << row.value(2);
    EXPECT_TRUE(texts.contains(QString::fromUtf8("修改了系统参数，成品延时从10改为30"))) << texts.join("\n").toStdString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "e2eParam");
        db.setDatabaseName("PARAM.db");
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("SELECT value FROM sysparam WHERE name = 'trigInDelay'") && q.next());
        EXPECT_EQ(q.value(0).toString().split(' ').value(0), "30");
    }
    QSqlDatabase::removeDatabase("e2eParam");
    QThread::msleep(1000);  // the first cycle's second stage has long been judged

    const qint64 after = StageOneVerdict();
    ASSERT_GT(after, 0) << board->lines().filter(QRegularExpression(" (in|1) ")).join("\n").toStdString();
    EXPECT_NEAR(double(after), 3000.0, 300.0);
    EXPECT_NEAR(double(after - before), 2000.0, 300.0);
    std::printf("[ figures  ] edge to stage-1 release: %lld ms at 1.0 s, %lld ms at 3.0 s\n",
                static_cast<long long>(before), static_cast<long long>(after));
}
