#pragma once
// The transparent strip over the bottom 180 px of the camera view area. Refresh (every monitoring
// pass) and each paint bring the title bar's input and output lamps up to date from the board's
// words; the strip draws output 3's lamp and repaints only when that picture changes (a repaint of
// the strip repaints the camera views under it). A press on it logs the operator out, unless it
// lands on a control of the view under it.
#include <QWidget>

#include "mainscreen/overlaypress.h"

class MainWindow;

class IOStatusWidget : public QWidget {
    Q_OBJECT
public:
    explicit IOStatusWidget(MainWindow* win);

    // The lamps from the board's words; repaints the output picture when its state or place moved.
    void Refresh();

    // The output state whose picture the last paint drew (-1 before the first paint), and where.
    int drawnOutputState() const { return drawnState_; }
    QRect drawnOutputRect() const { return drawnRect_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The title bar's lamps brought up to date; the output picture's state and rect in force.
    int UpdateLamps(QRect* rect);

    MainWindow* win_;
    OverlayPress forward_;
    int drawnState_ = -1;
    QRect drawnRect_;
};
