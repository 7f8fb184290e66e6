// Saves PNGs of the camera views with simulated live pictures fed through the grab buffers:
//   viewshots OUTPUT_DIR
// single.png (one view alone, monitoring), split.png (four views), regions.png (template with a
// rectangle, a ring and a polygon), panel.png (a selected region with its parameter panel),
// ng.png (NG overlay in the alarm hold). Runs on the offscreen platform when no display is set.
#include <cmath>
#include <cstring>

#include <QApplication>
#include <QDir>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <opencv2/imgproc.hpp>

#include "core/globals.h"
#include "tools/shottool.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/regioneditor.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/camera/cammerwidget.h"
#include "widgets/toolkitglobals.h"

namespace {

QString gOut;

// A mould-like scene: shaded plate, cavities, pins; `seed` varies it per camera.
void scene(unsigned char* out, int w, int h, int seed)
{
    cv::Mat img(h, w, CV_8UC1, out);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.at<uchar>(y, x) = cv::saturate_cast<uchar>(60 + 50 * x / w + 40 * y / h);
    cv::RNG rng(uint64(seed) * 7919 + 3);
    cv::rectangle(img, cv::Rect(w / 8, h / 6, w / 3, h / 3), cv::Scalar(150), cv::FILLED);
    cv::rectangle(img, cv::Rect(w / 8 + 20, h / 6 + 20, w / 3 - 40, h / 3 - 40), cv::Scalar(40), cv::FILLED);
    cv::circle(img, cv::Point(w * 5 / 8, h / 3), h / 7, cv::Scalar(190), cv::FILLED);
    cv::circle(img, cv::Point(w * 5 / 8, h / 3), h / 14, cv::Scalar(70), cv::FILLED);
    cv::fillConvexPoly(img, std::vector<cv::Point>{{w / 5, h * 2 / 3}, {w / 2, h * 3 / 5}, {w * 3 / 5, h * 7 / 8}, {w / 4, h * 7 / 8}},
                       cv::Scalar(120));
    for (int i = 0; i < 12; ++i)
        cv::circle(img, cv::Point(rng.uniform(0, w), rng.uniform(0, h)), rng.uniform(4, 12), cv::Scalar(rng.uniform(20, 230)),
                   cv::FILLED);
}

void feed(CammerWidget* v, int seed)
{
    {
        QMutexLocker lock(pMutex[v->cameraIndex]);
        scene(v->frameGrab, gImageW, gImageH, seed);
        isImageFill[v->cameraIndex] = true;
    }
    v->PollFrame();
}

void save(QWidget* w, const QString& name)
{
    QApplication::processEvents();
    const QString file = gOut + "/" + name;
    QTextStream(stdout) << (w->grab().save(file) ? "saved " : "FAILED ") << file << "\n";
}

// Rectangle, ring and polygon on stage 0 of the edit copy (display coordinates).
void addRegions(CammerWidget* v)
{
    CammerSingleton& m = *v->modelEdit;
    m.roiNum[0] = 3;
    m.shapeType[0][0] = 1;
    m.rects[0][0].rect = QRect(QPoint(216, 164), QPoint(790, 490));
    m.shapeType[0][1] = 4;
    m.circles[0][1].center = QPoint(1078, 327);
    m.circles[0][1].radius = 150;
    m.circles[0][1].innerRadius = 60;
    m.circles[0][1].UpdateRect();
    m.shapeType[0][2] = 2;
    const QPoint pts[5] = {{330, 640}, {880, 580}, {1050, 860}, {420, 870}, {300, 760}};
    m.polygons[0][2] = RePolygon(5, pts);
    for (int r = 0; r < 3; ++r) {
        m.method[0][r] = r == 1 ? 1 : 0;
        m.param1[0][r] = r == 1 ? 12800 : 5;
        m.param2[0][r] = r == 1 ? 80 : 25;
        m.param3[0][r] = r == 1 ? 500 : 100;
        RegionEditor::RefreshImage(m, 0, r);
        v->maskEdit[0][r] = RegionEditor::RegionMask(m, 0, r);
        v->roiValue[0][r] = 10 * r + 3;
    }
    *v->modelInForce = m;
    for (int r = 0; r < 3; ++r)
        v->maskInForce[0][r] = v->maskEdit[0][r];
}

}  // namespace

int main(int argc, char** argv)
{
    shottool::preferOffscreen();
    QApplication app(argc, argv);
    gOut = shottool::outputDir(argc, argv, "viewshots");
    if (gOut.isEmpty())
        return 2;
    QTemporaryDir programDir;
    if (!programDir.isValid() || !QDir::setCurrent(programDir.path()))
        return 1;
    Data_Init();
    InitWidgetResources();
    gLan = 1;
    CreateGlobalMutexes();
    WizardPara para;
    para.enable_defect_detect = 1;
    para.enable_spot_detect = 1;
    para.enable_display_detail = 1;
    para.paint_option = 1;
    para.minimum_size = 5;
    para.minimum_area = 100;
    gpWPara = &para;
    gpWParaBak = &para;
    gCameraID = CAMERA_NONE;
    gFindCamera = 4;
    numCamera = 0;
    SetWorkingSize(1280, 960);
    gShowW = 1725;
    gShowH = 982;
    gShowAW = float(gShowW) / gImageW;
    gShowAH = float(gShowH) / gImageH;
    gDNum = 2;
    ViewHost host;
    setViewHost(&host);

    QWidget area;
    area.setObjectName("viewArea");
    area.setStyleSheet("#viewArea{background:black;}");
    area.resize(gShowW, gShowH);
    CammerWidget* views[4];
    for (int i = 0; i < 4; ++i)
        views[i] = new CammerWidget(i, &area);
    for (int i = 0; i < 4; ++i)
        addRegions(views[i]);
    area.show();

    // Single view, monitoring with live pictures.
    gSource = -1;
    host.mode = 0;
    host.display = 2;
    views[0]->setGeometry(0, 0, gShowW, gShowH);
    views[0]->show();
    feed(views[0], 1);
    save(&area, "single.png");

    // Split view: four cells at cell scale.
    host.mode = numCamera;
    const int cw = gShowW / 2, ch = gShowH / 2;
    host.scale[0] = double(cw) / gImageW;
    host.scale[1] = double(ch) / gImageH;
    host.scale[2] = double(cw) / gShowW;
    host.scale[3] = double(ch) / gShowH;
    for (int i = 0; i < 4; ++i) {
        views[i]->setGeometry((i % 2) * cw, (i / 2) * ch, cw, ch);
        views[i]->show();
        feed(views[i], i + 1);
    }
    views[3]->isOK = false;
    save(&area, "split.png");
    views[3]->isOK = true;
    for (int i = 1; i < 4; ++i)
        views[i]->hide();

    // Template page with the three shapes.
    for (double& s : host.scale)
        s = 1.0;
    host.scale[0] = double(gShowW) / gImageW;
    host.scale[1] = double(gShowH) / gImageH;
    host.mode = 0;
    host.alarm = 3;
    gSource = 0;
    views[0]->setGeometry(0, 0, gShowW, gShowH);
    std::memcpy(views[0]->frameShown, views[0]->frameWork, size_t(gColorLen));
    gTempTime = "2026-12-07 09.30.00";
    // some ignored points inside the rectangle
    for (int y = 260; y < 300; ++y)
        for (int x = 300; x < 360; x += 3)
            views[0]->ignoreMapEdit[0][y * gImageW + x] = 255;
    save(&area, "regions.png");

    // A selected region with its panel.
    views[0]->modelEdit->circles[0][1].SetSelected(true);
    views[0]->selectedROI = 1;
    views[0]->ShowHideROIPara();
    save(&area, "panel.png");
    views[0]->DeselectROI();
    views[0]->ShowHideROIPara();

    // NG overlay in the alarm hold with the live picture.
    gSource = 1;
    host.alarm = 2;
    host.run = 1;
    CammerWidget* v = views[0];
    v->isOK = false;
    v->roiOK[0][0] = false;
    v->roiOK[0][1] = true;
    v->roiOK[0][2] = true;
    std::memset(v->ngPoints, 0, size_t(gImageLen));
    cv::Mat ng(gImageH, gImageW, CV_8UC1, v->ngPoints);
    cv::circle(ng, cv::Point(300, 230), 40, cv::Scalar(255), cv::FILLED);
    cv::rectangle(ng, cv::Rect(460, 280, 60, 30), cv::Scalar(255), cv::FILLED);
    v->ngBoxes[0][0][0][0] = 2;
    const int boxes[2][4] = {{258, 188, 343, 273}, {458, 278, 522, 312}};
    for (int b = 0; b < 2; ++b)
        for (int k = 0; k < 4; ++k)
            v->ngBoxes[0][0][b + 1][k] = boxes[b][k];
    v->roiValue[0][0] = 6826;
    v->blinkPhase = 0;
    v->TimerShowAlarm();  // phase 1: NG points shown
    save(&area, "ng.png");

    setViewHost(nullptr);
    for (CammerWidget* w : views)
        delete w;
    gpWPara = gpWParaBak = nullptr;
    return 0;
}
