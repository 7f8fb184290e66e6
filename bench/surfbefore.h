#pragma once
// The similarity score as it was before it weighed a plain surface by its flatness: normalised
// correlation, or 1 - RMS/32 of the grey difference where the template's or the crop's variance
// is below 4. Kept as the baseline the similarity figures and table compare with.
#include <algorithm>
#include <cmath>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/vision/modelmask.h"
#include "platform/vision/outbuffer.h"

class SurfBefore {
public:
    SurfBefore() = default;

    bool IsValid() const { return valid_; }
    void Clear();

    bool Create(int width, int height, const cv::Mat& mask);
    bool AddTemp(const cv::Mat& templ, int shift, int diffLevel, int minScore);
    bool Train(int, int, int, int);
    float Match(cv::Mat& crop, cv::Mat& out);

    int minScore() const { return minScore_; }

private:
    struct Temp {
        cv::Mat image;   // the template crop
        double mean = 0; // over the compared pixels
        double norm = 0; // sqrt of the sum of squared deviations
    };
    double correlate(const cv::Mat& crop, const Temp& t, int sx, int sy, double* cropMean) const;

    int width_ = 0;
    int height_ = 0;
    int shift_ = 1;
    int diffLevel_ = 50;
    int minScore_ = 0;
    bool created_ = false;
    bool valid_ = false;
    cv::Mat mask_;       // compared pixels, border of `shift_` removed so shifted reads stay inside
    int maskCount_ = 0;
    std::vector<Temp> temps_;
};

namespace surfbefore {

// Below this spread (sum of squared deviations per pixel) a picture is flat and correlation
// means nothing; such pairs are compared by their grey difference instead.
constexpr double kFlatVariance = 4.0;
// Grey RMS difference at which a flat comparison scores 0.
constexpr double kFlatScale = 32.0;
// Templates kept per model.
constexpr int kMaxTemplates = 16;

} // namespace surfbefore

inline void SurfBefore::Clear()
{
    width_ = height_ = maskCount_ = minScore_ = 0;
    shift_ = 1;
    diffLevel_ = 50;
    created_ = valid_ = false;
    mask_.release();
    temps_.clear();
}

inline bool SurfBefore::Create(int width, int height, const cv::Mat& mask)
{
    Clear();
    if (!takeModelMask(width, height, mask, mask_))
        return false;
    width_ = width;
    height_ = height;
    created_ = true;
    return true;
}

inline bool SurfBefore::AddTemp(const cv::Mat& templ, int shift, int diffLevel, int minScore)
{
    if (!created_ || valid_ || templ.cols != width_ || templ.rows != height_ || templ.type() != CV_8UC1)
        return false;
    if (temps_.empty()) {
        shift_ = std::clamp(shift, 0, 4);
        diffLevel_ = std::clamp(diffLevel, 0, 255);
        minScore_ = minScore;
    }
    // Memory stays bounded with many templates: the newest ones are kept.
    if (temps_.size() >= size_t(surfbefore::kMaxTemplates))
        temps_.erase(temps_.begin());
    Temp t;
    t.image = templ.clone();
    temps_.push_back(std::move(t));
    return true;
}

inline bool SurfBefore::Train(int, int, int, int)
{
    if (!created_ || temps_.empty())
        return false;
    // Compare only pixels whose shifted positions stay inside the crop.
    cv::Mat inner = cv::Mat::zeros(height_, width_, CV_8UC1);
    if (width_ > 2 * shift_ && height_ > 2 * shift_) {
        const cv::Rect r(shift_, shift_, width_ - 2 * shift_, height_ - 2 * shift_);
        mask_(r).copyTo(inner(r));
    }
    mask_ = inner;
    maskCount_ = cv::countNonZero(mask_);
    for (Temp& t : temps_) {
        double sum = 0, sq = 0;
        for (int y = 0; y < height_; ++y) {
            const uchar* m = mask_.ptr<uchar>(y);
            const uchar* p = t.image.ptr<uchar>(y);
            for (int x = 0; x < width_; ++x)
                if (m[x]) {
                    sum += p[x];
                    sq += double(p[x]) * p[x];
                }
        }
        const double n = std::max(1, maskCount_);
        t.mean = sum / n;
        t.norm = std::sqrt(std::max(0.0, sq - sum * sum / n));
    }
    valid_ = true;
    return true;
}

// Score in -1..1 of the crop read at offset (sx, sy) against template t; flat pairs are scored
// by their RMS grey difference instead.
inline double SurfBefore::correlate(const cv::Mat& crop, const Temp& t, int sx, int sy, double* cropMean) const
{
    double sc = 0, scc = 0, stc = 0, sd2 = 0;
    for (int y = 0; y < height_; ++y) {
        // A shifted row outside the crop lies in the mask's cleared border: no pointer is made to it.
        if (y + sy < 0 || y + sy >= crop.rows)
            continue;
        const uchar* m = mask_.ptr<uchar>(y);
        const uchar* tp = t.image.ptr<uchar>(y);
        const uchar* cp = crop.ptr<uchar>(y + sy);
        int rsc = 0, rstc = 0;
        int64_t rscc = 0, rsd2 = 0;
        for (int x = 0; x < width_; ++x) {
            if (!m[x])
                continue;
            const int c = cp[x + sx];
            const int tv = tp[x];
            rsc += c;
            rscc += c * c;
            rstc += c * tv;
            rsd2 += (c - tv) * (c - tv);
        }
        sc += rsc;
        scc += double(rscc);
        stc += rstc;
        sd2 += double(rsd2);
    }
    const double n = std::max(1, maskCount_);
    *cropMean = sc / n;
    const double cropNorm = std::sqrt(std::max(0.0, scc - sc * sc / n));
    if (t.norm * t.norm < surfbefore::kFlatVariance * n || cropNorm * cropNorm < surfbefore::kFlatVariance * n)
        return std::max(0.0, 1.0 - std::sqrt(sd2 / n) / surfbefore::kFlatScale);
    // sum((c - mc)(t - mt)) = sum(c t) - n mc mt
    const double cov = stc - sc * t.mean;
    return cov / (cropNorm * t.norm);
}

inline float SurfBefore::Match(cv::Mat& crop, cv::Mat& out)
{
    if (!valid_ || crop.cols != width_ || crop.rows != height_ || crop.type() != CV_8UC1)
        return 0.0f;
    if (!PrepareOutBuffer(out, crop.size(), CV_8UC1))
        return 0.0f;
    out.setTo(0);
    if (maskCount_ == 0)
        return 0.0f;
    // Best template without shift, then the best shift for it.
    double best = -2, bestMean = 0;
    int bestT = 0, bestX = 0, bestY = 0;
    for (size_t i = 0; i < temps_.size(); ++i) {
        double mean = 0;
        const double s = correlate(crop, temps_[i], 0, 0, &mean);
        if (s > best) {
            best = s;
            bestT = int(i);
            bestMean = mean;
        }
    }
    for (int sy = -shift_; sy <= shift_; ++sy)
        for (int sx = -shift_; sx <= shift_; ++sx) {
            if (!sx && !sy)
                continue;
            double mean = 0;
            const double s = correlate(crop, temps_[bestT], sx, sy, &mean);
            if (s > best) {
                best = s;
                bestX = sx;
                bestY = sy;
                bestMean = mean;
            }
        }
    // Difference picture against the best template, brightness offset removed as the score does.
    const Temp& t = temps_[bestT];
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    cv::Mat tLo, tHi;
    cv::erode(t.image, tLo, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::dilate(t.image, tHi, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    const int offset = int(std::lround(bestMean - t.mean));
    for (int y = 0; y < height_; ++y) {
        if (y + bestY < 0 || y + bestY >= crop.rows)
            continue;  // in the mask's cleared border, as above
        const uchar* m = mask_.ptr<uchar>(y);
        const uchar* lo = tLo.ptr<uchar>(y);
        const uchar* hi = tHi.ptr<uchar>(y);
        const uchar* cp = crop.ptr<uchar>(y + bestY);
        uchar* o = out.ptr<uchar>(y);
        for (int x = 0; x < width_; ++x) {
            if (!m[x])
                continue;
            const int c = cp[x + bestX] - offset;
            if (c < lo[x] - diffLevel_ || c > hi[x] + diffLevel_)
                o[x] = 255;
        }
    }
    return float(std::clamp(best, 0.0, 1.0) * 100.0);
}
