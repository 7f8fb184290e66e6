#include "common/windowstart.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>

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

void ServeSimulatedCameras(const ProgramDir& dir, int found, int stored)
{
    QImage scene(320, 240, QImage::Format_Grayscale8);
    scene.fill(80);
    ASSERT_TRUE(scene.save(dir.file("scene.png")));
    QString devices;
    for (int i = 1; i <= found; ++i)
        devices += QString(R"(%1{"serial": "SIMCAM000%2", "model": "SIM", "width": 320, "height": 240,)"
                           R"( "color": false, "fps": 20, "source": "%3"})")
                       .arg(i > 1 ? "," : "")
                       .arg(i)
                       .arg(dir.file("scene.png"));
    ASSERT_TRUE(dir.write("simcam.json", QString(R"({"make": "daheng", "devices": [%1]})").arg(devices).toUtf8()));
    qputenv("MOULDMON_SIMCAM", dir.file("simcam.json").toUtf8());
    camsim::CamSim::instance().reload();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "sn-test");
        db.setDatabaseName("SN.db");
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (int i = 0; i < stored; ++i)
            ASSERT_TRUE(q.exec(QString("UPDATE sysparam SET value = 'SIMCAM000%1' WHERE name = 'serialNB%2'")
                                   .arg(i + 1)
                                   .arg(i)));
    }
    QSqlDatabase::removeDatabase("sn-test");
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
