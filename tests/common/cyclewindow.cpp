#include "common/cyclewindow.h"

#include <QDateTime>
#include <QDialog>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

#include "common/recorddb.h"
#include "statistics/statisticsday.h"
#include "vision/records/dayrotation.h"
#include "common/windowworld.h"
#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "platform/camsdk/camsim.h"
#include "statistics/resstatisticsparam.h"
#include "vision/board/controlport.h"
#include "vision/camera/camerahost.h"
#include "vision/controller/mainwindow.h"
#include "vision/controller/triggerwiring.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

namespace cyclewindow {

Window::Window() : othersQuiet((QuietWindows(), true))
{
    EXPECT_TRUE(CreateDefaultDatabases("."));
    EXPECT_TRUE(CreateDefaultDatabases("paraGroup/default"));
    EXPECT_TRUE(ResStatisticsParam::WriteEmptyFiles("."));
    EXPECT_TRUE(MakeRecordDb("RECORDNULL.db"));
    EXPECT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
    qputenv("MOULDMON_SERIAL", dir.file("noboard").toUtf8());
    qunsetenv("MOULDMON_SIMCAM");
    camsim::CamSim::instance().reload();  // no device an earlier test served
    setModalHook([this](QDialog& d) {
        if (auto* warn = dynamic_cast<WarnBox*>(&d))
            modalTexts << warn->text();
        else
            modalTexts << d.metaObject()->className();
        return int(QDialog::Rejected);
    });
    if (!gpWPara) {
        gpWPara = new WizardPara;
        gpWParaBak = new WizardPara;
    }
    CreateGlobalMutexes();
    Data_Init();
    MakeRoomForAWindow();
    win = new MainWindow;
    gpWPara->is_psw_used = 0;
    world = new WindowWorld(win, dir.path());
}

Window& W()
{
    static Window* w = new Window;
    w->world->Restore();
    // The restored record's stage inputs are the ones the cycle state belongs to, as after a
    // start: a cycle the test before left is not read as inputs changed under it.
    w->win->cycleInputs = TriggerWiring::StageInputs(*gpWPara);
    w->modalTexts.clear();  // the no-camera question of the start-up, or the test before
    return *w;
}

int Out(int n) { return gpControlIO->IOState(1, n) ^ gpWPara->output_polarity[n]; }

void RunOut(MainWindow* win, int d)
{
    for (int i = 0; i < 100 && win->stageTimer[d]->isActive(); ++i)
        win->TimerUp(d);
}

void TwoStages(int ioMode, int semiAuto, const std::array<int, 2>& inputs, const std::array<int, 2>& delays)
{
    WizardPara& p = *gpWPara;
    p.io_mode = ioMode;
    p.semi_auto = semiAuto;
    p.first_stage_on = 1;
    for (int d = 0; d < 8; ++d) {
        p.stage_enabled[d] = d < 2;
        p.stage_trigger_input[d] = d < 2 ? inputs[size_t(d)] : -1;
    }
    p.stage_delay[0] = delays[0];
    p.stage_delay[1] = delays[1];
    p.input_debounce = 0;
    p.enable_trigger_safety = 0;
    p.enable_stop_not_alarm = 0;
    p.ng_pulse_mode = 0;
    p.pre_cut = 0;
    p.front_auto_check_time = 0;
}

void AlarmOnStageOne(MainWindow* win)
{
    win->simInput = 0;
    win->Run();
    RunOut(win, 0);
    cameraHost()->markCycleNotOK(0);
    RunOut(win, 1);
}

void PartGoneAndNextCycle(MainWindow* win)
{
    win->cycleLost[0] = false;
    win->simInput = 1;
    win->Run();
    win->simInput = 0;
    win->Run();
}

void HoldTheRealStatisticsDay(MainWindow* win)
{
    const quint32 now = StatisticsDay::At(QDateTime::currentSecsSinceEpoch());
    if (gpResStatisticsParam && gpResStatisticsParam->getCurDate() != DayRotation::DayText(StatisticsDay::DateOf(now)))
        gpResStatisticsParam->nextDay(DayRotation::DayText(StatisticsDay::DateOf(now)));
    win->statisticsDay = now;
}

}  // namespace cyclewindow
