#include "vision/controller/screenguard.h"

bool ScreenGuardPasses(const ScreenState& s, const char* tests)
{
    for (const char* t = tests; t && *t; ++t) {
        bool ok = false;
        switch (*t) {
        case 'S': ok = !s.settingsVisible; break;
        case 'A': ok = !s.alarmPageVisible; break;
        case 'R': ok = !s.regionPageVisible; break;
        case 'H': ok = s.alarmState != 2; break;
        case 'C': ok = !s.changeCameraVisible; break;
        case 'N': ok = !s.ioNameVisible; break;
        case 'O': ok = s.optionBarVisible; break;
        case ' ': case ',': ok = true; break;
        default: ok = false; break;
        }
        if (!ok)
            return false;
    }
    return true;
}
