#pragma once
// Decisions of the main screen's chrome (title bar lamps, I/O status panel, side panel, camera
// assignment), kept apart from the widgets so they can be checked without a screen.
#include <QStringList>
#include <functional>

// Title-bar lamp picture number: io 0 input, 1 output; index 0-3; state 0 off, anything else on.
int lampPictureNumber(int io, int index, int state);

// One pass of the I/O status panel over the board's words. `state(kind, n)` reads input (kind 0)
// or output (kind 1) n as 0/1; `setLamp(io, index, state)` updates a title-bar lamp. Inputs 0-3 are
// all refreshed, except in I/O mode 4 where only those used as a stage's trigger input are.
// Returns the state of output index 2, whose picture the panel draws itself.
int refreshIOLamps(int ioMode, const int stageTrigger[8], const std::function<int(int, int)>& state,
                   const std::function<void(int, int, int)>& setLamp);
// x of the output picture in the status panel.
int ioOutputPictureX(int ioMode);

// Texts of the manual-trigger choice: "1st" .. for each stage (at most eight).
QStringList stageChoiceTexts(int stageCount);
// Texts of one camera choice box: "NO.1" .. "NO.n".
QStringList cameraChoiceTexts(int cameraCount);

struct SnapshotButtons {
    bool pro;
    bool mold;
};
// Which snapshot buttons of the side panel are shown.
SnapshotButtons snapshotVisibility(int snapshotOption, int productDetection, int ioMode);

// Outcome of confirming the camera assignment.
struct AssignmentVerdict {
    enum Kind {
        Store,        // save the serial order and ask for the restart
        Duplicate,    // two views want the same slot: warn with `slot`, stay open
        NotStorable,  // changed, but this make's serials cannot be stored: warn, stay open
        CloseOnly,    // nothing changed and nothing could be stored: just close
    };
    Kind kind;
    int slot;  // the repeated slot (0-based) for Duplicate, else -1
};
// camNO[i]: slot chosen for view i, for the first `cameraCount` views; make: gCameraID.
AssignmentVerdict checkAssignment(const int* camNO, int cameraCount, int make);
// Makes whose camera serials SaveSN can read and store.
bool serialStorableMake(int make);

// Registers the chrome pictures (":/img/icons/..."); safe to call more than once.
void InitChromeResources();
