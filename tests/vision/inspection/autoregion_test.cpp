// Automatic region generation: the drawn difference becomes one polygon defect region placed
// where the difference is, at 1:1 and at the real view scale.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "core/globals.h"
#include "vision/inspection/autoregion.h"

namespace {

struct Scale {
    float aw = gShowAW, ah = gShowAH;
    int w = gImageW, h = gImageH;
    bool colour = gisColor;
    Scale() { gisColor = false; }  // grey templates
    ~Scale()
    {
        gisColor = colour;
        gShowAW = aw;
        gShowAH = ah;
        gImageW = w;
        gImageH = h;
    }
};

} // namespace

TEST(AutoRegion, DrawnRectangleBecomesOnePolygonAtAnyScale)
{
    Scale keep;
    gImageW = 1920;
    gImageH = 1080;
    const cv::Mat a(1080, 1920, CV_8UC1, cv::Scalar(100));
    cv::Mat b = a.clone();
    const cv::Rect drawn(800, 500, 100, 60);
    cv::rectangle(b, drawn, cv::Scalar(200), cv::FILLED);
    for (const auto& scale : {std::pair<float, float>(1.0f, 1.0f),
                              std::pair<float, float>(1725.0f / 1920.0f, 982.0f / 1080.0f)}) {
        gShowAW = scale.first;
        gShowAH = scale.second;
        CammerSingleton model(0);
        CammerSingleton::MaskTable masks;
        const AutoRegionResult res = AutoGenerateRegion(model, masks, 3, a, b, 7, 250);
        ASSERT_TRUE(res.made);
        EXPECT_EQ(model.roiNum[3], 1);
        EXPECT_EQ(model.shapeType[3][0], 2);
        EXPECT_EQ(model.method[3][0], 0);
        EXPECT_EQ(model.param1[3][0], 7);
        EXPECT_EQ(model.param3[3][0], 250);
        // Difference 100 over 6000 pixels inside bounds of about 150 x 110: P2 about 0.2 x 100.
        EXPECT_GE(model.param2[3][0], 18);
        EXPECT_LE(model.param2[3][0], 20);
        const RePolygon& p = model.polygons[3][0];
        EXPECT_TRUE(p.IsSelected());
        EXPECT_GE(p.pointNum, 4);
        // The region covers the drawn rectangle with the dilation's margin, in image pixels.
        const QRect ir = p.imageRect;
        EXPECT_NEAR(ir.left(), drawn.x - 25, 3);
        EXPECT_NEAR(ir.top(), drawn.y - 25, 3);
        EXPECT_NEAR(ir.right(), drawn.x + drawn.width + 24, 3);
        EXPECT_NEAR(ir.bottom(), drawn.y + drawn.height + 24, 3);
        // Display points are the image points times the view's scale.
        for (int i = 0; i < p.pointNum; ++i) {
            EXPECT_NEAR(p.points[i].x(), p.imagePoints[i].x() * gShowAW, 1.0);
            EXPECT_NEAR(p.points[i].y(), p.imagePoints[i].y() * gShowAH, 1.0);
        }
        const cv::Mat& mask = masks[3][0];
        ASSERT_EQ(mask.cols, ir.width());
        ASSERT_EQ(mask.rows, ir.height());
        const cv::Rect inMask(drawn.x - ir.left(), drawn.y - ir.top(), drawn.width, drawn.height);
        EXPECT_EQ(cv::countNonZero(mask(inMask)), drawn.area());
    }
}

TEST(AutoRegion, NothingWithoutDifferenceOrUsableInput)
{
    Scale keep;
    gImageW = 640;
    gImageH = 480;
    gShowAW = gShowAH = 1.0f;
    const cv::Mat a(480, 640, CV_8UC1, cv::Scalar(100));
    CammerSingleton model(0);
    CammerSingleton::MaskTable masks;
    EXPECT_FALSE(AutoGenerateRegion(model, masks, 0, a, a.clone(), 3, 100).made);
    // Small isolated differences are cleaned away.
    cv::Mat b = a.clone();
    cv::rectangle(b, cv::Rect(100, 100, 2, 2), cv::Scalar(255), cv::FILLED);
    cv::rectangle(b, cv::Rect(300, 300, 12, 12), cv::Scalar(255), cv::FILLED);
    EXPECT_FALSE(AutoGenerateRegion(model, masks, 0, a, b, 3, 100).made);
    EXPECT_EQ(model.roiNum[0], 0);
    // A zero view scale or a picture of another size: refused, nothing divided by zero.
    cv::rectangle(b, cv::Rect(200, 200, 100, 100), cv::Scalar(255), cv::FILLED);
    gShowAW = 0.0f;
    EXPECT_FALSE(AutoGenerateRegion(model, masks, 0, a, b, 3, 100).made);
    gShowAW = 1.0f;
    EXPECT_FALSE(AutoGenerateRegion(model, masks, 0, a, b(cv::Rect(0, 0, 320, 240)).clone(), 3, 100).made);
    // Two separate changes give one polygon enclosing both.
    cv::rectangle(b, cv::Rect(450, 80, 60, 60), cv::Scalar(255), cv::FILLED);
    const AutoRegionResult res = AutoGenerateRegion(model, masks, 0, a, b, 3, 100);
    ASSERT_TRUE(res.made);
    EXPECT_TRUE(res.imageRect.contains(cv::Point(200, 200)) && res.imageRect.contains(cv::Point(509, 81)));
}

TEST(AutoRegion, FromTheViewsFirstTemplatesIntoItsEditCopy)
{
    Scale keep;
    gImageW = 640;
    gImageH = 480;
    gShowAW = gShowAH = 0.5f;
    std::vector<unsigned char> t0(640 * 480, 90), t1(640 * 480, 90);
    cv::rectangle(cv::Mat(480, 640, CV_8UC1, t1.data()), cv::Rect(300, 200, 80, 80), cv::Scalar(240), cv::FILLED);
    CammerSingleton edit(1), live(1);
    CammerViewData view;
    view.modelEdit = &edit;
    view.templates[0] = {t0.data()};
    view.templates[1] = {t1.data()};
    const AutoRegionResult res = AutoGenerateRegion(view, 2, 3, 100);
    ASSERT_TRUE(res.made);
    EXPECT_EQ(edit.roiNum[2], 1);
    EXPECT_EQ(live.roiNum[2], 0);
    EXPECT_FALSE(view.maskEdit[2][0].empty());
    EXPECT_TRUE(view.maskInForce[2][0].empty());
    // Half-scale view: display coordinates are half the image ones.
    const QRect ir = edit.polygons[2][0].imageRect;
    EXPECT_NEAR(ir.center().x(), 340, 3);
    EXPECT_NEAR(edit.polygons[2][0].points[0].x(), edit.polygons[2][0].imagePoints[0].x() * 0.5, 1.0);
    // A missing first template of stage 1: nothing made.
    view.templates[1].clear();
    CammerSingleton other(1);
    view.modelEdit = &other;
    EXPECT_FALSE(AutoGenerateRegion(view, 2, 3, 100).made);
}
