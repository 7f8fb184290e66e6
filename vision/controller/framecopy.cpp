#include "vision/controller/framecopy.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <opencv2/core.hpp>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
        // Grey of B, G, R as the vision library's conversion weighs it (integer BT.601), each
        // pixel rounded before it is summed. Every colour frame taken passes here.
        qint64 i = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i weights = _mm_setr_epi16(29, 150, 77, 0, 29, 150, 77, 0);
        const __m128i half = _mm_set1_epi32(128);
        const __m128i keep = _mm_set_epi32(0, -1, 0, -1);
        __m128i acc = zero;  // two 64-bit lanes
        for (; i + 4 <= n; i += 4) {
            const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame + 4 * i));
            // Per pixel: B*29 + G*150 in one 32-bit lane, R*77 in the next.
            const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi8(px, zero), weights);
            const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi8(px, zero), weights);
            // Lanes 0, 2 of each: the pixel's weighted sum; then rounded as the scalar does.
            const __m128i lo2 = _mm_add_epi32(lo, _mm_srli_epi64(lo, 32));
            const __m128i hi2 = _mm_add_epi32(hi, _mm_srli_epi64(hi, 32));
            // (lanes 1 and 3 are cleared first: their 128 >> 8 adds nothing).
            const __m128i g = _mm_add_epi64(_mm_srli_epi32(_mm_add_epi32(_mm_and_si128(lo2, keep), half), 8),
                                            _mm_srli_epi32(_mm_add_epi32(_mm_and_si128(hi2, keep), half), 8));
            acc = _mm_add_epi64(acc, g);
        }
        sum = quint64(_mm_cvtsi128_si64(acc)) + quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc)));
#endif
        for (; i < n; ++i) {
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

namespace {

inline quint64 Mix(quint64 h, quint64 w)
{
    h ^= w;
    h = (h << 29) | (h >> 35);
    return h * 0x9FB21C651E98DF25ull;
}

}  // namespace

quint64 FrameCopy::Fingerprint(const uchar* data, size_t n)
{
    if (!data)
        return 0;
    // Four independent lanes keep the multiplier busy; each step is a bijection of the lane, so
    // one changed word always changes its lane.
    quint64 h[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull, 0x27D4EB2F165667C5ull};
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        quint64 w[4];
        std::memcpy(w, data + i, 32);
        h[0] = Mix(h[0], w[0]);
        h[1] = Mix(h[1], w[1]);
        h[2] = Mix(h[2], w[2]);
        h[3] = Mix(h[3], w[3]);
    }
    quint64 out = Mix(0, quint64(n));
    for (; i + 8 <= n; i += 8) {
        quint64 w;
        std::memcpy(&w, data + i, 8);
        out = Mix(out, w);
    }
    quint64 tail = 0;
    std::memcpy(&tail, data + i, n - i);
    out = Mix(out, tail);
    for (quint64 lane : h)
        out = Mix(out, lane);
    return out ^ (out >> 31);
}

void FrameCopy::ScaleGrey(const uchar* grey, int w, int h, QImage& out)
{
    const int tw = out.width(), th = out.height();
    if (!grey || w <= 0 || h <= 0 || tw <= 0 || th <= 0 || out.depth() != 8)
        return;
    // The stepping of Qt's raster engine: 16.16 fixed-point steps, truncated, starting half a
    // target pixel in.
    const int ix = int(65536.0 / (double(tw) / double(w)));
    const int iy = int(65536.0 / (double(th) / double(h)));
    std::vector<int> column(static_cast<size_t>(tw));
    quint32 sx = quint32(int(std::ceil(0.5 * ix)) - 1);
    for (int x = 0; x < tw; ++x, sx += quint32(ix))
        column[size_t(x)] = std::min(int(sx >> 16), w - 1);
    quint32 sy = quint32(int(std::ceil(0.5 * iy)) - 1);
    int lastRow = -1;
    for (int y = 0; y < th; ++y, sy += quint32(iy)) {
        const int row = std::min(int(sy >> 16), h - 1);
        uchar* dst = out.scanLine(y);
        if (row == lastRow) {
            std::memcpy(dst, out.constScanLine(y - 1), size_t(tw));
            continue;
        }
        const uchar* src = grey + size_t(row) * size_t(w);
        for (int x = 0; x < tw; ++x)
            dst[x] = src[column[size_t(x)]];
        lastRow = row;
    }
}

quint64 FrameCopy::CopyGrey(uchar* dst, const uchar* src, size_t n)
{
    if (!dst || !src)
        return 0;
    quint64 sum = 0;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i acc = zero;
    for (; i + 64 <= n; i += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 16), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 32), c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 48), d);
        const __m128i ab = _mm_add_epi64(_mm_sad_epu8(a, zero), _mm_sad_epu8(b, zero));
        const __m128i cd = _mm_add_epi64(_mm_sad_epu8(c, zero), _mm_sad_epu8(d, zero));
        acc = _mm_add_epi64(acc, _mm_add_epi64(ab, cd));
    }
    sum = quint64(_mm_cvtsi128_si64(acc)) + quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc)));
#endif
    for (; i < n; ++i) {
        dst[i] = src[i];
        sum += src[i];
    }
    return sum;
}
