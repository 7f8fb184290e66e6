#pragma once
// The main window built as at start-up (no camera, no board) that the cycle tests of a program
// share: one window a process, whatever number of files drive its cycle.
#include <QStringList>
#include <array>

#include "common/programdir.h"

class MainWindow;
class WindowWorld;

namespace cyclewindow {

struct Window {
    // The windows before it write their last rows and pictures before this directory is current.
    const bool othersQuiet;
    ProgramDir dir;
    QStringList modalTexts;  // the text of each warning box shown, or the class of another dialog
    MainWindow* win = nullptr;
    WindowWorld* world = nullptr;

    Window();
};

// The window, its world restored and the modal texts cleared.
Window& W();

// Output n as the machine sees it.
int Out(int n);

// Runs stage d's delay out tick by tick, as its timer would.
void RunOut(MainWindow* win, int d);

// Stages 0 and 1 alone, stage d from input `inputs[d]` after `delays[d]` tenths of a second; no
// debounce, trigger safety, stopping instead of the alarm, NG pulse, pre-cut or automatic re-check.
void TwoStages(int ioMode, int semiAuto, const std::array<int, 2>& inputs, const std::array<int, 2>& delays);

// A cycle from input 0 whose stage 1 finds the part still in view: the alarm holds the mould.
void AlarmOnStageOne(MainWindow* win);

// The machine's re-check finds the part gone (input 1), then it starts the next cycle (input 0).
void PartGoneAndNextCycle(MainWindow* win);

// Holds the statistics day of the real clock in the window and the store, as the day check would:
// a case that faked another day leaves it for the cases after it.
void HoldTheRealStatisticsDay(MainWindow* win);

}  // namespace cyclewindow
