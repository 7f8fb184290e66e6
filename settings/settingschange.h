#pragma once
// The decisions of accepting the settings, as plain functions of the two parameter records: the
// change text of the operation record, the cameras the live tuning changed, the I/O mode step and
// the positioning-shape and training plan. The settings screen applies them through SettingsEngine.
#include <QString>

#include "core/wizardpara.h"

// What the accept steps do to the cameras, their engines and the cycle state.
class SettingsEngine {
public:
    virtual ~SettingsEngine() = default;
    // Opened cameras: views 0 .. cameraCount() - 1.
    virtual int cameraCount() const = 0;
    virtual void createShape(int camera, int stage) = 0;
    virtual void varTrain(int camera, int stage) = 0;
    // Copies the camera's regions onto the twin stages and saves its region model in force.
    virtual void copyPara(int camera) = 0;
    // The region page follows a new stage count.
    virtual void changeDetectNum(int count) = 0;
    // The cycle state of stages below `count` is cleared for every opened camera (per-stage
    // flags, picture states, count flags) and the current stage becomes count - 1. The stage
    // masks are left to the monitoring pass's stage-count check, which tells of an open cycle.
    virtual void resetStages(int count, const WizardPara& edited) = 0;
    // Modes 1 and 2: 1 the first stage pair, 0 the second.
    virtual void setSide(int side) = 0;
};

// Both records as they stood after the pages stored their controls; later steps test it even
// after the records were made equal.
struct AcceptSnapshot {
    WizardPara old;     // in force
    WizardPara edited;  // edit copy
    template <typename T>
    bool changed(T WizardPara::*field) const { return old.*field != edited.*field; }
    // Motion correction or the rotation angle differ.
    bool shapeFlag() const;
};

// The text of the operation record: row 235, one fragment per changed field, row 249 when the
// passwords differ; in language `lan`.
QString SettingsChangeText(const WizardPara& old, const WizardPara& edited, int lan);

// Per camera, which of the five values the live tuning changed. Exposure also counts when auto
// exposure or automatic shading differ (the setter applies them with the exposure).
struct TunedCameras {
    bool exposure[8] = {};
    bool gain[8] = {};
    bool sharpness[8] = {};
    bool contrast[8] = {};
    bool gamma[8] = {};
    bool any() const;
};
TunedCameras TunedCameraValues(const WizardPara& old, const WizardPara& edited);

// The I/O mode step on the edit copy: `modeInForce` is the mode of the record in force; gDNum
// follows the mode. Returns true when the mode change is left to the next start (to or from 4).
bool IoModeStep(WizardPara& edited, int modeInForce, SettingsEngine& engine);

// Positioning shapes and training after the commit; `p` is the record now in force, `dNum` the
// stage count.
void ShapeTrainingPlan(const AcceptSnapshot& s, const WizardPara& p, int dNum, SettingsEngine& engine);
