#pragma once
// The similarity score as it was before its alignment between pixels was kept within the
// tolerated shift and made to fit a camera that averages light over each pixel: the baseline
// bench/similarity times today's score against, in the same run.
#include <algorithm>
#include <cmath>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/vision/modelmask.h"
#include "platform/vision/outbuffer.h"

class SurfToday {
public:
    SurfToday() = default;

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
    // Score of the crop read at (sx, sy); `whole` (may be null) takes the whole region's fit alone.
    double score(const cv::Mat& crop, const Temp& t, int sx, int sy, double* cropMean, double* whole) const;
    // Template sums over the compared pixels.
    void measure(Temp& t) const;
    static double fit(double n, double s, double ss, double st, double ts, double tss);
    int quarter(int x, int y) const { return (y >= height_ / 2 ? 2 : 0) + (x >= width_ / 2 ? 1 : 0); }

    int width_ = 0;
    int height_ = 0;
    int shift_ = 1;
    int diffLevel_ = 50;
    int minScore_ = 0;
    bool created_ = false;
    bool valid_ = false;
    cv::Mat mask_;       // compared pixels (255, else 0), border of `shift_` cleared so shifted reads stay inside
    int maskCount_ = 0;
    std::vector<Temp> temps_;
};

namespace surftoday {

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
// A whole-pixel match this good (0..1) is not aligned further between pixels.
constexpr double kSubPixelEnough = 0.97;
// Fall of the match (squared fit, 0..1) one pixel off its peak from which a texture is aligned
// between pixels, and the fall from which that alignment counts in full: between the two the
// score moves smoothly from the whole-pixel one (a plain surface has nothing to align, and moving
// it would only smooth the camera's noise away).
constexpr double kFlatFall = 0.05;
constexpr double kTexturedFall = 0.25;

} // namespace surftoday

inline void SurfToday::Clear()
{
    width_ = height_ = maskCount_ = minScore_ = 0;
    shift_ = 1;
    diffLevel_ = 50;
    created_ = valid_ = false;
    mask_.release();
    temps_.clear();
}

inline bool SurfToday::Create(int width, int height, const cv::Mat& mask)
{
    Clear();
    if (!takeModelMask(width, height, mask, mask_))
        return false;
    width_ = width;
    height_ = height;
    created_ = true;
    return true;
}

inline bool SurfToday::AddTemp(const cv::Mat& templ, int shift, int diffLevel, int minScore)
{
    if (!created_ || valid_ || templ.cols != width_ || templ.rows != height_ || templ.type() != CV_8UC1)
        return false;
    if (temps_.empty()) {
        shift_ = std::clamp(shift, 0, 4);
        diffLevel_ = std::clamp(diffLevel, 0, 255);
        minScore_ = minScore;
    }
    // Memory stays bounded with many templates: the newest ones are kept.
    if (temps_.size() >= size_t(surftoday::kMaxTemplates))
        temps_.erase(temps_.begin());
    Temp t;
    t.image = templ.clone();
    temps_.push_back(std::move(t));
    return true;
}

inline bool SurfToday::Train(int, int, int, int)
{
    if (!created_ || temps_.empty())
        return false;
    // Compare only pixels whose shifted positions stay inside the crop.
    cv::Mat inner = cv::Mat::zeros(height_, width_, CV_8UC1);
    if (width_ > 2 * shift_ && height_ > 2 * shift_) {
        const cv::Rect r(shift_, shift_, width_ - 2 * shift_, height_ - 2 * shift_);
        inner(r).setTo(255, mask_(r));
    }
    mask_ = inner;
    maskCount_ = cv::countNonZero(mask_);
    for (Temp& t : temps_)
        measure(t);
    valid_ = true;
    return true;
}

inline void SurfToday::measure(Temp& t) const
{
    for (auto& q : t.quarters)
        q = Sums();
    const int midX = width_ / 2;
    for (int y = 0; y < height_; ++y) {
        const uchar* m = mask_.ptr<uchar>(y);
        const uchar* p = t.image.ptr<uchar>(y);
        for (int side = 0; side < 2; ++side) {
            // Branch-free as in score(): the mask is 255 or 0.
            int n = 0, sum = 0, squares = 0;
            for (int x = side ? midX : 0, end = side ? width_ : midX; x < end; ++x) {
                const int v = p[x] & m[x];
                n += m[x] >> 7;
                sum += v;
                squares += v * v;
            }
            Sums& q = t.quarters[quarter(side ? midX : 0, y)];
            q.n += n;
            q.s += sum;
            q.ss += squares;
        }
    }
    double sum = 0;
    for (const Sums& q : t.quarters)
        sum += q.s;
    t.mean = sum / std::max(1, maskCount_);
}

// Score 0..1 of the crop read at offset (sx, sy) against template t: the lowest fit (below) of
// the whole region and of each of its halves, so an object over part of the region shows in that
// part instead of being diluted by the rest.
inline double SurfToday::score(const cv::Mat& crop, const Temp& t, int sx, int sy, double* cropMean, double* whole) const
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
            int rsc = 0, rstc = 0, rscc = 0;
            // The mask is 255 or 0: masking by AND keeps the loop free of branches. Columns in
            // the mask's cleared border are not read at all.
            const int begin = std::max(side ? midX : 0, shift_), end = std::min(side ? width_ : midX, width_ - shift_);
            for (int x = begin; x < end; ++x) {
                const int c = cp[x + sx] & m[x];
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
        const double f = fit(n, s, ss, st, ts, tss);
        if (p == 0 && whole)
            *whole = f;
        best = std::min(best, f);
    }
    return best;
}

// Score 0..1 from the sums over n pixels of the crop (s, ss), of crop times template (st) and of
// the template (ts, tss). The crop is fitted as the template times a gain plus an offset (a
// change of lighting); what the fit leaves, with any change of the mean beyond lighting, is
// weighed against the crop's variance plus the noise variance: a textured crop scores about as
// its normalised correlation, a plain one by how plain it stays, and every step between is smooth.
inline double SurfToday::fit(double n, double s, double ss, double st, double ts, double tss)
{
    n = std::max(1.0, n);
    const double mean = s / n, tMean = ts / n;
    const double variance = std::max(0.0, ss / n - mean * mean);
    const double tVariance = std::max(0.0, tss / n - tMean * tMean);
    const double covariance = st / n - mean * tMean;
    // Residual of crop - gain * template about their means, the gain as lighting can make it.
    const double gain = std::clamp(tVariance > 0 ? covariance / tVariance : 0.0, surftoday::kMinGain, surftoday::kMaxGain);
    const double residual = std::max(0.0, variance - 2 * gain * covariance + gain * gain * tVariance);
    const double excess = std::max(0.0, std::abs(mean - tMean) - (surftoday::kLightShare * tMean + surftoday::kLightLevels));
    const double meanChange = excess * excess * surftoday::kNoiseVariance / (surftoday::kNoiseVariance + tVariance);
    return std::sqrt(std::max(0.0, 1.0 - (residual + meanChange) / (variance + surftoday::kNoiseVariance)));
}

namespace surftoday {

// Peak between the match values at -1 (lo), 0 (mid) and 1 (hi), within half a step of the middle
// (0 when they are flat). A fine texture's match falls off in a cone rather than a parabola, so
// the peak is taken where two lines of opposite slope through the points meet.
inline double vertex(double lo, double mid, double hi)
{
    const double fall = mid - std::min(lo, hi);
    if (!(fall > 0))
        return 0;
    return std::clamp(0.5 * (hi - lo) / fall, -0.5, 0.5);
}

// The picture read at (x + dx, y + dy), |dx|, |dy| < 2, interpolated linearly, edges repeated.
inline void resample(const cv::Mat& src, double dx, double dy, cv::Mat& out)
{
    const int w = src.cols, h = src.rows;
    const int ix = int(std::floor(dx)), iy = int(std::floor(dy));
    // Weights in 1/256.
    const int ax = int(std::lround((dx - ix) * 256)), ay = int(std::lround((dy - iy) * 256));
    // Columns read, edges repeated; rows interpolated along x once each.
    std::vector<int> cols(static_cast<size_t>(w) + 1);
    for (int x = 0; x <= w; ++x)
        cols[size_t(x)] = std::clamp(x + ix, 0, w - 1);
    cv::Mat rows(h + 1, w, CV_16UC1);
    for (int y = 0; y <= h; ++y) {
        const uchar* p = src.ptr<uchar>(std::clamp(y + iy, 0, h - 1));
        ushort* r = rows.ptr<ushort>(y);
        const int* c = cols.data();
        for (int x = 0; x < w; ++x)
            r[x] = ushort((256 - ax) * p[c[x]] + ax * p[c[x + 1]]);
    }
    out.create(h, w, CV_8UC1);
    for (int y = 0; y < h; ++y) {
        const ushort* r0 = rows.ptr<ushort>(y);
        const ushort* r1 = rows.ptr<ushort>(y + 1);
        uchar* o = out.ptr<uchar>(y);
        for (int x = 0; x < w; ++x)
            o[x] = uchar(((256 - ay) * unsigned(r0[x]) + ay * unsigned(r1[x]) + 32768) >> 16);
    }
}

} // namespace surftoday

inline float SurfToday::Match(cv::Mat& crop, cv::Mat& out)
{
    if (!valid_ || crop.cols != width_ || crop.rows != height_ || crop.type() != CV_8UC1)
        return 0.0f;
    if (!PrepareOutBuffer(out, crop.size(), CV_8UC1))
        return 0.0f;
    out.setTo(0);
    if (maskCount_ == 0)
        return 0.0f;
    // Best template without shift, then the best whole-pixel shift for it.
    double best = -1, bestMean = 0;
    int bestT = 0, bestX = 0, bestY = 0;
    const int reach = shift_ + 1, side = 2 * reach + 1;
    // Whole region's fit per whole-pixel shift, the match surface (-1: not read).
    std::vector<double> surface(size_t(side * side), -1.0);
    auto at = [&](int sx, int sy) -> double& { return surface[size_t((sy + reach) * side + sx + reach)]; };
    for (size_t i = 0; i < temps_.size(); ++i) {
        double mean = 0, whole = 0;
        const double s = score(crop, temps_[i], 0, 0, &mean, &whole);
        if (s > best) {
            best = s;
            bestT = int(i);
            bestMean = mean;
            at(0, 0) = whole;
        }
    }
    const Temp& t = temps_[bestT];
    for (int sy = -shift_; sy <= shift_; ++sy)
        for (int sx = -shift_; sx <= shift_; ++sx) {
            if (!sx && !sy)
                continue;
            double mean = 0;
            const double s = score(crop, t, sx, sy, &mean, &at(sx, sy));
            if (s > best) {
                best = s;
                bestX = sx;
                bestY = sy;
                bestMean = mean;
            }
        }
    Temp moved[2];
    const Temp* against = &t;
    int readX = bestX, readY = bestY;
    // Nothing to win where the whole-pixel match is near perfect.
    if (best < surftoday::kSubPixelEnough) {
        // The camera lands between pixels: align the template to the crop by a fraction of a pixel
        // around the best whole-pixel shift, from the match surface's peak.
        // One pixel beyond the tolerated shift the crop is read with its edges repeated: the mask
        // keeps the border of the shift only, so an object near the region's edge still counts.
        cv::Mat padded;
        auto wholeAt = [&](int sx, int sy) {
            double& w = at(sx, sy);
            if (w < 0) {
                double mean = 0;
                if (std::abs(sx) <= shift_ && std::abs(sy) <= shift_) {
                    score(crop, t, sx, sy, &mean, &w);
                } else {
                    if (padded.empty())
                        cv::copyMakeBorder(crop, padded, 1, 1, 1, 1, cv::BORDER_REPLICATE);
                    score(padded, t, sx + 1, sy + 1, &mean, &w);
                }
            }
            return w;
        };
        // Squared fits: the share of the crop's variance explained, which falls as the texture's
        // correlation with itself does. The peak is looked for around the whole-pixel shift the
        // whole region fits best (a half may prefer another).
        auto sq = [](double v) { return v * v; };
        int cx = bestX, cy = bestY;
        for (bool climbed = true; climbed;) {
            climbed = false;
            for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                const int nx = cx + dx, ny = cy + dy;
                if (std::abs(nx) <= shift_ && std::abs(ny) <= shift_ && wholeAt(nx, ny) > wholeAt(cx, cy)) {
                    cx = nx;
                    cy = ny;
                    climbed = true;
                }
            }
        }
        // Peak along x on row `y` and along y on column `x`.
        auto alongX = [&](int y) { return surftoday::vertex(sq(wholeAt(cx - 1, y)), sq(wholeAt(cx, y)), sq(wholeAt(cx + 1, y))); };
        auto alongY = [&](int x) { return surftoday::vertex(sq(wholeAt(x, cy - 1)), sq(wholeAt(x, cy)), sq(wholeAt(x, cy + 1))); };
        const double fx = alongX(cy), fy = alongY(cx);
        const double mid = sq(wholeAt(cx, cy));
        const double fall = std::max(mid - std::min(sq(wholeAt(cx - 1, cy)), sq(wholeAt(cx + 1, cy))),
                                     mid - std::min(sq(wholeAt(cx, cy - 1)), sq(wholeAt(cx, cy + 1))));
        // On a texture whose grain runs slanting the peak can lie off both axes: the centre of the
        // 2 x 2 shifts that fit best is tried as well.
        std::vector<std::pair<double, double>> tries = {{fx, fy}};
        double cell = -1, gx = 0, gy = 0;
        for (int qy : {-1, 1})
            for (int qx : {-1, 1}) {
                const double sum = wholeAt(cx + qx, cy) + wholeAt(cx, cy + qy) + wholeAt(cx + qx, cy + qy);
                if (sum > cell) {
                    cell = sum;
                    gx = 0.5 * qx;
                    gy = 0.5 * qy;
                }
            }
        if (std::max(std::abs(gx - fx), std::abs(gy - fy)) > 0.2)
            tries.emplace_back(gx, gy);
        const double weight = std::clamp((fall - surftoday::kFlatFall) / (surftoday::kTexturedFall - surftoday::kFlatFall), 0.0, 1.0);
        const double wholePixel = best;
        for (size_t i = 0; i < tries.size() && best < surftoday::kSubPixelEnough && weight > 0; ++i) {
            const auto [dx, dy] = tries[i];
            if (dx == 0 && dy == 0)
                continue;
            // Only the template is moved: resampling the crop would smooth a thin object in it
            // away along with the misalignment.
            surftoday::resample(t.image, -dx, -dy, moved[i].image);
            measure(moved[i]);
            double mean = 0;
            const double s = wholePixel + weight * (score(crop, moved[i], cx, cy, &mean, nullptr) - wholePixel);
            if (s > best) {
                best = s;
                bestMean = mean;
                against = &moved[i];
                readX = cx;
                readY = cy;
            }
        }
    }
    // Difference picture against the best template, brightness offset removed as the score does.
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    cv::Mat tLo, tHi;
    cv::erode(against->image, tLo, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::dilate(against->image, tHi, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    const int offset = int(std::lround(bestMean - against->mean));
    for (int y = 0; y < height_; ++y) {
        if (y + readY < 0 || y + readY >= crop.rows)
            continue;  // in the mask's cleared border, as above
        const uchar* m = mask_.ptr<uchar>(y);
        const uchar* lo = tLo.ptr<uchar>(y);
        const uchar* hi = tHi.ptr<uchar>(y);
        const uchar* cp = crop.ptr<uchar>(y + readY);
        uchar* o = out.ptr<uchar>(y);
        for (int x = 0; x < width_; ++x) {
            if (!m[x])
                continue;
            const int c = cp[x + readX] - offset;
            if (c < lo[x] - diffLevel_ || c > hi[x] + diffLevel_)
                o[x] = 255;
        }
    }
    return float(std::clamp(best, 0.0, 1.0) * 100.0);
}
