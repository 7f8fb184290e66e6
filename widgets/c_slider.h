#pragma once
// A horizontal slider with a fixed look that jumps to the touched position on release.
#include <QSlider>

class C_Slider : public QSlider {
    Q_OBJECT
public:
    explicit C_Slider(QWidget* parent = nullptr);

    // The value a release at x gives on a slider `width` pixels wide (the outer fiftieth at either
    // end snaps to the end).
    static int valueAt(int x, int width, int minimum, int maximum);

signals:
    void cChgValue(int value);

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};
