#pragma once
// The camera assignment dialog: for each present camera the view position it takes after the
// next start. A choice goes into gCamNO at once; Confirm checks the choices, stores the serial
// order and asks for the restart. It has no cancel: it closes only through a valid Confirm.
#include <QWidget>

#include "widgets/paintedtexts.h"

class ColorButton;
class ComboBox;
class MainWindow;

class WidgetChangeCamera : public QWidget, public PaintedTexts {
    Q_OBJECT
public:
    explicit WidgetChangeCamera(MainWindow* win);

    void SetCameraNO(int view, int slot);
    // Choice box of view i (nullptr beyond the present cameras).
    ComboBox* choice(int view) const { return view >= 0 && view < count_ ? boxes_[view] : nullptr; }
    ColorButton* confirmButton() const { return ok_; }
    int cameraCount() const { return count_; }

public slots:
    void SetCameraNO0(int index) { SetCameraNO(0, index); }
    void SetCameraNO1(int index) { SetCameraNO(1, index); }
    void SetCameraNO2(int index) { SetCameraNO(2, index); }
    void SetCameraNO3(int index) { SetCameraNO(3, index); }
    void SetCameraNO4(int index) { SetCameraNO(4, index); }
    void SetCameraNO5(int index) { SetCameraNO(5, index); }
    void SetCameraNO6(int index) { SetCameraNO(6, index); }
    void SetCameraNO7(int index) { SetCameraNO(7, index); }
    // Confirms the assignment held in gCamNO.
    void SlotOK();

protected:
    void paintEvent(QPaintEvent* event) override;

public:
    // "Camera N" per row, left of that row's combo.
    QList<PaintedText> paintedTexts() const override;

private:
    MainWindow* win_;
    int count_ = 0;
    ComboBox* boxes_[8] = {};
    ColorButton* ok_;
};
