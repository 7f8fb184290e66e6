#pragma once
// Lets a press on an overlay (the I/O status panel, the side panel) reach a control of a camera
// view lying under it: the region tool bar, the region move buttons, the pan and zoom buttons.
// Qt hands a press to the topmost widget only, so the overlay forwards press, moves and release
// to the control it found under the press.
#include <QPointer>
#include <QWidget>

class QMouseEvent;

// Property marking a widget as such an overlay; a press under it is looked for further down.
constexpr const char* kOverlayProperty = "pressOverlay";

class OverlayPress {
public:
    // The deepest visible child of the topmost sibling below `overlay` that lies under the global
    // point (overlays in between are looked through); nullptr when the press lands on such a
    // sibling itself (a bare view) or on nothing.
    static QWidget* controlUnder(QWidget* overlay, QPoint global);

    // A press: forwarded when a control lies under it (true), else left to the overlay (false).
    bool press(QWidget* overlay, QMouseEvent* event);
    // Moves and the release of a forwarded press; false when no press is being forwarded.
    bool move(QMouseEvent* event);
    bool release(QMouseEvent* event);

private:
    static void forward(QWidget* target, QMouseEvent* event);
    QPointer<QWidget> target_;
};
