#pragma once
// The camera view area (main stack page 0): creates the eight camera views and hands them to the
// controller, which places them (MainWindow::ChangeCammer).
#include <QWidget>

class MainWindow;

class ImageContainer : public QWidget {
    Q_OBJECT
public:
    explicit ImageContainer(MainWindow* win);

    // Split mode the camera-tuning view saves and restores.
    int splitMode() const { return split_; }
    void setSplitMode(int mode) { split_ = mode; }
    bool showSplitFlag() const { return showSplit_; }

public slots:
    // Lays the views out again (the argument is not used).
    void showSplit(bool split);

protected:
    // The views handle their own presses.
    void mousePressEvent(QMouseEvent* event) override { QWidget::mousePressEvent(event); }

private:
    MainWindow* win_;
    bool showSplit_ = true;
    int split_ = 0;
};

// The window's view area when it has one, else the window: the parent of the panels laid over
// the views, whose coordinates are the view area's.
QWidget* ViewArea(MainWindow* win);
