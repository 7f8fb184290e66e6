#pragma once
// Turns the I/O mode of the loaded parameter record into the stage wiring the monitoring cycle
// uses, and names the input and output signals.
#include <atomic>
#include <functional>
#include <QString>

class WizardPara;

// Detect stages in force: set by a settings accept on the GUI thread, read by the NG picture writer.
extern std::atomic<int> gDNum;
extern const int TriginNo[8];    // terminal of trigger choice i (input bit = terminal - 1)
extern const int OutputNo[8];    // mode 4: terminal (output bit + 1) that stage i drives
extern const QString gInName[16 * 3];   // input names, entry row * 3 + language
extern const QString gOutName[14 * 3];  // output names, entry row * 3 + language
extern QString gaName[18];       // display names of the signals in the language in force
// Captions of the eight input and output slots of the naming page, entry slot * 3 + language.
extern const QString gCustomInputName[8 * 3];
extern const QString gCustomOutputName[8 * 3];

constexpr int IN_NAME_ROWS = 16;
constexpr int OUT_NAME_ROWS = 14;

// Calls into the monitoring controller and the detection engines. Unset hooks do nothing.
struct RunModeHooks {
    // Sets the controller's stage-pair flag (1 = stages 0 and 1, 0 = stages 2 and 3).
    std::function<void(int side)> setSide;
    // Number of camera views that exist (opened cameras).
    std::function<int()> cameraCount;
    // CreateShape(stage) then VarTrain(stage) on the detection engine of `camera`.
    std::function<void(int camera, int stage)> trainStage;
};
extern RunModeHooks gRunModeHooks;

// Derives gDNum, stage_slots, stage_enabled, stage_trigger_input, stage_source_in_force, and by
// mode the NG output polarities, front_auto_check_time and the controller's side; in mode 4 trains
// the enabled stages of every camera.
void DeriveRunMode(WizardPara& p);

// Fills gaName from the text table by the I/O mode (used when name.txt is absent).
void FillDisplayNamesByMode(const WizardPara& p);

// Name of input row / output row in the language in force; empty for a row out of range.
QString InputSignalName(int row);
QString OutputSignalName(int row);
