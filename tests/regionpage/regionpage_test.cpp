// The region page on the main window built as at start-up (no camera: view 0 is the inspected
// view): entering and leaving with and without changes, the records and the retrain of a save,
// "Re-detected", "Don't Detect", templates from the alarm page, ignoring alarm points, and the
// source switch under a refused password.
#include <gtest/gtest.h>

#include <cstring>

#include <QDialog>
#include <QDir>
#include <QFontMetrics>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QComboBox>
#include <QTimer>
#include <QVariant>
#include <cjson/cJSON.h>

#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/windowstart.h"
#include "common/windowworld.h"
#include "core/defaultdatabases.h"
#include "core/runmodederivation.h"
#include "core/startup.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/alarmoption.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/optionlists.h"
#include "widgets/fittext.h"
#include "mainscreen/regioneditor.h"
#include "mainscreen/regioption.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "network/reportbodies.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/camera/cammerwidget.h"
#include "vision/board/controlport.h"
#include "vision/records/savefialimagethread.h"
#include "vision/controller/mainwindow.h"
#include "vision/controller/verdictlogic.h"
#include "widgets/boptionbutton.h"
#include "widgets/choosebox.h"
#include "widgets/modalhook.h"
#include "widgets/passwordbox.h"
#include "widgets/slider.h"
#include "widgets/textrow.h"
#include "widgets/warnbox.h"

namespace {

using Modal = ModalAnswers;

struct Window {
    ProgramDir dir;
    Modal modal;
    MainWindow* win = nullptr;
    WindowWorld* world = nullptr;
    Window()
    {
        PrepareWindowDir(dir, false);
        win = StartMainWindow();
        world = new WindowWorld(win, dir.path());
    }
};

Window& W()
{
    static Window* w = new Window;
    return *w;
}

// The camera threads and the picture writer must not outlive the process's statics.
const bool kStopThreads = (StopWindowThreadsAtExit(), true);

// The page's starting point: no alarm, detection stopped so the cycle's timers do nothing here,
// view 0 shown alone, no regions, English texts, every question answered No.
MainWindow* Fresh()
{
    Window& w = W();
    w.world->Restore();
    MainWindow* win = w.win;
    gLan = 1;
    win->runTimer->stop();
    for (bool& f : win->drawROIWidget->retrainFlags)
        f = false;
    win->alarmState = 0;
    win->releaseMethod = 0;
    win->curDetect = 0;
    win->selectedView = 0;
    win->userLevel = 0;
    win->cycleLost[0] = false;
    win->judgedNoPicture[0] = false;
    gpWPara->is_psw_used = 0;
    gpWPara->io_mode = 0;
    gpWPara->first_stage_on = 1;
    gpWPara->stage_enabled[0] = 1;
    gpWPara->enable_correct = -1;
    gSource = -1;
    CammerWidget* v = win->cammerWidget[0];
    v->modelInForce->roiNum[0] = 0;
    *v->modelEdit = *v->modelInForce;
    w.modal.texts.clear();
    w.modal.answers.clear();
    return win;
}

QStringList Records()
{
    W().win->record.Flush(5000);  // the rows are written on the record's thread
    QStringList out;
    QSqlQuery q(QSqlDatabase::database("dbRecord"));
    q.exec("SELECT remarks FROM RECORD ORDER BY rowid");
    while (q.next())
        out << q.value(0).toString();
    return out;
}

// Adds a rectangle region of `method` (display rectangle) to stage s of the edit copy.
int AddRegion(CammerWidget* v, int s, QRect r, int method, int p1, int p2, int p3)
{
    CammerSingleton& m = *v->modelEdit;
    const int n = m.roiNum[s]++;
    m.shapeType[s][n] = 1;
    m.rects[s][n].rect = r;
    m.method[s][n] = method;
    m.param1[s][n] = p1;
    m.param2[s][n] = p2;
    m.param3[s][n] = p3;
    RegionEditor::RefreshImage(m, s, n);
    v->maskEdit[s][n] = RegionEditor::RegionMask(m, s, n);
    return n;
}

QString Row(int r)
{
    return textRow(r);
}

}  // namespace

TEST(RegionPageSave, NoChangeAsksNothingButServesTheRetrainFlags)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    const int before = Records().size();
    win->drawROIWidget->Reset(false);
    EXPECT_EQ(gSource, 0);
    EXPECT_EQ(win->optionStack->currentIndex(), 1);
    // An ignored point known only to the map in force is learned by the deferred retrain.
    v->ignoreMap[0][10 * gImageW + 20] = 255;
    v->ignoreMapEdit[0][10 * gImageW + 20] = 255;
    win->drawROIWidget->retrainFlags[0] = true;
    win->drawROIWidget->SlotReturn();
    EXPECT_TRUE(W().modal.texts.isEmpty());
    EXPECT_EQ(Records().size(), before);
    EXPECT_EQ(gSource, -1);
    EXPECT_FALSE(win->drawROIWidget->retrainFlags[0]);
    ASSERT_FALSE(v->recogniser->validMask(0).empty());
    EXPECT_EQ(v->recogniser->validMask(0).at<uchar>(10, 20), 0);
    EXPECT_EQ(v->recogniser->validMask(0).at<uchar>(10, 21), 255);
}

TEST(RegionPageSave, YesRecordsEachRegionSavesAndRetrains)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    // Two ignore areas drawn on "Prod" (display coordinates at the view scale).
    const QRect a(100, 100, 200, 150), b(600, 300, 200, 200);
    AddRegion(v, 0, a, 2, 5, 25, 100);
    AddRegion(v, 0, b, 2, 5, 25, 100);
    const int before = Records().size();
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotReturn();
    ASSERT_EQ(W().modal.texts, QStringList{Row(72)});
    const QStringList rec = Records().mid(before);
    EXPECT_EQ(rec, (QStringList{"Detection Prod of camera 1 Added rectangular  area 1, function is Ignore Area",
                                "Detection Prod of camera 1 Added rectangular  area 2, function is Ignore Area"}));
    EXPECT_EQ(*v->modelInForce, *v->modelEdit);
    CammerSingleton stored(v->modelInForce->camera);
    ASSERT_TRUE(stored.LoadWithMasks(nullptr));
    EXPECT_EQ(stored.roiNum[0], 2);
    // The engine learned the ignore areas: their image pixels are no longer valid.
    const QRect img = v->modelInForce->rects[0][1].imageRect;
    ASSERT_FALSE(v->recogniser->validMask(0).empty());
    EXPECT_EQ(v->recogniser->validMask(0).at<uchar>(img.center().y(), img.center().x()), 0);
    EXPECT_EQ(v->recogniser->validMask(0).at<uchar>(img.top() - 5, img.left() - 5), 255);
}

namespace {
QStringList gCritical;
void CaptureCritical(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type == QtCriticalMsg)
        gCritical << msg;
}
}  // namespace

// PARAM.db held by another writer refuses the save: the regions drawn stay in force and are
// recorded, but the operator is told the parameters were not saved, and the log says why.
TEST(RegionPageSave, ASaveThatPARAMdbRefusesIsToldAndLogged)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    AddRegion(v, 0, QRect(100, 100, 200, 150), 2, 5, 25, 100);
    const int before = Records().size();
    CammerSingleton stored(v->modelInForce->camera);
    ASSERT_TRUE(stored.LoadWithMasks(nullptr));
    const CammerSingleton storedBefore = stored;
    DbLocker locker(W().dir.path() + "/PARAM.db");
    ASSERT_TRUE(locker.locked());
    gCritical.clear();
    const QtMessageHandler old = qInstallMessageHandler(CaptureCritical);
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotReturn();
    qInstallMessageHandler(old);
    locker.Unlock();
    EXPECT_EQ(W().modal.texts, (QStringList{Row(72), Row(621)}));
    EXPECT_TRUE(gCritical.filter("database is locked").size() >= 1) << gCritical.join(" | ").toStdString();
    EXPECT_EQ(gCritical.filter("camera 1 are in force but not saved").size(), 1) << gCritical.join(" | ").toStdString();
    EXPECT_EQ(v->modelInForce->roiNum[0], 1);
    EXPECT_EQ(Records().size(), before + 1);
    ASSERT_TRUE(stored.LoadWithMasks(nullptr));
    EXPECT_TRUE(stored == storedBefore) << "the regions stored before stay stored";

    // Saved once PARAM.db takes writes again, without a warning.
    W().modal.texts.clear();
    AddRegion(v, 0, QRect(400, 300, 100, 100), 2, 5, 25, 100);
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotSaveData();
    EXPECT_EQ(W().modal.texts, QStringList{Row(72)});
    ASSERT_TRUE(stored.LoadWithMasks(nullptr));
    EXPECT_EQ(stored.roiNum[0], 2);
    EXPECT_EQ(v->modelInForce->roiNum[0], 2);
}

TEST(RegionPageSave, NoKeepsTheModelsInForceAndTheEditsForTheNextSave)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    AddRegion(v, 0, QRect(100, 100, 200, 150), 0, 5, 25, 100);
    const int before = Records().size();
    win->drawROIWidget->SlotReturn();
    EXPECT_EQ(W().modal.texts, QStringList{Row(72)});
    EXPECT_EQ(Records().size(), before);
    EXPECT_EQ(v->modelInForce->roiNum[0], 0);
    EXPECT_EQ(v->modelEdit->roiNum[0], 1);
    // The next save asks again.
    win->drawROIWidget->SlotSaveData();
    EXPECT_EQ(W().modal.texts.size(), 2);
}

TEST(RegionPageSave, AlarmHoldEnteredDuringTheQuestionKeepsTheEditsBeingSaved)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    AddRegion(v, 0, QRect(100, 100, 200, 150), 0, 5, 25, 100);
    const int before = Records().size();
    // The cycle runs inside the question and enters the alarm hold.
    setModalHook([win](QDialog&) {
        win->alarmState = 2;
        win->drawROIWidget->Reset(false);
        return int(QDialog::Accepted);
    });
    win->drawROIWidget->SlotReturn();
    W().modal.install();
    EXPECT_EQ(Records().size(), before + 1);
    EXPECT_EQ(v->modelInForce->roiNum[0], 1);
    EXPECT_EQ(win->optionStack->currentIndex(), 2);
    EXPECT_EQ(gSource, 1);
    win->alarmState = 0;
}

TEST(RegionPageSave, DeletedRegionsIgnorePointsChangeOnlyWhenSaved)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    AddRegion(v, 0, QRect(100, 100, 200, 150), 0, 5, 25, 100);
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotSaveData();
    const QRect img = v->modelInForce->rects[0][0].imageRect;
    const int at = img.center().y() * gImageW + img.center().x();
    v->ignoreMap[0][at] = 255;
    win->drawROIWidget->Reset(false);
    EXPECT_EQ(v->ignoreMapEdit[0][at], 255);
    viewHost()->edit = 0;
    W().modal.answers = {QDialog::Accepted, QDialog::Rejected};
    win->drawROIWidget->SlotDeleteAllROI();
    EXPECT_EQ(v->modelEdit->roiNum[0], 0);
    EXPECT_EQ(v->ignoreMap[0][at], 255);  // not saved yet
    win->drawROIWidget->SlotSaveData();   // No
    EXPECT_EQ(v->ignoreMap[0][at], 255);
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotSaveData();   // Yes
    EXPECT_EQ(v->ignoreMap[0][at], 0);
    EXPECT_EQ(v->modelInForce->roiNum[0], 0);
}

namespace {

// The method text of the alarm release (type 20) that the report server builds from the window.
std::string ReleaseSent(const MainWindow* win)
{
    const QByteArray body = reportbody::Cancle("M1", 0, 0, win->releaseMethod, QByteArray());
    cJSON* j = cJSON_Parse(body.constData());
    const cJSON* m = cJSON_GetObjectItem(j, "method");
    const std::string text = cJSON_IsString(m) ? m->valuestring : "?";
    cJSON_Delete(j);
    return text;
}

// Holds an alarm of "Prod" on view 0: a black-area region over a frame with a dark blob.
void HoldAlarm(MainWindow* win, bool blob)
{
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    AddRegion(v, 0, QRect(300, 200, 400, 300), 4, 0, 40, 30);
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotReturn();
    W().modal.texts.clear();
    std::memset(v->frameWork, 128, size_t(gColorLen));
    if (blob) {
        const QRect img = v->modelInForce->rects[0][0].imageRect;
        for (int y = img.center().y() - 10; y < img.center().y() + 10; ++y)
            std::memset(v->frameWork + y * gImageW + img.center().x() - 10, 5, 20);
    }
    win->alarmState = 2;
    win->failPicState[0][0] = 3;
    v->isOK = false;
    gSource = 1;
}

}  // namespace

TEST(RegionPageAlarm, ReDetectedClearsTheAlarmWhenTheFaultIsGone)
{
    MainWindow* win = Fresh();
    HoldAlarm(win, false);
    win->drawROIWidget->SlotReCheck();
    EXPECT_TRUE(W().modal.texts.isEmpty());
    EXPECT_TRUE(win->cammerWidget[0]->isOK);
    EXPECT_NE(win->alarmState, 2);  // the hold ended (the verdict is shown)
    EXPECT_EQ(gSource, -1);
    EXPECT_EQ(ReleaseSent(win), "重检检测OK");
}

TEST(RegionPageAlarm, ReDetectedKeepsTheAlarmWhileTheFaultStays)
{
    MainWindow* win = Fresh();
    HoldAlarm(win, true);
    win->drawROIWidget->SlotReCheck();
    EXPECT_FALSE(win->cammerWidget[0]->isOK);
    EXPECT_EQ(win->alarmState, 2);
    EXPECT_EQ(win->selectedView, 0);  // the NG camera stays shown
    EXPECT_EQ(gSource, 1);
    EXPECT_EQ(ReleaseSent(win), "进行重检检测");  // started, not released
    // The fault gone, the next re-check releases the hold as an OK re-check.
    std::memset(win->cammerWidget[0]->frameWork, 128, size_t(gColorLen));
    win->drawROIWidget->SlotReCheck();
    EXPECT_NE(win->alarmState, 2);
    EXPECT_EQ(ReleaseSent(win), "重检检测OK");
}

TEST(RegionPageAlarm, CycleReCheckAsksNothingAndKeepsUnsavedEdits)
{
    MainWindow* win = Fresh();
    HoldAlarm(win, false);
    CammerWidget* v = win->cammerWidget[0];
    AddRegion(v, 0, QRect(50, 50, 100, 100), 0, 5, 25, 100);
    win->drawROIWidget->ReCheck(true);
    EXPECT_TRUE(W().modal.texts.isEmpty());
    EXPECT_EQ(v->modelInForce->roiNum[0], 1);
    EXPECT_EQ(v->modelEdit->roiNum[0], 2);
    EXPECT_NE(win->alarmState, 2);
    EXPECT_EQ(ReleaseSent(win), "重检检测OK");
}

TEST(RegionPageAlarm, DontDetectTakesTheCameraOutOfThisMould)
{
    MainWindow* win = Fresh();
    HoldAlarm(win, true);
    const int before = Records().size();
    // Split view: the question for all cameras; No changes nothing.
    win->selectedView = numCamera;
    win->drawROIWidget->SlotNoCheckCur();
    EXPECT_EQ(W().modal.texts, QStringList{Row(102)});
    EXPECT_EQ(win->alarmState, 2);
    // Camera 1 alone, Yes: not detected in this mould, recorded, the alarm ends.
    win->selectedView = 0;
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotNoCheckCur();
    EXPECT_EQ(W().modal.texts.last(), Row(105).arg(1));
    EXPECT_TRUE(win->cammerWidget[0]->stageCycleFlags[0]);
    EXPECT_TRUE(Records().mid(before).contains("Camera 1 do not detect the mold"));
    EXPECT_NE(win->alarmState, 2);
    // The re-check of the other cameras does not make it a re-check release.
    EXPECT_EQ(ReleaseSent(win), "不检测此模解除");
    win->cammerWidget[0]->stageCycleFlags[0] = false;
}

TEST(RegionPageAlarm, DontDetectForAllCamerasReleasesAsNotDetected)
{
    MainWindow* win = Fresh();
    HoldAlarm(win, true);
    win->releaseMethod = 8;  // a release before this hold
    win->selectedView = numCamera;
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotNoCheckCur();
    EXPECT_EQ(W().modal.texts, QStringList{Row(102)});
    EXPECT_NE(win->alarmState, 2);
    EXPECT_EQ(ReleaseSent(win), "不检测此模解除");
}

TEST(RegionPageAlarm, DontDetectWaitsForTheSafetyDoorWhenAsked)
{
    MainWindow* win = Fresh();
    HoldAlarm(win, true);
    gpWPara->enable_disarm_before_open = 1;
    gisSafeDoorOpen = false;
    win->drawROIWidget->SlotNoCheckCur();
    EXPECT_EQ(W().modal.texts, QStringList{Row(195)});
    EXPECT_FALSE(win->cammerWidget[0]->stageCycleFlags[0]);
    gpWPara->enable_disarm_before_open = 0;
}

TEST(RegionPageAlarm, IgnoreAlarmPointsSkipsRegionsOverTheLimit)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    AddRegion(v, 0, QRect(100, 100, 200, 150), 0, 5, 25, 100);
    AddRegion(v, 0, QRect(600, 300, 200, 200), 0, 5, 25, 100);
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotReturn();
    win->alarmState = 2;
    v->isOK = false;
    std::memset(v->ngPoints, 0, size_t(gImageLen));
    std::memset(v->ignoreMap[0], 0, size_t(gImageLen));
    int boxes[2][4] = {{10, 10, 14, 12}, {200, 100, 203, 101}};
    for (int r = 0; r < 2; ++r) {
        v->roiOK[0][r] = false;
        v->ngBoxes[0][r][0][0] = 1;
        std::copy(boxes[r], boxes[r] + 4, v->ngBoxes[0][r][1]);
        for (int y = boxes[r][1]; y < boxes[r][3]; ++y)
            for (int x = boxes[r][0]; x < boxes[r][2]; ++x)
                v->ngPoints[y * gImageW + x] = 1;
    }
    v->roiValue[0][0] = 2001;
    v->roiValue[0][1] = 3;
    // The last column of the frame: clipped, not past the line.
    v->roiOK[0][2] = false;
    const int before = Records().size();
    W().modal.texts.clear();
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotIgnoreAlarmPoint();
    EXPECT_EQ(W().modal.texts, (QStringList{Row(113), Row(115).arg(2000)}));
    EXPECT_EQ(Records().mid(before), QStringList{"Camera 1 ignoring the current alarm point"});
    EXPECT_EQ(v->ignoreMap[0][10 * gImageW + 10], 0);      // region over 2000 left out
    EXPECT_EQ(v->ignoreMap[0][100 * gImageW + 200], 255);
    EXPECT_EQ(v->ignoreMap[0][100 * gImageW + 202], 255);
    EXPECT_EQ(v->ignoreMap[0][100 * gImageW + 203], 0);    // right edge exclusive
    EXPECT_EQ(v->ignoreMapEdit[0][100 * gImageW + 200], 255);
    QImage saved("cammer11/ignorepoint.bmp");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.pixelIndex(200, 100), 255);
    // The engine learned it at once.
    EXPECT_EQ(v->recogniser->validMask(0).at<uchar>(100, 200), 0);

    // "Del Ignored P" clears the map and the file, after its question.
    W().modal.texts.clear();
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotDeleteIgnorePoint();
    EXPECT_EQ(W().modal.texts, QStringList{Row(116)});
    EXPECT_EQ(v->ignoreMap[0][100 * gImageW + 200], 0);
    EXPECT_EQ(QImage("cammer11/ignorepoint.bmp").pixelIndex(200, 100), 0);
}

TEST(RegionPageAlarm, IgnoreOnAnOkCameraWarnsAndWritesNothing)
{
    MainWindow* win = Fresh();
    win->cammerWidget[0]->isOK = true;
    const int before = Records().size();
    win->drawROIWidget->SlotIgnoreAlarmPoint();
    EXPECT_EQ(W().modal.texts, QStringList{Row(107)});
    EXPECT_EQ(Records().size(), before);
}

TEST(RegionPageTemplates, AddFromTheLiveAlarmThenBrowseAndDelete)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    HoldAlarm(win, true);
    ASSERT_GE(gTempNum, 3);
    std::memset(v->frameCorrected, 77, size_t(gColorLen));
    const int count = v->tempCount[0];
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotAddTemp();
    ASSERT_EQ(W().modal.texts.value(0), Row(108));
    EXPECT_EQ(v->tempCount[0], count + 1);
    const int t = count;  // the first free slot
    QImage img(QString("cammer11/template%1.bmp").arg(t));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixelIndex(5, 5), 77);
    EXPECT_TRUE(v->stageCycleFlags[0]);
    EXPECT_TRUE(Records().contains("Camerar 1 added a template"));
    EXPECT_NE(win->alarmState, 2);
    EXPECT_EQ(ReleaseSent(win), "添加为模板解除");
    v->stageCycleFlags[0] = false;

    // Browse the templates with wrap-around, then delete the shown one.
    win->alarmState = 0;
    win->selectedView = 0;
    viewHost()->edit = 0;
    gSource = 0;
    v->tempIndex = 0;
    win->drawROIWidget->SlotTempLast();
    EXPECT_EQ(v->tempIndex, t);
    EXPECT_EQ(v->frameShown[0], 77);
    win->drawROIWidget->SlotTempNext();
    EXPECT_EQ(v->tempIndex, 0);
    win->drawROIWidget->SlotTempLast();
    W().modal.texts.clear();
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotTempDeleteCur();
    EXPECT_EQ(W().modal.texts, QStringList{Row(69)});
    EXPECT_FALSE(QFile::exists(QString("cammer11/template%1.bmp").arg(t)));
    EXPECT_EQ(v->tempIndex, 0);
    EXPECT_EQ(v->tempCount[0], count);
    EXPECT_EQ(Records().last(), Row(70).arg(1).arg(t + 1));
    // The first template is kept.
    W().modal.texts.clear();
    win->drawROIWidget->SlotTempDeleteCur();
    EXPECT_EQ(W().modal.texts, QStringList{Row(68)});
}

// The hold of a cycle the lost camera could not judge: its view still shows the frame from before
// the loss. Taken as a template it would pass a part left in the mould, so the operator is told and
// nothing is stored, while the camera is lost and after it is back until a re-check takes a picture.
TEST(RegionPageTemplates, LiveAlarmWithoutAPictureTakesNoTemplate)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    HoldAlarm(win, true);
    std::memset(v->frameCorrected, 77, size_t(gColorLen));
    const int count = v->tempCount[0];
    const int before = Records().size();
    for (int lost = 1; lost >= 0; --lost) {
        win->cycleLost[0] = lost;
        win->judgedNoPicture[0] = true;
        W().modal.texts.clear();
        W().modal.answers = {QDialog::Accepted, QDialog::Accepted};
        win->drawROIWidget->SlotAddTemp();
        EXPECT_EQ(W().modal.texts, QStringList{VerdictLogic::NoPictureRecordText(0)}) << "lost " << lost;
        EXPECT_EQ(v->tempCount[0], count);
        EXPECT_FALSE(QFile::exists(QString("cammer11/template%1.bmp").arg(count)));
        EXPECT_EQ(Records().size(), before);
        EXPECT_EQ(win->alarmState, 2);
        EXPECT_FALSE(v->stageCycleFlags[0]);
    }
}

TEST(RegionPageTemplates, RecentNgWithoutPictureRefusesInsteadOfABlackTemplate)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    gSource = 2;
    viewHost()->edit = 0;
    v->ngCount[0] = 0;
    const int count = v->tempCount[0];
    const int before = Records().size();
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotAddTemp();
    EXPECT_EQ(W().modal.texts, (QStringList{Row(108), Row(593)}));
    EXPECT_EQ(v->tempCount[0], count);
    EXPECT_EQ(Records().size(), before);
    EXPECT_FALSE(win->drawROIWidget->retrainFlags[0]);
}

TEST(RegionPageSource, RefusedPasswordKeepsTheLiveSourceAndNoEditing)
{
    MainWindow* win = Fresh();
    HoldAlarm(win, true);
    gpWPara->is_psw_used = 1;
    win->userLevel = 0;
    W().modal.texts.clear();
    win->regiOption->CheckSource(1);
    ASSERT_EQ(gSource, 1);
    win->regiOption->CheckSource(0);  // the password box is answered Rejected
    EXPECT_EQ(gSource, 1);
    EXPECT_EQ(win->regiOption->comboSource->currentIndex(), 1);
    // "Live<->Temp" on the alarm page asks the same password; refused, the alarm bar returns.
    win->selectedView = 0;
    win->drawROIWidget->SlotAutoChange();
    EXPECT_EQ(gSource, 1);
    EXPECT_EQ(win->optionStack->currentIndex(), 2);
    EXPECT_EQ(W().modal.texts.size(), 2);
    // The region tool commands do nothing outside the template source.
    viewHost()->setDrawMode(0);
    win->drawROIWidget->SlotDrawRect();
    EXPECT_EQ(viewHost()->drawMode(), 0);
    gpWPara->is_psw_used = 0;
}

TEST(RegionOptionBar, StageZeroWithTheFirstStageOffSelectsStageOneAndWarns)
{
    MainWindow* win = Fresh();
    win->drawROIWidget->Reset(false);
    ASSERT_EQ(gSource, 0);
    win->regiOption->comboDetect->setCurrentIndex(1);
    gpWPara->first_stage_on = 0;
    W().modal.texts.clear();
    win->regiOption->comboDetect->setCurrentIndex(0);
    EXPECT_EQ(win->regiOption->comboDetect->currentIndex(), 1);
    EXPECT_EQ(viewHost()->editStage(), 1);
    EXPECT_EQ(W().modal.texts, QStringList{Row(118)});
    gpWPara->first_stage_on = 1;
}

TEST(RegionOptionBar, SameParametersNoteShownOncePerRun)
{
    MainWindow* win = Fresh();
    gpWPara->enabe_two_test = 1;
    win->drawROIWidget->Reset(false);  // edits stage 0 with the parameters shared
    // A bar of its own, as the program makes one per run: the window's bar has shown its note
    // already when a case before (or a repeat of this one) changed the stage.
    RegiOption bar;
    ASSERT_EQ(bar.comboDetect->count(), 2);
    bar.comboDetect->setCurrentIndex(0);
    W().modal.texts.clear();
    bar.comboDetect->setCurrentIndex(1);
    bar.comboDetect->setCurrentIndex(0);
    bar.comboDetect->setCurrentIndex(1);
    EXPECT_EQ(W().modal.texts, QStringList{Row(119)});
    gpWPara->enabe_two_test = 0;
}

TEST(RegionOptionBar, AddAsTempInTheTemplateSourceOffersNothingButDeleteOnTheRegionPage)
{
    MainWindow* win = Fresh();
    win->drawROIWidget->Reset(false);
    EXPECT_FALSE(win->regiOption->btnAddTemp->isVisibleTo(win->regiOption));
    EXPECT_TRUE(win->regiOption->btnDeleteTemp->isVisibleTo(win->regiOption));
    EXPECT_FALSE(win->regiOption->btnLiveTemp->isVisibleTo(win->regiOption));
    EXPECT_TRUE(win->cammerWidget[0]->roiTool->isVisibleTo(win->cammerWidget[0]));
    win->regiOption->CheckSource(2);
    EXPECT_TRUE(win->regiOption->btnAddTemp->isVisibleTo(win->regiOption));
    EXPECT_FALSE(win->regiOption->btnDeleteTemp->isVisibleTo(win->regiOption));
    EXPECT_FALSE(win->cammerWidget[0]->roiTool->isVisibleTo(win->cammerWidget[0]));
}

TEST(AlarmOptionBar, ReDetectedReportsEveryToggleAndListsCameras)
{
    MainWindow* win = Fresh();
    AlarmOption* bar = win->alarmOption;
    // The window's re-check stays out of this case and is connected again after it, also when
    // the case stops early; the case's list lives only as long as the case.
    QObject::disconnect(bar, &AlarmOption::btnsToggled, win, nullptr);
    struct Reconnect {
        AlarmOption* bar;
        MainWindow* win;
        ~Reconnect() { QObject::connect(bar, &AlarmOption::btnsToggled, win, &MainWindow::AlarmtnsToggledSlot); }
    } reconnect{bar, win};
    QObject listener;
    QList<QPair<int, bool>> got;
    QObject::connect(bar, &AlarmOption::btnsToggled, &listener,
                     [&got](AlarmOption::BTN_TYPE t, bool on) { got << qMakePair(int(t), on); });
    bar->btnReCheck->click();
    bar->btnReCheck->click();
    EXPECT_EQ(got, (QList<QPair<int, bool>>{{3, true}, {3, false}}));
    EXPECT_FALSE(bar->btnIgnorePoint->isVisibleTo(bar));
    // Four views in the no-camera mode: four cameras and "All Camera", in the start-up language.
    gLan = 0;
    ASSERT_EQ(bar->comboCamera->count(), numCamera + 1);
    EXPECT_EQ(bar->comboCamera->itemText(0), Row(43).arg(1));
    EXPECT_EQ(bar->comboCamera->itemText(numCamera), Row(44));
    EXPECT_EQ(bar->comboCamera->itemData(numCamera).toInt(), numCamera);
    EXPECT_EQ(bar->comboSource->itemText(0), Row(223));
    EXPECT_EQ(win->regiOption->comboSource->itemText(0), QString::fromUtf8("模板"));
    gLan = 1;
}

// Set MOULDMON_CHROME_SHOTS to a directory to save the region page with its panel and the two
// bars in English.
TEST(RegionPageCaptions, EnglishListEntriesFitBesideTheirIconsWhole)
{
    MainWindow* win = Fresh();
    RegiOption bar;
    AlarmOption alarm;
    bar.resize(175, 1000);
    alarm.resize(175, 1000);
    for (QComboBox* c : {bar.comboSource, bar.comboCamera, bar.comboDetect, alarm.comboSource, alarm.comboCamera}) {
        c->ensurePolished();
        const QFontMetrics fm(c->font());
        // Never below the readable size; what the icon gave up is the text's.
        EXPECT_GE(QFontInfo(c->font()).pixelSize(), kMinCaptionPixels);
        const int room = OptionLists::kTextRoom + OptionLists::kIconWidth - c->iconSize().width();
        for (int i = 0; i < c->count(); ++i)
            EXPECT_LE(fm.horizontalAdvance(c->itemText(i)), room) << c->itemText(i).toStdString();
    }
    EXPECT_EQ(alarm.comboCamera->itemText(0), "Camera 1");
    const QString out = qEnvironmentVariable("MOULDMON_CHROME_SHOTS");
    if (out.isEmpty())
        return;
    QDir().mkpath(out);
    EXPECT_TRUE(bar.grab().save(out + "/region-bar-en.png"));
    EXPECT_TRUE(alarm.grab().save(out + "/alarm-bar-en.png"));
    QWidget sliders;
    sliders.resize(900, 150);
    int y = 0;
    for (int row : {23, 14, 13, 22}) {
        auto* sl = new Slider(0, 255, 1, 25, &sliders, textRow(row));
        sl->setGeometry(0, y, 900, 36);
        y += 37;
    }
    EXPECT_TRUE(sliders.grab().save(out + "/sliders-en.png"));
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    AddRegion(v, 0, QRect(400, 300, 300, 200), 0, 5, 25, 100);
    v->selectedROI = 0;
    v->ShowHideROIPara();
    win->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(win->grab().save(out + "/region-panel-en.png"));
    win->hide();
}

TEST(RegionPageAutoRegion, AMadeRegionLeavesDrawModeAndNothingSelected)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    ASSERT_FALSE(v->templates[0].empty());
    ASSERT_FALSE(v->templates[1].empty());
    // The first templates as they were, for the tests after this one.
    const QByteArray kept0(reinterpret_cast<const char*>(v->templates[0][0]), gImageLen);
    const QByteArray kept1(reinterpret_cast<const char*>(v->templates[1][0]), gImageLen);
    std::memset(v->templates[0][0], 90, size_t(gImageLen));
    std::memset(v->templates[1][0], 90, size_t(gImageLen));
    for (int y = 300; y < 400; ++y)
        std::memset(v->templates[1][0] + y * gImageW + 500, 240, 120);
    viewHost()->setDrawMode(2);
    v->selectedROI = 0;
    win->AutogenerationRegion(0);
    EXPECT_EQ(v->modelEdit->roiNum[0], 1);
    EXPECT_EQ(viewHost()->drawMode(), 0);
    EXPECT_EQ(v->selectedROI, -1);
    std::memcpy(v->templates[0][0], kept0.constData(), size_t(gImageLen));
    std::memcpy(v->templates[1][0], kept1.constData(), size_t(gImageLen));
}

// "Ignore point" asked in one alarm hold; while its question is open the machine's re-check ends
// that hold and the next mould's NG holds again with other NG boxes. The answer belongs to the
// hold it was asked in: nothing of the new NG, which the operator never saw, is ignored.
TEST(RegionPageAlarm, IgnorePointAnsweredInTheNextHoldIgnoresNothing)
{
    MainWindow* win = Fresh();
    CammerWidget* v = win->cammerWidget[0];
    win->drawROIWidget->Reset(false);
    AddRegion(v, 0, QRect(100, 100, 200, 150), 0, 5, 25, 100);
    W().modal.answers = {QDialog::Accepted};
    win->drawROIWidget->SlotReturn();
    win->SetAlarmState(2);
    v->isOK = false;
    std::memset(v->ngPoints, 0, size_t(gImageLen));
    std::memset(v->ignoreMap[0], 0, size_t(gImageLen));
    auto ngBox = [&](int x0, int y0, int x1, int y1) {
        std::memset(v->ngPoints, 0, size_t(gImageLen));
        v->roiOK[0][0] = false;
        v->roiValue[0][0] = 3;
        v->ngBoxes[0][0][0][0] = 1;
        const int box[4] = {x0, y0, x1, y1};
        std::copy(box, box + 4, v->ngBoxes[0][0][1]);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                v->ngPoints[y * gImageW + x] = 1;
    };
    ngBox(10, 10, 14, 12);
    setModalHook([&](QDialog&) {
        // Under the question: the hold ends, the next cycle's mould is NG elsewhere.
        win->SetAlarmState(0);
        win->SetAlarmState(2);
        ngBox(200, 100, 203, 101);
        return int(QDialog::Accepted);
    });
    win->drawROIWidget->SlotIgnoreAlarmPoint();
    W().modal.install();
    EXPECT_EQ(v->ignoreMap[0][100 * gImageW + 200], 0) << "the new hold's NG box ignored";
    win->SetAlarmState(0);
    std::memset(v->ignoreMap[0], 0, size_t(gImageLen));
    v->SaveIgnorePoint(0);
}

namespace {

// The blob of HoldAlarm moved within its region by `dx` pixels: the machine's re-check then finds
// an NG elsewhere in the same hold.
QPoint MoveBlob(CammerWidget* v, int dx)
{
    const QRect img = v->modelInForce->rects[0][0].imageRect;
    const QPoint c = img.center() + QPoint(dx, 0);
    std::memset(v->frameWork, 128, size_t(gColorLen));
    for (int y = c.y() - 10; y < c.y() + 10; ++y)
        std::memset(v->frameWork + y * gImageW + c.x() - 10, 5, 20);
    return c;
}

}  // namespace

// In one hold the machine's re-check judges the mould NG again, at another place, while the
// question of "Ignore point" or "Don't Detect" is open: the operator never saw that NG, and the
// answer ignores none of its points and keeps the hold.
TEST(RegionPageAlarm, AnAnswerAfterAReCheckInTheSameHoldActsOnNothing)
{
    for (const bool ignore : {true, false}) {
        SCOPED_TRACE(ignore ? "Ignore point" : "Don't Detect");
        MainWindow* win = Fresh();
        CammerWidget* v = win->cammerWidget[0];
        HoldAlarm(win, true);
        win->alarmState = 0;
        win->SetAlarmState(2);
        std::memset(v->ignoreMap[0], 0, size_t(gImageLen));
        const QPoint seen = MoveBlob(v, 0);
        win->drawROIWidget->ReCheck(true);
        ASSERT_EQ(win->alarmState, 2);
        ASSERT_NE(v->ngPoints[seen.y() * gImageW + seen.x()], 0);
        QPoint unseen;
        bool heldUnder = false;
        setModalHook([&](QDialog&) {
            unseen = MoveBlob(v, v->modelInForce->rects[0][0].imageRect.width() / 4);
            win->drawROIWidget->ReCheck(true);
            heldUnder = win->alarmState == 2;
            return int(QDialog::Accepted);
        });
        if (ignore)
            win->drawROIWidget->SlotIgnoreAlarmPoint();
        else
            win->drawROIWidget->SlotNoCheckCur();
        W().modal.install();
        ASSERT_TRUE(heldUnder) << "the re-check under the question ended the hold";
        ASSERT_NE(v->ngPoints[unseen.y() * gImageW + unseen.x()], 0) << "the re-check found nothing new";
        EXPECT_EQ(win->alarmState, 2) << "released over an NG never shown";
        EXPECT_EQ(v->ignoreMap[0][unseen.y() * gImageW + unseen.x()], 0) << "an NG point never shown ignored";
        EXPECT_FALSE(v->stageCycleFlags[0]) << "a camera taken out of the mould over an NG never shown";
        v->stageCycleFlags[0] = false;
        win->SetAlarmState(0);
        std::memset(v->ignoreMap[0], 0, size_t(gImageLen));
        v->SaveIgnorePoint(0);
    }
}

// "Don't Detect" on the split view with unsaved region edits: after its question it offers to save
// them, and the machine's re-check judges the mould NG again, elsewhere, under that box in the
// same hold. The answer was given over the NG shown before: it releases nothing.
TEST(RegionPageAlarm, DontDetectAfterAReCheckUnderTheSaveQuestionReleasesNothing)
{
    MainWindow* win = Fresh();
    const int shown = win->selectedView;
    CammerWidget* v = win->cammerWidget[0];
    HoldAlarm(win, true);
    win->alarmState = 0;
    win->SetAlarmState(2);
    MoveBlob(v, 0);
    win->drawROIWidget->ReCheck(true);
    ASSERT_EQ(win->alarmState, 2);
    AddRegion(v, 0, QRect(20, 20, 30, 30), 4, 0, 40, 30);
    int boxes = 0;
    bool heldUnder = false;
    QPoint unseen;
    setModalHook([&](QDialog&) {
        if (++boxes != 2)
            return int(QDialog::Accepted);
        unseen = MoveBlob(v, v->modelInForce->rects[0][0].imageRect.width() / 4);
        win->drawROIWidget->ReCheck(true);
        heldUnder = win->alarmState == 2;
        return int(QDialog::Rejected);
    });
    win->selectedView = -1;
    win->drawROIWidget->SlotNoCheckCur();
    W().modal.install();
    win->selectedView = shown;
    ASSERT_EQ(boxes, 2) << "the save question was not asked";
    ASSERT_TRUE(heldUnder) << "the re-check under the save question ended the hold";
    ASSERT_NE(v->ngPoints[unseen.y() * gImageW + unseen.x()], 0) << "the re-check found nothing new";
    EXPECT_EQ(win->alarmState, 2) << "released over an NG never shown";
    v->stageCycleFlags[0] = false;
    *v->modelEdit = *v->modelInForce;
    win->SetAlarmState(0);
}
