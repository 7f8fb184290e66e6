#pragma once
// The set-up the detection engine's tests and benchmarks judge with.
#include "core/globals.h"
#include "core/wizardpara.h"

// Puts `para` in force on grey frames at 1:1 display scale, with every stage off, no position
// correction, positioning threshold 8000, details shown and spots from 3 pixels.
inline void UseEngineParameters(WizardPara& para)
{
    gShowAW = gShowAH = 1.0f;
    gisColor = false;
    gpWPara = &para;
    for (int& e : para.stage_enabled)
        e = 0;
    para.enable_correct = 0;
    para.location_adge = 8000;
    para.enable_display_detail = 1;
    para.min_spot = 3;
}
