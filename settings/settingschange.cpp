#include "settings/settingschange.h"

#include <cstring>

#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"

namespace {

enum Kind {
    From,      // row 245 with the label
    Format,    // the row's own format with the label
    Switch,    // row 240, then 250 / 251 by the new value
    Inverted,  // as Switch, but a new value of 0 is "active"
    Clamp,     // row 240, then 252 / 253 by the new value
    Cameras,   // the five camera lines of every camera
};

using Getter = int (*)(const WizardPara&);

struct ChangeRow {
    Getter get;
    int label;
    Kind kind;
    int format;
};

#define F(expr) [](const WizardPara& p) { return p.expr; }

// One row per recorded field, in the order of the record text.
const ChangeRow kChangeRows[] = {
    {F(stage_delay[0]), 263, Format, 236},
    {F(stage_delay[1]), 264, Format, 236},
    {F(front_auto_check_time), 264, Format, 239},
    {F(minimum_size), 22, From, 0},
    {F(minimum_area), 24, From, 0},
    {F(semi_auto), 174, Switch, 0},
    {F(first_stage_on), 175, Switch, 0},
    {F(enable_correct), 176, Inverted, 0},
    {F(enabe_two_test), 177, Switch, 0},
    {F(template_auto_update), 400, Switch, 0},
    {nullptr, 0, Cameras, 0},
    {F(capture_speed), 244, From, 0},
    {F(enable_color_camera), 270, Switch, 0},
    {F(enable_gray_channel), 271, Switch, 0},
    {F(auto_exposure), 387, Switch, 0},
    {F(auto_wdr), 388, Switch, 0},
    {F(prohibit_optimize), 337, Switch, 0},
    {F(image_trigger), 519, Switch, 0},
    {F(enable_defect_detect), 196, Switch, 0},
    {F(enable_spot_detect), 197, Switch, 0},
    {F(enable_ignore_area), 198, Switch, 0},
    {F(enable_manual_edit), 199, Switch, 0},
    {F(enable_display_detail), 200, Switch, 0},
    {F(enable_black_area_detect), 390, Switch, 0},
    {F(enable_white_area_detect), 391, Switch, 0},
    {F(enable_white_count_detect), 520, Switch, 0},
    {F(enable_similarity_detect), 397, Switch, 0},
    {F(serial_port), 269, From, 0},
    {F(input_timeout_len), 336, From, 0},
    {F(pre_cut), 166, From, 0},
    {F(thimble_pulse), 168, From, 0},
    {F(mold_pulse), 169, From, 0},
    {F(enable_output_thimble_pulse), 203, From, 0},  // system3 1: use of input 4
    {F(enable_mold_backup), 334, From, 0},           // system2 14: use of output 4
    {F(output_polarity[0]), 273, From, 0},
    {F(output_polarity[1]), 274, From, 0},
    {F(output_polarity[2]), 275, From, 0},
    {F(output_polarity[3]), 281, From, 0},
    {F(io_sub_mode), 585, From, 0},
    {F(mold_cutoff), 178, Switch, 0},
    {F(enable_stop_mold), 179, Clamp, 0},
    {F(enable_cutoff_ontime), 192, Switch, 0},
    {F(enable_stop_not_alarm), 190, Switch, 0},
    {F(is_cut_ontime), 193, Switch, 0},
    {F(enable_disarm_before_open), 195, Switch, 0},
    {F(enable_trigger_safety), 265, Switch, 0},
    {F(ng_pulse_mode), 202, Switch, 0},
    {F(max_mold_num), 185, From, 0},
    {F(ng_max_num), 186, From, 0},
    {F(ok_record_max_num), 187, From, 0},
    {F(difference_multiplier), 188, From, 0},
    {F(auto_cancel_timelen), 189, From, 0},
    {F(location_adge), 213, From, 0},
    {F(location_level), 243, From, 0},
    {F(min_spot), 181, From, 0},
    {F(shape_angle_limit), 403, From, 0},
    {F(enable_pass_protect), 194, Switch, 0},
    {F(template_add_option), 341, Switch, 0},
    {F(ignore_point_option), 342, Switch, 0},
    {F(auto_region_prompt), 191, Switch, 0},
    {F(ng_option), 389, Switch, 0},
    {F(enable_screen_alert), 256, Switch, 0},
    {F(is_psw_used), 170, Switch, 0},
};

// The five camera lines: value and format row.
const struct {
    int (*get)(const WizardPara&, int);
    int format;
} kCameraLines[] = {
    {[](const WizardPara& p, int c) { return p.exposure[c]; }, 237},
    {[](const WizardPara& p, int c) { return p.gain[c]; }, 238},
    {[](const WizardPara& p, int c) { return p.sharpness[c]; }, 246},
    {[](const WizardPara& p, int c) { return p.contrast[c]; }, 247},
    {[](const WizardPara& p, int c) { return p.gamma[c]; }, 365},
};

#undef F

QString text(int row, int lan)
{
    if (lan < 0 || lan >= LAN_COUNT)
        lan = 0;
    return gaLanStr[row * LAN_COUNT + lan];
}

QString fromTo(const QString& format, const QString& label, int a, int b)
{
    return format.arg(label, QString::number(a), QString::number(b));
}

// Routes the load derivation's side and training calls to the engine while it runs.
struct EngineRouting {
    RunModeHooks saved = gRunModeHooks;
    explicit EngineRouting(SettingsEngine& e)
    {
        gRunModeHooks.setSide = [&e](int side) { e.setSide(side); };
        gRunModeHooks.cameraCount = [&e] { return e.cameraCount(); };
        gRunModeHooks.trainStage = [&e](int c, int d) {
            e.createShape(c, d);
            e.varTrain(c, d);
        };
    }
    ~EngineRouting() { gRunModeHooks = saved; }
};

bool stageEnabled(const WizardPara& p, int dNum, int j)
{
    return j < dNum && j < MAX_DETECT && p.stage_enabled[j] != 0;
}

}  // namespace

bool AcceptSnapshot::shapeFlag() const
{
    return changed(&WizardPara::enable_correct) || changed(&WizardPara::shape_angle_limit);
}

QString SettingsChangeText(const WizardPara& old, const WizardPara& edited, int lan)
{
    QString out = text(235, lan);
    for (const ChangeRow& r : kChangeRows) {
        if (r.kind == Cameras) {
            for (int c = 0; c < 8; ++c) {
                for (const auto& line : kCameraLines) {
                    const int a = line.get(old, c), b = line.get(edited, c);
                    if (a != b)
                        out += fromTo(text(line.format, lan), QString::number(c + 1), a, b);
                }
            }
            continue;
        }
        const int a = r.get(old), b = r.get(edited);
        if (a == b)
            continue;
        const QString label = text(r.label, lan);
        switch (r.kind) {
        case From: out += fromTo(text(245, lan), label, a, b); break;
        case Format: out += fromTo(text(r.format, lan), label, a, b); break;
        case Switch: out += text(240, lan).arg(label) + text(b != 0 ? 250 : 251, lan); break;
        case Inverted: out += text(240, lan).arg(label) + text(b == 0 ? 250 : 251, lan); break;
        case Clamp: out += text(240, lan).arg(label) + text(b != 0 ? 252 : 253, lan); break;
        case Cameras: break;
        }
    }
    if (std::strncmp(old.password, edited.password, sizeof(old.password)) != 0)
        out += text(249, lan);
    return out;
}

bool TunedCameras::any() const
{
    for (int c = 0; c < 8; ++c) {
        if (exposure[c] || gain[c] || sharpness[c] || contrast[c] || gamma[c])
            return true;
    }
    return false;
}

TunedCameras TunedCameraValues(const WizardPara& old, const WizardPara& edited)
{
    TunedCameras t;
    const bool exposureMode = old.auto_exposure != edited.auto_exposure || old.auto_wdr != edited.auto_wdr;
    for (int c = 0; c < 8; ++c) {
        t.exposure[c] = exposureMode || old.exposure[c] != edited.exposure[c];
        t.gain[c] = old.gain[c] != edited.gain[c];
        t.sharpness[c] = old.sharpness[c] != edited.sharpness[c];
        t.contrast[c] = old.contrast[c] != edited.contrast[c];
        t.gamma[c] = old.gamma[c] != edited.gamma[c];
    }
    return t;
}

bool IoModeStep(WizardPara& edited, int modeInForce, SettingsEngine& engine)
{
    const int m = edited.io_mode_chosen;
    const int k = modeInForce;
    if ((m == 4) != (k == 4))
        return true;  // the load derives the stages from the chosen mode at the next start
    EngineRouting routing(engine);
    if (m != 4) {
        edited.io_mode = m;
        edited.stage_slots = 4;
        if (m < 0 || m > 5)
            return false;
        // The stage count follows the mode as the load sets it; a changed count resets the region
        // page and the cycle state as the multi-detection branch does.
        const int count = (m == 1 || m == 2) ? 4 : 2;
        if (count != gDNum) {
            engine.changeDetectNum(count);
            engine.resetStages(count, edited);
        }
        DeriveRunMode(edited);
        return false;
    }
    const int n = edited.stage_count;
    if (n != gDNum) {
        engine.changeDetectNum(n);
        engine.resetStages(n, edited);
    }
    DeriveRunMode(edited);  // gDNum, the stage table, and training of the enabled stages
    FillDisplayNamesByMode(edited);
    return false;
}

void ShapeTrainingPlan(const AcceptSnapshot& s, const WizardPara& p, int dNum, SettingsEngine& engine)
{
    const bool offset = s.changed(&WizardPara::location_adge);
    const bool cavity = s.changed(&WizardPara::io_sub_mode);
    const bool shape = s.shapeFlag();
    const bool reshape = offset || cavity || shape;
    const bool retrain = s.changed(&WizardPara::first_stage_on) || s.changed(&WizardPara::enabe_two_test) || cavity;
    const int cameras = engine.cameraCount();
    if (reshape) {
        for (int c = 0; c < cameras; ++c)
            for (int j = 0; j < dNum; ++j)
                if (stageEnabled(p, dNum, j))
                    engine.createShape(c, j);
    }
    if (retrain) {
        const bool pairs = p.io_mode == 1 || p.io_mode == 2;
        const bool single = (p.io_mode == 0 || p.io_mode == 3 || p.io_mode == 5) && p.first_stage_on;
        for (int c = 0; c < cameras; ++c) {
            if (p.enabe_two_test && (pairs || single))
                engine.copyPara(c);
            for (int j = 0; j < dNum; ++j) {
                if (!stageEnabled(p, dNum, j))
                    continue;
                if (!shape && !offset)
                    engine.createShape(c, j);
                engine.varTrain(c, j);
            }
        }
    } else if (s.changed(&WizardPara::difference_multiplier)) {
        for (int c = 0; c < cameras; ++c)
            for (int j = 0; j < dNum; ++j)
                if (stageEnabled(p, dNum, j))
                    engine.varTrain(c, j);
    }
}
