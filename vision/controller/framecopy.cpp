#include "vision/controller/framecopy.h"

#include <cstring>

#include <opencv2/core.hpp>

int FrameCopy::Brightness(const uchar* frame, int w, int h, bool color)
{
    if (!frame || w <= 0 || h <= 0)
        return 0;
    const qint64 n = qint64(w) * h;
    quint64 sum = 0;
    if (!color) {
        // cv::sum is exact here (a 1920 x 1080 frame sums far below 2^53) and vectorised.
        const cv::Mat grey(h, w, CV_8UC1, const_cast<uchar*>(frame));
        sum = quint64(cv::sum(grey)[0]);
    } else {
        // Grey of B, G, R as the vision library's conversion weighs it (integer BT.601).
        for (qint64 i = 0; i < n; ++i) {
            const uchar* px = frame + 4 * i;
            sum += (px[0] * 29u + px[1] * 150u + px[2] * 77u + 128u) >> 8;
        }
    }
    return int(sum / quint64(n));
}

bool FrameCopy::ToWorkingFrame(const QImage& picture, int w, int h, bool color, QByteArray& out)
{
    if (picture.isNull() || picture.width() != w || picture.height() != h)
        return false;
    const QImage img = picture.convertToFormat(color ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
    const int rowBytes = color ? 4 * w : w;
    out.resize(rowBytes * h);
    for (int y = 0; y < h; ++y)
        std::memcpy(out.data() + qint64(y) * rowBytes, img.constScanLine(y), size_t(rowBytes));
    return true;
}
