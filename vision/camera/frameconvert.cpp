#include "vision/camera/frameconvert.h"

#include <algorithm>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <opencv2/imgproc.hpp>

#include "core/globals.h"
#include "vision/camera/cameradiscovery.h"

cv::Rect FramePlacement(int w, int h, int W, int H)
{
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0)
        return cv::Rect();
    int dw = w, dh = h;
    if (w > W || h > H) {
        // Scale down to fit, keeping the aspect.
        if (int64_t(w) * H > int64_t(h) * W) {
            dw = W;
            dh = std::max(1, int(int64_t(h) * W / w));
        } else {
            dh = H;
            dw = std::max(1, int(int64_t(w) * H / h));
        }
    }
    return cv::Rect((W - dw) / 2, (H - dh) / 2, dw, dh);
}

cv::Mat avframe_to_cvmat(AVFrame* frame)
{
    if (!frame || frame->width <= 0 || frame->height <= 0 || gImageW <= 0 || gImageH <= 0)
        return cv::Mat();
    const int type = gisColor ? CV_8UC3 : CV_8UC1;
    const cv::Rect place = FramePlacement(frame->width, frame->height, gImageW, gImageH);
    cv::Mat result = cv::Mat::zeros(gImageH, gImageW, type);
    if (frame->format == AV_PIX_FMT_GRAY8) {
        // What the filter graph delivers: grey already, only scaled and placed.
        const cv::Mat grey(frame->height, frame->width, CV_8UC1, frame->data[0], size_t(frame->linesize[0]));
        cv::Mat target = result(place);
        try {
            cv::Mat sized;
            if (place.size() != grey.size())
                cv::resize(grey, sized, place.size(), 0, 0, cv::INTER_LINEAR);
            else
                sized = grey;
            if (gisColor)
                cv::cvtColor(sized, target, cv::COLOR_GRAY2RGB);
            else
                sized.copyTo(target);
        } catch (const cv::Exception&) {
            return cv::Mat();
        }
        return result;
    }
    SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), place.width,
                                     place.height, gisColor ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_GRAY8, SWS_FAST_BILINEAR,
                                     nullptr, nullptr, nullptr);
    if (!sws)
        return cv::Mat();
    cv::Mat converted(place.height, place.width, type);
    uint8_t* dst[4] = {converted.data, nullptr, nullptr, nullptr};
    int dstStride[4] = {int(converted.step[0]), 0, 0, 0};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    sws_freeContext(sws);
    cv::Mat target = result(place);
    converted.copyTo(target);
    return result;
}
