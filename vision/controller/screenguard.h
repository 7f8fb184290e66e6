#pragma once
// The main screen's plain-state test made before screen actions (and again after every modal
// confirmation). Each action names the tests it needs by letter:
//   S settings screen hidden, A alarm page hidden, R region page hidden, H alarm state not 2,
//   C camera switching panel hidden, N I/O naming panel hidden, O option bar shown.
struct ScreenState {
    bool settingsVisible = false;
    bool alarmPageVisible = false;
    bool regionPageVisible = false;
    int alarmState = 0;
    bool changeCameraVisible = false;
    bool ioNameVisible = false;
    bool optionBarVisible = true;
};

// True when every test named in `tests` passes; an unknown letter fails (a typo never opens a gate).
bool ScreenGuardPasses(const ScreenState& s, const char* tests);
