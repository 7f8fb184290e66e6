#pragma once
// What a verdict does to the board's outputs, the alarm hold, the NG and OK pictures and the
// counters. Each decision is a plain function of the parameter record and the few controller
// values it reads; the controller sequences them and applies the output plans through ControlPort.
#include <QString>
#include <QVector>

#include "vision/controller/outputplan.h"

class WizardPara;

class VerdictLogic {
public:
    // One camera judged NG for folded stage s (reCheck: automatic re-inspections left for s).
    struct CameraNg {
        OutputPlan outputs;       // inhibit and alarm outputs (sent with the camera's step)
        bool final = true;        // false: the NG is not final yet and nothing else happens
        bool countFail = false;   // gFailNum + 1 (once per camera and cycle, through its flag)
        bool markNgOutputs = false;  // stage-0 NG without alarm: remember the NG outputs of its regions
        bool keepNgPicture = false;  // copy the NG source picture into the stage's next slot
    };
    static CameraNg OnCameraNg(const WizardPara& p, int s, int reCheck, bool failFlag, int countFlag);

    // OK verdict: the outputs before the display; closePulse: start the close-pulse timer.
    // stagesPending: another stage of the cycle still counts its delay; the last stage's OK then
    // leaves the mould inhibited (releaseWithheld) until that stage is judged OK too.
    struct OkOutputs {
        OutputPlan outputs;
        bool pulseMode = false;   // with ng_pulse_mode the hold release below is skipped
        bool closePulse = false;
        bool releaseWithheld = false;
    };
    // ngPulseRuns (pulse mode): an NG's close pulse runs; its outputs 0 and 2 stay to its end,
    // which this OK's ejector inhibit ends with them. Mode 4 clears the output of the judged
    // stage, not of the stage the inputs last reached.
    static OkOutputs OnOk(const WizardPara& p, int s, int stage, int dnum, bool reTrain,
                          bool stagesPending = false, bool ngPulseRuns = false);

    // Leaving the alarm hold on an OK verdict (applies when alarmState is 2 and not for a stage-0
    // verdict with enable_stop_not_alarm).
    struct HoldLeave {
        OutputPlan outputs;
        bool leave = false;        // alarmState 0, ResetRun, runState 1
        bool startDetect = false;  // StartDetect instead
        bool stage1Next = false;     // the first stage's hold: the cycle's second stage is to come
        bool restartStage1 = false;  // simInput 1 and restartDetect 1
    };
    static bool HoldLeaveApplies(const WizardPara& p, int s, int alarmState);
    // heldStage: the stage whose NG entered the hold; in multi-detection its output is cleared
    // with the alarm (a snapshot's hold sets that stage's output, not the group's).
    static HoldLeave LeaveHold(const WizardPara& p, int s, int heldStage = -1, int dnum = 0);

    // Release pulses of an OK verdict (step after the display).
    struct ReleasePulses {
        OutputPlan outputs;
        bool closePulse = false;
        bool ejectorPulse = false;
    };
    static ReleasePulses OnOkRelease(const WizardPara& p, int s);

    // NG verdict with ng_pulse_mode.
    static OutputPlan NgPulseMode(const WizardPara& p);
    // Stage-0 NG without alarm hold: the per-region NG outputs and the ejector inhibit.
    static OutputPlan NgPulses(const WizardPara& p, const bool ngOutFlags[4]);
    // Outputs when a final NG enters the alarm hold.
    static OutputPlan HoldEntry(const WizardPara& p, int s, bool safetyTrigger);
    // Multi-detection: the input to handle again without an edge after stage multiDetect.
    static int RepeatInputAfter(const WizardPara& p, int multiDetect);

    // NG and OK pictures for one camera at a verdict. c: the camera's picture state of the judged
    // stage. The operations run in order, then the state becomes `state`.
    enum PicOp { SaveNg, SaveOk, StampNg, StampOk };
    struct Pictures {
        QVector<PicOp> ops;
        int state = 0;
        bool handNgNow = false;  // the stamped NG picture goes to the writer at once
    };
    static Pictures OnPictures(const WizardPara& p, int c, bool cameraNg, bool final, int s, int picNumNg,
                               int picNumOk);
    // Pictures handed to the writer for a picture state. holdOver: the alarm hold has ended
    // another way (detection stopped and started, a new cycle), so a held NG picture (3) is
    // written too.
    struct HandOver {
        bool ok = false;
        bool ng = false;
    };
    static HandOver HandOverFor(int c, bool holdOver);

    // count.txt is written after this verdict.
    static bool CountsDue(const WizardPara& p, int dnum, int s, bool ok);
    // The automatic repeated inspection's outputs (ReCheck), folded stage s, last stage `last`.
    static OutputPlan ReCheckOutputs(const WizardPara& p, int s, int last, int reCheck);
    // The re-check that may release an alarm hold (region page's re-check).
    static OutputPlan SlotReCheckOutputs(const WizardPara& p, int s, int last);
    // Return from resampling's area check.
    static OutputPlan BackTrainOutputs(const WizardPara& p);
    // A manual request whose verdict entered the alarm hold.
    static OutputPlan ManualHoldOutputs(const WizardPara& p, int r, int curDetect, int dnum);
    // OK pictures of the last stage become further templates (Auto parts mode).
    static bool AutoUpdateDue(const WizardPara& p, int alarmState, int d, int last, bool allOk, bool reCheckFlag);
    // A manual request for stage r is acted on.
    static bool ManualAccepted(const WizardPara& p, int r, int multiDetect, int dnum, bool busy);
    // The open cycle still awaits stage r (its mask is set, its delay not started, an input of
    // its own to start it, not the cycle start's): a snapshot
    // now would judge a picture from before the machine is there, take the stage from the
    // cycle and, OK, release the mould. running: the stage's delay runs (the clock decides).
    static bool ManualAwaited(const WizardPara& p, int r, const quint32 detectMask[8], bool running);

    // Operation record of an alarm: "Camera %1 " per NG camera (from 1), last character removed,
    // then "Alarm".
    static QString AlarmRecordText(const QVector<int>& ngCameras);
    // Operation record of a camera judged NG because it delivered no picture.
    static QString NoPictureRecordText(int camera);
    // A free-running camera whose newest frame is older than three of its frame intervals (and
    // at least kStaleFloorMs) delivers no picture and is judged NG; before its interval is known,
    // older than kStaleFrameMs. The image trigger has its own rule (never stale here).
    static constexpr qint64 kStaleFrameMs = 2000;
    static constexpr qint64 kStaleFloorMs = 300;
    static bool FrameStale(bool imageTrigger, qint64 frameAgeMs, qint64 intervalMs = 0);
    // The smoothed frame interval after a gap between two frames; a gap far above the interval (a
    // stall of the GUI thread) moves it only a little.
    static qint64 NextFrameInterval(qint64 intervalMs, qint64 gapMs);
};
