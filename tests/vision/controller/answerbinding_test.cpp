// A box's answer belongs to its own question and to the hold it was asked in: the cycle runs under
// every box, and what it does there (a re-check, the next cycle's hold, a silent board, a picture
// not written) must not become what the answer acts on.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <cstring>
#include <memory>

#include "common/cyclewindow.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/drawroiwidget.h"
#include "vision/board/controlport.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/records/savefialimagethread.h"
#include "widgets/modalhook.h"
#include "widgets/passwordbox.h"
#include "widgets/warnbox.h"

using namespace cyclewindow;

namespace {

QString Row(int r) { return gaLanStr[r * LAN_COUNT + gLan]; }

// Stages 0 and 1 from input 0 (delays 0.3 s and 0.8 s), view 0 shown alone, nothing held.
MainWindow* Idle()
{
    MainWindow* win = W().win;
    TwoStages(0, 0, {0, 0}, {3, 8});
    gpWPara->front_auto_check_time = 0;
    gpWPara->enable_pass_protect = 0;
    gpWPara->enable_disarm_before_open = 0;
    gpWPara->ignore_point_option = 0;
    gpWPara->is_psw_used = 0;
    gDNum = 2;
    win->StageCountCheck();
    for (quint32& m : win->detectMask)
        m = 0;
    win->releaseDue = false;
    win->openCycle.Reset();
    win->showTimer->stop();
    win->closePulseTimer->stop();
    for (int n = 0; n < 8; ++n)
        gpControlIO->IOSetOut(n, 0);
    gpControlIO->IOFlashOut();
    win->selectedView = 0;
    return win;
}

void Leave(MainWindow* win)
{
    gpWPara->is_psw_used = 0;
    win->userLevel = 0;
    win->boardSilent = false;
    for (bool& f : win->cycleLost)
        f = false;
    win->StopDetect();
    win->StartDetect();
    for (quint32& m : win->detectMask)
        m = 0;
    win->ConfirmUnjudged();
    win->startupHold = MainWindow::NoStartupHold;
    win->startupHoldText.clear();
    gpControlIO->HoldMould(false);
    win->selectedView = numCamera;
    if (win->faultBox)
        win->faultBox->hide();
}

// Region r of stage c of view v judged NG with one NG box (right and bottom edges outside).
void NgBox(CammerWidget* v, int c, int r, int x0, int y0, int x1, int y1)
{
    v->isOK = false;
    v->roiOK[c][r] = false;
    v->roiValue[c][r] = (x1 - x0) * (y1 - y0);
    v->ngBoxes[c][r][0][0] = 1;
    const int box[4] = {x0, y0, x1, y1};
    std::copy(box, box + 4, v->ngBoxes[c][r][1]);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            v->ngPoints[y * gImageW + x] = 1;
}

void ForgetIgnoredPoints(CammerWidget* v, int c)
{
    std::memset(v->ignoreMap[c], 0, size_t(gImageLen));
    v->SaveIgnorePoint(c);
    if (v->recogniser)
        v->recogniser->VarTrain(c);
}

// The fault box's own confirm button, as the operator presses it.
void PressConfirm(MainWindow* win)
{
    ASSERT_TRUE(win->faultBox && win->faultBox->isVisible());
    win->faultBox->confirmButton()->click();
}

// A cycle starts, the I/O board stops answering (its warning is shown) and stage 0 expires
// unjudged; later the board answers again.
void StageZeroUnderASilentBoard(MainWindow* win)
{
    win->simInput = 0;
    win->Run();
    win->boardSilent = true;
    win->ShowFault(Row(610));
    RunOut(win, 0);
    ASSERT_EQ(win->unjudgedStage, 0);
}

void BoardBack(MainWindow* win)
{
    win->boardSilent = false;
    win->ClearFault(Row(610));
    win->BoardBack();
}

}  // namespace

// "Ignore Alarm P" over an NG whose one region is over the limit: under that region's warning the
// machine's re-check judges the mould NG again in the same hold, now in another region too. The
// answer was given for the NG shown: none of the new region's points is ignored.
TEST(AnswerBinding, IgnoreAlarmPointsIgnoresNoPointOfAReCheckUnderItsOverLimitWarning)
{
    MainWindow* win = Idle();
    AlarmOnStageOne(win);
    ASSERT_EQ(win->alarmState, 2);
    win->selectedView = 0;  // the operator shows the NG camera alone
    const int c = win->curDetect;
    const quint64 hold = win->holdsEntered;
    CammerWidget* v = win->cammerWidget[0];
    auto model = std::make_unique<CammerSingleton>(0);
    model->roiNum[c] = 2;
    CammerSingleton* const inForce = v->modelInForce;
    v->modelInForce = model.get();
    std::memset(v->ngPoints, 0, size_t(gImageLen));
    ForgetIgnoredPoints(v, c);
    NgBox(v, c, 0, 10, 10, 14, 12);
    v->roiValue[c][0] = 2001;  // warned of, not ignored
    v->roiOK[c][1] = true;
    QStringList boxes;
    const ModalHook before = setModalHook([&](QDialog& d) {
        auto* warn = dynamic_cast<WarnBox*>(&d);
        boxes << (warn ? warn->text() : QString(d.metaObject()->className()));
        if (warn && boxes.size() == 2) {
            win->simInput = 1;  // the part is still there: NG again, now in region 1 as well
            win->Run();
            NgBox(v, c, 1, 200, 100, 203, 101);
        }
        return int(QDialog::Accepted);
    });
    win->drawROIWidget->SlotIgnoreAlarmPoint();
    setModalHook(before);
    v->modelInForce = inForce;
    ASSERT_EQ(boxes.size(), 2) << boxes.join(" | ").toStdString();
    EXPECT_EQ(boxes.last(), Row(115).arg(2000));
    ASSERT_EQ(win->alarmState, 2);
    ASSERT_EQ(win->holdsEntered, hold) << "the re-check under the warning left the hold";
    EXPECT_EQ(v->ignoreMap[c][100 * gImageW + 200], 0) << "a point of the re-check's NG, never shown, ignored";
    EXPECT_EQ(v->ignoreMap[c][10 * gImageW + 10], 0) << "the region over the limit ignored";
    ForgetIgnoredPoints(v, c);
    Leave(win);
}

// "Del Ignored P" asked in one hold; under its question the machine's re-check ends that hold and
// the next mould's NG holds again. The answer belonged to the hold it was asked in: the ignored
// points stay.
TEST(AnswerBinding, DeleteIgnoredPointsAnsweredInTheNextHoldDeletesNothing)
{
    MainWindow* win = Idle();
    AlarmOnStageOne(win);
    ASSERT_EQ(win->alarmState, 2);
    win->selectedView = 0;  // the operator shows the NG camera alone
    const int c = win->curDetect;
    const quint64 hold = win->holdsEntered;
    CammerWidget* v = win->cammerWidget[0];
    ForgetIgnoredPoints(v, c);
    v->ignoreMap[c][50 * gImageW + 60] = 255;
    int asked = 0;
    const ModalHook before = setModalHook([&](QDialog&) {
        if (asked++)
            return int(QDialog::Rejected);
        PartGoneAndNextCycle(win);
        RunOut(win, 0);
        win->MarkCycleNotOK(0);
        RunOut(win, 1);
        return int(QDialog::Accepted);
    });
    win->drawROIWidget->SlotDeleteIgnorePoint();
    setModalHook(before);
    ASSERT_EQ(asked, 1);
    ASSERT_EQ(win->alarmState, 2);
    ASSERT_EQ(win->holdsEntered, hold + 1) << "no new hold under the question";
    EXPECT_EQ(v->ignoreMap[c][50 * gImageW + 60], 255) << "deleted by an answer of the ended hold";
    ForgetIgnoredPoints(v, c);
    Leave(win);
}

// The fault box serves plain warnings and the unjudged-stage question. The picture writer's
// warning over the question, and the silent board's warning while a stage expires, confirm no
// stage: the mould stays held, the question comes back (when the warning is confirmed, or when
// the board answers again), and only its own confirmation releases the mould.
TEST(AnswerBinding, APlainWarningsConfirmConfirmsNoUnjudgedStage)
{
    MainWindow* win = Idle();
    StageZeroUnderASilentBoard(win);
    BoardBack(win);
    ASSERT_EQ(win->faultBox->text(), Row(611).arg(1));
    ASSERT_EQ(Out(0), 1);

    // The picture writer's warning takes the box.
    ASSERT_NE(win->pictureWriter, nullptr);
    win->pictureWriter->hooks.failed("cammer1/ng.jpg", "disk full");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    ASSERT_TRUE(win->faultBox->text().startsWith(Row(612).section('%', 0, 0)));
    PressConfirm(win);
    EXPECT_EQ(win->unjudgedStage, 0) << "the writer's warning confirmed the unjudged stage";
    EXPECT_EQ(Out(0), 1);
    ASSERT_TRUE(win->faultBox->isVisible()) << "the question covered by the warning is not asked again";
    EXPECT_EQ(win->faultBox->text(), Row(611).arg(1));
    PressConfirm(win);
    EXPECT_EQ(win->unjudgedStage, -1);
    EXPECT_EQ(Out(0), 0);

    // The board falls silent and the next cycle's stage 0 expires unjudged: its warning's confirm
    // releases nothing, and the board's return asks about the stage.
    StageZeroUnderASilentBoard(win);
    ASSERT_EQ(win->faultBox->text(), Row(610));
    PressConfirm(win);
    EXPECT_EQ(win->unjudgedStage, 0) << "the silent board's warning confirmed the unjudged stage";
    EXPECT_EQ(Out(0), 1);
    BoardBack(win);
    ASSERT_TRUE(win->faultBox->isVisible()) << "the stage left unjudged was never asked about";
    EXPECT_EQ(win->faultBox->text(), Row(611).arg(1));
    PressConfirm(win);
    EXPECT_EQ(win->unjudgedStage, -1);
    EXPECT_EQ(Out(0), 0);
    Leave(win);
}

// The replaced parameters' hold is asked at start-up; a stage the silent board left unjudged is
// asked about when the board is back. Its confirmation confirms the stage only: the replaced
// parameters are asked again and hold the mould until their own confirmation.
TEST(AnswerBinding, AStagesConfirmationLeavesTheReplacedParametersToTheirOwnQuestion)
{
    MainWindow* win = Idle();
    win->startupHold = MainWindow::ParametersReplaced;
    win->startupHoldText = Row(624);
    gpControlIO->HoldMould(true);
    win->ShowConfirmable(win->startupHoldText);
    StageZeroUnderASilentBoard(win);
    BoardBack(win);
    ASSERT_EQ(win->faultBox->text(), Row(611).arg(1));
    PressConfirm(win);
    EXPECT_EQ(win->unjudgedStage, -1);
    EXPECT_EQ(win->startupHold, MainWindow::ParametersReplaced) << "confirmed with the stage's question";
    EXPECT_EQ(Out(0), 1);
    ASSERT_TRUE(win->faultBox->isVisible());
    EXPECT_EQ(win->faultBox->text(), Row(624));
    PressConfirm(win);
    EXPECT_EQ(win->startupHold, MainWindow::NoStartupHold);
    EXPECT_EQ(Out(0), 0);
    Leave(win);
}

// The Area Settings and Account buttons ask for the password; under the box the machine's cycle
// enters the alarm hold. The page is not opened over the hold: the alarm page stays, and the
// machine's re-check (the part gone) releases the mould.
TEST(AnswerBinding, AnAlarmHoldEnteredUnderThePagesPasswordBoxKeepsItsScreen)
{
    for (const bool area : {true, false}) {
        SCOPED_TRACE(area ? "Area Settings" : "Account");
        MainWindow* win = Idle();
        gpWPara->is_psw_used = 1;
        win->userLevel = 0;
        int passwordBoxes = 0;
        const ModalHook before = setModalHook([&](QDialog& d) {
            if (!dynamic_cast<PasswordBox*>(&d))
                return int(QDialog::Rejected);
            ++passwordBoxes;
            AlarmOnStageOne(win);
            win->userLevel = 1;  // the operator's password, right
            return int(QDialog::Accepted);
        });
        area ? win->SlotAdjustArea() : win->SlotAccount();
        setModalHook(before);
        ASSERT_EQ(passwordBoxes, 1);
        EXPECT_EQ(win->alarmState, 2) << "the page took over the alarm hold";
        EXPECT_EQ(win->optionStack->currentIndex(), 2) << "the alarm page is not shown";
        EXPECT_EQ(Out(0), 1);
        PartGoneAndNextCycle(win);
        EXPECT_NE(win->alarmState, 2) << "the machine's re-check did not end the hold";
        Leave(win);
    }
}
