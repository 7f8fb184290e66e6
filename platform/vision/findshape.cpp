#include "platform/vision/findshape.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace {

constexpr int kMaxLevels = 5;      // coarsest pyramid level searched first (1/16)
constexpr int kGoodLevelSide = 24; // the search starts at the coarsest level this large...
constexpr int kMinLevelSide = 8;   // ...or coarser, down to this, when the search is too wide
constexpr int kMinPoints = 16;     // fewer edge points make the model unusable
constexpr int kMinCoarsePoints = 8;
// Point evaluations the coarse search may spend (about 10 ms); small models searched over a
// wide window start on a coarser level instead.
constexpr double kCoarseBudget = 2.5e7;
constexpr int kMaxPointsFine = 1000;
constexpr int kMaxPointsCoarse = 500;
constexpr int kCandidates = 5;     // coarse hits followed down the pyramid
constexpr double kPi = 3.14159265358979323846;

// Halves a picture (2x2 box average); an odd last row or column is dropped.
cv::Mat halve(const cv::Mat& src)
{
    const int w = src.cols / 2, h = src.rows / 2;
    cv::Mat dst;
    if (w < 1 || h < 1)
        return dst;
    cv::resize(src(cv::Rect(0, 0, 2 * w, 2 * h)), dst, cv::Size(w, h), 0, 0, cv::INTER_AREA);
    return dst;
}

inline void sobelAt(const cv::Mat& img, int x, int y, int* gx, int* gy)
{
    const uchar* a = img.ptr<uchar>(y - 1) + x;
    const uchar* b = img.ptr<uchar>(y) + x;
    const uchar* c = img.ptr<uchar>(y + 1) + x;
    *gx = (a[1] - a[-1]) + 2 * (b[1] - b[-1]) + (c[1] - c[-1]);
    *gy = (c[-1] - a[-1]) + 2 * (c[0] - a[0]) + (c[1] - a[1]);
}

} // namespace

void FindShape::Clear()
{
    valid_ = false;
    width_ = height_ = centreX_ = centreY_ = angleExtent_ = gradMin_ = 0;
    angleStart_ = 0;
    anyPolarity_ = false;
    minScore_ = 0.5;
    levels_.clear();
}

bool FindShape::CreateShape(const cv::Mat& image, double angleStart, int minContrast, int angleExtent,
                            int centreX, int centreY, bool anyPolarity, int maskValue, cv::Mat mask,
                            int minScore, int levels)
{
    Clear();
    if (image.empty() || image.type() != CV_8UC1 || image.cols < 8 || image.rows < 8)
        return false;
    if (!mask.empty() && (mask.size() != image.size() || mask.type() != CV_8UC1))
        return false;
    width_ = image.cols;
    height_ = image.rows;
    centreX_ = centreX;
    centreY_ = centreY;
    angleStart_ = angleStart;
    angleExtent_ = std::clamp(angleExtent, 0, 180);
    anyPolarity_ = anyPolarity;
    minScore_ = std::clamp(minScore, 3, 10) / 10.0;
    const int contrast = minContrast > 0 ? minContrast : 10;
    // A Sobel response to a step of C grey levels is about 4C; be a little lenient.
    const int edgeMin = 3 * contrast;
    gradMin_ = 2 * contrast;

    cv::Mat img = image;
    cv::Mat inside;
    if (mask.empty())
        inside = cv::Mat(image.size(), CV_8UC1, cv::Scalar(255));
    else
        cv::compare(mask, cv::Scalar(std::clamp(maskValue, 0, 255)), inside, cv::CMP_EQ);

    const int maxLevels = levels > 0 ? std::min(levels, kMaxLevels) : kMaxLevels;
    float cx = float(width_ / 2), cy = float(height_ / 2);
    for (int l = 0; l < maxLevels; ++l) {
        if (l > 0) {
            if (img.cols / 2 < kMinLevelSide || img.rows / 2 < kMinLevelSide)
                break;
            img = halve(img);
            cv::Mat m = halve(inside);
            cv::compare(m, cv::Scalar(255), inside, cv::CMP_EQ);  // wholly inside only
            cx = (cx - 0.5f) / 2;
            cy = (cy - 0.5f) / 2;
        }
        cv::Mat gx, gy;
        cv::Sobel(img, gx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
        cv::Sobel(img, gy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
        struct Cand { int x, y, mag2; };
        std::vector<Cand> cands;
        for (int y = 1; y < img.rows - 1; ++y) {
            const short* px = gx.ptr<short>(y);
            const short* py = gy.ptr<short>(y);
            const uchar* m = inside.ptr<uchar>(y);
            for (int x = 1; x < img.cols - 1; ++x) {
                const int mag2 = px[x] * px[x] + py[x] * py[x];
                if (m[x] && mag2 >= edgeMin * edgeMin)
                    cands.push_back({x, y, mag2});
            }
        }
        // Keep the strongest point of each cell, growing the cells until few enough remain.
        const size_t maxPoints = l == 0 ? kMaxPointsFine : kMaxPointsCoarse;
        std::vector<int> pick;
        for (int cell = 1;; cell *= 2) {
            const int cw = (img.cols + cell - 1) / cell;
            const int ch = (img.rows + cell - 1) / cell;
            std::vector<int> best(size_t(cw) * ch, -1);
            for (size_t i = 0; i < cands.size(); ++i) {
                int& b = best[size_t(cands[i].y / cell) * cw + cands[i].x / cell];
                if (b < 0 || cands[size_t(b)].mag2 < cands[i].mag2)
                    b = int(i);
            }
            pick.clear();
            for (int b : best)
                if (b >= 0)
                    pick.push_back(b);
            if (pick.size() <= maxPoints)
                break;
        }
        if (int(pick.size()) < (l == 0 ? kMinPoints : kMinCoarsePoints))
            break;
        Level lv;
        lv.width = img.cols;
        lv.height = img.rows;
        lv.cx = cx;
        lv.cy = cy;
        for (int i : pick) {
            const Cand& c = cands[size_t(i)];
            const float dx = gx.at<short>(c.y, c.x), dy = gy.at<short>(c.y, c.x);
            const float n = std::sqrt(dx * dx + dy * dy);
            lv.offsets.emplace_back(c.x - cx, c.y - cy);
            lv.dirs.emplace_back(dx / n, dy / n);
            lv.radius = std::max(lv.radius, std::hypot(c.x - cx, c.y - cy));
        }
        levels_.push_back(std::move(lv));
    }
    valid_ = !levels_.empty();
    if (!valid_)
        Clear();
    return valid_;
}

double FindShape::angleStep(int level) const
{
    // The farthest point moves about one pixel per step.
    const double r = std::max(1.0f, levels_[size_t(level)].radius);
    return std::max(0.02, std::atan(1.0 / r) * 180.0 / kPi);
}

// Score of the model placed with its top-left at (tx, ty), its points already rotated and
// rounded to `pts`, directions `dirs`; gradients computed at the points only.
double FindShape::scoreAt(const cv::Mat& img, const Level& lv, const std::vector<cv::Point>& pts,
                          const std::vector<cv::Point2f>& dirs, int tx, int ty, double stopBelow) const
{
    const int n = int(pts.size());
    const int gmin2 = gradMin_ * gradMin_;
    double sum = 0;
    for (int j = 0; j < n; ++j) {
        const int x = tx + pts[size_t(j)].x, y = ty + pts[size_t(j)].y;
        if (x >= 1 && y >= 1 && x < img.cols - 1 && y < img.rows - 1) {
            int gx, gy;
            sobelAt(img, x, y, &gx, &gy);
            const int mag2 = gx * gx + gy * gy;
            if (mag2 >= gmin2) {
                const double d = (dirs[size_t(j)].x * gx + dirs[size_t(j)].y * gy) / std::sqrt(double(mag2));
                sum += anyPolarity_ ? std::fabs(d) : d;
            }
        }
        if ((j & 63) == 63 && sum + (n - 1 - j) < stopBelow * n)
            return sum / n;  // cannot reach the best so far
    }
    return sum / n;
}

namespace {

void rotatePoints(const std::vector<cv::Point2f>& offsets, const std::vector<cv::Point2f>& dirs,
                  float cx, float cy, double angleDeg, std::vector<cv::Point>& pts,
                  std::vector<cv::Point2f>& rdirs)
{
    const double a = angleDeg * kPi / 180.0;
    const float c = float(std::cos(a)), s = float(std::sin(a));
    pts.resize(offsets.size());
    rdirs.resize(offsets.size());
    for (size_t j = 0; j < offsets.size(); ++j) {
        const cv::Point2f& o = offsets[j];
        pts[j] = cv::Point(cvRound(cx + c * o.x - s * o.y), cvRound(cy + s * o.x + c * o.y));
        const cv::Point2f& d = dirs[j];
        rdirs[j] = cv::Point2f(c * d.x - s * d.y, s * d.x + c * d.y);
    }
}

} // namespace

void FindShape::coarseSearch(const cv::Mat& img, int top, int pointStep, std::vector<Pose>& found) const
{
    const Level& lv = levels_[size_t(top)];
    const int ovx = lv.width / 4, ovy = lv.height / 4;
    const int txMin = -ovx, txMax = img.cols - lv.width + ovx;
    const int tyMin = -ovy, tyMax = img.rows - lv.height + ovy;
    if (txMax < txMin || tyMax < tyMin)
        return;
    // Unit gradient directions of the whole picture, zero where flat, with a zero border wide
    // enough for any placement.
    const int pad = int(std::ceil(lv.radius)) + std::max(ovx, ovy) + std::max(lv.width, lv.height) + 2;
    const int stride = img.cols + 2 * pad;
    std::vector<cv::Point2f> grad(size_t(stride) * (img.rows + 2 * pad), cv::Point2f(0, 0));
    cv::Mat gx, gy;
    cv::Sobel(img, gx, CV_16S, 1, 0, 3);
    cv::Sobel(img, gy, CV_16S, 0, 1, 3);
    const int gmin2 = gradMin_ * gradMin_;
    for (int y = 1; y < img.rows - 1; ++y) {
        const short* px = gx.ptr<short>(y);
        const short* py = gy.ptr<short>(y);
        cv::Point2f* g = grad.data() + size_t(y + pad) * stride + pad;
        for (int x = 1; x < img.cols - 1; ++x) {
            const int m2 = px[x] * px[x] + py[x] * py[x];
            if (m2 >= gmin2) {
                const float inv = 1.0f / std::sqrt(float(m2));
                g[x] = cv::Point2f(px[x] * inv, py[x] * inv);
            }
        }
    }

    std::vector<double> angles;
    if (angleExtent_ == 0) {
        angles.push_back(angleStart_);
    } else {
        const int steps = int(std::ceil(angleExtent_ / angleStep(top)));
        for (int k = -steps; k <= steps; ++k)
            angles.push_back(angleStart_ + angleExtent_ * double(k) / steps);
    }

    const double keepAbove = 0.5 * minScore_;
    // Every pointStep-th point only when the search would otherwise cost too much.
    std::vector<cv::Point2f> useOffsets, useDirs;
    for (size_t j = 0; j < lv.offsets.size(); j += size_t(std::max(1, pointStep))) {
        useOffsets.push_back(lv.offsets[j]);
        useDirs.push_back(lv.dirs[j]);
    }
    const int n = int(useOffsets.size());
    std::vector<Pose> hits;
    std::vector<cv::Point> pts;
    std::vector<cv::Point2f> dirs;
    std::vector<int> offs(static_cast<size_t>(n));
    for (double a : angles) {
        rotatePoints(useOffsets, useDirs, lv.cx, lv.cy, a, pts, dirs);
        for (int j = 0; j < n; ++j)
            offs[size_t(j)] = pts[size_t(j)].y * stride + pts[size_t(j)].x;
        for (int ty = tyMin; ty <= tyMax; ++ty) {
            for (int tx = txMin; tx <= txMax; ++tx) {
                const cv::Point2f* base = grad.data() + size_t(ty + pad) * stride + (tx + pad);
                float sum = 0;
                if (anyPolarity_) {
                    for (int j = 0; j < n; ++j) {
                        const cv::Point2f& g = base[offs[size_t(j)]];
                        sum += std::fabs(dirs[size_t(j)].x * g.x + dirs[size_t(j)].y * g.y);
                    }
                } else {
                    for (int j = 0; j < n; ++j) {
                        const cv::Point2f& g = base[offs[size_t(j)]];
                        sum += dirs[size_t(j)].x * g.x + dirs[size_t(j)].y * g.y;
                    }
                }
                const double score = double(sum) / n;
                if (score >= keepAbove)
                    hits.push_back({tx, ty, a, score});
            }
        }
    }
    std::sort(hits.begin(), hits.end(), [](const Pose& p, const Pose& q) { return p.score > q.score; });
    for (const Pose& h : hits) {
        bool near = false;
        for (const Pose& f : found)
            near = near || (std::abs(f.tx - h.tx) <= 2 && std::abs(f.ty - h.ty) <= 2);
        if (!near)
            found.push_back(h);
        if (int(found.size()) >= kCandidates)
            break;
    }
}

void FindShape::refine(const cv::Mat& img, int level, double step, Pose& pose) const
{
    const Level& lv = levels_[size_t(level)];
    std::vector<double> angles{pose.angle};
    if (angleExtent_ > 0) {
        for (double a : {pose.angle - step, pose.angle + step})
            if (a >= angleStart_ - angleExtent_ - 1e-9 && a <= angleStart_ + angleExtent_ + 1e-9)
                angles.push_back(a);
    }
    Pose best = pose;
    best.score = -1;
    const int cx = pose.tx, cy = pose.ty;
    std::vector<cv::Point> pts;
    std::vector<cv::Point2f> dirs;
    for (double a : angles) {
        rotatePoints(lv.offsets, lv.dirs, lv.cx, lv.cy, a, pts, dirs);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const double s = scoreAt(img, lv, pts, dirs, cx + dx, cy + dy, best.score);
                if (s > best.score)
                    best = {cx + dx, cy + dy, a, s};
            }
    }
    pose = best;
}

bool FindShape::Find(cv::Mat& search, int lastLevel, int* x, int* y, double* score, double* angle)
{
    if (!valid_ || search.empty() || search.type() != CV_8UC1)
        return false;
    // Start on the coarsest level that is still large enough, or coarser when that would cost
    // too much for this search picture.
    const int levels = int(levels_.size());
    int top = 0;
    while (top + 1 < levels && std::min(levels_[size_t(top + 1)].width, levels_[size_t(top + 1)].height) >= kGoodLevelSide)
        ++top;
    const auto cost = [&](int l) {
        const Level& lv = levels_[size_t(l)];
        const double sw = double(search.cols >> l) - lv.width + 2 * (lv.width / 4) + 1;
        const double sh = double(search.rows >> l) - lv.height + 2 * (lv.height / 4) + 1;
        const double angles = angleExtent_ > 0 ? 2 * std::ceil(angleExtent_ / angleStep(l)) + 1 : 1;
        return std::max(0.0, sw) * std::max(0.0, sh) * angles * double(lv.offsets.size());
    };
    while (top + 1 < levels && cost(top) > kCoarseBudget)
        ++top;
    // Still too wide (e.g. a full turn allowed): thin the coarse points, keeping at least 16.
    const int topPoints = int(levels_[size_t(top)].offsets.size());
    const int pointStep = std::clamp(int(std::ceil(cost(top) / kCoarseBudget)), 1, std::max(1, topPoints / 16));
    const int last = std::clamp(lastLevel, 0, top);
    std::vector<cv::Mat> pyr{search};
    for (int l = 1; l <= top; ++l) {
        pyr.push_back(halve(pyr.back()));
        if (pyr.back().empty())
            return false;
    }
    std::vector<Pose> cands;
    coarseSearch(pyr[size_t(top)], top, pointStep, cands);
    if (cands.empty())
        return false;
    // Follow every coarse hit to the second finest level, then only the best one.
    double step = angleStep(top);
    for (int l = top - 1; l >= last; --l) {
        step /= 2;
        for (Pose& p : cands) {
            p.tx *= 2;
            p.ty *= 2;
            refine(pyr[size_t(l)], l, step, p);
        }
        if (l <= last + 1 && cands.size() > 1) {
            auto best = std::max_element(cands.begin(), cands.end(),
                                         [](const Pose& a, const Pose& b) { return a.score < b.score; });
            cands = {*best};
        }
    }
    const Pose& best = *std::max_element(cands.begin(), cands.end(),
                                         [](const Pose& a, const Pose& b) { return a.score < b.score; });
    if (score)
        *score = std::max(0.0, best.score);
    if (best.score < minScore_)
        return false;
    const int scale = 1 << last;
    if (x)
        *x = (centreX_ - width_ / 2) - best.tx * scale;
    if (y)
        *y = (centreY_ - height_ / 2) - best.ty * scale;
    if (angle)
        *angle = best.angle;
    ++findCount;
    return true;
}
