// The views' display copies: the grey frame scaled to the view picks the same pixels as the
// stretched 32-bit picture did, and the fingerprint sees any changed byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include <QImage>
#include <QPainter>

#include "vision/controller/framecopy.h"

namespace {

std::vector<uchar> Noise(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uchar> f(size_t(w) * size_t(h));
    for (uchar& b : f)
        b = uchar(rng());
    return f;
}

// The frame as the view drew it before: expanded to 32 bits and stretched over the whole target.
QImage Stretched(const std::vector<uchar>& grey, int w, int h, QSize target)
{
    QImage rgb(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uchar g = grey[size_t(y) * size_t(w) + size_t(x)];
            rgb.setPixel(x, y, qRgb(g, g, g));
        }
    QImage out(target, QImage::Format_RGB32);
    out.fill(Qt::magenta);
    QPainter p(&out);
    p.drawImage(QRect(QPoint(0, 0), target), rgb);
    return out;
}

}  // namespace

TEST(DisplayCopy, ScaledGreyPicksThePixelsOfTheStretchedPicture)
{
    struct Case {
        int w, h;
        QSize view;
    };
    // Views of one to eight cameras at 1920 x 1080 and other frame sizes, shrunk and enlarged.
    const Case cases[] = {{1920, 1080, {1920, 902}}, {1920, 1080, {958, 449}}, {1920, 1080, {638, 299}},
                          {1920, 1080, {478, 449}},  {640, 480, {1920, 902}},  {1280, 1024, {701, 333}},
                          {97, 61, {1000, 13}},      {1920, 1080, {1920, 1080}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " -> " << c.view.width() << "x" << c.view.height());
        const std::vector<uchar> grey = Noise(c.w, c.h, unsigned(c.w * 7 + c.view.width()));
        const QImage want = Stretched(grey, c.w, c.h, c.view);
        QImage got(c.view, QImage::Format_Grayscale8);
        FrameCopy::ScaleGrey(grey.data(), c.w, c.h, got);
        int wrong = 0;
        for (int y = 0; y < c.view.height(); ++y)
            for (int x = 0; x < c.view.width(); ++x) {
                const uchar g = got.constScanLine(y)[x];
                wrong += want.pixel(x, y) != qRgb(g, g, g) ? 1 : 0;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(DisplayCopy, FingerprintSeesEveryChangedByte)
{
    std::vector<uchar> f = Noise(1920, 1080, 5);
    const quint64 base = FrameCopy::Fingerprint(f.data(), f.size());
    EXPECT_EQ(FrameCopy::Fingerprint(f.data(), f.size()), base);
    // First, middle, in each lane, and in the tail that is not a whole block.
    std::vector<uchar> odd(f.begin(), f.begin() + 1001);
    const quint64 oddBase = FrameCopy::Fingerprint(odd.data(), odd.size());
    for (size_t i : {size_t(0), size_t(8), size_t(17), size_t(31), f.size() / 2, f.size() - 1}) {
        f[i] ^= 1;
        EXPECT_NE(FrameCopy::Fingerprint(f.data(), f.size()), base) << i;
        f[i] ^= 1;
    }
    for (size_t i : {size_t(3), size_t(995), size_t(1000)}) {
        odd[i] ^= 0x80;
        EXPECT_NE(FrameCopy::Fingerprint(odd.data(), odd.size()), oddBase) << i;
        odd[i] ^= 0x80;
    }
    // Two words swapped between lanes, and a frame of another length with the same bytes.
    const uchar a = f[0], b = f[8];
    f[0] = 1;
    f[8] = 2;
    const quint64 before = FrameCopy::Fingerprint(f.data(), f.size());
    std::swap(f[0], f[8]);
    EXPECT_NE(FrameCopy::Fingerprint(f.data(), f.size()), before);
    f[0] = a;
    f[8] = b;
    EXPECT_NE(FrameCopy::Fingerprint(f.data(), f.size() - 32), FrameCopy::Fingerprint(f.data(), f.size()));
}

TEST(DisplayCopy, GreyCopySumsEveryByteOfAnyLength)
{
    // Bright frames of odd lengths: the tail after the last whole block is copied and counted, and
    // the sum of a full-size white frame does not overflow.
    for (size_t n : {size_t(0), size_t(63), size_t(64), size_t(1000003), size_t(1920) * 1080}) {
        SCOPED_TRACE(n);
        std::vector<uchar> src(n);
        for (size_t i = 0; i < n; ++i)
            src[i] = uchar(255 - (i % 3));
        std::vector<uchar> dst(n + 1, 7);
        quint64 want = 0;
        for (uchar b : src)
            want += b;
        EXPECT_EQ(FrameCopy::CopyGrey(dst.data(), src.data(), n), want);
        EXPECT_TRUE(std::equal(src.begin(), src.end(), dst.begin()));
        EXPECT_EQ(dst[n], 7) << "nothing written past the end";
    }
}
