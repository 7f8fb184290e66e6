#pragma once
// Synthetic grey pictures for vision tests and benchmarks (header only, so benchmarks can use it
// without the test library): a structured scene like a mould seen by a camera, noise, blobs.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace synth {

// Shaded background with rectangles, discs and a fine texture, all deterministic from `seed`.
inline cv::Mat scene(int width, int height, unsigned seed = 7)
{
    cv::RNG rng(seed);
    cv::Mat img(height, width, CV_8UC1);
    for (int y = 0; y < height; ++y) {
        uchar* p = img.ptr<uchar>(y);
        for (int x = 0; x < width; ++x)
            p[x] = cv::saturate_cast<uchar>(70 + 40 * x / width + 30 * y / height);
    }
    const int shapes = std::max(8, width * height / 12000);
    for (int i = 0; i < shapes; ++i) {
        const int w = rng.uniform(12, std::max(13, width / 6));
        const int h = rng.uniform(12, std::max(13, height / 6));
        const cv::Point c(rng.uniform(0, width), rng.uniform(0, height));
        const int grey = rng.uniform(20, 236);
        if (i % 3 == 2)
            cv::circle(img, c, std::min(w, h) / 2, cv::Scalar(grey), cv::FILLED, cv::LINE_8);
        else
            cv::rectangle(img, cv::Rect(c.x - w / 2, c.y - h / 2, w, h), cv::Scalar(grey), cv::FILLED);
    }
    // Fine texture: small dots that a one-pixel shift moves across edges.
    for (int i = 0; i < width * height / 400; ++i) {
        const cv::Point c(rng.uniform(0, width), rng.uniform(0, height));
        const int g = rng.uniform(0, 256);
        cv::rectangle(img, cv::Rect(c.x, c.y, 2, 2), cv::Scalar(g), cv::FILLED);
    }
    return img;
}

// Adds Gaussian noise of `sigma` grey levels and a brightness `offset`.
inline cv::Mat noisy(const cv::Mat& src, double sigma, int offset = 0, unsigned seed = 11)
{
    cv::RNG rng(seed);
    cv::Mat n(src.size(), CV_16SC1);
    rng.fill(n, cv::RNG::NORMAL, offset, sigma);
    cv::Mat s16, out;
    src.convertTo(s16, CV_16SC1);
    s16 += n;
    s16.convertTo(out, CV_8UC1);
    return out;
}

// Draws a filled disc of `grey` (a defect: a part left in the mould).
inline void blob(cv::Mat& img, cv::Point centre, int radius, int grey)
{
    cv::circle(img, centre, radius, cv::Scalar(grey), cv::FILLED, cv::LINE_8);
}

// The scene rotated by `angle` degrees about `centre` (content turns the way TransformImage
// undoes), edges replicated.
inline cv::Mat rotated(const cv::Mat& src, cv::Point2f centre, double angle)
{
    // dst(p) = src(centre + R(-angle)(p - centre)) puts src point q at centre + R(angle)(q - centre).
    const double a = -angle * CV_PI / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    cv::Matx23d m(c, -s, centre.x - (c * centre.x - s * centre.y), s, c, centre.y - (s * centre.x + c * centre.y));
    cv::Mat dst;
    cv::warpAffine(src, dst, m, src.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    return dst;
}

} // namespace synth
