#pragma once
// What the widget toolkit needs of the main window: the keypad target, the access level, the
// backlight timer and the pan buttons. The main window
// implements it; tests install a fake. Without an installed host a passive one answers.
#include <QLineEdit>
#include <QPointer>

class QWidget;

class ToolkitHost {
public:
    virtual ~ToolkitHost();

    // The entry field the global keypads type into. Held weakly: a field that is destroyed while
    // it is the target simply stops being one.
    QLineEdit* keypadTarget() const { return target_.data(); }
    void setKeypadTarget(QLineEdit* field) { target_ = field; }

    // The main window (pads are given it as parent and it is repainted when a pad closes).
    virtual QWidget* mainWidget() { return nullptr; }

    // Access level: 0 not logged in, 1 primary, 2 advanced.
    virtual int userLevel() const { return level_; }
    virtual void setUserLevel(int level) { level_ = level; }

    // Backlight: true while the screen has been switched off by the screen-off timer.
    virtual bool screenOff() const { return false; }
    // Switches the backlight on again (LCDOnOff(1)) and clears the screen-off state.
    virtual void switchScreenOn() {}
    // Re-arms the screen-off timer with `ms`.
    virtual void restartScreenOffTimer(int ms) {}

    // Pan and zoom of the camera shown alone.
    virtual void SlotMoveT() {}
    virtual void SlotMoveB() {}
    virtual void SlotMoveL() {}
    virtual void SlotMoveR() {}
    virtual void MRecovery() {}

    // The host in force; never null.
    static ToolkitHost* instance();
    // Installs a host (nullptr restores the passive one); returns the previous one.
    static ToolkitHost* setInstance(ToolkitHost* host);

private:
    QPointer<QLineEdit> target_;
    int level_ = 0;
};

inline ToolkitHost* toolkitHost() { return ToolkitHost::instance(); }
