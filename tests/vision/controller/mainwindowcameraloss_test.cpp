// Cameras without a picture and cameras lost: a stage is judged on what its cameras showed at its
// time, a no-picture NG gives the outputs of a camera NG whether detecting or resampling, and a
// later stage's input that comes while the cameras are lost is not dropped.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QMutexLocker>
#include <QTimer>

#include "common/cyclewindow.h"
#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/regioption.h"
#include "vision/board/controlport.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/mainwindow.h"
#include "vision/records/counters.h"
#include "widgets/modalhook.h"

using namespace cyclewindow;

namespace {

// Two simulated views taking `picture` (0 OK, 2 no picture), stages 0 and 1 of the given mode
// (mode 4: stage 1 from input 1), no output set, no input active; all put back at the end.
struct TwoCameras {
    MainWindow* win = W().win;
    int picture[2] = {0, 0};

    explicit TwoCameras(int ioMode = 0, int semiAuto = 0)
    {
        TwoStages(ioMode, semiAuto, {0, ioMode == 4 ? 1 : semiAuto ? 2 : 0}, {3, 8});
        gpWPara->is_psw_used = 1;
        gDNum = 2;
        win->simulatedViews = 2;
        win->simulatedPicture = [this](int camera, int) { return picture[camera & 1]; };
        win->StageCountCheck();
        win->StartDetect();
        for (quint32& m : win->detectMask)
            m = 0;
        win->multiDetect = gDNum - 1;
        win->openCycle.Reset();
        Input(-1, false);
        for (int n = 0; n < 8; ++n)
            gpControlIO->IOSetOut(n, 0);
        gpControlIO->IOFlashOut();
        win->simInput = 0;  // the cycle starts
        win->Run();
    }
    ~TwoCameras()
    {
        gisLost = false;
        win->restartCameras = nullptr;
        win->runTimer->stop();
        gpWPara->is_psw_used = gpWPara->io_mode = 0;
        win->userLevel = 0;
        for (int v = 0; v < MAX_CAMERA; ++v) {
            win->cycleLost[v] = false;
            for (bool& f : win->captureFlag[v])
                f = false;
        }
        win->StopDetect();
        win->simulatedViews = 0;
        win->simulatedPicture = nullptr;
        win->StartDetect();
        for (quint32& m : win->detectMask)
            m = 0;
        win->ConfirmUnjudged();
        win->StageCountCheck();
    }
    // Input k at `on` as the board's poll gives it (k -1: every input, seen by the edge rule).
    static void Input(int k, bool on)
    {
        QMutexLocker lock(pMutexIO);
        const qint32 bits = k < 0 ? 0xff : 1 << k;
        gDataIn = on ? gDataIn | bits : gDataIn & ~bits;
        lock.unlock();
        for (int n = 0; k < 0 && n < 8; ++n)
            gpControlIO->IOInTrigger(n);
    }
};

}  // namespace

// One camera takes stage 0's last template, the other had no picture at that stage's time (its
// frame too old, or its camera lost) and has one again under the area check's password box. The
// stage is NG with the alarm hold, as the same pictures are without resampling, whether the area
// check is refused or ended by End Set.
TEST(MainWindowCameraLoss, ACameraWithoutAPictureWhenTheLastTemplateIsTakenMakesTheStageNg)
{
    struct Case {
        int templ;  // the camera that takes the last template; the other has no picture
        bool lost;  // its camera lost, else its frame too old
        bool accept;
    };
    for (const Case c : {Case{0, false, false}, Case{1, false, false}, Case{0, false, true}, Case{0, true, false},
                         Case{1, true, true}}) {
        SCOPED_TRACE(testing::Message() << "template " << c.templ << " lost " << c.lost << " accept " << c.accept);
        TwoCameras t;
        MainWindow* win = t.win;
        const int other = 1 - c.templ;
        win->runState = 2;
        win->captureFlag[c.templ][0] = true;  // every other template is taken
        if (c.lost)
            win->MarkCycleNotOK(other);
        else
            t.picture[other] = 2;
        const ModalHook before = setModalHook([&](QDialog&) {
            win->cycleLost[other] = false;  // back while the password is typed
            t.picture[other] = 0;
            win->userLevel = c.accept ? 1 : 0;
            return int(c.accept ? QDialog::Accepted : QDialog::Rejected);
        });
        RunOut(win, 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // the area check is asked
        setModalHook(before);
        if (c.accept)
            win->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true);
        EXPECT_FALSE(win->captureFlag[c.templ][0]);
        EXPECT_TRUE(win->lastVerdictNG);
        EXPECT_EQ(win->alarmState, 2) << "no alarm hold";
        EXPECT_EQ(Out(0) + Out(2), 2) << "the hold without its inhibit or alarm";
    }
}

// A camera without a picture is NG with the outputs and the count of a camera NG, while detecting
// as while resampling (its template is taken later).
TEST(MainWindowCameraLoss, ANoPictureNgWhileResamplingGivesTheOutputsItGivesWhileDetecting)
{
    for (const bool resampling : {false, true}) {
        SCOPED_TRACE(resampling ? "resampling" : "detecting");
        TwoCameras t;
        MainWindow* win = t.win;
        if (resampling) {
            win->runState = 2;
            for (int v = 0; v < 2; ++v)
                win->captureFlag[v][0] = win->captureFlag[v][1] = true;
        }
        t.picture[1] = 2;
        const int failed = gFailNum[1];
        RunOut(win, 0);
        EXPECT_EQ(win->alarmState, 2);
        EXPECT_EQ(Out(0) + Out(1) + Out(2), 3) << "the hold without its inhibits or alarm";
        EXPECT_EQ(gFailNum[1], failed + 1) << "the NG not counted";
        EXPECT_EQ(win->captureFlag[1][0], resampling) << "a template taken from no picture";
    }
}

// Stage 0 judged OK, then the cameras are lost and the machine's pulse for stage 1 (semi-automatic
// input 2, mode 4's input 1) comes and goes before they are back: stage 1 is judged once they
// are, and its OK releases the mould.
TEST(MainWindowCameraLoss, ALaterStagesPulseUnderTheLossIsJudgedWhenTheCamerasAreBack)
{
    for (const int ioMode : {0, 4}) {
        SCOPED_TRACE(ioMode == 4 ? "mode 4, input 1" : "semi-automatic, input 2");
        TwoCameras t(ioMode, ioMode == 0);
        MainWindow* win = t.win;
        const int input = gpWPara->stage_trigger_input[1];
        RunOut(win, 0);
        ASSERT_FALSE(win->lastVerdictNG);
        ASSERT_TRUE(win->CycleOpen());
        bool back = false;
        win->restartCameras = [&back] { gisLost = !back; };
        gisLost = true;
        win->Run();
        TwoCameras::Input(input, true);
        win->Run();
        TwoCameras::Input(input, false);
        win->Run();
        EXPECT_EQ(Out(0), 1) << "the loss left the mould free";
        back = true;
        win->Run();
        win->Run();
        RunOut(win, 1);
        EXPECT_FALSE(win->CycleOpen()) << "stage 1 never judged";
        EXPECT_EQ(Out(0), 0) << "the mould held for good";
    }
}
