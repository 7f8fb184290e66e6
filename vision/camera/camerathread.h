#pragma once
// The acquisition thread of one camera view: polls the view's camera (makes 4, 5, 6 and V4L2) and
// puts each new frame into the view's grab buffer under the view's mutex. Make 7 frames arrive
// through CammerWidget::ImageCallBack instead; the thread then only idles.
#include <atomic>

#include <QThread>

class CammerWidget;

class CameraThread : public QThread {
    Q_OBJECT
public:
    explicit CameraThread(CammerWidget* view);

    std::atomic<bool> runFlag{false};
    CammerWidget* view;

protected:
    void run() override;

private:
    // Sleeps `ms` in short steps; false when the run flag was cleared meanwhile.
    bool Nap(int ms);
    void PassDaheng();
    void PassIds();
    void PassMind();
};
