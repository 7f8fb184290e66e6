#include "core/runmodederivation.h"

#include "core/uitexttable.h"
#include "core/wizardpara.h"

std::atomic<int> gDNum{2};
const int TriginNo[8] = {1, 3, 4, 5, 6, 7, 8, 9};
const int OutputNo[8] = {2, 4, 5, 6, 7, 8, 9, 1};

const QString gInName[16 * 3] = {
    "开模到位", "Mol op", "開模到位",
    "安全门关", "clo door", "安全門關",
    "安全门开", "op door", "安全門開",
    "顶针退", "Thim O", "頂針退",
    "顶针进", "Thim I", "頂針進",
    "开模阀", "Mol val", "開模閥",
    "机械手", "Manip", "機械手",
    "复位键", "Res but", "復位鍵",
    "滑块退", "Slid bac", "滑塊退",
    "机手上行", "Mac up", "機手上行",
    "中子A进", "Neu A I", "中子A進",
    "中子A退", "Neu A O", "中子A退",
    "中子B进", "Neu B I", "中子B進",
    "中子B退", "Neu B O", "中子B退",
    "中子C进", "Neu C I", "中子C進",
    "中子C退", "Neu C O", "中子C退",
};

const QString gOutName[14 * 3] = {
    "允许合模", "Al clam", "允許合模",
    "允许顶针", "Al thim", "允許頂針",
    "中子A进", "Neu A I", "中子A進",
    "中子A退", "Neu A O", "中子A退",
    "中子B进", "Neu B I", "中子B進",
    "中子B退", "Neu B O", "中子B退",
    "中子C进", "Neu C I", "中子C進",
    "中子C退", "Neu C O", "中子C退",
    "允许绞牙", "Al thread", "允許絞牙",
    "允许旋转", "Rot", "允許旋轉",
    "允许左移", "L shift", "允許左移",
    "允许右移", "R shift", "允許右移",
    "允许移模", "Mov mol", "允許移模",
    "机手动作", "Mac mov", "機手動作",
};

// The Traditional Chinese captions are the Simplified Chinese ones.
const QString gCustomInputName[8 * 3] = {
    "输入 1", "Input 1", "输入 1",
    "输入 3", "Input 3", "输入 3",
    "输入 4", "Input 4", "输入 4",
    "输入 5", "Input 5", "输入 5",
    "输入 6", "Input 6", "输入 6",
    "输入 7", "Input 7", "输入 7",
    "输入 8", "Input 8", "输入 8",
    "输入 9", "Input 9", "输入 9",
};

const QString gCustomOutputName[8 * 3] = {
    "输出 1", "Output 1", "输出 1",
    "输出 2", "Output 2", "输出 2",
    "输出 4", "Output 4", "输出 4",
    "输出 5", "Output 5", "输出 5",
    "输出 6", "Output 6", "输出 6",
    "输出 7", "Output 7", "输出 7",
    "输出 8", "Output 8", "输出 8",
    "输出 9", "Output 9", "输出 9",
};

QString gaName[18];
RunModeHooks gRunModeHooks;

namespace {

int languageIndex()
{
    const int lan = gLan;
    return (lan >= 0 && lan <= 2) ? lan : 0;
}

void setSide(int side)
{
    if (gRunModeHooks.setSide)
        gRunModeHooks.setSide(side);
}

// Modes 0, 3 and 5: one stage pair, stage 1 optional, stage 2 by input 0 or, semi-automatic, 2.
void deriveStandard(WizardPara& p)
{
    gDNum = 2;
    p.stage_slots = 4;
    p.stage_enabled[1] = 1;
    p.stage_enabled[0] = p.first_stage_on ? 1 : 0;
    p.stage_trigger_input[0] = 0;
    p.stage_trigger_input[1] = p.semi_auto ? 2 : 0;
    for (int o = 4; o <= 7; ++o)
        p.output_polarity[o] = p.enable_stop_not_alarm ? 0 : 1;
    if (p.io_mode == 5)
        p.front_auto_check_time = 0;
}

// Modes 1 (two-colour) and 2 (turntable): two stage pairs, chosen by io_sub_mode.
void derivePairs(WizardPara& p)
{
    gDNum = 4;
    p.stage_slots = 4;
    if (static_cast<unsigned>(p.io_sub_mode) > 3u)
        p.io_sub_mode = 0;
    const int e = p.first_stage_on ? 1 : 0;
    const bool turntable = p.io_mode == 2;
    switch (p.io_sub_mode) {
    case 0:
        p.stage_enabled[0] = e;
        p.stage_enabled[1] = 1;
        p.stage_enabled[2] = 0;
        p.stage_enabled[3] = 0;
        setSide(1);
        p.stage_trigger_input[0] = 0;
        p.stage_trigger_input[1] = turntable ? (p.semi_auto ? 2 : 0) : 2;
        break;
    case 1:
        p.stage_enabled[0] = 0;
        p.stage_enabled[1] = 0;
        p.stage_enabled[2] = e;
        p.stage_enabled[3] = 1;
        setSide(0);
        p.stage_trigger_input[0] = turntable ? 3 : 0;
        p.stage_trigger_input[1] = turntable ? (p.semi_auto ? 2 : 3) : 3;
        break;
    default:
        p.stage_enabled[0] = e;
        p.stage_enabled[1] = 1;
        p.stage_enabled[2] = e;
        p.stage_enabled[3] = 1;
        p.stage_trigger_input[0] = turntable ? 255 : 0;
        p.stage_trigger_input[1] = turntable ? (p.semi_auto ? 2 : 255) : 255;
        break;
    }
}

// Mode 4: up to eight stages, each started by its trigger choice. A source or choice outside its
// limits leaves the stage unused rather than indexing past the tables.
void deriveMulti(WizardPara& p)
{
    p.stage_slots = gDNum = p.stage_count;
    for (int i = 0; i < 8; ++i) {
        if (i >= p.stage_count) {
            p.stage_enabled[i] = 0;
            p.stage_trigger_input[i] = -1;
            continue;
        }
        int s = p.stage_source[i];
        if (s < -1 || s > 7)
            s = -1;
        p.stage_source_in_force[i] = s;
        const int choice = s >= 0 ? p.stage_input_choice[s] : -1;
        const bool usable = s >= 0 && choice >= 0 && choice <= 7 && !(i == 0 && !p.first_stage_on);
        if (usable) {
            p.stage_enabled[i] = 1;
            p.stage_trigger_input[i] = TriginNo[choice] - 1;
        } else {
            p.stage_enabled[i] = 0;
            p.stage_trigger_input[i] = -1;
        }
    }
    if (!gRunModeHooks.trainStage)
        return;
    const int cameras = gRunModeHooks.cameraCount ? gRunModeHooks.cameraCount() : 0;
    for (int c = 0; c < cameras && c < 8; ++c) {
        for (int d = 0; d < gDNum; ++d) {
            if (p.stage_enabled[d])
                gRunModeHooks.trainStage(c, d);
        }
    }
}

} // namespace

QString InputSignalName(int row)
{
    if (row < 0 || row >= IN_NAME_ROWS)
        return QString();
    return gInName[row * 3 + languageIndex()];
}

QString OutputSignalName(int row)
{
    if (row < 0 || row >= OUT_NAME_ROWS)
        return QString();
    return gOutName[row * 3 + languageIndex()];
}

void DeriveRunMode(WizardPara& p)
{
    switch (p.io_mode) {
    case 1:
    case 2:
        derivePairs(p);
        break;
    case 4:
        deriveMulti(p);
        break;
    default:
        deriveStandard(p);
        break;
    }
}

void FillDisplayNamesByMode(const WizardPara& p)
{
    if (p.io_mode == 4) {
        gaName[0] = InputSignalName(p.input_name_choice[0]);
        gaName[1] = gaLanStr[302 * 3 + languageIndex()];
        for (int i = 1; i <= 7; ++i)
            gaName[1 + i] = InputSignalName(p.input_name_choice[i]);
        gaName[9] = OutputSignalName(p.output_name_choice[0]);
        gaName[10] = OutputSignalName(p.output_name_choice[1]);
        gaName[11] = gaLanStr[307 * 3 + languageIndex()];
        for (int o = 2; o <= 7; ++o)
            gaName[10 + o] = OutputSignalName(p.output_name_choice[o]);
        return;
    }
    static const int standardRows[8] = {301, 302, 303, 304, 305, 306, 307, 304};
    static const int twoColourRows[8] = {301, 302, 376, 377, 305, 378, 307, 304};
    static const int turntableRows[8] = {379, 380, 381, 382, 378, 306, 307, 304};
    const int* rows = p.io_mode == 1 ? twoColourRows : p.io_mode == 2 ? turntableRows : standardRows;
    for (int i = 0; i < 8; ++i)
        gaName[i] = gaLanStr[rows[i] * 3 + languageIndex()];
}
