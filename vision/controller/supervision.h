#pragma once
// Decisions of the controller's pulse and supervision timers: the ends of the output pulses, the
// stage stepping at the end of a shown verdict, the no-input watchdog, the temperature alarm, the
// frame watch and the heartbeat lamp.
#include <QtGlobal>

#include "vision/controller/outputplan.h"

class WizardPara;

class Supervision {
public:
    // End of the NG pulse without alarm hold.
    static OutputPlan EndNgPulse(const WizardPara& p);
    // End of the mould-close release (runState 3: nothing in the ordinary mode).
    static OutputPlan EndClosePulse(const WizardPara& p, int runState, bool heldElsewhere = false);
    // End of the ejector release. In pulse mode an NG pulse still running keeps output 0 until
    // its own end.
    static OutputPlan EndEjectorPulse(const WizardPara& p, int runState, bool ngPulseRuns = false);
    // `heldElsewhere` (NG-pulse mode): a camera loss or the unjudged-stage warning holds the mould,
    // which a pulse's end does not release.
    static OutputPlan EndReserveOutput();

    // Stage shown next after a verdict display (alarmState not 2, no re-check pending and the
    // current stage is the one judged).
    static int NextStage(const WizardPara& p, int curDetect, int dnum);

    // No-input watchdog interval in ms for input_timeout_len seconds: computed in 64 bits and
    // clamped to what a timer takes; 0 = do not arm.
    static int WatchdogIntervalMs(qint64 seconds);
    // Interval in ms of a pulse or debounce field in tenths (clamped); 0 = do not start.
    static int TenthsToMs(qint64 tenths);
    static OutputPlan WatchdogFired();

    // Temperature alarm: every check sets the alarm output; the one-second reset clears it
    // unless the alarm is held or an NG's pulse still keeps it (the reset ends only its own).
    static OutputPlan TempAlarmSet();
    static OutputPlan TempAlarmReset(int alarmState, bool ngPulseHolds = false);

    // Frame watch of one camera, once a second.
    struct FrameWatch {
        int seen = 0;       // frame counter seen a second ago
        int stillSecs = 0;  // seconds in a row without a new frame
        int fps = 0;
    };
    // Returns true when the camera is handed to recovery (sixth still second in a row).
    static bool WatchFrames(FrameWatch& w, int frameCount, bool imageTrigger);
    // Heartbeat lamp 5 for this second (blink toggles on every call while running).
    static bool Heartbeat(int runState, bool& blink);
};
