// NG picture rendering: labels and limits, outlines, the first NG region, alarm-clearing stamps.
#include <gtest/gtest.h>

#include "core/uitexttable.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/records/failimagepainter.h"

namespace {

class PainterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedLan = gLan;
        gLan = 1;
        if (gaLanStr[120 * LAN_COUNT + 1].isEmpty())
            Data_Init();
    }
    void TearDown() override { gLan = savedLan; }
    int savedLan = 0;
    FailImagePainter::Options opt;
};

} // namespace

TEST_F(PainterTest, LimitByMethod)
{
    opt.minimumArea = 77;
    EXPECT_EQ(FailImagePainter::LimitText(1, 20, 200, opt), QString("20--200"));
    EXPECT_EQ(FailImagePainter::LimitText(0, 5, 9, opt), QString("77"));
    opt.enableDisplayDetail = 1;
    EXPECT_EQ(FailImagePainter::LimitText(0, 5, 9, opt), QString("9"));
    EXPECT_EQ(FailImagePainter::LimitText(6, 85, 9, opt), QString("85"));
    EXPECT_EQ(FailImagePainter::LimitText(4, 5, 123, opt), QString("123"));
}

TEST_F(PainterTest, LabelFormatsBelowAndFromElevenRegions)
{
    EXPECT_EQ(FailImagePainter::LabelText(3, 10, "50", 7), QString("3: 50 / 7 "));
    EXPECT_EQ(FailImagePainter::LabelText(3, 11, "50", 7), QString("3: 7"));
}

TEST_F(PainterTest, RenderOutlinesRegionsAndReturnsTheFirstNgRegion)
{
    CammerSingleton model(0);
    model.roiNum[1] = 3;
    for (int i = 0; i < 3; ++i) {
        model.shapeType[1][i] = 1;
        model.method[1][i] = 0;
        model.rects[1][i].imageRect = QRect(20 + 60 * i, 100, 40, 30);
    }
    FailImagePainter::Results res;
    res.ok[0] = true;
    res.ok[1] = false;
    res.ok[2] = false;
    res.ngRects[1] << QRect(90, 110, 8, 8);
    QImage canvas(240, 160, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    EXPECT_EQ(FailImagePainter::Render(canvas, 0, model, 1, res, opt), 2);
    EXPECT_EQ(canvas.pixel(20, 100), QColor(Qt::green).rgb());   // OK region outline
    EXPECT_EQ(canvas.pixel(80, 100), QColor(Qt::red).rgb());     // NG region outline
    EXPECT_EQ(canvas.pixel(90, 110), QColor(Qt::red).rgb());     // its NG rectangle
    EXPECT_EQ(canvas.pixel(100, 120), QColor(Qt::black).rgb());  // inside: untouched

    // All OK: no NG region.
    res.ok[1] = res.ok[2] = true;
    QImage ok(240, 160, QImage::Format_RGB32);
    ok.fill(Qt::black);
    EXPECT_EQ(FailImagePainter::Render(ok, 1, model, 1, res, opt), 0);
}

TEST_F(PainterTest, StampsFollowThePictureState)
{
    int next = 0;
    EXPECT_EQ(FailImagePainter::StampText(4, &next), QString("Alarm clear method:Don't Detect"));
    EXPECT_EQ(next, 4);
    EXPECT_EQ(FailImagePainter::StampText(5, &next), QString("Alarm clear method:Add As Temp"));
    EXPECT_EQ(FailImagePainter::StampText(6, &next), QString("Alarm clear method:Re-detect switch to mold detection"));
    EXPECT_EQ(FailImagePainter::StampText(7, &next), QString("Alarm clear method:Re-detected"));
    EXPECT_EQ(next, 8);
    EXPECT_EQ(FailImagePainter::StampText(8, &next), QString("OK Image Re-detect"));
    EXPECT_EQ(next, 10);
    EXPECT_TRUE(FailImagePainter::StampText(3, &next).isEmpty());
    EXPECT_EQ(next, 3);

    QImage img(300, 120, QImage::Format_RGB32);
    img.fill(Qt::black);
    const QImage before = img;
    EXPECT_EQ(FailImagePainter::Stamp(img, 3), 3);
    EXPECT_EQ(img, before);  // nothing to stamp
    EXPECT_EQ(FailImagePainter::Stamp(img, 7), 8);
    EXPECT_NE(img, before);
}

TEST_F(PainterTest, GreyFrameExpandsToOpaqueGrey)
{
    const int w = 5, h = 3;
    uchar grey[w * h];
    for (int i = 0; i < w * h; ++i)
        grey[i] = uchar(10 * i);
    const QImage img = FailImagePainter::FromFrame(grey, w, h, false);
    EXPECT_EQ(img.pixel(4, 2), qRgb(140, 140, 140));
    EXPECT_EQ(img.pixel(0, 1), qRgb(50, 50, 50));
}
