#include "common/cyclewindow.h"

#include <QDialog>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

#include "common/recorddb.h"
#include "common/windowworld.h"
#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "platform/camsdk/camsim.h"
#include "statistics/resstatisticsparam.h"
#include "vision/board/controlport.h"
#include "vision/controller/mainwindow.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

namespace cyclewindow {

Window::Window()
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
    w->modalTexts.clear();  // the no-camera question of the start-up, or the test before
    return *w;
}

int Out(int n) { return gpControlIO->IOState(1, n) ^ gpWPara->output_polarity[n]; }

void RunOut(MainWindow* win, int d)
{
    for (int i = 0; i < 100 && win->stageTimer[d]->isActive(); ++i)
        win->TimerUp(d);
}

}  // namespace cyclewindow
