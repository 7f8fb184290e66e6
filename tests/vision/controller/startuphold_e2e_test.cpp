// The real program (board simulator, simulated camera, own network namespace, touches under Xvfb)
// started again after an end that left a mould nobody judged: killed (SIGKILL, as a crash or a
// power cut of the computer ends it) during a cycle or the alarm hold, or stopped by a damaged
// PARAM.db that the start-up replaced by the default copy. The next start keeps the mould-close
// inhibit, shows and records why, and releases only on the operator's confirm (or, after a kill,
// the next cycle's final verdict). Stage 1 is judged 0.3 s and stage 2 0.8 s after the input-0 edge.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/synthscene.h"
#include "common/xscreen.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/controller/startuphold.h"

namespace {

class StartupHoldE2E : public ::testing::Test {
protected:
    void TearDown() override
    {
        rig.Stop();
        screen.Stop();
    }

    // Prepares the directory; false (skipped) without Xvfb.
    bool Prepare(bool part)
    {
        if (!XScreen::Available())
            return false;
        CycleRigSetup s;
        s.delay0 = 3;
        s.delay1 = 5;
        s.adjust = [](WizardPara& p) { p.is_psw_used = 0; };
        EXPECT_TRUE(rig.Prepare(s));
        if (part)
            EXPECT_TRUE(rig.Show(1, rig.PartInTheMould()));
        EXPECT_TRUE(screen.Start());
        return true;
    }
    QStringList Env() const
    {
        return {"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.path()};
    }
    // Starts the program; the warnings it asks to be confirmed before its main screen are
    // confirmed as an operator would. Returns Launch's result (-1 when it ended before).
    qint64 Start()
    {
        std::atomic<bool> starting{true};
        std::thread answer([&] {
            while (starting) {
                const QRect box = screen.Box();
                if (!box.isNull())
                    screen.Touch(ConfirmOf(box), 300);
                QThread::msleep(100);
            }
        });
        const qint64 r = rig.Launch(Env());
        starting = false;
        answer.join();
        return r;
    }
    // Kills the program (nothing of it runs on) and starts it again on a new board.
    qint64 KillAndStart()
    {
        rig.process().kill();
        rig.process().waitForFinished(3000);
        rig.Stop();
        return rig.Launch(Env());
    }
    static QPoint ConfirmOf(const QRect& box) { return {box.center().x(), box.y() + box.height() * 67 / 100}; }
    // Every word the board received since `fromMs` for `ms` keeps the mould-close inhibit.
    void HeldFor(qint64 fromMs, int ms, const char* what)
    {
        QThread::msleep(ms);
        ASSERT_FALSE(rig.Changes(fromMs).isEmpty()) << what;
        for (const OutputChange& c : rig.Changes(fromMs))
            ASSERT_TRUE(c.bits & 0b001) << what << ": released unjudged at +" << c.ms << ": "
                                        << rig.Seen(fromMs).toStdString();
    }
    // The operator confirms the warning on the screen: the mould is released, recorded.
    void Confirm(const char* what)
    {
        QRect box;
        ASSERT_TRUE(rig.WaitFor([&] { return !(box = screen.Box()).isNull(); }, 3000)) << what << ": no warning";
        const qint64 at = rig.BoardNow();
        screen.Touch(ConfirmOf(box));
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(at, 0b000, 0b001) >= 0; }, 3000))
            << what << ": " << rig.Seen(0).toStdString();
        EXPECT_TRUE(rig.WaitFor([&] { return RecordedRow(rig.ProgramRow(625)); }, 3000)) << what;
    }
    // One machine cycle on the empty mould: inhibits at the edge, the ejector released by stage 1,
    // the mould by stage 2.
    void OkCycle(const char* what)
    {
        const qint64 edge = rig.Pulse(0, 60);
        ASSERT_GE(edge, 0) << what;
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, 3000))
            << what << ": " << rig.Seen(edge).toStdString();
        const QList<OutputChange> ch = rig.Changes(edge);
        ASSERT_EQ(ch.size(), 3) << what << ": " << rig.Seen(edge).toStdString();
        EXPECT_EQ(ch[0].bits, 0b011) << what;
        EXPECT_EQ(ch[1].bits, 0b001) << what;
    }
    static QString IntegrityOf(const QString& file)
    {
        QString result;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "integrity");
            db.setDatabaseName(file);
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec("PRAGMA integrity_check") && q.next())
                    result = q.value(0).toString();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase("integrity");
        return result;
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
};

}  // namespace

TEST_F(StartupHoldE2E, KilledDuringACycleTheRestartHoldsTheMouldUntilTheOperatorConfirms)
{
    if (!Prepare(true))
        GTEST_SKIP() << "Xvfb or xdotool missing";
    ASSERT_GE(Start(), 0) << rig.Log().toStdString();
    QThread::msleep(600);
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_GE(edge, 0);
    QThread::msleep(150);  // about 200 ms in: stage 1 not judged yet
    ASSERT_EQ(rig.Changes(edge).value(0).bits, 0b011) << rig.Seen(edge).toStdString();
    ASSERT_EQ(rig.Changes(edge).size(), 1) << "killed too late: " << rig.Seen(edge).toStdString();
    ASSERT_GE(KillAndStart(), 0) << rig.Log().toStdString();
    ASSERT_NO_FATAL_FAILURE(HeldFor(0, 10000, "after the kill"));
    EXPECT_TRUE(RecordedRow(rig.ProgramRow(622)));
    ASSERT_NO_FATAL_FAILURE(Confirm("the confirmed start-up warning"));
    ASSERT_TRUE(rig.Show(1, rig.scene()));  // the operator took the part out
    QThread::msleep(300);
    ASSERT_NO_FATAL_FAILURE(OkCycle("the cycle after the confirm"));
}

TEST_F(StartupHoldE2E, KilledInTheAlarmHoldTheNgIsKeptAndTheNextFinalVerdictReleases)
{
    if (!Prepare(true))
        GTEST_SKIP() << "Xvfb or xdotool missing";
    ASSERT_GE(Start(), 0) << rig.Log().toStdString();
    QThread::msleep(600);
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b111) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
    QThread::msleep(300);
    ASSERT_GE(KillAndStart(), 0) << rig.Log().toStdString();
    // The NG counted before the kill: camera 1 "1 1", the other cameras "0 0".
    EXPECT_EQ(dir.read("count.txt").left(4), QByteArray("1 1 "));
    EXPECT_EQ(IntegrityOf("PARAM.db"), "ok");
    EXPECT_EQ(IntegrityOf("RECORD.db"), "ok");
    ASSERT_NO_FATAL_FAILURE(HeldFor(0, 10000, "after the kill in the alarm hold"));
    EXPECT_TRUE(RecordedRow(rig.ProgramRow(622)));
    EXPECT_FALSE(screen.Box().isNull()) << "the warning is not shown";
    // No confirm: the part is taken out and the next cycle's final verdict releases the mould.
    ASSERT_TRUE(rig.Show(1, rig.scene()));
    QThread::msleep(300);
    ASSERT_NO_FATAL_FAILURE(OkCycle("the next cycle"));
    EXPECT_TRUE(rig.WaitFor([&] { return screen.Box().isNull(); }, 2000)) << "the warning outlived the verdict";
    EXPECT_FALSE(RecordedRow(rig.ProgramRow(625)));
}

TEST_F(StartupHoldE2E, KilledIdleTheRestartReleasesAtOnceAndRunsAnOrdinaryCycle)
{
    if (!Prepare(false))
        GTEST_SKIP() << "Xvfb or xdotool missing";
    ASSERT_GE(Start(), 0) << rig.Log().toStdString();
    QThread::msleep(600);
    ASSERT_NO_FATAL_FAILURE(OkCycle("the cycle before the kill"));
    QThread::msleep(300);
    ASSERT_GE(KillAndStart(), 0) << rig.Log().toStdString();
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(0, 0b000) >= 0; }, 2000)) << rig.Seen(0).toStdString();
    QThread::msleep(500);
    EXPECT_EQ(rig.Changes(0).last().bits, 0b000) << rig.Seen(0).toStdString();
    EXPECT_FALSE(RecordedRow(rig.ProgramRow(622)));
    EXPECT_TRUE(screen.Box().isNull()) << "a warning after an end with no mould open";
    ASSERT_NO_FATAL_FAILURE(OkCycle("the first cycle after the restart"));
}

namespace {

struct ParamDamage {
    const char* name;
    bool aside;          // a damaged copy is kept
    bool defaultDamaged;  // paraGroup/default/PARAM.db at 0 bytes too
};

class ParamReplacedE2E : public StartupHoldE2E, public ::testing::WithParamInterface<ParamDamage> {};

}  // namespace

TEST_P(ParamReplacedE2E, TheStartAfterTheReplacementHoldsTheMouldUntilTheOperatorConfirms)
{
    const ParamDamage c = GetParam();
    if (!Prepare(false))
        GTEST_SKIP() << "Xvfb or xdotool missing";
    const QByteArray sound = dir.read("PARAM.db");
    const QString damage = c.name;
    QFile::remove("PARAM.db");
    if (damage == "empty" || damage == "default empty")
        ASSERT_TRUE(dir.write("PARAM.db", ""));
    else if (damage == "half")
        ASSERT_TRUE(dir.write("PARAM.db", sound.left(sound.size() / 2)));
    else if (damage == "directory")
        ASSERT_TRUE(QDir().mkpath("PARAM.db/inside"));
    if (c.defaultDamaged)
        ASSERT_TRUE(dir.write("paraGroup/default/PARAM.db", ""));

    // The start that finds it: warned, the damaged copy kept, the default placed, reboot asked.
    ASSERT_LT(Start(), 0) << "ran on a damaged PARAM.db";
    EXPECT_TRUE(rig.Log().contains("reboot asked")) << rig.Log().toStdString();
    const QStringList aside = QDir(".").entryList({"PARAM.db.damaged-*"}, QDir::AllEntries | QDir::System);
    ASSERT_EQ(aside.size(), c.aside ? 1 : 0) << aside.join(' ').toStdString();
    rig.Stop();

    // The next start runs on the default parameters (no regions) but releases nothing.
    ASSERT_GE(rig.Launch(Env()), 0) << rig.Log().toStdString();
    const QString warning = c.aside ? rig.ProgramRow(623).arg(aside.value(0)) : rig.ProgramRow(624);
    EXPECT_TRUE(rig.WaitFor([&] { return RecordedRow(warning); }, 3000)) << warning.toStdString();
    EXPECT_FALSE(screen.Box().isNull()) << "the warning is not shown";
    QThread::msleep(500);
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_GE(edge, 0);
    // The default record has no regions: its stages are judged OK.
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains(QRegularExpression("verdict stage \\d OK")); }, 3000))
        << rig.Log().toStdString();
    ASSERT_NO_FATAL_FAILURE(HeldFor(0, 1000, "a verdict on the default parameters"));
    ASSERT_NO_FATAL_FAILURE(Confirm("the confirmed replacement"));
    EXPECT_FALSE(StartupHold::ReadReplaced().marked);
    // Confirmed once: the start after it is an ordinary one.
    rig.Stop();
    ASSERT_GE(rig.Launch(Env()), 0) << rig.Log().toStdString();
    EXPECT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(0, 0b000, 0b001) >= 0; }, 2000)) << rig.Seen(0).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Damage, ParamReplacedE2E,
                         ::testing::Values(ParamDamage{"empty", true, false}, ParamDamage{"half", true, false},
                                           ParamDamage{"directory", true, false},
                                           ParamDamage{"missing", false, false},
                                           ParamDamage{"default empty", true, true}),
                         [](const ::testing::TestParamInfo<ParamDamage>& i) {
                             return QString(i.param.name).replace(' ', '_').toStdString();
                         });
