#include "vision/camera/camerathread.h"

#include <cstring>

extern "C" {
#include <libavutil/frame.h>
}

#include <QMutex>
#include <QMutexLocker>

#include <opencv2/imgproc.hpp>

#include "core/globals.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "platform/vision/kovvpixel.h"

CameraThread::CameraThread(CammerWidget* v)
    : QThread(nullptr), view(v)
{
}

bool CameraThread::Nap(int ms)
{
    for (int left = ms; left > 0 && runFlag; left -= 10)
        QThread::msleep(ulong(std::min(10, left)));
    return runFlag;
}

void CameraThread::run()
{
    // Filtered V4L2 frames land here (the view holds the decoded one).
    AVFrame* filtered = av_frame_alloc();
    if (Nap(300)) {
        while (runFlag) {
            switch (gCameraID) {
            case CAMERA_DAHENG:
                PassDaheng();
                Nap(10);
                break;
            case CAMERA_IDS:
                PassIds();
                Nap(10);
                break;
            case CAMERA_MIND:
                PassMind();
                Nap(10);
                break;
            case CAMERA_V4L2:
                // A failed read waits a little too, so an ended source does not spin.
                if (view->V4L2Pass(filtered) != 2)
                    Nap(10);
                break;
            default:
                Nap(10);
                break;
            }
        }
    }
    av_frame_free(&filtered);
}

void CameraThread::PassDaheng()
{
    CammerWidget* w = view;
    if (!w->dahengHandle)
        return;
    GxFrameData& f = w->dahengFrame;
    f.imgBuf = w->frameRaw;
    f.imgBufSize = gImageLen;
    if (GXGetImage(w->dahengHandle, &f, 100) != GX_STATUS_SUCCESS || f.status != 0)
        return;
    // A frame of another size than the working picture is no frame of ours.
    if (f.width * f.height != gImageLen)
        return;
    int factor;
    {
        QMutexLocker lock(pMutex[w->cameraIndex]);
        factor = gContrast[w->cameraIndex];
    }
    // Neutral contrast leaves every value as it is: the raw frame is delivered as it came.
    if (factor == 0 || DxContrast(w->frameRaw, w->frameConvert, gImageLen, factor) != 0) {
        w->DeliverGrey(w->frameRaw);
        return;
    }
    w->DeliverGrey(w->frameConvert);
}

void CameraThread::PassIds()
{
    CammerWidget* w = view;
    if (!w->idsMemory)
        return;
    // The camera writes the image memory on its own thread: held, it keeps its frames out, so the
    // copy is one whole picture. The camera's frame count tells a new frame from the last one.
    uint64_t frame = 0;
    if (is_HoldImageMem(w->idsHandle, w->idsMemory, w->idsMemoryId, &frame) != IS_SUCCESS)
        return;
    const bool fresh = frame != 0 && frame != w->idsFrame;
    if (fresh)
        std::memcpy(w->frameRaw, w->idsMemory, size_t(gImageLen));
    is_ReleaseImageMem(w->idsHandle, w->idsMemory, w->idsMemoryId);
    if (!fresh)
        return;
    w->idsFrame = frame;
    w->DeliverGrey(w->frameRaw);
}

void CameraThread::PassMind()
{
    CammerWidget* w = view;
    if (w->mindHandle <= 0)
        return;
    uint8_t* raw = nullptr;
    if (CameraGetImageBuffer(w->mindHandle, &w->mindFrameHead, &raw, 100) != CAMERA_STATUS_SUCCESS)
        return;
    w->mindRawBuffer = raw;
    MvFrameHead& head = w->mindFrameHead;
    if (head.width * head.height == gImageLen
        && CameraImageProcess(w->mindHandle, raw, w->frameConvert, &head) == CAMERA_STATUS_SUCCESS) {
        if (head.mediaType == MV_ISP_RGB8)
            w->DeliverRGB(w->frameConvert);
        else
            w->DeliverGrey(w->frameConvert);
    }
    CameraReleaseImageBuffer(w->mindHandle, raw);
    w->mindRawBuffer = nullptr;
}

void CammerWidget::DeliverGrey(const unsigned char* grey)
{
    // Colour frames are converted straight into the grab buffer: a staging copy would cost a
    // whole RGBA frame per camera and the conversion takes no longer than copying it.
    if (gisColor) {
        QMutexLocker lock(pMutex[cameraIndex]);
        Gray2RGBA(grey, frameGrab, gImageW, gImageH);
        isImageFill[cameraIndex] = true;
        return;
    }
    QMutexLocker lock(pMutex[cameraIndex]);
    std::memcpy(frameGrab, grey, size_t(gImageLen));
    isImageFill[cameraIndex] = true;
}

void CammerWidget::DeliverRGB(const unsigned char* rgb)
{
    if (gisColor) {
        QMutexLocker lock(pMutex[cameraIndex]);
        RGB2RGBA(frameGrab, rgb, gImageW, gImageH);
        isImageFill[cameraIndex] = true;
        return;
    }
    const cv::Mat in(gImageH, gImageW, CV_8UC3, const_cast<unsigned char*>(rgb));
    cv::Mat grey(gImageH, gImageW, CV_8UC1, frameRaw);
    cv::cvtColor(in, grey, cv::COLOR_RGB2GRAY);
    QMutexLocker lock(pMutex[cameraIndex]);
    std::memcpy(frameGrab, frameRaw, size_t(gImageLen));
    isImageFill[cameraIndex] = true;
}

void CammerWidget::ImageCallBack(unsigned char* data, MV_FRAME_OUT_INFO* info, void* user)
{
    auto* w = static_cast<CammerWidget*>(user);
    if (!info || !data || !w)
        return;
    // A frame of the wrong size is skipped, never copied past its end.
    if (info->width != gImageW || info->height != gImageH || int64_t(info->frameLength) < int64_t(gImageLen))
        return;
    if (!gisColor || info->pixelType == MV_PIXEL_Mono8) {
        w->DeliverGrey(data);
        return;
    }
    MV_CC_PIXEL_CONVERT_PARAM p = w->hikConvert;
    p.srcPixelType = info->pixelType;
    p.srcData = data;
    p.srcDataLen = info->frameLength;
    p.dstBuffer = w->frameConvert;
    if (MV_CC_ConvertPixelType(w->hikHandle, &p) == MV_OK)
        w->DeliverRGB(w->frameConvert);
}
