// The real program under Xvfb, touched through xdotool, in a network namespace and a temporary
// program directory with the board simulator and one simulated camera: "System settings", two
// touches on the "Proc DLY" slider, "Exit setup", Yes. The record, the stored delay and the
// time the next stage-1 verdict reaches the board follow.
#include <gtest/gtest.h>

#include <cstdio>

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPoint>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/xscreen.h"
#include "core/defaultdatabases.h"

namespace {

// Screen positions at 1920 x 1080 (the main window's fixed layout).
const QPoint kSettingsButton(1821, 409);   // option bar, "System settings"
const QPoint kProcDelayGroove(1000, 247);  // right of the "Proc DLY" handle: one page step (+1 s)
const QPoint kExitSetup(1623, 137);

QByteArray Bytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Position `pos` (from 1) of the stored row `name`, read or replaced behind the program's back.
QString StoredValue(const QString& name, int pos, const QString& replace = QString())
{
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "e2eParam");
        db.setDatabaseName("PARAM.db");
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare("SELECT value FROM sysparam WHERE name = ?");
            q.addBindValue(name);
            if (q.exec() && q.next()) {
                QStringList v = q.value(0).toString().split(' ');
                out = v.value(pos - 1);
                if (!replace.isNull() && pos <= v.size()) {
                    v[pos - 1] = replace;
                    QSqlQuery u(db);
                    u.prepare("UPDATE sysparam SET value = ? WHERE name = ?");
                    u.addBindValue(v.join(' '));
                    u.addBindValue(name);
                    u.exec();
                }
            }
        }
    }
    QSqlDatabase::removeDatabase("e2eParam");
    return out;
}

class SettingsE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XScreen::Available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
    }

    void TearDown() override
    {
        rig.Stop();
        screen.Stop();
    }

    void Touch(QPoint p) { screen.Touch(p); }

    // Waits for a further line `line` in the program's log (a loaded machine may be slow to react).
    bool Logged(const QString& line, int ms = 20000)
    {
        const int before = seen.value(line);
        if (!rig.WaitFor([&] { return rig.Log().count(line) > before; }, ms))
            return false;
        seen[line] = rig.Log().count(line);
        return true;
    }
    QMap<QString, int> seen;

    // The question box is the one visible window smaller than the screen.
    bool AnswerYes()
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000) {
            const QRect box = screen.Box();
            if (!box.isNull()) {
                Touch(XScreen::YesOf(box));
                return true;
            }
            QThread::msleep(100);
        }
        return false;
    }

    // Board time from a rise of input 0 to the release of output 1 (the stage-1 verdict), then
    // until stage 2 released output 0 as well.
    qint64 StageOneRelease()
    {
        const qint64 edge = rig.Pulse(0);
        if (edge < 0)
            return -1;
        qint64 release = -1;
        rig.WaitFor([&] {
            for (const OutputChange& c : rig.Changes(edge))
                if (!(c.bits & 2) && release < 0)
                    release = c.ms;
            return release >= 0 && !rig.Changes(edge).isEmpty() && rig.Changes(edge).last().bits == 0;
        }, 10000);
        return release < 0 ? -1 : release - edge;
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
};

}  // namespace

TEST_F(SettingsE2E, RaisedProcDelayIsRecordedStoredAndDelaysTheNextVerdict)
{
    CycleRigSetup setup;
    setup.delay0 = 10;  // stage 1 judged 1.0 s after the edge
    setup.delay1 = 40;  // stage 2 after it, before and after the change
    ASSERT_TRUE(rig.Prepare(setup));
    // As the camera functions page stores it beside spot detection, so the record holds the delay
    // alone.
    StoredValue("system3", 8, "1");
    ASSERT_TRUE(screen.Start()) << "no X server";
    ASSERT_GE(rig.Launch({"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.path()}), 0)
        << rig.Log().toStdString();
    QThread::msleep(1500);
    const qint64 before = StageOneRelease();
    ASSERT_GT(before, 0) << rig.Log().toStdString();
    EXPECT_NEAR(double(before), 1000.0, 300.0);

    Touch(kSettingsButton);
    ASSERT_TRUE(Logged("settings: screen shown, pages loaded")) << rig.Log().toStdString();
    Touch(kProcDelayGroove);
    Touch(kProcDelayGroove);
    Touch(kExitSetup);
    ASSERT_TRUE(Logged("settings: asking whether to save")) << rig.Log().toStdString();
    ASSERT_TRUE(AnswerYes()) << rig.Log().toStdString();
    ASSERT_TRUE(Logged("settings: committed")) << rig.Log().toStdString();
    QThread::msleep(500);

    QStringList texts;
    for (const QStringList& row : RecordRows("RECORD.db"))
        texts << row.value(2);
    ASSERT_EQ(rig.language(), 0);
    EXPECT_TRUE(texts.contains(QString::fromUtf8("修改了系统参数，成品延时从10改为30"))) << texts.join("\n").toStdString();
    EXPECT_EQ(StoredValue("trigInDelay", 1), "30");

    const qint64 after = StageOneRelease();
    ASSERT_GT(after, 0) << rig.Log().toStdString();
    EXPECT_NEAR(double(after), 3000.0, 300.0);
    EXPECT_NEAR(double(after - before), 2000.0, 300.0);
    std::printf("[ figures  ] edge to stage-1 release: %lld ms at 1.0 s, %lld ms at 3.0 s\n",
                static_cast<long long>(before), static_cast<long long>(after));
}

// A fresh install: the parameter file as a new machine ships it, "System settings" opened and
// "Exit setup" touched without a change. Nothing is asked or recorded, PARAM.db stays byte for byte.
TEST_F(SettingsE2E, FreshInstallUntouchedExitAsksNothingRecordsNothingAndLeavesTheParametersAsShipped)
{
    ASSERT_TRUE(rig.Prepare(CycleRigSetup{}));
    ASSERT_TRUE(CreateDefaultDatabases("."));
    const QByteArray shipped = Bytes("PARAM.db");
    ASSERT_FALSE(shipped.isEmpty());
    ASSERT_TRUE(screen.Start()) << "no X server";
    ASSERT_GE(rig.Launch({"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.path()}), 0)
        << rig.Log().toStdString();
    QThread::msleep(1500);  // the start-up's own records are written by then
    const int recordsBefore = RecordRows("RECORD.db").size();

    Touch(kSettingsButton);
    ASSERT_TRUE(Logged("settings: screen shown, pages loaded")) << rig.Log().toStdString();
    screen.Shot("freshinstall-settings");
    Touch(kExitSetup);
    ASSERT_TRUE(Logged("settings: nothing changed")) << rig.Log().toStdString();
    QThread::msleep(500);
    EXPECT_FALSE(rig.Log().contains("settings: asking whether to save")) << rig.Log().toStdString();
    EXPECT_TRUE(screen.Box().isNull());  // no question box on the screen
    rig.Stop();
    EXPECT_EQ(RecordRows("RECORD.db").size(), recordsBefore);
    EXPECT_TRUE(Bytes("PARAM.db") == shipped) << "PARAM.db changed";
}
