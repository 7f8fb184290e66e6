#pragma once
// Decisions of starting, stopping and resampling detection and of the operator's access level.
#include <QString>

#include "vision/controller/outputplan.h"

class WizardPara;

class RunControl {
public:
    // Level to act with without asking: 2 with password protection off, the level when logged in;
    // 0 means the password box must ask.
    static int LevelWithoutBox(int isPswUsed, int level);
    // Level left after opening or accepting the settings screen.
    static int LevelAfterSettings(int isPswUsed, int level);

    // holdMould: the mould-close inhibit is set again in the same word (the end of resampling),
    // so the board never sees it released for an instant.
    static OutputPlan StartDetectOutputs(const WizardPara& p, bool holdMould = false);
    static OutputPlan StopDetectOutputs(const WizardPara& p);
    // Mould-close inhibit right after a start by the operator (release pulses in use).
    static OutputPlan StartPulseOutputs(const WizardPara& p);
    // Mask entry SetStopDetect clears for the current stage; -1 none (multi-detection).
    static int StopMaskEntry(const WizardPara& p, int curDetect);

    // The view the region page works on: the selected one, or view 0 when all views are shown.
    static int AdjustAreaView(int selected, int numCamera);
    // SlotManualTrig(0) is refused while the first stage's detection is off.
    static bool ManualTrigRefused(const WizardPara& p, int stage);
    // Demonstration picture index after `index` (0 to 4, then 0 again).
    static int NextDemoIndex(int index) { return (index + 1) % 5; }
    static QString DemoPicturePath(int index);
};
