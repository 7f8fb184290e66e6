// Verdict decisions: outputs of NG and OK verdicts, the alarm hold, pictures and their hand-over,
// counters and the alarm record.
#include <gtest/gtest.h>

#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/controller/verdictlogic.h"

namespace {

class VerdictLogicTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedLan = gLan;
        gLan = 1;
        if (gaLanStr[151 * LAN_COUNT + 1].isEmpty())
            Data_Init();
    }
    void TearDown() override { gLan = savedLan; }
    int savedLan = 0;
    WizardPara p;
};

} // namespace

TEST_F(VerdictLogicTest, StandardStage0NgWithDefaultsSetsEjectorCloseAndAlarm)
{
    const auto r = VerdictLogic::OnCameraNg(p, 0, 0, true, 1);
    EXPECT_EQ(r.outputs.text(), QString("+1 +0 +2"));
    EXPECT_TRUE(r.final);
    EXPECT_TRUE(r.countFail);
    EXPECT_TRUE(r.keepNgPicture);
    EXPECT_FALSE(r.markNgOutputs);
    // The camera's fail flag is already used in this cycle: counted once.
    EXPECT_FALSE(VerdictLogic::OnCameraNg(p, 0, 0, false, 1).countFail);
}

TEST_F(VerdictLogicTest, Stage0NgVariants)
{
    p.pre_cut = 5;
    EXPECT_EQ(VerdictLogic::OnCameraNg(p, 0, 0, true, 1).outputs.text(), QString("+1 +2"));
    p.pre_cut = 0;
    EXPECT_EQ(VerdictLogic::OnCameraNg(p, 0, 1, true, 1).outputs.text(), QString("+1 +0"));  // re-check left: no alarm yet
    p.enable_cutoff_ontime = 1;
    EXPECT_EQ(VerdictLogic::OnCameraNg(p, 0, 0, true, 1).outputs.text(), QString("+2"));
    p.enable_cutoff_ontime = 0;
    p.enable_stop_not_alarm = 1;
    const auto r = VerdictLogic::OnCameraNg(p, 0, 0, true, 1);
    EXPECT_TRUE(r.outputs.empty());
    EXPECT_TRUE(r.markNgOutputs);
    p.enable_stop_not_alarm = 0;
    p.ng_pulse_mode = 1;
    EXPECT_TRUE(VerdictLogic::OnCameraNg(p, 0, 0, true, 1).outputs.empty());
    p.ng_pulse_mode = 0;
    p.io_mode = 4;
    EXPECT_EQ(VerdictLogic::OnCameraNg(p, 0, 0, true, 1).outputs.text(), QString("+2"));
    EXPECT_EQ(VerdictLogic::OnCameraNg(p, 5, 0, true, 1).outputs.text(), QString("+2"));
}

TEST_F(VerdictLogicTest, Stage1NgWithReChecksLeftAndPreCutIsNotFinal)
{
    p.front_auto_check_time = 2;
    p.pre_cut = 5;
    const auto r = VerdictLogic::OnCameraNg(p, 1, 2, true, 1);
    EXPECT_FALSE(r.final);
    EXPECT_TRUE(r.outputs.empty());
    EXPECT_FALSE(r.countFail);
    EXPECT_FALSE(r.keepNgPicture);
    // The third NG (no re-check left) is final: inhibit and alarm.
    const auto last = VerdictLogic::OnCameraNg(p, 1, 0, true, 1);
    EXPECT_TRUE(last.final);
    EXPECT_EQ(last.outputs.text(), QString("+0 +2"));
    // Without pre-cut a re-inspected NG inhibits at once but holds the alarm back.
    p.pre_cut = 0;
    EXPECT_EQ(VerdictLogic::OnCameraNg(p, 1, 1, true, 1).outputs.text(), QString("+0"));
}

TEST_F(VerdictLogicTest, OkOutputsByModeAndStage)
{
    EXPECT_EQ(VerdictLogic::OnOk(p, 0, 0, 2, false).outputs.text(), QString("-1 F"));
    EXPECT_EQ(VerdictLogic::OnOk(p, 1, 0, 2, false).outputs.text(), QString("-0 F"));
    EXPECT_EQ(VerdictLogic::OnOk(p, 1, 0, 2, true).outputs.text(), QString("F"));  // retrain keeps the inhibit
    p.enable_stop_not_alarm = 1;
    EXPECT_EQ(VerdictLogic::OnOk(p, 0, 0, 2, false).outputs.text(), QString("F"));
    p.enable_stop_not_alarm = 0;
    p.io_mode = 4;
    EXPECT_EQ(VerdictLogic::OnOk(p, 1, 1, 3, false).outputs.text(), QString("-3 F"));
    EXPECT_EQ(VerdictLogic::OnOk(p, 2, 2, 3, false).outputs.text(), QString("-0 F"));  // last stage: entry 7
    EXPECT_EQ(VerdictLogic::OnOk(p, 0, 0, 3, false).outputs.text(), QString("-1 F"));
    p.io_mode = 0;
    p.ng_pulse_mode = 1;
    p.mold_pulse = 5;
    const auto r = VerdictLogic::OnOk(p, 1, 0, 2, false);
    EXPECT_EQ(r.outputs.text(), QString("-0 +1 -2 F"));
    EXPECT_TRUE(r.pulseMode);
    EXPECT_TRUE(r.closePulse);
}

TEST_F(VerdictLogicTest, LeavingTheAlarmHoldByModeAndStage)
{
    EXPECT_FALSE(VerdictLogic::HoldLeaveApplies(p, 0, 1));
    EXPECT_TRUE(VerdictLogic::HoldLeaveApplies(p, 0, 2));
    p.enable_stop_not_alarm = 1;
    EXPECT_FALSE(VerdictLogic::HoldLeaveApplies(p, 0, 2));
    EXPECT_TRUE(VerdictLogic::HoldLeaveApplies(p, 1, 2));
    p.enable_stop_not_alarm = 0;

    auto r = VerdictLogic::LeaveHold(p, 0);  // standard, stage 0, automatic
    EXPECT_EQ(r.outputs.text(), QString("-2 -1 F"));
    EXPECT_TRUE(r.leave);
    EXPECT_TRUE(r.restartStage1);
    p.semi_auto = 1;
    EXPECT_FALSE(VerdictLogic::LeaveHold(p, 0).restartStage1);
    r = VerdictLogic::LeaveHold(p, 1);
    EXPECT_TRUE(r.startDetect);
    EXPECT_TRUE(r.outputs.empty());
    p.io_mode = 5;
    r = VerdictLogic::LeaveHold(p, 1);
    EXPECT_EQ(r.outputs.text(), QString("-0 -2 F"));
    EXPECT_TRUE(r.leave);
    p.io_mode = 1;
    p.semi_auto = 0;
    r = VerdictLogic::LeaveHold(p, 0);
    EXPECT_EQ(r.outputs.text(), QString("-2 -1 F"));
    EXPECT_TRUE(r.restartStage1);  // the pair's second stage releases the mould, also semi-automatic
    p.semi_auto = 1;
    p.io_mode = 2;
    EXPECT_TRUE(VerdictLogic::LeaveHold(p, 0).restartStage1);
    EXPECT_TRUE(VerdictLogic::LeaveHold(p, 1).startDetect);
    p.io_mode = 4;
    r = VerdictLogic::LeaveHold(p, 3);
    EXPECT_EQ(r.outputs.text(), QString("-2 F"));
    EXPECT_TRUE(r.leave);
    // A snapshot of stage 2 held with its own output (4), not the group's last stage's (0).
    EXPECT_EQ(VerdictLogic::LeaveHold(p, 1, 1, 3).outputs.text(), QString("-3 -2 F"));
    EXPECT_EQ(VerdictLogic::LeaveHold(p, 2, 2, 3).outputs.text(), QString("-0 -2 F"));
}

TEST_F(VerdictLogicTest, ReleasePulsesAndNgPulses)
{
    p.stage_enabled[0] = 1;
    p.mold_cutoff = 1;
    p.is_cut_ontime = 1;
    p.mold_pulse = 3;
    auto r = VerdictLogic::OnOkRelease(p, 1);
    EXPECT_EQ(r.outputs.text(), QString("+1 F"));
    EXPECT_TRUE(r.closePulse);
    p.mold_pulse = 0;
    EXPECT_FALSE(VerdictLogic::OnOkRelease(p, 1).closePulse);  // a zero interval starts no timer
    p.is_cut_ontime_thimble = 1;
    p.thimble_pulse = 4;
    r = VerdictLogic::OnOkRelease(p, 0);
    EXPECT_TRUE(r.ejectorPulse);
    EXPECT_TRUE(r.outputs.empty());

    const bool flags[4] = {true, false, false, true};
    EXPECT_EQ(VerdictLogic::NgPulses(p, flags).text(), QString("+4 +7 +1 F"));
    p.enable_cutoff_ontime = 1;
    EXPECT_EQ(VerdictLogic::NgPulses(p, flags).text(), QString("+4 +7 F"));
    EXPECT_EQ(VerdictLogic::NgPulseMode(p).text(), QString("+0 -1 +2 F"));
}

TEST_F(VerdictLogicTest, HoldEntryOutputs)
{
    EXPECT_EQ(VerdictLogic::HoldEntry(p, 1, false).text(), QString("F"));
    EXPECT_EQ(VerdictLogic::HoldEntry(p, 1, true).text(), QString("+0 F"));
    p.io_mode = 5;
    EXPECT_EQ(VerdictLogic::HoldEntry(p, 1, false).text(), QString("+0 F"));
    EXPECT_EQ(VerdictLogic::HoldEntry(p, 0, false).text(), QString("F"));
    p.io_mode = 4;
    EXPECT_EQ(VerdictLogic::HoldEntry(p, 1, true).text(), QString("F"));
}

TEST_F(VerdictLogicTest, PictureStatesAtAVerdict)
{
    using V = QVector<VerdictLogic::PicOp>;
    // Final alarm-hold NG: rendered and held (3), not handed over.
    auto r = VerdictLogic::OnPictures(p, 1, true, true, 0, 3, 0);
    EXPECT_EQ(r.state, 3);
    EXPECT_EQ(r.ops, V{VerdictLogic::SaveNg});
    EXPECT_FALSE(VerdictLogic::HandOverFor(3, false).ng);
    // Re-inspections left: nothing yet.
    r = VerdictLogic::OnPictures(p, 1, true, false, 1, 3, 0);
    EXPECT_EQ(r.state, 1);
    EXPECT_TRUE(r.ops.isEmpty());
    // No NG pictures wanted.
    EXPECT_EQ(VerdictLogic::OnPictures(p, 1, true, true, 0, 0, 0).state, 0);
    // NG in pulse mode: written at the hand-over.
    p.ng_pulse_mode = 1;
    EXPECT_EQ(VerdictLogic::OnPictures(p, 1, true, true, 1, 3, 0).state, 9);
    EXPECT_TRUE(VerdictLogic::HandOverFor(9, false).ng);
    p.ng_pulse_mode = 0;
    // OK pictures: only with a limit, and on stage 0 only with ng_option.
    EXPECT_EQ(VerdictLogic::OnPictures(p, 1, false, true, 1, 3, 2).state, 2);
    EXPECT_EQ(VerdictLogic::OnPictures(p, 1, false, true, 0, 3, 2).state, 0);
    EXPECT_EQ(VerdictLogic::OnPictures(p, 1, false, true, 1, 3, 0).state, 0);
    EXPECT_TRUE(VerdictLogic::HandOverFor(2, false).ok);
    // Re-detected OK: the NG picture stamped, the OK picture rendered and stamped, both written.
    r = VerdictLogic::OnPictures(p, 7, false, true, 0, 3, 0);
    EXPECT_EQ(r.ops, (V{VerdictLogic::StampNg, VerdictLogic::SaveOk, VerdictLogic::StampOk}));
    EXPECT_EQ(r.state, 10);
    const auto both = VerdictLogic::HandOverFor(10, false);
    EXPECT_TRUE(both.ok && both.ng);
    // Re-detected still NG: held again.
    EXPECT_EQ(VerdictLogic::OnPictures(p, 7, true, true, 0, 3, 0).state, 3);
}

TEST_F(VerdictLogicTest, AlarmClearedByTheOperatorHandsItsNgPictureToTheWriter)
{
    for (int c : {4, 5, 6}) {
        const auto r = VerdictLogic::OnPictures(p, c, false, true, 0, 3, 0);
        EXPECT_EQ(r.ops, QVector<VerdictLogic::PicOp>{VerdictLogic::StampNg}) << c;
        EXPECT_TRUE(r.handNgNow) << c;
        EXPECT_EQ(r.state, 0) << c;
    }
    // A held NG picture is written when the hold ends another way.
    EXPECT_TRUE(VerdictLogic::HandOverFor(3, true).ng);
    EXPECT_FALSE(VerdictLogic::HandOverFor(3, false).ng);
    // A re-detection being judged is handed over by its own verdict.
    EXPECT_FALSE(VerdictLogic::HandOverFor(7, true).ng);
    EXPECT_FALSE(VerdictLogic::HandOverFor(8, true).ng);
    EXPECT_FALSE(VerdictLogic::HandOverFor(1, true).ng);
    EXPECT_FALSE(VerdictLogic::HandOverFor(0, true).ok);
}

TEST_F(VerdictLogicTest, CountsAfterTheLastStage)
{
    EXPECT_TRUE(VerdictLogic::CountsDue(p, 2, 1, true));
    EXPECT_FALSE(VerdictLogic::CountsDue(p, 2, 0, true));
    EXPECT_FALSE(VerdictLogic::CountsDue(p, 2, 1, false));
    p.ng_pulse_mode = 1;
    EXPECT_TRUE(VerdictLogic::CountsDue(p, 2, 1, false));
    p.ng_pulse_mode = 0;
    p.io_mode = 4;
    EXPECT_FALSE(VerdictLogic::CountsDue(p, 5, 1, true));
    EXPECT_TRUE(VerdictLogic::CountsDue(p, 5, 4, true));
}

TEST_F(VerdictLogicTest, ReCheckOutputs)
{
    EXPECT_EQ(VerdictLogic::ReCheckOutputs(p, 1, 1, 1).text(), QString("+0 F"));
    p.pre_cut = 5;
    EXPECT_EQ(VerdictLogic::ReCheckOutputs(p, 1, 1, 1).text(), QString("F"));
    EXPECT_EQ(VerdictLogic::ReCheckOutputs(p, 1, 1, 0).text(), QString("+0 F"));
    EXPECT_EQ(VerdictLogic::ReCheckOutputs(p, 0, 1, 0).text(), QString("F"));

    EXPECT_EQ(VerdictLogic::SlotReCheckOutputs(p, 1, 1).text(), QString("+0 F"));
    EXPECT_EQ(VerdictLogic::SlotReCheckOutputs(p, 0, 1).text(), QString("+1 F"));
    p.enable_cutoff_ontime = 1;
    EXPECT_EQ(VerdictLogic::SlotReCheckOutputs(p, 0, 1).text(), QString("F"));
    p.no_close_inhibit_at_start = 1;
    EXPECT_EQ(VerdictLogic::SlotReCheckOutputs(p, 1, 1).text(), QString("F"));
    p.io_mode = 5;
    EXPECT_EQ(VerdictLogic::SlotReCheckOutputs(p, 1, 1).text(), QString("F"));
}

// A re-check in an alarm hold may add inhibits but never releases one before its verdict: the close
// inhibit the hold set (mode 5's stage 1, or the safety door's) must reach the verdict unchanged.
TEST_F(VerdictLogicTest, ReCheckInAHoldReleasesNothingBeforeItsVerdict)
{
    p.io_mode = 5;
    EXPECT_EQ(VerdictLogic::HoldEntry(p, 1, false).text(), QString("+0 F"));
    EXPECT_EQ(VerdictLogic::SlotReCheckOutputs(p, 1, 1).text(), QString("F"));
    for (int mode = 0; mode <= 5; ++mode) {
        for (int opts = 0; opts < 32; ++opts) {
            WizardPara q;
            q.io_mode = mode;
            q.no_close_inhibit_at_start = opts & 1;
            q.enable_cutoff_ontime = (opts >> 1) & 1;
            q.enable_stop_not_alarm = (opts >> 2) & 1;
            q.release_ejector_at_start = (opts >> 3) & 1;
            q.pre_cut = (opts >> 4) & 1;
            const int last = mode == 4 ? 2 : 1;
            for (int s = 0; s <= last; ++s) {
                const OutputPlan re = VerdictLogic::SlotReCheckOutputs(q, s, last);
                for (const auto& st : re.steps)
                    EXPECT_NE(st.kind, OutputPlan::Clear)
                        << "mode " << mode << " opts " << opts << " stage " << s << ": " << re.text().toStdString();
            }
        }
    }
}

TEST_F(VerdictLogicTest, BackTrainAndManualHoldOutputs)
{
    p.mold_cutoff = 1;
    p.stage_enabled[0] = 1;
    EXPECT_EQ(VerdictLogic::BackTrainOutputs(p).text(), QString("-0 +1 F"));
    p.io_mode = 1;
    EXPECT_EQ(VerdictLogic::BackTrainOutputs(p).text(), QString("-0 F"));
    p.ng_pulse_mode = 1;
    EXPECT_EQ(VerdictLogic::BackTrainOutputs(p).text(), QString("F"));
    p.ng_pulse_mode = 0;
    p.io_mode = 0;
    EXPECT_EQ(VerdictLogic::ManualHoldOutputs(p, 0, 0, 2).text(), QString("+0 +1 F"));
    EXPECT_EQ(VerdictLogic::ManualHoldOutputs(p, 1, 1, 2).text(), QString("+0 F"));
    p.io_mode = 4;
    EXPECT_EQ(VerdictLogic::ManualHoldOutputs(p, 1, 1, 3).text(), QString("+3 F"));
    p.ng_pulse_mode = 1;
    EXPECT_EQ(VerdictLogic::ManualHoldOutputs(p, 1, 2, 3).text(), QString("+0 F"));
    p.io_mode = 0;
    EXPECT_EQ(VerdictLogic::ManualHoldOutputs(p, 1, 1, 2).text(), QString("F"));
}

TEST_F(VerdictLogicTest, ManualRequestAcceptanceAndAutoUpdate)
{
    p.stage_enabled[1] = 1;
    EXPECT_TRUE(VerdictLogic::ManualAccepted(p, 1, 0, 2, true));
    EXPECT_FALSE(VerdictLogic::ManualAccepted(p, 0, 0, 2, false));
    p.io_mode = 1;
    p.stage_enabled[2] = 1;
    EXPECT_TRUE(VerdictLogic::ManualAccepted(p, 0, 0, 4, false));  // its twin of the second pair
    p.io_mode = 4;
    p.stage_enabled[2] = 1;
    EXPECT_FALSE(VerdictLogic::ManualAccepted(p, 2, 0, 4, false));
    EXPECT_TRUE(VerdictLogic::ManualAccepted(p, 2, 3, 4, false));  // group ended
    EXPECT_FALSE(VerdictLogic::ManualAccepted(p, 2, 3, 4, true));  // busy
    p.io_mode = 3;
    p.template_auto_update = 1;
    EXPECT_TRUE(VerdictLogic::AutoUpdateDue(p, 0, 1, 1, true, false));
    EXPECT_FALSE(VerdictLogic::AutoUpdateDue(p, 2, 1, 1, true, false));
    EXPECT_FALSE(VerdictLogic::AutoUpdateDue(p, 0, 0, 1, true, false));
    EXPECT_FALSE(VerdictLogic::AutoUpdateDue(p, 0, 1, 1, true, true));
    p.io_mode = 0;
    EXPECT_FALSE(VerdictLogic::AutoUpdateDue(p, 0, 1, 1, true, false));
}

TEST_F(VerdictLogicTest, ASnapshotWaitsForTheStageTheOpenCycleAwaits)
{
    quint32 mask[8] = {0, 1};
    p.semi_auto = 1;
    p.stage_trigger_input[1] = 2;  // input 2 starts the mould stage
    EXPECT_TRUE(VerdictLogic::ManualAwaited(p, 1, mask, false));
    EXPECT_FALSE(VerdictLogic::ManualAwaited(p, 1, mask, true));  // its delay runs: the clock decides
    EXPECT_FALSE(VerdictLogic::ManualAwaited(p, 0, mask, false));
    p.io_mode = 2;
    EXPECT_TRUE(VerdictLogic::ManualAwaited(p, 3, mask, false));  // the second pair's mould stage
    EXPECT_FALSE(VerdictLogic::ManualAwaited(p, 2, mask, false));
    p.io_mode = 4;  // multi-detection keeps its own group rule
    EXPECT_FALSE(VerdictLogic::ManualAwaited(p, 1, mask, false));
    // A stage the cycle start starts: its mask outlived a cycle a stop or an alarm hold ended.
    p.io_mode = 0;
    p.semi_auto = 0;
    p.stage_trigger_input[1] = 0;
    EXPECT_FALSE(VerdictLogic::ManualAwaited(p, 1, mask, false));
}

TEST_F(VerdictLogicTest, AlarmRecordListsTheNgCamerasAndDropsTheLastCharacter)
{
    EXPECT_EQ(VerdictLogic::AlarmRecordText({0}), QString("Camera 1Alarm"));
    EXPECT_EQ(VerdictLogic::AlarmRecordText({0, 2}), QString("Camera 1 Camera 3Alarm"));
    EXPECT_EQ(VerdictLogic::NoPictureRecordText(1), QString("Camera 2 delivered no picture"));
}

TEST_F(VerdictLogicTest, StaleFrameOfAFreeRunningCamera)
{
    EXPECT_FALSE(VerdictLogic::FrameStale(false, 2000));
    EXPECT_TRUE(VerdictLogic::FrameStale(false, 2001));
    EXPECT_FALSE(VerdictLogic::FrameStale(true, 60000));  // frames come per trigger
    // Once the camera's interval is known: three intervals, never below 300 ms.
    EXPECT_FALSE(VerdictLogic::FrameStale(false, 300, 33));
    EXPECT_TRUE(VerdictLogic::FrameStale(false, 301, 33));
    EXPECT_FALSE(VerdictLogic::FrameStale(false, 600, 200));
    EXPECT_TRUE(VerdictLogic::FrameStale(false, 601, 200));
    EXPECT_FALSE(VerdictLogic::FrameStale(true, 60000, 33));
}

TEST_F(VerdictLogicTest, FrameIntervalFollowsTheCameraNotAStall)
{
    qint64 i = VerdictLogic::NextFrameInterval(0, 33);
    EXPECT_EQ(i, 33);
    // One stall of the GUI thread (0.5 s between two takes) leaves the rate a 30 fps camera's.
    i = VerdictLogic::NextFrameInterval(i, 500);
    EXPECT_LT(i, 60);
    EXPECT_FALSE(VerdictLogic::FrameStale(false, 299, i));
    // A camera slowed to 5 fps is followed within a dozen frames: its frames are not called stale.
    for (int n = 0; n < 12; ++n)
        i = VerdictLogic::NextFrameInterval(i, 200);
    EXPECT_GT(i, 150);
    EXPECT_FALSE(VerdictLogic::FrameStale(false, 500, i));
    EXPECT_EQ(VerdictLogic::NextFrameInterval(i, 0), i);  // two frames in one take
}
