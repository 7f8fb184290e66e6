#pragma once
// The transparent strip over the bottom 180 px of the camera view area. Each paint brings the
// title bar's input and output lamps up to date from the board's words and draws output 3's lamp;
// a press on it logs the operator out, unless it lands on a control of the view under it.
#include <QWidget>

#include "mainscreen/overlaypress.h"

class MainWindow;

class IOStatusWidget : public QWidget {
    Q_OBJECT
public:
    explicit IOStatusWidget(MainWindow* win);

    // The output state whose picture the last paint drew (-1 before the first paint), and where.
    int drawnOutputState() const { return drawnState_; }
    QRect drawnOutputRect() const { return drawnRect_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    MainWindow* win_;
    OverlayPress forward_;
    int drawnState_ = -1;
    QRect drawnRect_;
};
