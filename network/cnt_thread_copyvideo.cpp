#include "network/cnt_thread_copyvideo.h"

#include <QElapsedTimer>

CNT_Thread_CopyVideo::CNT_Thread_CopyVideo(std::function<void()> work, QObject* parent)
    : QThread(parent), work_(std::move(work))
{
}

CNT_Thread_CopyVideo::~CNT_Thread_CopyVideo()
{
    running_ = false;
    wait();
}

void CNT_Thread_CopyVideo::cls_start(unsigned long ms)
{
    periodMs_ = ms;
    start(QThread::InheritPriority);
}

void CNT_Thread_CopyVideo::run()
{
    while (running_) {
        QElapsedTimer t;
        t.start();
        if (work_)
            work_();
        const qint64 rest = qint64(periodMs_) - t.elapsed();
        if (rest > 0)
            msleep((unsigned long)rest);
    }
}
