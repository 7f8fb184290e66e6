#include "vision/controller/verdictlogic.h"

#include <algorithm>

#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/controller/triggerwiring.h"

namespace {
QString Row(int r) { return gaLanStr[r * LAN_COUNT + gLan]; }
bool PairMode(const WizardPara& p) { return p.io_mode == 1 || p.io_mode == 2; }
}

VerdictLogic::CameraNg VerdictLogic::OnCameraNg(const WizardPara& p, int s, int reCheck, bool failFlag,
                                                int countFlag)
{
    CameraNg r;
    if (!p.ng_pulse_mode) {
        if (p.io_mode == 4) {
            if (!(s == 0 && p.enable_stop_not_alarm))
                r.outputs.set(2);
        } else if (s == 0) {
            if (!p.enable_cutoff_ontime && !p.enable_stop_not_alarm) {
                r.outputs.set(1);
                if (!p.pre_cut && !p.no_close_inhibit_at_start)
                    r.outputs.set(0);
            }
            if (!p.enable_stop_not_alarm && reCheck <= 0)
                r.outputs.set(2);
        } else if (s == 1) {
            if (p.pre_cut && reCheck > 0) {
                r.final = false;  // re-inspections left: the NG is not final yet
                return r;
            }
            r.outputs.set(0);
            if (reCheck == 0)
                r.outputs.set(2);
        } else if (reCheck == 0) {
            r.outputs.set(2);
        }
    }
    r.countFail = reCheck == 0 && failFlag;
    r.markNgOutputs = p.enable_stop_not_alarm && s == 0;
    r.keepNgPicture = countFlag == 1 && reCheck == 0;
    return r;
}

VerdictLogic::OkOutputs VerdictLogic::OnOk(const WizardPara& p, int s, int stage, int dnum, bool reTrain,
                                            bool stagesPending, bool ngPulseRuns)
{
    OkOutputs r;
    if (p.ng_pulse_mode && ngPulseRuns) {
        r.pulseMode = true;
        r.outputs.set(1);
        r.outputs.flash();
        return r;
    }
    if (p.ng_pulse_mode) {
        r.pulseMode = true;
        r.outputs.clear(0);
        r.outputs.set(1);
        r.outputs.clear(2);
        r.outputs.flash();
        r.closePulse = p.mold_pulse > 0;
        return r;
    }
    if (p.io_mode == 4) {
        r.outputs.clear(TriggerWiring::Mode4StageOutput(stage, dnum));
    } else if (s == 0) {
        if (!p.enable_cutoff_ontime && !p.enable_stop_not_alarm)
            r.outputs.clear(1);
    } else if (s == 1) {
        if (stagesPending && !reTrain)
            r.releaseWithheld = true;
        else if (!reTrain)
            r.outputs.clear(0);
    }
    r.outputs.flash();
    return r;
}

bool VerdictLogic::HoldLeaveApplies(const WizardPara& p, int s, int alarmState)
{
    return alarmState == 2 && !(p.enable_stop_not_alarm && s == 0);
}

VerdictLogic::HoldLeave VerdictLogic::LeaveHold(const WizardPara& p, int s, int heldStage, int dnum)
{
    HoldLeave r;
    const int mode = p.io_mode;
    auto leaveWith = [&r](std::initializer_list<int> cleared) {
        for (int n : cleared)
            r.outputs.clear(n);
        r.outputs.flash();
        r.leave = true;
    };
    if (mode == 4) {
        if (heldStage >= 0 && dnum > 0)
            r.outputs.clear(TriggerWiring::Mode4StageOutput(heldStage, dnum));
        leaveWith({2});
    } else if (s == 0) {
        leaveWith({2, 1});
        // The pair's second stage runs with its own delay and its verdict releases the mould;
        // semi-automatic waits for its input.
        r.stage1Next = true;
        r.restartStage1 = PairMode(p) || !p.semi_auto;
    } else if (mode == 5) {
        leaveWith({0, 2});
    } else {
        r.startDetect = true;
    }
    return r;
}

VerdictLogic::ReleasePulses VerdictLogic::OnOkRelease(const WizardPara& p, int s)
{
    ReleasePulses r;
    if (s == 1) {
        if (p.stage_enabled[0] && p.mold_cutoff && !p.enable_cutoff_ontime && !p.enable_stop_not_alarm) {
            r.outputs.set(1);
            r.outputs.flash();
        }
        r.closePulse = p.is_cut_ontime && p.mold_pulse > 0;
    } else if (s == 0) {
        r.ejectorPulse = p.is_cut_ontime_thimble && p.thimble_pulse > 0;
    }
    return r;
}

OutputPlan VerdictLogic::NgPulseMode(const WizardPara& p)
{
    OutputPlan o;
    o.set(0);
    o.clear(1);
    o.set(2);
    o.flash();
    return o;
}

OutputPlan VerdictLogic::NgPulses(const WizardPara& p, const bool ngOutFlags[4])
{
    OutputPlan o;
    for (int i = 0; i < 4; ++i)
        if (ngOutFlags[i])
            o.set(4 + i);
    if (!p.enable_cutoff_ontime)
        o.set(1);
    o.flash();
    return o;
}

OutputPlan VerdictLogic::HoldEntry(const WizardPara& p, int s, bool safetyTrigger)
{
    OutputPlan o;
    if (safetyTrigger) {
        if (p.io_mode != 4)
            o.set(0);
    } else if (p.io_mode == 5 && s == 1) {
        o.set(0);
    }
    o.flash();
    return o;
}

int VerdictLogic::RepeatInputAfter(const WizardPara& p, int multiDetect)
{
    if (multiDetect < 0 || multiDetect >= 8)
        return -1;
    for (int i = multiDetect + 1; i < 8; ++i) {
        if (p.stage_trigger_input[i] == -1)
            continue;
        return p.stage_trigger_input[i] == p.stage_trigger_input[multiDetect] ? p.stage_trigger_input[i] : -1;
    }
    return -1;
}

VerdictLogic::Pictures VerdictLogic::OnPictures(const WizardPara& p, int c, bool cameraNg, bool final, int s,
                                                int picNumNg, int picNumOk)
{
    Pictures r;
    r.state = c;
    switch (c) {
    case 1:
        if (cameraNg) {
            if (picNumNg <= 0) {
                r.state = 0;
            } else if (final) {
                r.state = (p.ng_pulse_mode || (s == 0 && p.enable_stop_not_alarm)) ? 9 : 3;
                r.ops << SaveNg;
            }
        } else if (picNumOk > 0 && (s >= 1 || p.ng_option)) {
            r.state = 2;
            r.ops << SaveOk;
        } else {
            r.state = 0;
        }
        break;
    case 4:
    case 5:
    case 6:
        // The alarm was cleared by the operator: the stamped NG picture of the real alarm is kept.
        r.ops << StampNg;
        r.state = 0;
        r.handNgNow = true;
        break;
    case 7:
        if (cameraNg) {
            r.state = 3;
        } else {
            r.ops << StampNg << SaveOk << StampOk;
            r.state = 10;
        }
        break;
    default:
        break;
    }
    return r;
}

VerdictLogic::HandOver VerdictLogic::HandOverFor(int c, bool holdOver)
{
    HandOver h;
    switch (c) {
    case 2: h.ok = true; break;
    case 9: h.ng = true; break;
    case 10: h.ok = h.ng = true; break;
    case 3: h.ng = holdOver; break;  // 7 and 8 are a re-detection being judged: its verdict hands them over
    default: break;
    }
    return h;
}

bool VerdictLogic::CountsDue(const WizardPara& p, int dnum, int s, bool ok)
{
    const int last = (p.io_mode == 4 || p.io_mode == 5) ? dnum - 1 : 1;
    return s == last && (ok || p.ng_pulse_mode);
}

OutputPlan VerdictLogic::ReCheckOutputs(const WizardPara& p, int s, int last, int reCheck)
{
    OutputPlan o;
    if (s == last) {
        if (p.pre_cut && reCheck != 0) {
            if (s == 0 && !p.enable_cutoff_ontime)
                o.set(1);
        } else {
            o.set(0);
        }
    }
    o.flash();
    return o;
}

OutputPlan VerdictLogic::SlotReCheckOutputs(const WizardPara& p, int s, int last)
{
    OutputPlan o;
    // Mode 5 sets no inhibit for an inspection, but the close inhibit its hold set stays until
    // the re-check's verdict: a release before it would let the mould close on an unjudged part.
    const bool mode5 = p.io_mode == 5;
    if (!mode5 && s == last && !p.no_close_inhibit_at_start)
        o.set(0);
    else if (!mode5 && s == 0 && !p.enable_cutoff_ontime && !p.enable_stop_not_alarm && !p.release_ejector_at_start)
        o.set(1);
    o.flash();
    return o;
}

OutputPlan VerdictLogic::BackTrainOutputs(const WizardPara& p)
{
    OutputPlan o;
    if (!p.ng_pulse_mode) {
        o.clear(0);
        const bool std = p.io_mode == 0 || p.io_mode == 3 || p.io_mode == 5;
        if (std && p.mold_cutoff && p.stage_enabled[0] && !p.enable_cutoff_ontime && !p.enable_stop_not_alarm)
            o.set(1);
    }
    o.flash();
    return o;
}

OutputPlan VerdictLogic::ManualHoldOutputs(const WizardPara& p, int r, int curDetect, int dnum)
{
    OutputPlan o;
    const bool mode4 = p.io_mode == 4;
    if (!p.ng_pulse_mode) {
        o.set(mode4 ? TriggerWiring::Mode4StageOutput(curDetect, dnum) : 0);
        if (r == 0 && !p.enable_cutoff_ontime && !p.enable_stop_not_alarm)
            o.set(1);
    } else if (mode4) {
        o.set(TriggerWiring::Mode4StageOutput(curDetect, dnum));
    }
    o.flash();
    return o;
}

bool VerdictLogic::AutoUpdateDue(const WizardPara& p, int alarmState, int d, int last, bool allOk,
                                 bool reCheckFlag)
{
    return alarmState != 2 && d == last && allOk && !reCheckFlag && p.template_auto_update && p.io_mode == 3;
}

bool VerdictLogic::ManualAccepted(const WizardPara& p, int r, int multiDetect, int dnum, bool busy)
{
    if (r < 0 || r >= 8)
        return false;
    if (PairMode(p))
        return p.stage_enabled[r] || (r + 2 < 8 && p.stage_enabled[r + 2]);
    if (p.io_mode == 4)
        return p.stage_enabled[r] && (r == multiDetect || multiDetect == dnum - 1) && !busy;
    return p.stage_enabled[r];
}

bool VerdictLogic::ManualAwaited(const WizardPara& p, int r, const quint32 detectMask[8], bool running)
{
    if (r < 0 || r >= 8 || p.io_mode == 4 || running)
        return false;
    // A stage the cycle start starts and that is not counting was judged, or a stop or an alarm
    // hold ended its cycle: nothing but the next cycle start would start it.
    const int s = TriggerWiring::FoldedStage(p, r);
    return detectMask[s] != 0 && !TriggerWiring::StartsWithCycle(p, s);
}

QString VerdictLogic::AlarmRecordText(const QVector<int>& ngCameras)
{
    QString text;
    for (int c : ngCameras)
        text += Row(151).arg(c + 1);
    text.chop(1);
    return text + Row(152);
}

QString VerdictLogic::NoPictureRecordText(int camera)
{
    return Row(151).arg(camera + 1) + Row(600);
}

bool VerdictLogic::FrameStale(bool imageTrigger, qint64 frameAgeMs, qint64 intervalMs)
{
    if (imageTrigger)
        return false;
    if (intervalMs <= 0)
        return frameAgeMs > kStaleFrameMs;
    return frameAgeMs > std::max(kStaleFloorMs, 3 * intervalMs);
}

qint64 VerdictLogic::NextFrameInterval(qint64 intervalMs, qint64 gapMs)
{
    if (gapMs <= 0)
        return intervalMs;
    if (intervalMs <= 0)
        return gapMs;
    // A slower camera is followed within a few frames; one long gap is not its rate.
    const qint64 gap = std::min(gapMs, 4 * intervalMs);
    return std::max<qint64>(1, (7 * intervalMs + gap + 4) / 8);
}
