#pragma once
// A periodic runner of the video copy. The report server makes one but copies on its own 50 ms
// timer; the copy works on widgets and runs on the GUI thread, so the work handed in must post
// itself there.
#include <atomic>
#include <functional>

#include <QThread>

class CNT_Thread_CopyVideo : public QThread {
    Q_OBJECT
public:
    explicit CNT_Thread_CopyVideo(std::function<void()> work, QObject* parent = nullptr);
    ~CNT_Thread_CopyVideo() override;
    // Stores the period and starts the thread.
    void cls_start(unsigned long ms);

protected:
    void run() override;

private:
    std::function<void()> work_;
    std::atomic<bool> running_{true};
    std::atomic<unsigned long> periodMs_{50};
};
