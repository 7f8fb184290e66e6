#pragma once
// Real photographs for the similarity checks (crops in tests/data/photos, sources in its README):
// the scene crops laid out in one grey camera picture with one or two regions each, the changes a
// mould camera sees, and patches of other photographs pasted over a region as real objects.
// Header only, so tools can use it.
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace photos {

struct Region {
    std::string name;  // crop file and the region's place in it
    cv::Rect rect;     // in picture pixels
    double sd = 0;     // grey spread of the region in the picture
    double near = 0;   // its correlation with itself 1 px away (the lower of x and y): fineness
    // Repeats every 2 px or less: along x, y or a diagonal it correlates with itself 2 px away
    // clearly (0.2 or more) and clearly better (by 0.1) than 1 px away, so content moved 2 px
    // looks like content moved by a pixel or less.
    bool repeats2 = false;
};

struct Set {
    cv::Mat picture;   // grey, the crops on a mid-grey ground
    std::vector<Region> plain, textured, fine;
    std::vector<Region> windows;  // 40 x 40 windows of the finest, most point-like textures
    std::vector<cv::Mat> objects;
    // Windows cut at 4x the camera's resolution: where each lies in the picture (its 48 x 48 cell)
    // and the photograph at that resolution (192 x 192).
    std::vector<std::pair<cv::Rect, cv::Mat>> sharp;
};

// Crop file and the top-left corners of its 80 x 60 regions.
struct Crop {
    const char* file;
    std::vector<cv::Point> regions;
};

inline const std::vector<Crop>& plainCrops()
{
    static const std::vector<Crop> c = {{"clock_wall.png", {{80, 60}, {40, 20}}},
                                        {"camera_sky.png", {{40, 30}}},
                                        {"camera_coat.png", {{0, 30}}},
                                        {"rocket_sky.png", {{20, 30}, {160, 20}}},
                                        {"backdrop.png", {{2, 10}}}};
    return c;
}

inline const std::vector<Crop>& texturedCrops()
{
    static const std::vector<Crop> c = {{"gravel.png", {{40, 30}}}, {"brick.png", {{40, 30}}},
                                        {"cat_fur.png", {{40, 30}}}, {"wood.png", {{40, 30}}}};
    return c;
}

// The finest textures: correlation with themselves 1 px away 0.3 to 0.65.
inline const std::vector<Crop>& fineCrops()
{
    static const std::vector<Crop> c = {{"field.png", {{40, 30}}}, {"grass_field.png", {{40, 30}}},
                                        {"table.png", {{70, 30}}}, {"grass.png", {{40, 30}}}};
    return c;
}

// 40 x 40 windows (within 48 x 48 crops, so a move reads the photograph around them): `scale` 4
// for a crop at 4x the camera's resolution (192 x 192, shown averaged over 4 x 4 blocks as a
// sensor does), 1 for one at the camera's.
struct Window {
    const char* file;
    int scale;
};

inline const std::vector<Window>& windowCrops()
{
    static const std::vector<Window> w = {{"stars.png", 4},      {"field_far.png", 4}, {"brick_far.png", 4},
                                          {"grass_far.png", 4},  {"gravel_far.png", 4}, {"placemat.png", 1},
                                          {"cat_fine.png", 1},   {"field_corner.png", 1}};
    return w;
}

// Normalised correlation of two pictures of one size.
inline double correlation(const cv::Mat& a, const cv::Mat& b)
{
    cv::Mat fa, fb;
    a.convertTo(fa, CV_64F);
    b.convertTo(fb, CV_64F);
    cv::Scalar ma, sa, mb, sb;
    cv::meanStdDev(fa, ma, sa);
    cv::meanStdDev(fb, mb, sb);
    const double norm = double(fa.total()) * sa[0] * sb[0];
    return norm > 0 ? (fa - ma[0]).dot(fb - mb[0]) / norm : 0.0;
}

constexpr int kRegionW = 80, kRegionH = 60;

// Lays the crops of `dir` out on a width x height picture (at least 1024 x 768), four to a row in
// four rows, the 40 x 40 windows in the last cell; false when a file is missing.
inline bool load(const std::string& dir, int width, int height, Set& out)
{
    out = Set();
    out.picture = cv::Mat(height, width, CV_8UC1, cv::Scalar(128));
    const int cellW = width / 4, cellH = height / 4;
    int cell = 0;
    auto place = [&](const Crop& c, std::vector<Region>& into) {
        const cv::Mat img = cv::imread(dir + "/" + c.file, cv::IMREAD_GRAYSCALE);
        if (img.empty() || img.cols > cellW || img.rows > cellH)
            return false;
        const cv::Point at((cell % 4) * cellW + (cellW - img.cols) / 2, (cell / 4) * cellH + (cellH - img.rows) / 2);
        ++cell;
        img.copyTo(out.picture(cv::Rect(at, img.size())));
        for (const cv::Point& p : c.regions) {
            Region r;
            r.name = std::string(c.file) + " " + std::to_string(p.x) + "," + std::to_string(p.y);
            r.rect = cv::Rect(at + p, cv::Size(kRegionW, kRegionH));
            into.push_back(r);
        }
        return true;
    };
    for (const Crop& c : plainCrops())
        if (!place(c, out.plain))
            return false;
    for (const Crop& c : texturedCrops())
        if (!place(c, out.textured))
            return false;
    for (const Crop& c : fineCrops())
        if (!place(c, out.fine))
            return false;
    // The windows share the last cell, five to a row.
    const cv::Point cellAt((cell % 4) * cellW, (cell / 4) * cellH);
    int k = 0;
    for (const Window& w : windowCrops()) {
        const cv::Mat img = cv::imread(dir + "/" + w.file, cv::IMREAD_GRAYSCALE);
        if (img.empty() || img.cols != 48 * w.scale || img.rows != 48 * w.scale)
            return false;
        const cv::Rect at(cellAt.x + 4 + (k % 5) * 50, cellAt.y + 4 + (k / 5) * 50, 48, 48);
        ++k;
        if (at.br().x > width || at.br().y > height)
            return false;
        cv::Mat shown;
        if (w.scale > 1) {
            cv::resize(img, shown, at.size(), 0, 0, cv::INTER_AREA);
            out.sharp.emplace_back(at, img);
        } else {
            shown = img;
        }
        shown.copyTo(out.picture(at));
        Region r;
        r.name = std::string(w.file) + (w.scale > 1 ? " at a quarter" : "");
        r.rect = cv::Rect(at.x + 4, at.y + 4, 40, 40);
        out.windows.push_back(r);
    }
    for (auto* kind : {&out.plain, &out.textured, &out.fine, &out.windows})
        for (Region& r : *kind) {
            const cv::Mat& pic = out.picture;
            cv::Scalar m, sd;
            cv::meanStdDev(pic(r.rect), m, sd);
            r.sd = sd[0];
            r.near = std::min(correlation(pic(r.rect), pic(r.rect + cv::Point(1, 0))),
                              correlation(pic(r.rect), pic(r.rect + cv::Point(0, 1))));
            for (const cv::Point d : {cv::Point(1, 0), cv::Point(0, 1), cv::Point(1, 1), cv::Point(1, -1)}) {
                const double one = correlation(pic(r.rect), pic(r.rect + d));
                const double two = correlation(pic(r.rect), pic(r.rect + 2 * d));
                r.repeats2 = r.repeats2 || (two >= one + 0.1 && two >= 0.2);
            }
        }
    for (const char* f : {"coins.png", "cup.png", "cat_eye.png"}) {
        out.objects.push_back(cv::imread(dir + "/" + f, cv::IMREAD_GRAYSCALE));
        if (out.objects.back().empty())
            return false;
    }
    return true;
}

// The scene at 4x the camera's resolution, for a camera that averages light over each pixel: the
// picture enlarged (Lanczos), with the windows cut at that resolution in their place.
inline cv::Mat sharpScene(const Set& set)
{
    cv::Mat out;
    cv::resize(set.picture, out, set.picture.size() * 4, 0, 0, cv::INTER_LANCZOS4);
    for (const auto& [at, img] : set.sharp)
        img.copyTo(out(cv::Rect(at.tl() * 4, img.size())));
    return out;
}

// What a camera averaging light over each pixel shows of `sharp` (4x its resolution) moved by
// (fx, fy) quarters of a pixel: moved by whole fine pixels, then the mean of each 4 x 4 block.
inline cv::Mat averaged(const cv::Mat& sharp, int fx, int fy)
{
    cv::Mat moved, out;
    const cv::Matx23d m(1, 0, fx, 0, 1, fy);
    cv::warpAffine(sharp, moved, m, sharp.size(), cv::INTER_NEAREST, cv::BORDER_REPLICATE);
    cv::resize(moved, out, cv::Size(sharp.cols / 4, sharp.rows / 4), 0, 0, cv::INTER_AREA);
    return out;
}

// Gaussian sensor noise of `sigma` grey levels.
inline cv::Mat noise(const cv::Mat& src, double sigma, unsigned seed)
{
    cv::RNG rng(seed);
    cv::Mat n(src.size(), CV_32FC1), f, out;
    rng.fill(n, cv::RNG::NORMAL, 0, sigma);
    src.convertTo(f, CV_32FC1);
    cv::Mat(f + n).convertTo(out, CV_8UC1);
    return out;
}

// Uniform brightness: every grey times `factor`.
inline cv::Mat brightness(const cv::Mat& src, double factor)
{
    cv::Mat out;
    src.convertTo(out, CV_8UC1, factor);
    return out;
}

// Light falling off across the picture: greys times 1 - share at the left edge up to 1 + share at
// the right.
inline cv::Mat gradient(const cv::Mat& src, double share)
{
    cv::Mat out(src.size(), CV_8UC1);
    for (int y = 0; y < src.rows; ++y)
        for (int x = 0; x < src.cols; ++x) {
            const double f = 1.0 + share * (2.0 * x / std::max(1, src.cols - 1) - 1.0);
            out.at<uchar>(y, x) = cv::saturate_cast<uchar>(src.at<uchar>(y, x) * f);
        }
    return out;
}

inline cv::Mat jpeg(const cv::Mat& src, int quality)
{
    std::vector<uchar> buf;
    cv::imencode(".jpg", src, buf, {cv::IMWRITE_JPEG_QUALITY, quality});
    return cv::imdecode(buf, cv::IMREAD_GRAYSCALE);
}

// The picture moved by (dx, dy) pixels, edges repeated.
inline cv::Mat shifted(const cv::Mat& src, int dx, int dy)
{
    cv::Mat out;
    const cv::Matx23d m(1, 0, dx, 0, 1, dy);
    cv::warpAffine(src, out, m, src.size(), cv::INTER_NEAREST, cv::BORDER_REPLICATE);
    return out;
}

// The picture moved by a fraction of a pixel, (dx, dy), resampled with `interpolation`
// (cv::INTER_LANCZOS4, cv::INTER_LINEAR), edges repeated: where a camera lands between pixels.
inline cv::Mat moved(const cv::Mat& src, double dx, double dy, int interpolation)
{
    cv::Mat out;
    const cv::Matx23d m(1, 0, dx, 0, 1, dy);
    cv::warpAffine(src, out, m, src.size(), interpolation, cv::BORDER_REPLICATE);
    return out;
}

// Parts of a region an object may cover.
enum class Part { LeftHalf, RightHalf, TopHalf, BottomHalf, TopLeft, TopRight, BottomLeft, BottomRight };
constexpr Part kHalves[] = {Part::LeftHalf, Part::RightHalf, Part::TopHalf, Part::BottomHalf};
constexpr Part kQuarters[] = {Part::TopLeft, Part::TopRight, Part::BottomLeft, Part::BottomRight};

inline cv::Rect partOf(const cv::Rect& r, Part p)
{
    const int w = r.width / 2, h = r.height / 2;
    switch (p) {
    case Part::LeftHalf: return cv::Rect(r.x, r.y, w, r.height);
    case Part::RightHalf: return cv::Rect(r.x + w, r.y, r.width - w, r.height);
    case Part::TopHalf: return cv::Rect(r.x, r.y, r.width, h);
    case Part::BottomHalf: return cv::Rect(r.x, r.y + h, r.width, r.height - h);
    case Part::TopLeft: return cv::Rect(r.x, r.y, w, h);
    case Part::TopRight: return cv::Rect(r.x + w, r.y, r.width - w, h);
    case Part::BottomLeft: return cv::Rect(r.x, r.y + h, w, r.height - h);
    case Part::BottomRight: return cv::Rect(r.x + w, r.y + h, r.width - w, r.height - h);
    }
    return r;
}

// The picture with the part of `region` covered by the object's patch starting at `from`.
inline cv::Mat covered(const cv::Mat& src, const cv::Rect& region, Part p, const cv::Mat& object, cv::Point from)
{
    cv::Mat out = src.clone();
    const cv::Rect to = partOf(region, p);
    object(cv::Rect(from, to.size())).copyTo(out(to));
    return out;
}

} // namespace photos
