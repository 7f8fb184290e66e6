#pragma once
// One region as a camera shows it: the scene changed (a line drawn, a part slid), moved by a
// fraction of a pixel by a lens-like resampling (Lanczos, bilinear) or by a sensor that averages
// light over each pixel (the scene at 4x the resolution moved by whole fine pixels, then the mean
// of each 4 x 4 block), in other light, with sensor noise and JPEG. Works on the region's
// neighbourhood only, so thousands of shots stay quick. Header only, so tools can use it.
#include <cmath>
#include <functional>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace shots {

enum class Camera { Lanczos, Bilinear, Averaging };

inline const char* name(Camera c)
{
    return c == Camera::Lanczos ? "Lanczos" : c == Camera::Bilinear ? "bilinear" : "averaging";
}

// The scene at the camera's resolution and at 4x it (photos::sharpScene).
struct Scene {
    cv::Mat picture, sharp;
};

// A change of the scene before the camera sees it: `scene` is the neighbourhood at `scale` (1 or
// 4) times the camera's resolution, `region` the region in it at that scale.
using Change = std::function<void(cv::Mat& scene, const cv::Rect& region, int scale)>;

// A line one camera pixel wide of `contrast` grey levels across the region (2 px short of each
// end), horizontal or vertical, at `at` (0..1) of its height or width.
inline Change line(bool horizontal, double at, int contrast)
{
    return [=](cv::Mat& scene, const cv::Rect& r, int scale) {
        const int w = r.width / scale, h = r.height / scale;
        const cv::Rect l = horizontal ? cv::Rect(2, int(at * h), w - 4, 1) : cv::Rect(int(at * w), 2, 1, h - 4);
        cv::Mat part = scene(cv::Rect(r.tl() + l.tl() * scale, l.size() * scale));
        part.convertTo(part, CV_8UC1, 1.0, contrast);
    };
}

// The content of `part` (camera pixels within the region) slid by (dx, dy) camera pixels.
inline Change slide(const cv::Rect& part, int dx, int dy)
{
    return [=](cv::Mat& scene, const cv::Rect& r, int scale) {
        const cv::Rect to(r.tl() + part.tl() * scale, part.size() * scale);
        const cv::Mat from = scene(to - cv::Point(dx, dy) * scale).clone();
        from.copyTo(scene(to));
    };
}

// How the camera sees it: moved by (dx, dy) pixels (quarters for the averaging camera), light
// times `light`, Gaussian noise of `sigma` from `seed`, JPEG of `jpeg` quality (0: none).
struct Look {
    double dx = 0, dy = 0;
    double light = 1.0;
    double sigma = 0;
    int jpeg = 0;
    unsigned seed = 1;
};

// The region's crop as camera `c` shows the scene under `look`, after `change`.
inline cv::Mat shoot(const Scene& s, const cv::Rect& region, Camera c, const Look& look, const Change& change = {})
{
    constexpr int margin = 8;
    // The neighbourhood on the JPEG's 8 x 8 grid, inside the picture.
    const int x0 = std::max(0, (region.x - margin) / 8 * 8), y0 = std::max(0, (region.y - margin) / 8 * 8);
    const cv::Rect near = cv::Rect(x0, y0, region.br().x + margin - x0, region.br().y + margin - y0) &
                          cv::Rect(0, 0, s.picture.cols, s.picture.rows);
    const cv::Rect r = region - near.tl();
    cv::Mat seen;
    if (c == Camera::Averaging) {
        cv::Mat fine = s.sharp(cv::Rect(near.tl() * 4, near.size() * 4)).clone();
        if (change)
            change(fine, cv::Rect(r.tl() * 4, r.size() * 4), 4);
        const cv::Matx23d m(1, 0, std::lround(look.dx * 4), 0, 1, std::lround(look.dy * 4));
        cv::Mat moved;
        cv::warpAffine(fine, moved, m, fine.size(), cv::INTER_NEAREST, cv::BORDER_REPLICATE);
        cv::resize(moved, seen, near.size(), 0, 0, cv::INTER_AREA);
    } else {
        cv::Mat part = s.picture(near).clone();
        if (change)
            change(part, r, 1);
        const cv::Matx23d m(1, 0, look.dx, 0, 1, look.dy);
        cv::warpAffine(part, seen, m, part.size(), c == Camera::Lanczos ? cv::INTER_LANCZOS4 : cv::INTER_LINEAR,
                       cv::BORDER_REPLICATE);
    }
    if (look.light != 1.0 || look.sigma > 0) {
        cv::Mat f;
        seen.convertTo(f, CV_32FC1, look.light);
        if (look.sigma > 0) {
            cv::Mat n(f.size(), CV_32FC1);
            cv::RNG rng(look.seed);
            rng.fill(n, cv::RNG::NORMAL, 0, look.sigma);
            f += n;
        }
        f.convertTo(seen, CV_8UC1);
    }
    if (look.jpeg > 0) {
        std::vector<uchar> buf;
        cv::imencode(".jpg", seen, buf, {cv::IMWRITE_JPEG_QUALITY, look.jpeg});
        seen = cv::imdecode(buf, cv::IMREAD_GRAYSCALE);
    }
    return seen(r).clone();
}

// Parts of a region (camera pixels within it) a change may slide.
inline cv::Rect whole(const cv::Rect& r) { return cv::Rect(0, 0, r.width, r.height); }
inline cv::Rect leftHalf(const cv::Rect& r) { return cv::Rect(0, 0, r.width / 2, r.height); }
inline cv::Rect topHalf(const cv::Rect& r) { return cv::Rect(0, 0, r.width, r.height / 2); }
inline cv::Rect centreQuarter(const cv::Rect& r) { return cv::Rect(r.width / 4, r.height / 4, r.width / 2, r.height / 2); }

} // namespace shots
