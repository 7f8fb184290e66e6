#include "common/windowstart.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>

#include "common/programdir.h"
#include "platform/camsdk/camsim.h"
#include "common/recorddb.h"
#include "common/windowworld.h"
#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "statistics/resstatisticsparam.h"
#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"
#include "vision/records/savefialimagethread.h"
#include "widgets/choosebox.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

void PrepareWindowDir(ProgramDir& dir, bool recordNull)
{
    EXPECT_TRUE(CreateDefaultDatabases("."));
    EXPECT_TRUE(CreateDefaultDatabases("paraGroup/default"));
    EXPECT_TRUE(ResStatisticsParam::WriteEmptyFiles("."));
    if (recordNull) {
        EXPECT_TRUE(MakeRecordDb("RECORDNULL.db"));
        EXPECT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
    } else {
        EXPECT_TRUE(MakeRecordDb("RECORD.db"));
    }
    qputenv("MOULDMON_SERIAL", dir.file("noboard").toUtf8());
    qunsetenv("MOULDMON_SIMCAM");
    camsim::CamSim::instance().reload();  // no device an earlier test served
}

MainWindow* StartMainWindow()
{
    if (!gpWPara) {
        gpWPara = new WizardPara;
        gpWParaBak = new WizardPara;
    }
    CreateGlobalMutexes();
    Data_Init();
    MakeRoomForAWindow();
    return new MainWindow;
}

void ModalAnswers::install()
{
    setModalHook([this](QDialog& d) {
        if (auto* box = dynamic_cast<ChooseBox*>(&d))
            texts << box->text();
        else if (auto* warn = dynamic_cast<WarnBox*>(&d))
            texts << warn->text();
        else
            texts << d.metaObject()->className();
        return answers.isEmpty() ? int(QDialog::Rejected) : answers.takeFirst();
    });
}

namespace {

class StopWindowThreads : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (!gpWin)
            return;
        for (CammerWidget* v : gpWin->cammerWidget) {
            if (v) {
                v->CameraStop();
                v->CameraClose();
            }
        }
        if (gpSaveFialImageThread) {
            gpSaveFialImageThread->requestInterruption();
            gpSaveFialImageThread->wait(5000);
        }
    }
};

}  // namespace

void StopWindowThreadsAtExit()
{
    static const auto* const env = ::testing::AddGlobalTestEnvironment(new StopWindowThreads);
    (void)env;
}
