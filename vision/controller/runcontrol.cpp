#include "vision/controller/runcontrol.h"

#include <cstring>

#include "core/wizardpara.h"

int RunControl::LevelWithoutBox(int isPswUsed, int level)
{
    if (!isPswUsed)
        return 2;
    return (level == 1 || level == 2) ? level : 0;
}

int RunControl::LevelAfterSettings(int isPswUsed, int level)
{
    if (level != 2)
        return level;
    return isPswUsed ? 1 : 0;
}

OutputPlan RunControl::StartDetectOutputs(const WizardPara& p, bool holdMould)
{
    OutputPlan o;
    for (int n = 0; n <= 8; ++n)
        o.clear(n);
    if (p.mold_cutoff)
        o.set(1);
    if (holdMould)
        o.set(0);
    o.flash();
    return o;
}

OutputPlan RunControl::StopDetectOutputs(const WizardPara& p)
{
    OutputPlan o;
    for (int n = 0; n <= 8; ++n)
        o.clear(n);
    if (p.enable_stop_mold == 1)
        o.set(0);
    o.flash();
    return o;
}

OutputPlan RunControl::StartPulseOutputs(const WizardPara& p)
{
    OutputPlan o;
    if (p.is_cut_ontime && p.mold_pulse >= 1) {
        o.set(0);
        o.flash();
    }
    return o;
}

int RunControl::StopMaskEntry(const WizardPara& p, int curDetect)
{
    switch (p.io_mode) {
    case 4: return -1;
    case 1:
    case 2: return (curDetect & 1) ? 1 : 0;
    default: return curDetect == 0 ? 0 : 1;
    }
}

int RunControl::AdjustAreaView(int selected, int numCamera)
{
    return (selected >= 0 && selected < numCamera) ? selected : 0;
}

bool RunControl::ManualTrigRefused(const WizardPara& p, int stage)
{
    return stage == 0 && p.first_stage_on == 0;
}

QString RunControl::DemoPicturePath(int index)
{
    return QString("cammer15/template%1.bmp").arg(index);
}
