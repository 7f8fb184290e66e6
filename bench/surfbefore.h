#pragma once
// The similarity score as it was before it aligned the crop to its template between pixels: the
// best whole-pixel shift only. Kept as the baseline the similarity figures and table compare with.
#include <algorithm>
#include <cmath>
#include <cstdint>
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

    // Starts a model for crops of width x height; `mask` (same size, 8-bit) selects the compared
    // pixels, an empty mask compares all.
    bool Create(int width, int height, const cv::Mat& mask);
    // Adds one template crop (the newest 16 are kept). `shift`: tolerated displacement in pixels (0..4); `diffLevel`: grey
    // difference beyond the template's neighbourhood range that the difference picture marks;
    // `minScore`: the score the caller will require (kept for reference).
    bool AddTemp(const cv::Mat& templ, int shift, int diffLevel, int minScore);
    // Finishes the model; the arguments are not used (the call sites pass zeros).
    bool Train(int, int, int, int);
    // Returns the similarity score 0..100 (0 when not possible) and writes a crop-sized 8-bit
    // difference picture into `out` (reused when it has that size): 255 where the crop differs.
    float Match(cv::Mat& crop, cv::Mat& out);

    int minScore() const { return minScore_; }

private:
    struct Sums {
        double n = 0, s = 0, ss = 0, st = 0;
    };
    struct Temp {
        cv::Mat image;   // the template crop
        double mean = 0; // over the compared pixels
        Sums quarters[4];   // compared pixels, sum and sum of squares per quarter of the region
    };
    double score(const cv::Mat& crop, const Temp& t, int sx, int sy, double* cropMean) const;
    static double fit(double n, double s, double ss, double st, double ts, double tss);
    int quarter(int x, int y) const { return (y >= height_ / 2 ? 2 : 0) + (x >= width_ / 2 ? 1 : 0); }

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

// Texture a region must have before its pattern decides the score alone, as a variance in grey
// levels squared: about the camera's own noise (sd 6). Below it the score rests more and more on
// the crop's flatness, so a plain surface under sensor noise still scores high and the score does
// not jump as the texture grows.
constexpr double kNoiseVariance = 36.0;
// A change of the mean grey up to this share of the template's, plus a few levels for dark
// surfaces, is taken as lighting; beyond it the change counts as a difference, the more the
// plainer the template (on a textured one the pattern tells).
constexpr double kLightShare = 0.10;
constexpr double kLightLevels = 4.0;
// Contrast change lighting can make: a crop whose texture fits the template only at a weaker or
// stronger contrast than this (a plain object over textured ground) is not explained by it.
constexpr double kMinGain = 2.0 / 3.0;
constexpr double kMaxGain = 1.5;
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
        for (auto& q : t.quarters)
            q = Sums();
        for (int y = 0; y < height_; ++y) {
            const uchar* m = mask_.ptr<uchar>(y);
            const uchar* p = t.image.ptr<uchar>(y);
            for (int x = 0; x < width_; ++x)
                if (m[x]) {
                    Sums& q = t.quarters[quarter(x, y)];
                    q.n += 1;
                    q.s += p[x];
                    q.ss += double(p[x]) * p[x];
                }
        }
        double sum = 0;
        for (const Sums& q : t.quarters)
            sum += q.s;
        t.mean = sum / std::max(1, maskCount_);
    }
    valid_ = true;
    return true;
}

// Score 0..1 of the crop read at offset (sx, sy) against template t: the lowest fit (below) of
// the whole region and of each of its halves, so an object over part of the region shows in that
// part instead of being diluted by the rest.
inline double SurfBefore::score(const cv::Mat& crop, const Temp& t, int sx, int sy, double* cropMean) const
{
    // Crop sums per quarter of the region (the count is the template's).
    Sums q[4];
    const int midX = width_ / 2;
    for (int y = 0; y < height_; ++y) {
        // A shifted row outside the crop lies in the mask's cleared border: no pointer is made to it.
        if (y + sy < 0 || y + sy >= crop.rows)
            continue;
        const uchar* m = mask_.ptr<uchar>(y);
        const uchar* tp = t.image.ptr<uchar>(y);
        const uchar* cp = crop.ptr<uchar>(y + sy);
        for (int side = 0; side < 2; ++side) {
            int rsc = 0, rstc = 0;
            int64_t rscc = 0;
            for (int x = side ? midX : 0, end = side ? width_ : midX; x < end; ++x) {
                if (!m[x])
                    continue;
                const int c = cp[x + sx];
                rsc += c;
                rscc += c * c;
                rstc += c * tp[x];
            }
            Sums& r = q[quarter(side ? midX : 0, y)];
            r.s += rsc;
            r.ss += double(rscc);
            r.st += rstc;
        }
    }
    double cs = 0;
    for (const Sums& r : q)
        cs += r.s;
    *cropMean = cs / std::max(1, maskCount_);
    // Quarters of the whole region, of its left, right, top and bottom half.
    static const int parts[5][4] = {{0, 1, 2, 3}, {0, 2, -1, -1}, {1, 3, -1, -1}, {0, 1, -1, -1}, {2, 3, -1, -1}};
    double best = 1.0;
    for (int p = 0; p < 5; ++p) {
        double n = 0, s = 0, ss = 0, st = 0, ts = 0, tss = 0;
        for (int k : parts[p]) {
            if (k < 0)
                continue;
            n += t.quarters[k].n;
            ts += t.quarters[k].s;
            tss += t.quarters[k].ss;
            s += q[k].s;
            ss += q[k].ss;
            st += q[k].st;
        }
        // A half with few compared pixels (an odd shape) is judged within the whole only.
        if (p > 0 && n * 4 < maskCount_)
            continue;
        best = std::min(best, fit(n, s, ss, st, ts, tss));
    }
    return best;
}

// Score 0..1 from the sums over n pixels of the crop (s, ss), of crop times template (st) and of
// the template (ts, tss). The crop is fitted as the template times a gain plus an offset (a
// change of lighting); what the fit leaves, with any change of the mean beyond lighting, is
// weighed against the crop's variance plus the noise variance: a textured crop scores about as
// its normalised correlation, a plain one by how plain it stays, and every step between is smooth.
inline double SurfBefore::fit(double n, double s, double ss, double st, double ts, double tss)
{
    n = std::max(1.0, n);
    const double mean = s / n, tMean = ts / n;
    const double variance = std::max(0.0, ss / n - mean * mean);
    const double tVariance = std::max(0.0, tss / n - tMean * tMean);
    const double covariance = st / n - mean * tMean;
    // Residual of crop - gain * template about their means, the gain as lighting can make it.
    const double gain = std::clamp(tVariance > 0 ? covariance / tVariance : 0.0, surfbefore::kMinGain, surfbefore::kMaxGain);
    const double residual = std::max(0.0, variance - 2 * gain * covariance + gain * gain * tVariance);
    const double excess = std::max(0.0, std::abs(mean - tMean) - (surfbefore::kLightShare * tMean + surfbefore::kLightLevels));
    const double meanChange = excess * excess * surfbefore::kNoiseVariance / (surfbefore::kNoiseVariance + tVariance);
    return std::sqrt(std::max(0.0, 1.0 - (residual + meanChange) / (variance + surfbefore::kNoiseVariance)));
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
    double best = -1, bestMean = 0;
    int bestT = 0, bestX = 0, bestY = 0;
    for (size_t i = 0; i < temps_.size(); ++i) {
        double mean = 0;
        const double s = score(crop, temps_[i], 0, 0, &mean);
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
            const double s = score(crop, temps_[bestT], sx, sy, &mean);
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
