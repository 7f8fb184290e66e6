#pragma once
// A main window kept for a whole test program shares the process with every other test: other
// windows, fixtures and threads change the globals its construction set. A WindowWorld keeps what
// the construction left and puts it back at the start of each test that uses the window.
#include <QString>

class MainWindow;

class WindowWorld {
public:
    // Captures right after `win` was built in the program directory `dirPath`.
    WindowWorld(MainWindow* win, const QString& dirPath);
    ~WindowWorld();
    // The globals, parameter records, hosts, working directory, database connections, picture slots
    // and picture writer as after the construction; the cycle idle (no delay, input, alarm or request).
    void Restore();
    // Stops the window's timers, acquisition threads, board thread and picture writer.
    void Quiet();
    MainWindow* win;

private:
    struct Saved;
    Saved* saved;
};

// Quiets every window built so far (the board port and the picture slots are process globals a
// test or a new window is about to replace; their timers run the cycle on the globals in force).
// Restore() starts a window again.
void QuietWindows();
// Before a new window is built: the others quiet and the picture slots freed, so that the new one
// makes them at its own picture size.
void MakeRoomForAWindow();
// Closes `connection` when it exists (a window left it open on its own file) and names `file` for
// its next open.
void PointConnection(const char* connection, const QString& file);
// Frees the in-memory NG picture slots (a test that sized them for its own pictures).
void FreePictureSlots();
