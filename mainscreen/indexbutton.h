#pragma once
// The side command panel: a 240 px strip at the right edge of the camera view area with the logo,
// the snapshot buttons the parameters allow, and the manual-trigger choice the controller reads.
#include <QPixmap>
#include <QWidget>

#include "mainscreen/overlaypress.h"

class ColorButton;
class ComboBox;
class MainWindow;
class QLabel;
class QTimer;

class IndexButton : public QWidget {
    Q_OBJECT
public:
    explicit IndexButton(MainWindow* win);

    void Reset();
    // Applies the visibility rule (the argument is not used).
    void ShowHide(int);
    void ResetComboChooseManualTrig();
    // The stage (0-based) chosen for a manual trigger.
    int CurChooseTrig() const;
    bool GetShowFlag() const { return showFlag_; }
    void SetShowFlag(bool on) { showFlag_ = on; }
    void SetButtonShowState(bool) {}

    enum Command { MULTI_SCREEN, START_STOP, SYSTEM_PARAM, RESAMPLE, AREA, ACCOUNT, HELP, SNAPSHOT, MOLD_SNAPSHOT, PRO_SNAPSHOT };
    ColorButton* command(Command c) const { return buttons_[c]; }
    ComboBox* choice() const { return choice_; }
    bool hasLogo() const { return logoPresent_; }

public slots:
    void SlotShowHideTimeout();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool showFlag_ = false;
    bool logoPresent_ = false;
    QPixmap logo_;
    QLabel* logoLabel_ = nullptr;
    int pressWidth_ = 110;
    QTimer* timer_;
    ColorButton* buttons_[10];
    ComboBox* choice_;
    OverlayPress forward_;
};
