#pragma once
// The similarity score as it stood before it was fitted to a sharp edge half a pixel off under a
// camera that averages light over each pixel, frozen: the score bench/similarity times today's
// against, in the same run, and build/similaritytable sets beside today's. Header only.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/vision/modelmask.h"
#include "platform/vision/outbuffer.h"

namespace surftoday {

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
        // Per cell (see cellLosses), compared pixels and the template's variance there.
        std::vector<double> cellPixels, cellVariance;
    };
    // The whole region and its left, right, top and bottom half.
    static constexpr int kParts = 5;
    // Crop sums per quarter of the region read at (sx, sy), and the lowest fit of the whole region
    // and its halves from them (each part's fit into `fits`, may be null).
    void read(const cv::Mat& crop, const Temp& t, int sx, int sy, Sums q[4]) const;
    double judge(const Sums q[4], const Temp& t, double fits[kParts]) const;
    double explained(const Sums q[4], const Temp& t, const double whole[kParts], const double aligned[kParts],
                     const double moveDiff[4], const double loss[4]) const;
    void line(const Sums q[4], const Temp& t, double& gain, double& offset) const;
    void cellLosses(const cv::Mat& crop, const Temp& t, const Sums wholeSums[4], const Temp& moved,
                    const Sums movedSums[4], int sx, int sy, double loss[4]) const;
    double majorityLeft(const cv::Mat& crop, const Temp& t, const Sums wholeSums[4], const cv::Mat& moved, int sx,
                        int sy) const;
    void measureCells(Temp& t) const;
    int cellCount() const;
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
// Side in pixels of the cells in which an alignment between pixels must not fit worse than the
// whole-pixel shift: small enough to show a slid part apart from the rest, large enough that the
// camera's noise in a cell does not decide.
constexpr int kCell = 10;
// Share of the template's texture an alignment between pixels must fit to be taken for the
// camera's move: three quarters, so a part slid on its own (up to a quarter of the region) does
// not choose it.
constexpr double kMajority = 0.75;
// Quarters of the whole region, of its left, right, top and bottom half.
constexpr int kPartQuarters[5][4] = {{0, 1, 2, 3}, {0, 2, -1, -1}, {1, 3, -1, -1}, {0, 1, -1, -1}, {2, 3, -1, -1}};


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
    if (temps_.size() >= size_t(kMaxTemplates))
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
    for (Temp& t : temps_) {
        measure(t);
        measureCells(t);
    }
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
            // Branch-free as in read(): the mask is 255 or 0.
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

inline void SurfToday::read(const cv::Mat& crop, const Temp& t, int sx, int sy, Sums q[4]) const
{
    // The count is the template's.
    for (int k = 0; k < 4; ++k)
        q[k] = Sums();
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
}

// Score 0..1 of crop sums q against template t: the lowest fit (below) of the whole region and of
// each of its halves, so an object over part of the region shows in that part instead of being
// diluted by the rest. `fits` (may be null) takes each part's fit, -1 for a half not judged alone.
inline double SurfToday::judge(const Sums q[4], const Temp& t, double fits[kParts]) const
{
    double best = 1.0;
    for (int p = 0; p < kParts; ++p) {
        if (fits)
            fits[p] = -1;
        double n = 0, s = 0, ss = 0, st = 0, ts = 0, tss = 0;
        for (int k : kPartQuarters[p]) {
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
        if (fits)
            fits[p] = f;
        best = std::min(best, f);
    }
    return best;
}

// Score 0..1 of the crop against the template aligned between pixels, where per part no more is
// explained than the move does to the template itself: what the aligned fit leaves (`aligned`),
// but at least what the whole-pixel fit at the same shift leaves (`whole`, from crop sums q) less
// the template's own squared difference from itself moved (`moveDiff`, per quarter), and in
// addition what the alignment made worse in the part's cells (`loss`, per quarter).
inline double SurfToday::explained(const Sums q[4], const Temp& t, const double whole[kParts], const double aligned[kParts],
                       const double moveDiff[4], const double loss[4]) const
{
    double best = 1.0;
    for (int p = 0; p < kParts; ++p) {
        if (aligned[p] < 0 || whole[p] < 0)
            continue;
        double n = 0, s = 0, ss = 0, d = 0, ts = 0, tss = 0, lost = 0;
        for (int k : kPartQuarters[p]) {
            if (k < 0)
                continue;
            n += t.quarters[k].n;
            s += q[k].s;
            ss += q[k].ss;
            d += moveDiff[k];
            lost += loss[k];
            ts += t.quarters[k].s;
            tss += t.quarters[k].ss;
        }
        n = std::max(1.0, n);
        const double variance = std::max(0.0, ss / n - (s / n) * (s / n));
        // Shares of the crop's variance (plus noise) left unexplained.
        double left = std::max(1 - aligned[p] * aligned[p],
                               1 - whole[p] * whole[p] - d / n / (variance + kNoiseVariance)) +
                      lost / n / (variance + kNoiseVariance);
        // A camera landing between pixels smooths the crop's texture: what is left counts against
        // the texture as trained (at the crop's lighting), not against the smoothed one, else the
        // fixed noise allowance grows with the smoothing and lets a change through.
        const double tVariance = std::max(0.0, tss / n - (ts / n) * (ts / n));
        const double light = ts > 0 ? s / ts : 1.0;
        const double k = variance > 0 ? std::max(1.0, tVariance * light * light / variance) : 1.0;
        left *= k * (variance + kNoiseVariance) / (k * variance + kNoiseVariance);
        best = std::min(best, std::sqrt(std::max(0.0, 1 - left)));
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
    const double gain = std::clamp(tVariance > 0 ? covariance / tVariance : 0.0, kMinGain, kMaxGain);
    const double residual = std::max(0.0, variance - 2 * gain * covariance + gain * gain * tVariance);
    const double excess = std::max(0.0, std::abs(mean - tMean) - (kLightShare * tMean + kLightLevels));
    const double meanChange = excess * excess * kNoiseVariance / (kNoiseVariance + tVariance);
    return std::sqrt(std::max(0.0, 1.0 - (residual + meanChange) / (variance + kNoiseVariance)));
}

// The gain (within lighting's range) and offset fitting crop sums q to template t over the whole region.
inline void SurfToday::line(const Sums q[4], const Temp& t, double& gain, double& offset) const
{
    double n = 0, s = 0, st = 0, ts = 0, tss = 0;
    for (int k = 0; k < 4; ++k) {
        n += t.quarters[k].n;
        ts += t.quarters[k].s;
        tss += t.quarters[k].ss;
        s += q[k].s;
        st += q[k].st;
    }
    n = std::max(1.0, n);
    const double mean = s / n, tMean = ts / n, tVariance = tss / n - tMean * tMean;
    gain = std::clamp(tVariance > 0 ? (st / n - mean * tMean) / tVariance : 0.0, kMinGain, kMaxGain);
    offset = mean - gain * tMean;
}

inline int SurfToday::cellCount() const
{
    // A cell split by the quarters' borders counts as one cell per quarter.
    return ((width_ + kCell - 1) / kCell) * ((height_ + kCell - 1) / kCell) * 4;
}

// Per cell, the template's compared pixels and its variance there.
inline void SurfToday::measureCells(Temp& t) const
{
    const int across = (width_ + kCell - 1) / kCell;
    std::vector<double> sums(size_t(cellCount()), 0.0), squares(sums.size(), 0.0);
    t.cellPixels.assign(sums.size(), 0.0);
    for (int y = 0; y < height_; ++y) {
        const uchar* m = mask_.ptr<uchar>(y);
        const uchar* a = t.image.ptr<uchar>(y);
        for (int x = shift_; x < width_ - shift_; ++x) {
            if (!m[x])
                continue;
            const size_t i = size_t(((y / kCell) * across + x / kCell) * 4 + quarter(x, y));
            t.cellPixels[i] += 1;
            sums[i] += a[x];
            squares[i] += double(a[x]) * a[x];
        }
    }
    t.cellVariance.assign(sums.size(), 0.0);
    for (size_t i = 0; i < sums.size(); ++i)
        if (t.cellPixels[i] > 0) {
            const double mean = sums[i] / t.cellPixels[i];
            t.cellVariance[i] = std::max(0.0, squares[i] / t.cellPixels[i] - mean * mean);
        }
}

// Per quarter, the sum over cells of kCell x kCell pixels of how much larger the squared difference
// of the crop read at (sx, sy) is from the template aligned between pixels (`moved`, crop sums
// `movedSums`) than from the template itself (crop sums `wholeSums`), where it is larger.
inline void SurfToday::cellLosses(const cv::Mat& crop, const Temp& t, const Sums wholeSums[4], const Temp& moved,
                      const Sums movedSums[4], int sx, int sy, double loss[4]) const
{
    double gw = 1, ow = 0, ga = 1, oa = 0;
    line(wholeSums, t, gw, ow);
    line(movedSums, moved, ga, oa);
    const float fgw = float(gw), fow = float(ow), fga = float(ga), foa = float(oa);
    const int across = (width_ + kCell - 1) / kCell;
    thread_local std::vector<double> cells;
    cells.assign(size_t(cellCount()), 0.0);
    for (int y = 0; y < height_; ++y) {
        // Rows outside the crop lie in the mask's cleared border.
        if (y + sy < 0 || y + sy >= crop.rows)
            continue;
        const uchar* m = mask_.ptr<uchar>(y);
        const uchar* a = t.image.ptr<uchar>(y);
        const uchar* b = moved.image.ptr<uchar>(y);
        const uchar* c = crop.ptr<uchar>(y + sy);
        const size_t row = size_t((y / kCell) * across * 4);
        // Run by run of pixels in one cell and quarter, branch-free (the mask is 255 or 0).
        for (int x = shift_, end = width_ - shift_; x < end;) {
            const int stop = std::min({end, (x / kCell + 1) * kCell, x < width_ / 2 ? width_ / 2 : end});
            const size_t i = row + size_t((x / kCell) * 4 + quarter(x, y));
            float worse = 0;
            for (; x < stop; ++x) {
                const float whole = c[x + sx] - fgw * a[x] - fow, aligned = c[x + sx] - fga * b[x] - foa;
                worse += float(m[x] >> 7) * (aligned * aligned - whole * whole);
            }
            cells[i] += worse;
        }
    }
    for (int k = 0; k < 4; ++k)
        loss[k] = 0;
    for (size_t i = 0; i < cells.size(); ++i)
        loss[i % 4] += std::max(0.0, cells[i]);
}

// How well the template aligned between pixels (`moved`) fits most of the crop read at (sx, sy):
// the mean share of each cell's texture (as trained, plus noise) it leaves, over the cells holding
// the best-fitting kMajority of the template's texture, at the whole-pixel fit's light (crop sums
// `wholeSums`). A camera move fits every textured cell; a part slid on its own fits another
// alignment, and is left out of this mean for the one the rest of the region fits.
inline double SurfToday::majorityLeft(const cv::Mat& crop, const Temp& t, const Sums wholeSums[4], const cv::Mat& moved, int sx,
                          int sy) const
{
    double gain = 1, offset = 0;
    line(wholeSums, t, gain, offset);
    const float fg = float(gain), fo = float(offset);
    const int across = (width_ + kCell - 1) / kCell;
    thread_local std::vector<double> left;
    left.assign(size_t(cellCount()), 0.0);
    for (int y = 0; y < height_; ++y) {
        if (y + sy < 0 || y + sy >= crop.rows)
            continue;
        const uchar* m = mask_.ptr<uchar>(y);
        const uchar* b = moved.ptr<uchar>(y);
        const uchar* c = crop.ptr<uchar>(y + sy);
        const size_t row = size_t((y / kCell) * across * 4);
        for (int x = shift_, end = width_ - shift_; x < end;) {
            const int stop = std::min({end, (x / kCell + 1) * kCell, x < width_ / 2 ? width_ / 2 : end});
            const size_t i = row + size_t((x / kCell) * 4 + quarter(x, y));
            float rest = 0;
            for (; x < stop; ++x) {
                const float d = c[x + sx] - fg * b[x] - fo;
                rest += float(m[x] >> 7) * d * d;
            }
            left[i] += rest;
        }
    }
    // Each cell's share left, weighed by its texture; the best-fitting cells first.
    thread_local std::vector<std::pair<double, double>> shares;
    shares.clear();
    double texture = 0;
    for (size_t i = 0; i < left.size(); ++i) {
        const double n = t.cellPixels[i], weight = n * t.cellVariance[i];
        if (weight <= 0)
            continue;
        shares.emplace_back(left[i] / (n * (t.cellVariance[i] + kNoiseVariance)), weight);
        texture += weight;
    }
    std::sort(shares.begin(), shares.end());
    double taken = 0, sum = 0;
    for (const auto& [share, weight] : shares) {
        const double take = std::min(weight, kMajority * texture - taken);
        if (take <= 0)
            break;
        taken += take;
        sum += take * share;
    }
    return taken > 0 ? sum / taken : 0;
}


// A fixed order of two pictures of one size by their content, so a choice between equals does not
// depend on which came first.
inline bool before(const cv::Mat& a, const cv::Mat& b)
{
    for (int y = 0; y < a.rows; ++y) {
        const int c = std::memcmp(a.ptr<uchar>(y), b.ptr<uchar>(y), size_t(a.cols));
        if (c)
            return c < 0;
    }
    return false;
}

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

// The picture moved by (dx, dy), |dx|, |dy| <= 1, edges repeated: each pixel read from its 4 x 4
// neighbours with weights halfway between linear and cubic interpolation (a resampling camera
// smooths like the one, a lens or a sensor keeps detail like the other).
inline void resample(const cv::Mat& src, double dx, double dy, cv::Mat& out)
{
    // The source is read at x - d: from column floor(x - d) - 1 on, at the fraction u.
    auto weights = [](double d, int& base, float w[4]) {
        const double from = -d;
        base = int(std::floor(from));
        const double u = from - base;
        constexpr double a = -0.75;
        auto cubic = [](double x) {
            x = std::abs(x);
            return x <= 1 ? ((a + 2) * x - (a + 3)) * x * x + 1 : ((a * x - 5 * a) * x + 8 * a) * x - 4 * a;
        };
        const double linear[4] = {0, 1 - u, u, 0};
        const double cubics[4] = {cubic(1 + u), cubic(u), cubic(1 - u), cubic(2 - u)};
        for (int k = 0; k < 4; ++k)
            w[k] = float(0.5 * (linear[k] + cubics[k]));
    };
    int bx = 0, by = 0;
    float wx[4], wy[4];
    weights(dx, bx, wx);
    weights(dy, by, wy);
    const int w = src.cols, h = src.rows;
    // Along x into rows of floats, then along y.
    // Scratch kept per thread: a region is scored many times a second.
    thread_local std::vector<int> cols;
    thread_local cv::Mat rows;
    cols.resize(size_t(w) * 4);
    for (int x = 0; x < w; ++x)
        for (int k = 0; k < 4; ++k)
            cols[size_t(x) * 4 + size_t(k)] = std::clamp(x + bx - 1 + k, 0, w - 1);
    // A move along one axis leaves the other pass a copy.
    if (dx == 0) {
        src.convertTo(rows, CV_32F);
    } else {
        rows.create(h, w, CV_32FC1);
        for (int y = 0; y < h; ++y) {
            const uchar* p = src.ptr<uchar>(y);
            float* r = rows.ptr<float>(y);
            for (int x = 0; x < w; ++x) {
                const int* c = &cols[size_t(x) * 4];
                r[x] = wx[0] * p[c[0]] + wx[1] * p[c[1]] + wx[2] * p[c[2]] + wx[3] * p[c[3]];
            }
        }
    }
    if (dy == 0) {
        rows.convertTo(out, CV_8U);
        return;
    }
    out.create(h, w, CV_8UC1);
    for (int y = 0; y < h; ++y) {
        const float* r[4];
        for (int k = 0; k < 4; ++k)
            r[k] = rows.ptr<float>(std::clamp(y + by - 1 + k, 0, h - 1));
        uchar* o = out.ptr<uchar>(y);
        for (int x = 0; x < w; ++x)
            o[x] = cv::saturate_cast<uchar>(wy[0] * r[0][x] + wy[1] * r[1][x] + wy[2] * r[2][x] + wy[3] * r[3][x]);
    }
}


inline float SurfToday::Match(cv::Mat& crop, cv::Mat& out)
{
    if (!valid_ || crop.cols != width_ || crop.rows != height_ || crop.type() != CV_8UC1)
        return 0.0f;
    if (!PrepareOutBuffer(out, crop.size(), CV_8UC1))
        return 0.0f;
    out.setTo(0);
    if (maskCount_ == 0)
        return 0.0f;
    // The match surface around the best template: per whole-pixel shift, up to one pixel beyond
    // the tolerated one, the crop's sums and each part's fit.
    const int reach = shift_ + 1, side = 2 * reach + 1;
    struct Cell {
        bool read = false;
        Sums q[4];
        double fits[kParts];
    };
    std::vector<Cell> surface(size_t(side * side));
    auto cell = [&](int sx, int sy) -> Cell& { return surface[size_t((sy + reach) * side + sx + reach)]; };
    // Best template without shift, then the best whole-pixel shift for it.
    double best = -1;
    int bestT = 0, bestX = 0, bestY = 0, tied = 0;
    double unshifted[kMaxTemplates];
    for (size_t i = 0; i < temps_.size(); ++i) {
        Cell c;
        c.read = true;
        read(crop, temps_[i], 0, 0, c.q);
        const double s = unshifted[i] = judge(c.q, temps_[i], c.fits);
        if (s > best) {
            best = s;
            bestT = int(i);
            tied = 1;
            cell(0, 0) = c;
        } else if (s == best) {
            ++tied;
        }
    }
    // Templates tied unshifted (a crop moved a whole pixel fits none there: all score 0): the one
    // that fits best within the tolerated shift is taken, not the first added, so the score does
    // not depend on the order they were added in. A tie there as well goes by their content.
    if (tied > 1) {
        std::vector<Cell> trial(surface.size());
        double bestShifted = -1;
        const int first = bestT;
        for (size_t i = size_t(first); i < temps_.size(); ++i) {
            if (unshifted[i] != best)
                continue;
            double s = -1;
            for (Cell& c : trial)
                c.read = false;
            for (int sy = -shift_; sy <= shift_; ++sy)
                for (int sx = -shift_; sx <= shift_; ++sx) {
                    Cell& c = trial[size_t((sy + reach) * side + sx + reach)];
                    c.read = true;
                    read(crop, temps_[i], sx, sy, c.q);
                    s = std::max(s, judge(c.q, temps_[i], c.fits));
                }
            if (s > bestShifted || (s == bestShifted && before(temps_[i].image, temps_[size_t(bestT)].image))) {
                bestShifted = s;
                bestT = int(i);
                std::swap(surface, trial);
            }
        }
    }
    const Temp& t = temps_[bestT];
    // One pixel beyond the tolerated shift the crop is read with its edges repeated, only to find
    // where the match peaks; nothing is scored there.
    cv::Mat padded;
    auto at = [&](int sx, int sy) -> const Cell& {
        Cell& c = cell(sx, sy);
        if (!c.read) {
            c.read = true;
            if (std::abs(sx) <= shift_ && std::abs(sy) <= shift_) {
                read(crop, t, sx, sy, c.q);
            } else {
                if (padded.empty())
                    cv::copyMakeBorder(crop, padded, 1, 1, 1, 1, cv::BORDER_REPLICATE);
                read(padded, t, sx + 1, sy + 1, c.q);
            }
            judge(c.q, t, c.fits);
        }
        return c;
    };
    for (int sy = -shift_; sy <= shift_; ++sy)
        for (int sx = -shift_; sx <= shift_; ++sx) {
            if (!sx && !sy)
                continue;
            const Cell& c = at(sx, sy);
            double s = 1.0;
            for (double f : c.fits)
                if (f >= 0)
                    s = std::min(s, f);
            if (s > best) {
                best = s;
                bestX = sx;
                bestY = sy;
            }
        }
    Sums bestSums[4];
    std::copy(cell(bestX, bestY).q, cell(bestX, bestY).q + 4, bestSums);
    // The template the crop is compared with: the best one, or it aligned between pixels.
    const Temp* against = &t;
    Temp aligned, moved, peakBest;
    // Nothing to win where the whole-pixel match is near perfect.
    if (best < kSubPixelEnough) {
        // The camera lands between pixels: the template is aligned to the crop by a fraction of a
        // pixel from where the match surface peaks, never beyond the tolerated shift (content
        // moved further is a change). Squared fits are the share of the crop's variance
        // explained, which falls as the texture's correlation with itself does.
        auto sq = [](double v) { return v * v; };
        auto fitAt = [&](int sx, int sy, int part) { return at(sx, sy).fits[part]; };
        // The peak is looked for around the whole-pixel shift the whole region fits best.
        int px = bestX, py = bestY;
        for (bool climbed = true; climbed;) {
            climbed = false;
            for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                const int nx = px + dx, ny = py + dy;
                if (std::abs(nx) <= shift_ && std::abs(ny) <= shift_ && fitAt(nx, ny, 0) > fitAt(px, py, 0)) {
                    px = nx;
                    py = ny;
                    climbed = true;
                }
            }
        }
        // A texture repeating about every 2 px matches at several whole-pixel shifts, and the move
        // may lie next to a peak other than the best one: the best of the others is tried as well.
        // A peak diagonal to the best one counts only across a valley (both shifts between fit
        // clearly worse): a camera half a pixel off diagonally fits four shifts about alike.
        std::vector<std::pair<int, int>> peaks = {{px, py}};
        double other = -1;
        for (int sy = -shift_; sy <= shift_; ++sy)
            for (int sx = -shift_; sx <= shift_; ++sx) {
                if ((sx == px && sy == py) || fitAt(sx, sy, 0) <= other)
                    continue;
                bool peak = true;
                for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
                    if (std::abs(sx + dx) <= shift_ && std::abs(sy + dy) <= shift_ &&
                        fitAt(sx + dx, sy + dy, 0) > fitAt(sx, sy, 0))
                        peak = false;
                if (peak && std::abs(sx - px) == 1 && std::abs(sy - py) == 1) {
                    const double low = 0.5 * std::min(sq(fitAt(sx, sy, 0)), sq(fitAt(px, py, 0)));
                    peak = sq(fitAt(sx, py, 0)) < low && sq(fitAt(px, sy, 0)) < low;
                }
                if (peak) {
                    other = fitAt(sx, sy, 0);
                    if (peaks.size() < 2)
                        peaks.emplace_back(sx, sy);
                    else
                        peaks[1] = {sx, sy};
                }
            }
        // With a tolerated shift of more than a pixel the climb can run along a ridge of the match
        // surface (a grain or streaks) far from the shift the whole region and its halves fit best,
        // where the move lies: that shift is aligned at as well.
        if (shift_ > 1 && std::find(peaks.begin(), peaks.end(), std::pair{bestX, bestY}) == peaks.end())
            peaks.emplace_back(bestX, bestY);
        const double wholePixel = best;
        for (const auto& peak : peaks) {
            const int cx = peak.first, cy = peak.second;
            auto inside = [&](double f, int c) { return std::clamp(f, double(-shift_ - c), double(shift_ - c)); };
            const double fx = inside(vertex(sq(fitAt(cx - 1, cy, 0)), sq(fitAt(cx, cy, 0)), sq(fitAt(cx + 1, cy, 0))), cx);
            const double fy = inside(vertex(sq(fitAt(cx, cy - 1, 0)), sq(fitAt(cx, cy, 0)), sq(fitAt(cx, cy + 1, 0))), cy);
            const double mid = sq(fitAt(cx, cy, 0));
            const double fall = std::max(mid - std::min(sq(fitAt(cx - 1, cy, 0)), sq(fitAt(cx + 1, cy, 0))),
                                         mid - std::min(sq(fitAt(cx, cy - 1, 0)), sq(fitAt(cx, cy + 1, 0))));
            // On a texture whose grain runs slanting the peak can lie off both axes: the centre of the
            // 2 x 2 shifts that fit best, within the tolerated shift, is tried as well.
            std::vector<std::pair<double, double>> tries = {{fx, fy}};
            double cellSum = -1, gx = 0, gy = 0;
            for (int qy : {-1, 1})
                for (int qx : {-1, 1}) {
                    if (std::abs(cx + qx) > shift_ || std::abs(cy + qy) > shift_)
                        continue;
                    const double sum = fitAt(cx + qx, cy, 0) + fitAt(cx, cy + qy, 0) + fitAt(cx + qx, cy + qy, 0);
                    if (sum > cellSum) {
                        cellSum = sum;
                        gx = 0.5 * qx;
                        gy = 0.5 * qy;
                    }
                }
            auto add = [&](double ax, double ay) {
                for (const auto& [tx, ty] : tries)
                    if (std::max(std::abs(ax - tx), std::abs(ay - ty)) <= 0.2)
                        return;
                tries.emplace_back(ax, ay);
            };
            if (cellSum >= 0)
                add(gx, gy);
            // A part slid on its own bends the match surface and draws the peak found from it towards
            // itself: unless the peak lies near half a pixel off on both axes, half a pixel along
            // either axis it leans to is tried as well (a camera landing between pixels along one).
            // Near half a pixel off on both axes, a corner shift that fits far worse than the two
            // beside it shows a ridge (a grain running slanting): the move lies along the ridge,
            // not at the corner, so the axis tries are made there as well.
            auto ridge = [&] {
                const int ox = fx > 0 ? 1 : -1, oy = fy > 0 ? 1 : -1;
                return sq(fitAt(cx + ox, cy + oy, 0)) <
                       0.5 * std::min(sq(fitAt(cx + ox, cy, 0)), sq(fitAt(cx, cy + oy, 0)));
            };
            if (std::min(std::abs(fx), std::abs(fy)) < 0.4 || ridge()) {
                if (std::abs(fx) > 0.1)
                    add(inside(fx > 0 ? 0.5 : -0.5, cx), 0);
                if (std::abs(fy) > 0.1)
                    add(0, inside(fy > 0 ? 0.5 : -0.5, cy));
            }
            // A plain surface is not aligned (that would only smooth the camera's noise away); between
            // plain and textured the aligned score counts in part, so the score stays smooth as a
            // texture grows.
            const double weight = std::clamp((fall - kFlatFall) / (kTexturedFall - kFlatFall), 0.0, 1.0);
            if (weight <= 0 || best >= kSubPixelEnough)
                continue;
            // Of the tries, the one that fits most of the region counts for this peak (the camera
            // moves the whole region), not the one that suits its worst part best.
            double peakMajority = -1;
            for (const auto& [dx, dy] : tries) {
                if (dx == 0 && dy == 0)
                    continue;
                // Only the template is moved: resampling the crop would smooth a thin object in it
                // away along with the misalignment.
                resample(t.image, dx, dy, moved.image);
                const double majority = majorityLeft(crop, t, at(cx, cy).q, moved.image, cx, cy);
                if (peakMajority < 0 || majority < peakMajority) {
                    peakMajority = majority;
                    std::swap(peakBest.image, moved.image);
                }
            }
            if (peakMajority < 0)
                continue;
            measure(peakBest);
            Sums q[4];
            read(crop, peakBest, cx, cy, q);
            double alignedFits[kParts];
            judge(q, peakBest, alignedFits);
            // What the move does to the template itself, per quarter: the alignment explains no
            // more of the crop's difference than that, so a part that slid or changed on its own
            // is not explained by a move of the rest.
            double moveDiff[4] = {};
            for (int y = 0; y < height_; ++y) {
                const uchar* m = mask_.ptr<uchar>(y);
                const uchar* a = t.image.ptr<uchar>(y);
                const uchar* b = peakBest.image.ptr<uchar>(y);
                for (int side = 0; side < 2; ++side) {
                    int sum = 0;
                    for (int x = side ? width_ / 2 : 0, end = side ? width_ : width_ / 2; x < end; ++x) {
                        const int d = (a[x] - b[x]) & -(m[x] >> 7);
                        sum += d * d;
                    }
                    moveDiff[quarter(side ? width_ / 2 : 0, y)] += sum;
                }
            }
            // What the alignment makes worse in a cell cannot be paid for by what it makes better in
            // another: a camera move improves every textured cell, a part slid on its own only its own.
            double loss[4];
            cellLosses(crop, t, at(cx, cy).q, peakBest, q, cx, cy, loss);
            const double aligned0 = explained(q, t, at(cx, cy).fits, alignedFits, moveDiff, loss);
            const double peakScore = wholePixel + weight * (aligned0 - wholePixel);
            if (peakScore > best) {
                best = peakScore;
                bestX = cx;
                bestY = cy;
                std::copy(q, q + 4, bestSums);
                std::swap(aligned, peakBest);
                against = &aligned;
            }
        }
    }
    double cropSum = 0;
    for (const Sums& q : bestSums)
        cropSum += q.s;
    const double bestMean = cropSum / std::max(1, maskCount_);
    // Difference picture against the best template, brightness offset removed as the score does.
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    cv::Mat tLo, tHi;
    // The aligned template is smoothed: the points of a fine texture outshine its neighbourhood's
    // range, which the template's own range, a fraction of a pixel off, still holds. The range is
    // that of both.
    cv::Mat darkest, brightest;
    if (against != &t) {
        cv::min(against->image, t.image, darkest);
        cv::max(against->image, t.image, brightest);
    } else {
        darkest = brightest = against->image;
    }
    cv::erode(darkest, tLo, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::dilate(brightest, tHi, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    const int offset = int(std::lround(bestMean - against->mean));
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

} // namespace surftoday

using surftoday::SurfToday;
