// View side of the camera view: picture buffers, templates with the synthetic template 0, NG
// ring, ignore maps with their files, the region models and engine, deleting regions, the tool
// widgets' visibility and the frame polling of the monitoring pass.
#include "vision/camera/cammerwidget.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QPushButton>
#include <QTimer>

#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/regioneditor.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "vision/controller/framecopy.h"
#include "platform/vision/kovvpixel.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/framememory.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/inspection/templatefile.h"
#include "vision/controller/damagenotices.h"
#include "widgets/textrow.h"

namespace {

// Untouched pages of a frame buffer cost no memory, so every stage keeps its buffers even while it
// is not in use.
unsigned char* zeroed(size_t n)
{
    return FrameMemory::Allocate(n);
}

QString stageDir(int camera, int stage)
{
    return QString("./cammer%1%2").arg(camera + 1).arg(stage + 1);
}

}  // namespace

// The view's pictures live in their own resource file of the static library.
static void InitViewResources()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(view);
        done = true;
    }
}

void CammerWidget::BuildViewBase()
{
    InitViewResources();
    camNumIcon = QPixmap(QString(":/img/icons/camNum%1.png").arg(cameraIndex + 1));
    if (!camNumIcon.isNull())
        camNumIcon = camNumIcon.scaledToWidth(48, Qt::SmoothTransformation);
    roiTool = viewHost()->createRoiTool(this);
    if (roiTool)
        roiTool->move(950, 850);
    btnTempLast = new QPushButton(this);
    btnTempNext = new QPushButton(this);
    const char* icons[2] = {":/img/icons/107.png", ":/img/icons/108.png"};
    QPushButton* buttons[2] = {btnTempLast, btnTempNext};
    for (int k = 0; k < 2; ++k) {
        buttons[k]->setFixedSize(60, 60);
        buttons[k]->setIcon(QIcon(icons[k]));
        buttons[k]->setIconSize(QSize(60, 60));
        buttons[k]->setAutoRepeat(true);
    }
    btnTempLast->move(40, 400);
    btnTempNext->move(1600, 400);
    connect(btnTempLast, &QPushButton::pressed, this, [] { viewHost()->tempLast(); });
    connect(btnTempNext, &QPushButton::pressed, this, [] { viewHost()->tempNext(); });
    setStyleSheet("QPushButton{border-style:none;background:transparent;}"
                  "QPushButton:pressed{background-color:#FFC107;}");
    ShowHideTool(0);

    const size_t len = size_t(std::max(1, gImageLen));
    if (gisColor && !planeJudged)
        planeJudged = zeroed(len);
    frameShown = zeroed(size_t(std::max(1, gColorLen)));
    frameRGBA = zeroed(len * 4);
    imageShown = QImage(frameRGBA, std::max(1, gImageW), std::max(1, gImageH), QImage::Format_RGB32);
    selectedROI = previousROI = -1;
    averageGray = 0;
}

void CammerWidget::BuildViewSide()
{
    const size_t colorLen = size_t(std::max(1, gColorLen));
    frameWork = zeroed(colorLen);
    frameCorrected = zeroed(colorLen);
    shapeActive = false;
    handleCode = -1;
    editState = 0;
    polyCount = 0;
    polyActive = pressed = false;
    BuildPanel();
    ngPoints = zeroed(size_t(std::max(1, gImageLen)));
    isOK = true;
    blinkPhase = 0;
    std::fill(std::begin(retrainPending), std::end(retrainPending), false);
    for (int s = 0; s < MAX_DETECT; ++s) {
        ngCount[s] = 0;
        stageCycleFlags[s] = false;
        for (int k = 0; k < 3; ++k)
            ngFrames[s][k] = zeroed(colorLen);
    }
    ngIndex = 0;
    LoadIgnorePoint();
    if (!CammerSingleton::viewMasks)
        CammerSingleton::viewMasks = [](void* view) -> CammerSingleton::MaskTable* {
            return view ? &static_cast<CammerWidget*>(view)->maskInForce : nullptr;
        };
    modelInForce = new CammerSingleton(cameraIndex);
    modelInForce->LoadDatafromFile(this);
    modelEdit = new CammerSingleton(cameraIndex);
    *modelEdit = *modelInForce;
    BackMask();
    DeferOrLoadAndTrain();
    if (gpWPara && gpWPara->video_share == 2 && cameraOpened() && gpWPara->cnt_net_enabled)
        viewHost()->addUseMemory(cameraIndex, gImageW, gImageH, frameRGBA);
    blinkTimer = new QTimer(this);
    connect(blinkTimer, &QTimer::timeout, this, &CammerWidget::TimerShowAlarm);
    grayShown = false;
    moveScope = 0;
}

void CammerWidget::LoadTemplates()
{
    const int slotCount = std::max(1, gTempNum);
    for (int s = 0; s < MAX_DETECT; ++s) {
        templates[s].assign(size_t(slotCount), nullptr);
        tempValid[s].assign(size_t(slotCount), 0);
        tempCount[s] = 0;
        for (int t = 0; t < slotCount; ++t) {
            unsigned char* buf = zeroed(size_t(std::max(1, gColorLen)));
            templates[s][size_t(t)] = buf;
            const QString path = stageDir(cameraIndex, s) + QString("/template%1.bmp").arg(t);
            QImage img;
            const TemplateDamage damage = LoadTemplateFile(path, gImageW, gImageH, gColorLen, &img);
            if (damage != TemplateDamage::None) {
                // Added slots are often empty; the first one and a damaged file matter where the
                // stage is judged.
                const bool judged = cameraOpened() && s < gDNum && modelInForce && modelInForce->roiNum[s] > 0;
                if (judged && (t == 0 || damage != TemplateDamage::Missing))
                    DamageNotices::Add(textRow(665).arg(QDir::cleanPath(path), textRow(TemplateDamageRow(damage))));
                continue;
            }
            const int rowBytes = gColorLen / std::max(1, gImageH);
            for (int y = 0; y < gImageH; ++y)
                std::memcpy(buf + size_t(y) * size_t(rowBytes), img.constScanLine(y), size_t(rowBytes));
            tempValid[s][size_t(t)] = 1;
            tempCount[s]++;
        }
        if (!tempValid[s][0]) {
            // No usable first template: a white block over the middle half on black. Stages
            // without templates share its pages until one writes it, and a stage not in use
            // never reads them.
            const int W = gImageW, H = gImageH;
            const size_t n = size_t(std::max(1, gColorLen));
            unsigned char* buf = FrameMemory::AllocateShared(
                QString("synthetic template %1x%2 %3").arg(W).arg(H).arg(n).toStdString(), n,
                [W, H](unsigned char* b) {
                    const int x1 = W / 4, x2 = 3 * (W / 4), y1 = H / 4, y2 = 3 * (H / 4);
                    for (int y = y1; y <= y2 && y < H; ++y)
                        for (int x = x1; x <= x2 && x < W; ++x)
                            b[size_t(x) + size_t(W) * size_t(y)] = 255;
                });
            if (buf) {
                FrameMemory::Release(templates[s][0]);
                templates[s][0] = buf;
            }
            tempValid[s][0] = 1;
            tempCount[s]++;
        }
    }
    tempIndex = 0;
}

void CammerWidget::FreeViewSide()
{
    delete recogniser;
    recogniser = nullptr;
    delete modelInForce;
    delete modelEdit;
    modelInForce = modelEdit = nullptr;
    for (int s = 0; s < MAX_DETECT; ++s) {
        for (unsigned char* t : templates[s])
            FrameMemory::Release(t);
        templates[s].clear();
        tempValid[s].clear();
        for (int k = 0; k < 3; ++k) {
            FrameMemory::Release(ngFrames[s][k]);
            ngFrames[s][k] = nullptr;
        }
        FrameMemory::Release(ignoreMap[s]);
        FrameMemory::Release(ignoreMapEdit[s]);
        ignoreMap[s] = ignoreMapEdit[s] = nullptr;
    }
    FrameMemory::Release(frameWork);
    FrameMemory::Release(frameCorrected);
    FrameMemory::Release(ngPoints);
    FrameMemory::Release(frameShown);
    FrameMemory::Release(frameRGBA);
    FrameMemory::Release(planeJudged);
    frameWork = frameCorrected = ngPoints = frameShown = frameRGBA = planeJudged = nullptr;
    imageShown = QImage();
    displayShown = QImage();
}

bool CammerWidget::opened() const
{
    return cameraIndex >= 0 && cameraIndex < numCamera && viewBuilt();
}

void CammerWidget::LoadIgnorePoint()
{
    const size_t len = size_t(std::max(1, gImageLen));
    for (int s = 0; s < MAX_DETECT; ++s) {
        if (!ignoreMap[s])
            ignoreMap[s] = zeroed(len);
        if (!ignoreMapEdit[s])
            ignoreMapEdit[s] = zeroed(len);
        FrameMemory::ZeroPages(ignoreMap[s], len);
        const QString path = stageDir(cameraIndex, s) + "/ignorepoint.bmp";
        if (QFileInfo::exists(path)) {
            QImage img(path);
            if (!img.isNull() && img.width() == gImageW && img.height() == gImageH) {
                if (img.format() != QImage::Format_Indexed8 && img.format() != QImage::Format_Grayscale8)
                    img = img.convertToFormat(QImage::Format_Grayscale8);
                for (int y = 0; y < gImageH; ++y)
                    std::memcpy(ignoreMap[s] + size_t(y) * size_t(gImageW), img.constScanLine(y), size_t(gImageW));
            }
        }
        FrameMemory::CopyPages(ignoreMapEdit[s], ignoreMap[s], len);
    }
}

void CammerWidget::SaveIgnorePoint(int stage)
{
    if (stage < 0 || stage >= MAX_DETECT || !ignoreMap[stage])
        return;
    const QString dir = stageDir(cameraIndex, stage);
    QDir().mkpath(dir);
    QImage img(ignoreMap[stage], gImageW, gImageH, gImageW, QImage::Format_Indexed8);
    img.setColorTable(viewHost()->greyTable());
    const QString path = dir + "/ignorepoint.bmp";
    if (!img.save(path))
        qWarning("camera view %d: ignore map %s not written", cameraIndex + 1, qPrintable(path));
    viewHost()->sendTempPic(QFileInfo(path).absoluteFilePath());
}

void CammerWidget::BackIgnorePoint(int stage)
{
    for (int s = 0; s < MAX_DETECT; ++s) {
        if ((stage < 0 || s == stage) && ignoreMap[s] && ignoreMapEdit[s])
            FrameMemory::CopyPages(ignoreMapEdit[s], ignoreMap[s], size_t(gImageLen));
    }
}

void CammerWidget::CommitIgnorePoint()
{
    for (int s = 0; s < MAX_DETECT; ++s) {
        if (!ignoreMap[s] || !ignoreMapEdit[s] || std::memcmp(ignoreMap[s], ignoreMapEdit[s], size_t(gImageLen)) == 0)
            continue;
        std::memcpy(ignoreMap[s], ignoreMapEdit[s], size_t(gImageLen));
        SaveIgnorePoint(s);
    }
}

void CammerWidget::DeleteROI(int roi)
{
    if (!modelEdit)
        return;
    const int s = viewHost()->editStage();
    if (s < 0 || s >= MAX_DETECT)
        return;
    RegionEditor::DeleteRegion(*modelEdit, maskEdit[s], ignoreMapEdit[s], s, roi);
    update();
}

void CammerWidget::DeleteAllROI()
{
    if (!modelEdit)
        return;
    const int s = viewHost()->editStage();
    if (s < 0 || s >= MAX_DETECT)
        return;
    modelEdit->roiNum[s] = 0;
    selectedROI = -1;
    if (ignoreMapEdit[s])
        FrameMemory::ZeroPages(ignoreMapEdit[s], size_t(gImageLen));
    ShowHideROIPara();
    update();
}

void CammerWidget::ShowHideTool(int mask)
{
    if (btnTempLast)
        btnTempLast->setVisible(mask & 1);
    if (btnTempNext)
        btnTempNext->setVisible(mask & 1);
    if (roiTool)
        roiTool->setVisible(mask & 2);
}

bool CammerWidget::TakeFrame()
{
    const int v = cameraIndex;
    if (v < 0 || v >= MAX_CAMERA || v >= numCamera || !frameWork || !pMutex[v])
        return false;
    quint64 sum = 0;
    {
        QMutexLocker lock(pMutex[v]);
        if (!isImageFill[v])
            return false;
        // A grey frame is summed while it is copied.
        if (gisColor)
            std::memcpy(frameWork, frameGrab, size_t(gColorLen));
        else
            sum = FrameCopy::CopyGrey(frameWork, frameGrab, size_t(gColorLen));
        isImageFill[v] = false;
    }
    // The mean of the grey picture, also for colour frames.
    const qint64 pixels = qint64(gImageW) * gImageH;
    if (gisColor)
        averageGray = FrameCopy::Brightness(frameWork, gImageW, gImageH, true);
    else
        averageGray = pixels > 0 ? int(sum / quint64(pixels)) : 0;
    return true;
}

void CammerWidget::ShowFrame()
{
    if (!frameShown || !frameWork || (gSource != -1 && gSource != 1))
        return;
    std::memcpy(frameShown, frameWork, size_t(gColorLen));
    ++shownSerial;
    update();
}

bool CammerWidget::PollFrame()
{
    if (!TakeFrame())
        return false;
    ShowFrame();
    return true;
}

void CammerWidget::ConvertShown()
{
    if (!frameShown || !frameRGBA)
        return;
    if (gisColor)
        std::memcpy(frameRGBA, frameShown, size_t(gImageLen) * 4);
    else
        Gray2RGBA(frameShown, frameRGBA, gImageW, gImageH);
}

void CammerWidget::BackMask()
{
    for (int s = 0; s < gDNum && s < MAX_DETECT; ++s)
        for (int r = 0; r < MAX_ROI; ++r)
            maskEdit[s][r] = maskInForce[s][r];
}

void CammerWidget::RestorMask()
{
    const WizardPara* p = gpWPara;
    const int mode = p ? p->io_mode : 0;
    const bool twin = p && p->enabe_two_test;
    for (int s = 0; s < gDNum && s < MAX_DETECT; ++s) {
        if (twin) {
            if ((mode == 0 || mode == 3 || mode == 5) && p->stage_enabled[0] && (s & 1))
                continue;
            if ((mode == 1 || mode == 2) && s >= 2)
                continue;
        }
        for (int r = 0; r < MAX_ROI; ++r)
            maskInForce[s][r] = maskEdit[s][r];
    }
}

void CammerWidget::CopyPara()
{
    if (!modelInForce || !gpWPara)
        return;
    CammerSingleton& m = *modelInForce;
    auto copyStage = [&](int from, int to) {
        m.roiNum[to] = m.roiNum[from];
        for (int r = 0; r < std::clamp(m.roiNum[from], 0, MAX_ROI); ++r) {
            m.rects[to][r] = m.rects[from][r];
            m.circles[to][r] = m.circles[from][r];
            m.polygons[to][r] = m.polygons[from][r];
            m.rects[to][r].SetSelected(false);
            m.circles[to][r].SetSelected(false);
            m.polygons[to][r].SetSelected(false);
            maskInForce[to][r] = maskInForce[from][r];
            m.shapeType[to][r] = m.shapeType[from][r];
            m.param1[to][r] = m.param1[from][r];
            m.param2[to][r] = m.param2[from][r];
            m.param3[to][r] = m.param3[from][r];
            m.method[to][r] = m.method[from][r];
        }
    };
    switch (gpWPara->io_mode) {
    case 1:
    case 2:
        copyStage(1, 3);
        copyStage(0, 2);
        break;
    case 0:
    case 3:
    case 5: copyStage(0, 1); break;
    default: break;
    }
}

int CammerWidget::shownStage() const
{
    return gSource == 0 ? viewHost()->editStage() : viewHost()->curDetect();
}

CammerSingleton* CammerWidget::shownModel() const
{
    return gSource == 0 ? modelEdit : modelInForce;
}
