// The real program under Xvfb, driven by touches (xdotool), with the board simulator and a
// simulated camera: the execution procedure chosen on the I/O parameters page takes effect
// without a restart, and the multi-detection grid maps stages to inputs for the next start.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>

#include <QDir>
#include <QFile>
#include <QPoint>
#include <QRect>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/xscreen.h"
#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "vision/inspection/cammersingleton.h"

namespace {

const QPoint kSettingsButton(1821, 409);  // option bar, "System settings"
const QPoint kExitSetup(1623, 137);
const QPoint kIOParamsTab(165, 978);
const QPoint kTurntable(930, 252);
const QPoint kRightMold(749, 353);
const QPoint kCustomIO(674, 353);
// The I/O grid, a pop-up at (0, 98): count combo, Reset, Confirm, rows 70 apart from y 198.
const QPoint kCountCombo(115, 148);
const QPoint kGridReset(1420, 990);
const QPoint kGridConfirm(1650, 990);
QPoint triggerCombo(int row) { return QPoint(130, 223 + 70 * row); }
QPoint gridBox(int row, int column) { return QPoint(340 + 210 * column, 223 + 70 * row); }

// One run of a scenario: the program or the X server may be lost under a loaded machine (another
// display's server, a starved start-up); such a run is tried again in a fresh program directory,
// a wrong behaviour fails the test at once.
struct Attempt {
    bool lost = false;
    QString error;
};

class IOPagesE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XScreen::Available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
    }
    void TearDown() override { end(); }

    void runScenario(const std::function<Attempt()>& scenario)
    {
        Attempt r;
        for (int attempt = 0; attempt < 3; ++attempt) {
            dir = std::make_unique<ProgramDir>();
            rig = std::make_unique<CycleRig>(dir->path());
            r = screen.Start() ? scenario() : Attempt{true, "no X server"};
            end();
            if (!r.lost)
                break;
            std::printf("[ retry    ] environment lost: %s\n", qPrintable(r.error));
        }
        EXPECT_FALSE(r.lost) << r.error.toStdString();
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    }
    void end()
    {
        if (rig)
            rig->Stop();
        screen.Stop();
        rig.reset();
        dir.reset();
    }
    bool alive() { return screen.running() && rig->process().state() == QProcess::Running; }
    // A failed wait: a lost environment, or the behaviour under test.
    Attempt failed(const QString& what) { return Attempt{!alive(), what + "\n" + rig->Log().right(4000)}; }

    // The rig's record changed by `edit`, and the regions and templates of stage 1 copied to
    // stages 2..n.
    bool prepare(int stages, const std::function<void(WizardPara&)>& edit)
    {
        if (!rig->Prepare(CycleRigSetup{}))
            return false;
        bool ok = false;
        {
            QSqlDatabase in = QSqlDatabase::addDatabase("QSQLITE", PARAM_DB_CONNECTION);
            in.setDatabaseName("PARAM.db");
            QSqlDatabase sn = QSqlDatabase::addDatabase("QSQLITE", SERIAL_DB_CONNECTION);
            sn.setDatabaseName("SN.db");
            if (in.open() && sn.open()) {
                WizardPara p;
                p.LoadDatafromFile();
                for (int d = 0; d < 8; ++d)
                    p.stage_delay[d] = 5;
                edit(p);
                CammerSingleton m(0);
                ok = p.SaveDatatoFile() && m.LoadWithMasks(nullptr);
                for (int d = 1; d < stages; ++d) {
                    m.roiNum[d] = m.roiNum[0];
                    for (int r = 0; r < m.roiNum[0]; ++r) {
                        m.shapeType[d][r] = m.shapeType[0][r];
                        m.method[d][r] = m.method[0][r];
                        m.param1[d][r] = m.param1[0][r];
                        m.param2[d][r] = m.param2[0][r];
                        m.param3[d][r] = m.param3[0][r];
                        m.rects[d][r] = m.rects[0][r];
                    }
                }
                ok = ok && m.SaveDatatoFile();
            }
            in.close();
            sn.close();
        }
        QSqlDatabase::removeDatabase(PARAM_DB_CONNECTION);
        QSqlDatabase::removeDatabase(SERIAL_DB_CONNECTION);
        for (int d = 3; d <= stages; ++d) {
            QDir().mkpath(QString("cammer1%1").arg(d));
            for (int t = 0; t < 5; ++t)
                ok = ok && QFile::copy(QString("cammer11/template%1.bmp").arg(t), QString("cammer1%1/template%2.bmp").arg(d).arg(t));
        }
        return ok;
    }
    bool launch()
    {
        // A restart must not find the earlier run's "main screen shown".
        QFile::remove(dir->file("cnt_net/cnt_log_app/log.txt"));
        const qint64 started =
            rig->Launch({"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir->path()});
        QThread::msleep(1500);
        return started >= 0 && alive();
    }
    // Verdict lines of a stage (counted from 1; 0 any stage) so far.
    int verdicts(int stage)
    {
        return rig->Log().count(QRegularExpression(stage ? QString("verdict stage %1 ").arg(stage) : QString("verdict stage ")));
    }
    void touch(QPoint p, const QString& name = QString())
    {
        screen.Touch(p);
        if (!name.isEmpty())
            screen.Shot(name);
    }
    // Opens the I/O parameters page of the settings screen.
    void openIOParams()
    {
        touch(kSettingsButton);
        touch(kIOParamsTab);
    }
    // "Exit setup", then Yes to the save question.
    bool exitSetupSaving()
    {
        touch(kExitSetup);
        QRect box;
        for (int tries = 0; tries < 50 && box.isNull(); ++tries) {
            box = screen.Box();
            if (box.isNull())
                QThread::msleep(100);
        }
        if (box.isNull())
            return false;
        screen.Touch(XScreen::YesOf(box), 1000);
        return true;
    }

    std::unique_ptr<ProgramDir> dir;
    std::unique_ptr<CycleRig> rig;
    XScreen screen;
};

TEST_F(IOPagesE2E, TurntableRightMoldTakesEffectWithoutARestart)
{
    runScenario([this]() -> Attempt {
        if (!prepare(4, [](WizardPara& p) { p.first_stage_on = 1; }))
            return Attempt{false, "program directory not prepared"};
        if (!launch())
            return Attempt{true, "program did not start\n" + rig->Log().right(4000)};
        openIOParams();
        touch(kTurntable);
        touch(kRightMold, "turntable_right_mold");
        if (!exitSetupSaving())
            return failed("no save question");

        // Input 3 starts the second pair; input 0 starts nothing.
        const int before = verdicts(4);
        rig->Pulse(3);
        if (!rig->WaitFor([&] { return verdicts(4) > before; }, 8000))
            return failed("input 3 started no cycle of the second stage pair");
        const int all = verdicts(0);
        rig->Pulse(0);
        QThread::msleep(3000);
        if (verdicts(0) != all)
            return Attempt{false, "input 0 started a stage\n" + rig->Log().right(4000)};
        return Attempt{};
    });
}

TEST_F(IOPagesE2E, GridMapsThreeStagesToInputsForTheNextStart)
{
    runScenario([this]() -> Attempt {
        const bool prepared = prepare(3, [](WizardPara& p) {
            p.first_stage_on = 1;
            p.io_mode = p.io_mode_chosen = 4;
            p.stage_count = 2;
            for (int i = 0; i < 8; ++i) {
                p.input_name_choice[i] = i;
                p.output_name_choice[i] = i;
            }
        });
        if (!prepared)
            return Attempt{false, "program directory not prepared"};
        if (!launch())
            return Attempt{true, "program did not start\n" + rig->Log().right(4000)};
        openIOParams();
        touch(kCustomIO);
        touch(kCountCombo);
        touch(QPoint(83, 189));   // "3 times"
        touch(kGridReset);
        touch(gridBox(0, 0));
        touch(gridBox(1, 1));
        touch(gridBox(2, 2));
        touch(triggerCombo(1));
        touch(triggerCombo(1) + QPoint(0, 50));   // item 1: input slot 1
        touch(triggerCombo(2));
        touch(triggerCombo(2) + QPoint(0, 50));   // item 1 of inputs 1..2: input slot 2
        screen.Shot("grid_three_stages");
        touch(kGridConfirm);
        if (!exitSetupSaving())
            return failed("no save question");
        rig->Stop();
        if (!launch())
            return Attempt{true, "program did not start again\n" + rig->Log().right(4000)};

        // Each mapped input, in stage order, starts its stage; the verdict releases the terminal
        // of that stage (the last stage takes OutputNo's last entry), the others stay cut.
        struct Step {
            int input;
            int stage;
            int terminal;
        };
        const Step steps[3] = {{0, 1, OutputNo[0]}, {2, 2, OutputNo[1]}, {3, 3, OutputNo[7]}};
        int cut = 0;
        for (const Step& s : steps)
            cut |= 1 << (s.terminal - 1);
        const int watched = cut;
        auto outputs = [this] {
            int word = -1;
            for (const BoardFrameLog& f : rig->board()->frames())
                if (f.command == 1)
                    word = f.data;
            return word;
        };
        for (const Step& s : steps) {
            const int seen = verdicts(s.stage);
            rig->Pulse(s.input);
            if (!rig->WaitFor([&] { return verdicts(s.stage) > seen; }, 8000))
                return failed(QString("input %1 did not start stage %2").arg(s.input).arg(s.stage));
            cut &= ~(1 << (s.terminal - 1));
            if (!rig->WaitFor([&] { return (outputs() & watched) == cut; }, 3000))
                return failed(QString("stage %1: outputs %2").arg(s.stage).arg(outputs(), 0, 16));
            QThread::msleep(1500);   // the pass that judged the stage ends before the next input
        }
        if (verdicts(0) != 3)
            return Attempt{false, "verdicts of other stages\n" + rig->Log().right(4000)};
        return Attempt{};
    });
}

}  // namespace
