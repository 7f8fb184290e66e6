#include <gtest/gtest.h>

#include <vector>

#include "platform/vision/kovvpixel.h"

namespace {
using Bytes = std::vector<unsigned char>;
const unsigned char kGuard = 0xA5;
}  // namespace

TEST(KovvPixel, RgbToFourBytesIsBlueGreenRedOpaque)
{
    const Bytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};  // red, green, blue, mixed: 2 x 2
    Bytes out(16 + 4, kGuard);
    ASSERT_TRUE(RGB2RGBA(out.data(), rgb.data(), 2, 2));
    const Bytes want = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 30, 20, 10, 255};
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 16), want);
    EXPECT_EQ(Bytes(out.begin() + 16, out.end()), Bytes(4, kGuard));  // nothing written past the frame
}

TEST(KovvPixel, GreyAndBack)
{
    const Bytes grey = {0, 128, 255};
    Bytes rgba(12 + 4, kGuard);
    ASSERT_TRUE(Gray2RGBA(grey.data(), rgba.data(), 3, 1));
    EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 12), (Bytes{0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 255, 255}));
    EXPECT_EQ(rgba[12], kGuard);

    // B, G, R, A: white, red, green, blue, grey 100
    const Bytes px = {255, 255, 255, 255, 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 100, 100, 100, 255};
    Bytes g(5 + 1, kGuard);
    ASSERT_TRUE(RGBA2Gray(g.data(), px.data(), 5, 1));
    EXPECT_EQ(g[0], 255);
    EXPECT_EQ(g[1], 76);   // 0.299 * 255
    EXPECT_EQ(g[2], 150);  // 0.587 * 255
    EXPECT_EQ(g[3], 29);   // 0.114 * 255
    EXPECT_EQ(g[4], 100);
    EXPECT_EQ(g[5], kGuard);
}

TEST(KovvPixel, HueUsesTheWholeByte)
{
    // red, green, blue, grey, yellow: B, G, R, A
    const Bytes px = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 90, 90, 90, 255, 0, 255, 255, 255};
    Bytes h(5 + 1, kGuard);
    ASSERT_TRUE(RGBA2Hue(h.data(), px.data(), 5, 1));
    EXPECT_EQ(h[0], 0);
    EXPECT_NEAR(h[1], 85, 1);
    EXPECT_NEAR(h[2], 170, 1);
    EXPECT_EQ(h[3], 0);
    EXPECT_NEAR(h[4], 43, 1);
    EXPECT_EQ(h[5], kGuard);

    // a tall frame goes through in bands
    Bytes big(4 * 3 * 200, 0), hb(3 * 200, 1);
    for (size_t i = 0; i < big.size(); i += 4)
        big[i + 1] = 255, big[i + 3] = 255;  // green
    ASSERT_TRUE(RGBA2Hue(hb.data(), big.data(), 3, 200));
    for (unsigned char v : hb)
        ASSERT_NEAR(v, 85, 1);
}

TEST(KovvPixel, BadArgumentsChangeNothing)
{
    Bytes buf(16, kGuard);
    EXPECT_FALSE(RGB2RGBA(buf.data(), nullptr, 2, 2));
    EXPECT_FALSE(RGBA2Gray(nullptr, buf.data(), 2, 2));
    EXPECT_FALSE(RGBA2Hue(buf.data(), buf.data(), 0, 2));
    EXPECT_FALSE(Gray2RGBA(buf.data(), buf.data(), 2, -1));
    EXPECT_EQ(buf, Bytes(16, kGuard));
}
