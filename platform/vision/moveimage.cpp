#include "platform/vision/moveimage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <opencv2/imgproc.hpp>

#include "platform/vision/outbuffer.h"

bool MoveImage(cv::Mat src, cv::Mat& dst, int dx, int dy)
{
    if (src.empty() || src.dims != 2)
        return false;
    if (!PrepareOutBuffer(dst, src.size(), src.type()))
        return false;
    if (src.data == dst.data || (src.datastart < dst.dataend && dst.datastart < src.dataend))
        src = src.clone();  // overlapping buffers: read from a copy
    const int w = src.cols, h = src.rows;
    const size_t es = src.elemSize();
    // Columns [x0, x1) of dst come straight from src; the rest repeat src's first or last column.
    const int x0 = std::clamp(dx, 0, w);
    const int x1 = std::clamp(w + dx, 0, w);
    for (int y = 0; y < h; ++y) {
        const uchar* s = src.ptr<uchar>(std::clamp(y - dy, 0, h - 1));
        uchar* d = dst.ptr<uchar>(y);
        if (x1 > x0)
            std::memcpy(d + x0 * es, s + (x0 - dx) * es, size_t(x1 - x0) * es);
        const uchar* first = s;
        const uchar* last = s + (w - 1) * es;
        if (es == 1) {
            if (x0 > 0)
                std::memset(d, *first, size_t(x0));
            if (x1 < w)
                std::memset(d + std::max(x0, x1), *last, size_t(w - std::max(x0, x1)));
        } else {
            for (int x = 0; x < x0; ++x)
                std::memcpy(d + x * es, first, es);
            for (int x = std::max(x0, x1); x < w; ++x)
                std::memcpy(d + x * es, last, es);
        }
    }
    return true;
}

bool TransformImage(cv::Mat src, cv::Mat& dst, cv::Point shift, cv::Point centre, double angle)
{
    if (src.empty() || src.dims != 2)
        return false;
    if (!PrepareOutBuffer(dst, src.size(), src.type()))
        return false;
    if (src.data == dst.data || (src.datastart < dst.dataend && dst.datastart < src.dataend))
        src = src.clone();
    const double a = angle * CV_PI / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    // Source position of destination p: R p + (f - R centre), f = centre - shift.
    const double fx = centre.x - shift.x, fy = centre.y - shift.y;
    cv::Matx23d m(c, -s, fx - (c * centre.x - s * centre.y),
                  s, c, fy - (s * centre.x + c * centre.y));
    cv::Mat out = dst;  // header on the caller's buffer; warpAffine writes in place
    cv::warpAffine(src, out, m, src.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    return out.data == dst.data;
}
