// The shared video channels of the report server: one System V segment (an I420 frame) and one
// semaphore per channel, filled every 50 ms while the client is connected.
#include <cerrno>
#include <cstring>

#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>

#include <opencv2/imgproc.hpp>

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QtDebug>

#include "core/globals.h"
#include "core/syspath.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "network/cnt_semaphore.h"
#include "network/cnt_thread_copyvideo.h"
#include "network/reportjson.h"

namespace {

// The IPC key of a channel: project id "100<n>" for the segment, "200<n>" for the semaphore.
key_t ChannelKey(int base, int channel)
{
    return ftok(sysPath("/tmp").toLocal8Bit().constData(), base + channel);
}

int FrameRate(int index)
{
    static const int rates[5] = {5, 10, 15, 20, 25};
    return rates[qBound(0, index, 4)];
}

// A segment of exactly `size` bytes under `key`, only this user's to read and write. One found
// under the key is used only when it is ours, private and of that size; any other is removed and
// made again, and when that is not allowed the channel stays dead.
int SharedSegment(key_t key, int size)
{
    int id = shmget(key, size_t(size), IPC_CREAT | IPC_EXCL | 0600);
    if (id != -1 || errno != EEXIST)
        return id;
    const int old = shmget(key, 0, 0);
    shmid_ds ds{};
    if (old != -1 && shmctl(old, IPC_STAT, &ds) == 0 && IpcIsOurs(ds.shm_perm) && ds.shm_segsz == size_t(size))
        return old;
    if (old == -1 || shmctl(old, IPC_RMID, nullptr) != 0) {
        qWarning("video channel: the shared memory under key 0x%x is not ours and cannot be removed: "
                 "the channel stays dead",
                 unsigned(key));
        return -1;
    }
    return shmget(key, size_t(size), IPC_CREAT | IPC_EXCL | 0600);
}

bool UseNameIsNull()
{
    const char* name = gpWPara->CntNet_UseName;
    return qstrncmp(name, "null", 5) == 0 && strnlen(name, sizeof gpWPara->CntNet_UseName) == 4;
}

}  // namespace

void CNT_Net::CNT_FirstInit()
{
    if (gpWPara && gpWPara->video_share == 1)
        CNT_AddUseMemory(0, gShowW, gShowH, nullptr);
    if (!shareInfo_.isEmpty() && !sendTimer_) {
        sendTimer_ = startTimer(50, Qt::CoarseTimer);
        timerNames_.insert(sendTimer_, "send_timer");
    }
    if (!copyVideo_) {
        // Made as the program always did, never started: the timer copies.
        copyVideo_ = std::make_unique<CNT_Thread_CopyVideo>(
            [this] { QMetaObject::invokeMethod(this, [this] { VideoTick(); }, Qt::QueuedConnection); });
    }
}

void CNT_Net::CNT_AddUseMemory(int channel, int width, int height, void* frame)
{
    if (channel < 0 || channel > 7)
        return;
    // I420 needs even sizes: an odd column or row of the source is left out.
    const int w = qMax(0, width) & ~1, h = qMax(0, height) & ~1;
    VideoShareInfo info;
    info.cameraid = channel;
    info.width = w;
    info.height = h;
    info.size = w * h * 3 / 2;
    info.shmid = info.size > 0 ? SharedSegment(ChannelKey(1000, channel), info.size) : -1;
    if (info.shmid != -1) {
        void* at = shmat(info.shmid, nullptr, 0);
        info.address = at == reinterpret_cast<void*>(-1) ? nullptr : static_cast<unsigned char*>(at);
    }
    info.sem = new CNT_Semaphore(ChannelKey(2000, channel));
    info.sem->create_sem(1);
    info.semid = info.sem->semid;
    info.fps = FrameRate(gpWPara ? gpWPara->video_fps_index : 0);

    const auto old = shareInfo_.constFind(channel);
    if (old != shareInfo_.constEnd()) {
        if (old->address)
            shmdt(old->address);
        delete old->sem;
    }
    shareInfo_.insert(channel, info);
    memoryInfo_.append(info);
    memoryInfoReady_ = true;
    frameSources_.remove(channel);
    if (info.shmid != -1 && frame)
        frameSources_.insert(channel, FrameSource{static_cast<unsigned char*>(frame), width, height});
}

QByteArray CNT_Net::MemoryInfoBody() const
{
    reportjson::Doc doc;
    cJSON* list = reportjson::Array(doc.get(), "memoryinfo");
    for (const VideoShareInfo& i : memoryInfo_) {
        cJSON* o = reportjson::Object(list);
        reportjson::Num(o, "shmid", i.shmid);
        reportjson::Num(o, "semid", i.semid);
        reportjson::Num(o, "cameraid", i.cameraid);
        reportjson::Num(o, "size", i.size);
        reportjson::Num(o, "width", i.width);
        reportjson::Num(o, "height", i.height);
        reportjson::Num(o, "fps", i.fps);
    }
    return reportjson::Print(doc.get());
}

void CNT_Net::CNT_SendMemoryInfo()
{
    if (!whichSend.value(SEND_MEMORY_INFO, false) || !memoryInfoReady_ || memoryInfoSent_)
        return;
    CNT_Enqueue(SEND_MEMORY_INFO, MemoryInfoBody());
    memoryInfoSent_ = true;
}

void CNT_Net::CNT_UpdateMemory(int channel, void* frame)
{
    if (frame) {
        const int width = shareInfo_.value(channel).width;
        UpdateMemory(channel, static_cast<const unsigned char*>(frame), width * 4);
        return;
    }
    const auto src = frameSources_.constFind(channel);
    if (src != frameSources_.constEnd())
        UpdateMemory(channel, src->bits, src->width * 4);
}

bool CNT_Net::UpdateMemory(int channel, const unsigned char* frame, int stride)
{
    if (!connected || !memoryInfoSent_ || !frame)
        return false;
    const auto it = shareInfo_.constFind(channel);
    if (it == shareInfo_.constEnd() || !it->writable())
        return false;
    const VideoShareInfo& info = *it;
    if (scratch_.size() < info.size)
        scratch_.resize(info.size);
    const cv::Mat bgra(info.height, info.width, CV_8UC4, const_cast<unsigned char*>(frame), size_t(stride));
    cv::Mat i420(info.height * 3 / 2, info.width, CV_8UC1, scratch_.data());
    cv::cvtColor(bgra, i420, cv::COLOR_BGRA2YUV_I420);
    // The client holds the channel: this frame is skipped rather than waited for.
    if (!info.sem->P_sem())
        return false;
    std::memcpy(info.address, scratch_.constData(), size_t(info.size));
    info.sem->V_sem();
    return true;
}

void CNT_Net::VideoTick()
{
    if (!gpWPara || gpWPara->video_share == 0 || !gpWPara->cnt_net_enabled || !connected || UseNameIsNull())
        return;
    if (gpWPara->video_share == 2) {
        const QString stamp = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss ");
        QFont font("wqy-microhei");
        font.setPointSize(50);
        for (auto it = frameSources_.constBegin(); it != frameSources_.constEnd(); ++it) {
            // The copy is renewed first: the view paints without it, and a copy stamped by an
            // earlier tick would carry two stamps.
            if (host.refreshFrame)
                host.refreshFrame(it.key());
            // The stamp goes into the view's display copy, which no inspection reads.
            QImage image(it->bits, it->width, it->height, QImage::Format_RGB32);
            {
                QPainter painter(&image);
                painter.setPen(Qt::green);
                painter.setFont(font);
                painter.drawText(QRect(QPoint(0, it->height - 100), QPoint(it->width - 1, it->height - 1)),
                                 Qt::AlignRight | Qt::AlignVCenter, stamp);
            }
            UpdateMemory(it.key(), it->bits, it->width * 4);
        }
    } else if (gpWPara->video_share == 1) {
        const auto it = shareInfo_.constFind(0);
        if (it == shareInfo_.constEnd() || !it->writable() || !host.grabWindow)
            return;
        QImage shot = host.grabWindow();
        if (shot.isNull())
            return;
        // The window is larger than the channel (the camera area's size): fitted to it whole.
        shot = shot.convertToFormat(QImage::Format_RGB32)
                   .scaled(it->width, it->height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        UpdateMemory(0, shot.constBits(), shot.bytesPerLine());
    }
}

void CNT_Net::CNT_FreeShareMemory()
{
    for (int c = 0; c < 8; ++c) {
        const auto it = shareInfo_.constFind(c);
        if (it == shareInfo_.constEnd())
            continue;
        if (it->address)
            shmdt(it->address);
        if (it->shmid != -1)
            shmctl(it->shmid, IPC_RMID, nullptr);
        if (it->semid != -1)
            semctl(it->semid, 0, IPC_RMID);
        delete it->sem;
    }
    shareInfo_.clear();
    frameSources_.clear();
}
