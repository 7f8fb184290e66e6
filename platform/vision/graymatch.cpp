#include "platform/vision/graymatch.h"

#include <algorithm>

#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/vision/modelmask.h"
#include "platform/vision/outbuffer.h"

namespace {

// Below this tolerance sensor noise alone would flood a region with defect pixels.
constexpr int kNoiseFloor = 4;

} // namespace

void GrayMatch::Clear()
{
    width_ = height_ = count_ = 0;
    jitter_ = 1;
    created_ = valid_ = false;
    mask_.release();
    lo_.release();
    hi_.release();
    rawLo_.release();
    rawHi_.release();
    loLimit_.release();
    hiLimit_.release();
}

bool GrayMatch::Create(int width, int height, const cv::Mat& mask, int jitter)
{
    Clear();
    if (!takeModelMask(width, height, mask, mask_))
        return false;
    width_ = width;
    height_ = height;
    jitter_ = jitter > 0 ? std::min(jitter, 5) : 1;
    lo_ = cv::Mat(height, width, CV_8UC1, cv::Scalar(255));
    hi_ = cv::Mat(height, width, CV_8UC1, cv::Scalar(0));
    rawLo_ = lo_.clone();
    rawHi_ = hi_.clone();
    created_ = true;
    return true;
}

bool GrayMatch::AddTemp(const cv::Mat& templ)
{
    if (!created_ || valid_ || templ.cols != width_ || templ.rows != height_ || templ.type() != CV_8UC1)
        return false;
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * jitter_ + 1, 2 * jitter_ + 1));
    cv::Mat t;
    cv::erode(templ, t, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::min(lo_, t, lo_);
    cv::dilate(templ, t, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::max(hi_, t, hi_);
    cv::min(rawLo_, templ, rawLo_);
    cv::max(rawHi_, templ, rawHi_);
    ++count_;
    return true;
}

bool GrayMatch::Train(int tolerance, int spreadFactor, int percent, int maxMargin)
{
    if (!created_ || count_ == 0)
        return false;
    if (valid_)
        return true;
    const int cap = std::clamp(maxMargin > 0 ? maxMargin : 255, kNoiseFloor, 255);
    const int base = std::clamp(int(std::clamp(tolerance, 0, 255) * int64_t(percent > 0 ? percent : 100) / 100),
                                kNoiseFloor, cap);
    const int spread = std::clamp(spreadFactor, 0, 16);
    loLimit_.create(height_, width_, CV_8UC1);
    hiLimit_.create(height_, width_, CV_8UC1);
    for (int y = 0; y < height_; ++y) {
        const uchar* lo = lo_.ptr<uchar>(y);
        const uchar* hi = hi_.ptr<uchar>(y);
        const uchar* rlo = rawLo_.ptr<uchar>(y);
        const uchar* rhi = rawHi_.ptr<uchar>(y);
        const uchar* m = mask_.ptr<uchar>(y);
        uchar* outLo = loLimit_.ptr<uchar>(y);
        uchar* outHi = hiLimit_.ptr<uchar>(y);
        for (int x = 0; x < width_; ++x) {
            if (!m[x]) {
                outLo[x] = 0;      // pixels outside the mask never differ
                outHi[x] = 255;
                continue;
            }
            const int margin = std::min(cap, base + spread * (rhi[x] - rlo[x]) / 4);
            outLo[x] = cv::saturate_cast<uchar>(lo[x] - margin);
            outHi[x] = cv::saturate_cast<uchar>(hi[x] + margin);
        }
    }
    // The limits are all that matching needs.
    lo_.release();
    hi_.release();
    rawLo_.release();
    rawHi_.release();
    valid_ = true;
    return true;
}

int GrayMatch::Match(const cv::Mat& crop, cv::Mat& out) const
{
    if (!valid_ || crop.cols != width_ || crop.rows != height_ || crop.type() != CV_8UC1)
        return -1;
    if (!PrepareOutBuffer(out, crop.size(), CV_8UC1))
        return -1;
    int defects = 0;
    for (int y = 0; y < height_; ++y) {
        const uchar* c = crop.ptr<uchar>(y);
        const uchar* lo = loLimit_.ptr<uchar>(y);
        const uchar* hi = hiLimit_.ptr<uchar>(y);
        uchar* o = out.ptr<uchar>(y);
        int x = 0;
#if CV_SIMD
        const int lanes = cv::v_uint8::nlanes;
        cv::v_uint8 any = cv::vx_setzero_u8();
        for (; x <= width_ - lanes; x += lanes) {
            const cv::v_uint8 v = cv::vx_load(c + x);
            const cv::v_uint8 d = (v < cv::vx_load(lo + x)) | (v > cv::vx_load(hi + x));
            cv::v_store(o + x, d);
            any |= d;
        }
        if (cv::v_check_any(any)) {
            for (int i = 0; i < x; ++i)
                defects += o[i] != 0;
        }
#endif
        for (; x < width_; ++x) {
            const bool d = c[x] < lo[x] || c[x] > hi[x];
            o[x] = d ? 255 : 0;
            defects += d;
        }
    }
    return defects;
}
