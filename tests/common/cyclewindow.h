#pragma once
// The main window built as at start-up (no camera, no board) that the cycle tests of a program
// share: one window a process, whatever number of files drive its cycle.
#include <QStringList>

#include "common/programdir.h"

class MainWindow;
class WindowWorld;

namespace cyclewindow {

struct Window {
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

}  // namespace cyclewindow
