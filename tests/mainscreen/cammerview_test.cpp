// The camera view's buffers and pictures: templates with the synthetic template 0, ignore maps of
// other sizes, the frame polling of the monitoring pass, the overlays written into the picture and
// the NG blink, the texts handed to the title bar.
#include "viewfixture.h"

#include <QDir>
#include <QImage>
#include <QMutexLocker>

#include "vision/records/counters.h"

namespace {

void SaveGrey(const QString& path, int w, int h, int value)
{
    QDir().mkpath(QFileInfo(path).path());
    QImage img(w, h, QImage::Format_Indexed8);
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, i, i);
    img.setColorTable(table);
    img.fill(uint(value));
    ASSERT_TRUE(img.save(path));
}

QRgb PixelOf(const CammerWidget* w, int x, int y)
{
    return w->imageShown.pixel(x, y);
}

}  // namespace

TEST_F(ViewTest, TemplatesLoadOrBecomeSyntheticForEveryStage)
{
    SaveGrey("cammer11/template0.bmp", gImageW, gImageH, 90);
    SaveGrey("cammer11/template2.bmp", gImageW, gImageH, 91);
    SaveGrey("cammer12/template0.bmp", gImageW / 2, gImageH, 92);  // wrong size: ignored
    QImage colour(gImageW, gImageH, QImage::Format_RGB32);
    colour.fill(Qt::red);
    QDir().mkpath("cammer13");
    ASSERT_TRUE(colour.save("cammer13/template0.bmp"));
    CammerWidget* w = MakeViews();
    EXPECT_EQ(w->tempCount[0], 2);
    EXPECT_EQ(w->tempValid[0][0], 1);
    EXPECT_EQ(w->tempValid[0][1], 0);
    EXPECT_EQ(w->tempValid[0][2], 1);
    EXPECT_EQ(w->templates[0][2][123], 91);
    EXPECT_EQ(w->templates[0][1][123], 0);
    // stage 2: wrong size, stage 3: wrong depth; both show one synthetic template
    for (int s : {1, 2, 7}) {
        SCOPED_TRACE(s);
        EXPECT_EQ(w->tempCount[s], 1);
        ASSERT_EQ(w->templates[s].size(), 3u);
        const unsigned char* t = w->templates[s][0];
        const int x1 = gImageW / 4, x2 = 3 * (gImageW / 4), y1 = gImageH / 4, y2 = 3 * (gImageH / 4);
        for (int y = 0; y < gImageH; y += 7)
            for (int x = 0; x < gImageW; x += 3) {
                const bool in = x >= x1 && x <= x2 && y >= y1 && y <= y2;
                ASSERT_EQ(t[x + gImageW * y], in ? 255 : 0) << x << "," << y;
            }
        EXPECT_EQ(t[x1 + gImageW * y1], 255);
        EXPECT_EQ(t[x2 + gImageW * y2], 255);
        EXPECT_EQ(t[x2 + 1 + gImageW * y2], 0);
        EXPECT_EQ(w->tempValid[s][1], 0);
    }
    // buffers of all eight stages exist although two are in use
    for (int s = 0; s < MAX_DETECT; ++s) {
        EXPECT_NE(w->ignoreMap[s], nullptr);
        EXPECT_NE(w->ngFrames[s][2], nullptr);
    }
}

TEST_F(ViewTest, IgnoreMapOfAnotherSizeLoadsAsZero)
{
    SaveGrey("cammer11/ignorepoint.bmp", gImageW, gImageH, 255);
    SaveGrey("cammer12/ignorepoint.bmp", gImageW, gImageH + 2, 255);
    CammerWidget* w = MakeViews();
    EXPECT_EQ(cv::countNonZero(cv::Mat(gImageH, gImageW, CV_8UC1, w->ignoreMap[0])), gImageLen);
    EXPECT_EQ(cv::countNonZero(cv::Mat(gImageH, gImageW, CV_8UC1, w->ignoreMap[1])), 0);
    EXPECT_EQ(std::memcmp(w->ignoreMap[0], w->ignoreMapEdit[0], size_t(gImageLen)), 0);
}

TEST_F(ViewTest, FramePollingTakesNewFramesForDisplay)
{
    CammerWidget* w = MakeViews();
    EXPECT_FALSE(w->PollFrame());
    {
        QMutexLocker lock(pMutex[0]);
        std::memset(w->frameGrab, 40, size_t(gImageLen));
        std::memset(w->frameGrab, 200, size_t(gImageLen) / 4);
        isImageFill[0] = true;
    }
    gSource = 0;  // template shown: the frame is taken but not shown
    EXPECT_TRUE(w->PollFrame());
    EXPECT_FALSE(isImageFill[0]);
    EXPECT_EQ(w->averageGray, (200 + 3 * 40) / 4);
    EXPECT_EQ(w->frameWork[0], 200);
    EXPECT_NE(w->frameShown[0], 200);
    EXPECT_FALSE(w->PollFrame());
    gSource = -1;
    {
        QMutexLocker lock(pMutex[0]);
        isImageFill[0] = true;
    }
    EXPECT_TRUE(w->PollFrame());
    EXPECT_EQ(w->frameShown[0], 200);
    EXPECT_EQ(w->frameShown[gImageLen - 1], 40);
    w->ConvertShown();
    EXPECT_EQ(PixelOf(w, 0, 0), qRgb(200, 200, 200));
}

// View 0 in the alarm hold on the live source, its one rectangle region NG, a plain picture.
static CammerSingleton& OneNgRegionInTheHold(CammerWidget* w, RecordingViewHost& host)
{
    gSource = 1;
    host.alarm = 2;
    CammerSingleton& m = *w->modelInForce;
    m.roiNum[0] = 1;
    m.shapeType[0][0] = 1;
    w->roiOK[0][0] = false;
    w->isOK = false;
    std::memset(w->frameShown, 10, size_t(gImageLen));
    return m;
}

TEST_F(ViewTest, NgBoxOfARegionSitsOnTheBlobAsTheOutlineDoes)
{
    CammerWidget* w = MakeViews();
    CammerSingleton& m = OneNgRegionInTheHold(w, host);
    m.rects[0][0].rect = QRect(int(80 * gShowAW), int(80 * gShowAH), int(100 * gShowAW), int(100 * gShowAH));
    m.rects[0][0].setImageRect();
    std::memset(w->ngPoints, 0, size_t(gImageLen));
    // A blob at image (100, 110)-(139, 149).
    w->ngBoxes[0][0][0][0] = 1;
    const int box[4] = {100, 110, 140, 150};
    std::copy(box, box + 4, w->ngBoxes[0][0][1]);
    const QImage shot = w->grab().toImage();
    auto red = [&](int x, int y) {
        const QRgb c = shot.pixel(x, y);
        return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
    };
    EXPECT_TRUE(red(int(100 * gShowAW), int(130 * gShowAH)));   // left edge, at display pixels
    EXPECT_TRUE(red(int(120 * gShowAW), int(110 * gShowAH)));   // top edge
    EXPECT_FALSE(red(100, 130));                                // not at image pixels
}

TEST_F(ViewTest, OnlyViewsZeroToThreeWriteTheTouchReadout)
{
    gFindCamera = 6;
    MakeViews(6);
    gSource = -1;
    for (int v : {3, 5}) {
        host.mode = v;
        host.location.clear();
        V(v)->grab();
        EXPECT_EQ(host.location.isEmpty(), v == 5) << v;
    }
}

TEST_F(ViewTest, OverlaysAreClippedAndBlinkOnlyWhileNG)
{
    CammerWidget* w = MakeViews();
    CammerSingleton& m = OneNgRegionInTheHold(w, host);
    // a region reaching past the frame's right and bottom edges
    m.rects[0][0].imageRect = QRect(QPoint(gImageW - 10, gImageH - 10), QPoint(gImageW + 30, gImageH + 30));
    std::memset(w->ngPoints, 1, size_t(gImageLen));
    w->ngBoxes[0][0][0][0] = 1;
    w->ngBoxes[0][0][1][0] = 5;
    w->ngBoxes[0][0][1][1] = 5;
    w->ngBoxes[0][0][1][2] = 20;
    w->ngBoxes[0][0][1][3] = 20;
    w->TimerShowAlarm();
    EXPECT_EQ(w->blinkPhase, 1);
    w->grab();
    EXPECT_EQ(PixelOf(w, gImageW - 1, gImageH - 1), qRgb(255, 0, 0));
    EXPECT_EQ(PixelOf(w, gImageW - 10, gImageH - 10), qRgb(255, 0, 0));
    EXPECT_EQ(PixelOf(w, gImageW - 11, gImageH - 1), qRgb(10, 10, 10));
    // phase 0 shows the plain picture
    w->TimerShowAlarm();
    EXPECT_EQ(w->blinkPhase, 0);
    w->grab();
    EXPECT_EQ(PixelOf(w, gImageW - 1, gImageH - 1), qRgb(10, 10, 10));
    // an OK camera stops the blink
    w->blinkTimer->start(1000);
    w->isOK = true;
    w->TimerShowAlarm();
    EXPECT_FALSE(w->blinkTimer->isActive());
    EXPECT_EQ(w->blinkPhase, 0);

    // template source: ignored points of each region in cyan, from the edit copy
    gSource = 0;
    host.alarm = 3;
    Edit() = m;
    std::memset(w->ignoreMapEdit[0], 0, size_t(gImageLen));
    w->ignoreMapEdit[0][(gImageH - 2) * gImageW + gImageW - 2] = 255;
    w->ignoreMapEdit[0][5] = 255;  // outside every region: not shown
    w->grab();
    EXPECT_EQ(PixelOf(w, gImageW - 2, gImageH - 2), qRgb(0, 255, 255));
    EXPECT_EQ(PixelOf(w, 5, 0), qRgb(10, 10, 10));
}

TEST_F(ViewTest, StatusAndCountersGoToTheTitleBar)
{
    gFindCamera = 5;
    MakeViews(5);
    gSource = -1;
    host.run = 3;
    host.temperatureAlarm = true;
    gAllNum[1] = 17;
    gFailNum[1] = 4;
    host.fps[1] = 25;
    V(1)->grab();
    EXPECT_EQ(host.cameraInfo[1][1], textRow(313).arg(2).arg(textRow(263)).arg(textRow(311) + "   温度报警"));
    EXPECT_EQ(host.cameraInfo[1][2], "17");
    EXPECT_EQ(host.cameraInfo[1][3], "4");
    EXPECT_EQ(host.cameraInfo[1][0], "25");
    host.run = 1;
    host.display = 2;
    host.cur = 1;
    V(0)->grab();
    EXPECT_EQ(host.cameraInfo[0][1], textRow(313).arg(1).arg(textRow(264)).arg(textRow(528)));
    // view 4 never writes the title bar (it has four strips)
    for (auto& row : host.cameraInfo)
        for (QString& t : row)
            t.clear();
    V(4)->grab();
    for (int c = 0; c < 3; ++c)
        for (int t = 0; t < 4; ++t)
            EXPECT_TRUE(host.cameraInfo[c][t].isEmpty());
    for (int t = 0; t < 4; ++t)
        EXPECT_TRUE(host.cameraInfo[3][t].isEmpty());
    gAllNum[1] = gFailNum[1] = 0;
}

TEST_F(ViewTest, LabelsByMethodAndRegionCount)
{
    CammerSingleton m(0);
    m.roiNum[0] = 3;
    m.method[0][1] = 1;
    m.param2[0][1] = 80;
    m.param3[0][1] = 500;
    EXPECT_EQ(RegionEditor::RegionLabel(m, para, 0, 1, 42), "2: 80--500 / 42 ");
    m.method[0][0] = 0;
    m.param3[0][0] = 100;
    para.enable_display_detail = 0;
    para.minimum_area = 33;
    EXPECT_EQ(RegionEditor::RegionLabel(m, para, 0, 0, 7), "1: 33 / 7 ");
    para.enable_display_detail = 1;
    EXPECT_EQ(RegionEditor::RegionLabel(m, para, 0, 0, 7), "1: 100 / 7 ");
    m.method[0][2] = 6;
    m.param2[0][2] = 80;
    EXPECT_EQ(RegionEditor::RegionLabel(m, para, 0, 2, 1), "3: 80 / 1 ");
    m.roiNum[0] = 11;
    EXPECT_EQ(RegionEditor::RegionLabel(m, para, 0, 1, 42), "2: 42");
}

TEST_F(ViewTest, ColourFramesShownAndReadOut)
{
    gisColor = true;
    SetWorkingSize(640, 480);
    CammerWidget* w = MakeViews();
    ASSERT_EQ(gColorLen, gImageLen * 4);
    ASSERT_NE(w->planeJudged, nullptr);
    {
        QMutexLocker lock(pMutex[0]);
        for (int i = 0; i < gImageLen; ++i) {
            w->frameGrab[i * 4 + 0] = 10;   // B
            w->frameGrab[i * 4 + 1] = 20;   // G
            w->frameGrab[i * 4 + 2] = 30;   // R
            w->frameGrab[i * 4 + 3] = 255;
        }
        isImageFill[0] = true;
    }
    gSource = 1;
    ASSERT_TRUE(w->PollFrame());
    w->ConvertShown();
    EXPECT_EQ(w->imageShown.pixel(3, 4), qRgb(30, 20, 10));
    w->MUpdateXYV(100, 100);
    EXPECT_EQ(host.touchPixel, "30, 20, 10");
    gisColor = false;
}

TEST_F(ViewTest, TwinStageCopyAndMaskRestore)
{
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(100, 100), QPoint(300, 300));
    CammerSingleton& m = *w->modelInForce;
    m = Edit();
    w->maskInForce[0][0] = w->maskEdit[0][0];
    m.outputNo[0] = 2;
    m.cavity[0][1] = 2;
    para.io_mode = 0;
    w->CopyPara();
    EXPECT_EQ(m.roiNum[1], 1);
    EXPECT_EQ(m.rects[1][0].rect, m.rects[0][0].rect);
    EXPECT_FALSE(m.rects[1][0].IsSelected());
    EXPECT_EQ(w->maskInForce[1][0].data, w->maskInForce[0][0].data);
    EXPECT_EQ(m.cavity[1][1], 0);  // cavity flags are not copied
    // mode 1: stage 3 from 1, then 2 from 0
    gDNum = 4;
    m.roiNum[1] = 0;
    para.io_mode = 1;
    w->CopyPara();
    EXPECT_EQ(m.roiNum[2], 1);
    EXPECT_EQ(m.roiNum[3], 0);
    // restoring the edit masks skips the stages the twin copy fills
    para.enabe_two_test = 1;
    for (int s = 0; s < 4; ++s)
        w->maskEdit[s][0] = cv::Mat(2, 2, CV_8UC1, cv::Scalar(s + 1));
    w->RestorMask();
    EXPECT_EQ(w->maskInForce[0][0].at<uchar>(0, 0), 1);
    EXPECT_EQ(w->maskInForce[1][0].at<uchar>(0, 0), 2);
    EXPECT_NE(w->maskInForce[2][0].data, w->maskEdit[2][0].data);
    para.io_mode = 0;
    para.stage_enabled[0] = 1;
    for (int s = 0; s < 4; ++s)
        w->maskInForce[s][0] = cv::Mat();
    w->RestorMask();
    EXPECT_EQ(w->maskInForce[0][0].data, w->maskEdit[0][0].data);
    EXPECT_TRUE(w->maskInForce[1][0].empty());
    EXPECT_EQ(w->maskInForce[2][0].data, w->maskEdit[2][0].data);
    EXPECT_TRUE(w->maskInForce[3][0].empty());
}

TEST_F(ViewTest, RecordAndRecentNGSourcesDrawOnEveryView)
{
    gFindCamera = 1;
    MakeViews(2);
    host.recordImage = QImage(64, 48, QImage::Format_RGB32);
    host.recordImage.fill(qRgb(0, 0, 200));
    host.recordN = 2;
    gSource = 3;
    // view 1 has no camera and still shows the record picture
    const QImage shot = V(1)->grab().toImage();
    EXPECT_EQ(shot.pixel(gShowW / 2, gShowH / 2), qRgb(0, 0, 200));
    host.recordN = 0;
    EXPECT_NE(V(1)->grab().toImage().pixel(gShowW / 2, gShowH / 2), qRgb(0, 0, 200));
    // recent NG: the shown NG frame
    gSource = 2;
    std::memset(V(0)->frameShown, 77, size_t(gImageLen));
    const QImage ng = V(0)->grab().toImage();
    EXPECT_EQ(ng.pixel(gShowW / 2, gShowH / 2), qRgb(77, 77, 77));
    // live monitoring paints only opened cameras
    gSource = -1;
    const QImage blank = V(1)->grab().toImage();
    EXPECT_NE(blank.pixel(gShowW / 2, gShowH / 2), qRgb(77, 77, 77));
}

namespace {

// Fills the grab buffer with a pattern of the seed and lets the view take it as a new frame.
void DeliverPattern(CammerWidget* w, int seed)
{
    {
        QMutexLocker lock(pMutex[0]);
        for (int i = 0; i < gColorLen; ++i)
            w->frameGrab[i] = uchar((i * 7 + seed * 13 + (i / 641) * 5) & 0xff);
        if (gisColor)
            for (int i = 3; i < gColorLen; i += 4)
                w->frameGrab[i] = 255;
        isImageFill[0] = true;
    }
    ASSERT_TRUE(w->PollFrame());
}

// The live view painted from its prepared picture, and from the full-size copy stretched on the
// paint (a test view of the selected region takes that way; no NG point marks anything): the
// screens are the same, for a view larger and one smaller than the frame.
void ExpectPreparedAsStretched(CammerWidget* w)
{
    gSource = -1;
    CammerSingleton& m = *w->modelInForce;
    m.roiNum[0] = 1;
    m.shapeType[0][0] = 1;
    m.rects[0][0].rect = QRect(20, 20, 60, 40);
    m.rects[0][0].setImageRect();
    std::memset(w->ngPoints, 0, size_t(gImageLen));
    DeliverPattern(w, 1);
    for (QSize size : {QSize(gShowW, gShowH), QSize(431, 245)}) {
        SCOPED_TRACE(size.width());
        w->resize(size);
        const QImage prepared = w->grab().toImage();
        ASSERT_EQ(w->displayShown.size(), size);
        EXPECT_EQ(w->displayShown.format(), gisColor ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
        w->testShown = true;
        w->selectedROI = 0;
        const QImage stretched = w->grab().toImage();
        w->testShown = false;
        w->selectedROI = -1;
        EXPECT_EQ(prepared, stretched);
    }
}

}  // namespace

TEST_F(ViewTest, PreparedGreyPictureLooksAsTheStretchedOne)
{
    ExpectPreparedAsStretched(MakeViews());
}

TEST_F(ViewTest, PreparedColourPictureLooksAsTheStretchedOne)
{
    gisColor = true;
    SetWorkingSize(640, 480);
    ExpectPreparedAsStretched(MakeViews());
    gisColor = false;
}

TEST_F(ViewTest, PreparedPictureFollowsNewFramesAndDirectWrites)
{
    CammerWidget* w = MakeViews();
    gSource = -1;
    const QPoint at(gShowW * 3 / 4, gShowH * 3 / 4);
    auto shown = [&] { return qRed(w->grab().toImage().pixel(at)); };
    const int ix = int(at.x() / gShowAW), iy = int(at.y() / gShowAH);
    auto framePixel = [&] { return int(w->frameShown[size_t(iy) * size_t(gImageW) + size_t(ix)]); };
    DeliverPattern(w, 2);
    EXPECT_NEAR(shown(), framePixel(), 1);
    EXPECT_NEAR(shown(), framePixel(), 1) << "a paint without a new frame";
    // Written by another screen without a new frame (a template, an NG frame).
    std::memset(w->frameShown, 10, size_t(gImageLen));
    EXPECT_EQ(shown(), 10);
    EXPECT_EQ(shown(), 10);
    DeliverPattern(w, 3);
    const int pattern = framePixel();
    ASSERT_NE(pattern, 10);
    EXPECT_EQ(shown(), pattern);
    std::memset(w->frameShown, 10, size_t(gImageLen));
    EXPECT_EQ(shown(), 10) << "written straight after a new frame was prepared";
}

TEST_F(ViewTest, DisplayCopyRenewedWithTheMarksInForce)
{
    CammerWidget* w = MakeViews();
    CammerSingleton& m = OneNgRegionInTheHold(w, host);
    m.rects[0][0].imageRect = QRect(QPoint(100, 100), QPoint(140, 140));
    std::memset(w->ngPoints, 1, size_t(gImageLen));
    w->blinkPhase = 1;
    // The shared channel stamped the copy; the view paints without it.
    std::memset(w->frameRGBA, 0xee, size_t(gImageLen) * 4);
    w->RefreshDisplayCopy();
    EXPECT_EQ(PixelOf(w, 120, 120), qRgb(255, 0, 0));
    EXPECT_EQ(PixelOf(w, 10, 10), qRgb(10, 10, 10));
    EXPECT_EQ(PixelOf(w, gImageW - 1, gImageH - 1), qRgb(10, 10, 10));
    // Blink off: the plain picture, also in the copy after a paint.
    w->blinkPhase = 0;
    w->grab();
    EXPECT_EQ(PixelOf(w, 120, 120), qRgb(10, 10, 10));
}

TEST_F(ViewTest, PassesHandChangedTitleTextsOverWithoutAPaint)
{
    CammerWidget* w = MakeViews();
    gSource = -1;
    host.fps[0] = 20;
    w->grab();
    EXPECT_EQ(host.cameraInfo[0][0], "20");
    // The camera stops delivering: no paint, the frame rate still reaches the strip.
    host.fps[0] = 0;
    host.run = 3;
    w->PassTitleTexts();
    EXPECT_EQ(host.cameraInfo[0][0], "0");
    EXPECT_EQ(host.cameraInfo[0][1], textRow(313).arg(1).arg(textRow(263)).arg(textRow(311)));
    // Nothing changed: nothing handed over again.
    for (QString& t : host.cameraInfo[0])
        t.clear();
    w->PassTitleTexts();
    EXPECT_TRUE(host.cameraInfo[0][1].isEmpty());
    gAllNum[0] = 5;
    w->PassTitleTexts();
    EXPECT_EQ(host.cameraInfo[0][2], "5");
    // A hidden view hands nothing over.
    gAllNum[0] = 6;
    w->hide();
    w->PassTitleTexts();
    EXPECT_EQ(host.cameraInfo[0][2], "5");
    gAllNum[0] = 0;
}
