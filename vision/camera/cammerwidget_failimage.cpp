// NG and OK pictures of a camera view and the first template taken from the working frame.
#include "vision/camera/cammerwidget.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMutexLocker>
#include <QSaveFile>
#include <cstring>

#include "core/wizardpara.h"
#include "mainscreen/viewhost.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/records/failimagepainter.h"
#include "vision/controller/mainwindow.h"
#include "vision/records/savefialimagethread.h"

void CammerWidget::SaveFailImage(int stage, int kind)
{
    const int c = cameraIndex;
    if (!modelInForce || stage < 0 || stage >= MAX_DETECT || c < 0 || c >= MAX_CAMERA)
        return;
    const unsigned char* src = frameCorrected ? frameCorrected : frameWork;
    QImage canvas = FailImagePainter::FromFrame(src, gImageW, gImageH, gisColor);
    FailImagePainter::Results res;
    for (int r = 0; r < MAX_ROI; ++r) {
        res.ok[r] = roiOK[stage][r];
        res.value[r] = roiValue[stage][r];
        const int boxes = qBound(0, ngBoxes[stage][r][0][0], 99);
        for (int b = 1; b <= boxes; ++b) {
            const int* e = ngBoxes[stage][r][b];
            res.ngRects[r] << QRect(QPoint(e[0], e[1]), QPoint(e[2] - 1, e[3] - 1));
        }
    }
    FailImagePainter::Options opt;
    opt.enableDisplayDetail = gpWPara->enable_display_detail;
    opt.minimumArea = gpWPara->minimum_area;
    opt.safetyTrigger = gpWin && gpWin->safetyTrigger;
    opt.showAW = gShowAW;
    opt.showAH = gShowAH;
    const int first = FailImagePainter::Render(canvas, kind, *modelInForce, stage, res, opt);
    if (first) {
        QMutexLocker lock(pMutexSaveFail);
        if (gFailIndex[c][stage] == 0)
            gFailIndex[c][stage] = first;
    }
    if (!SaveFialImageThread::PutSlot(c, stage, kind ? 1 : 0, canvas))
        qWarning("camera %d: picture of stage %d not kept (no slot)", c + 1, stage + 1);
}

void CammerWidget::UpdateFailImage(int stage, int kind)
{
    const int c = cameraIndex;
    if (!gpWin || stage < 0 || stage >= MAX_DETECT || c < 0 || c >= MAX_CAMERA)
        return;
    QImage img = SaveFialImageThread::GetSlot(c, stage, kind ? 1 : 0);
    if (img.isNull())
        return;
    int& state = gpWin->failPicState[c][stage];
    state = FailImagePainter::Stamp(img, state);
    SaveFialImageThread::PutSlot(c, stage, kind ? 1 : 0, img);
}

void CammerWidget::SaveReTrainImage(int stage)
{
    const int c = cameraIndex;
    if (stage < 0 || stage >= MAX_DETECT || !frameWork || templates[stage].empty() || !templates[stage][0])
        return;
    if (frameCorrected)
        std::memcpy(frameCorrected, frameWork, size_t(gColorLen));
    if (frameShown)
        std::memcpy(frameShown, frameWork, size_t(gColorLen));
    QImage picture = gisColor ? QImage(frameWork, gImageW, gImageH, gImageW * 4, QImage::Format_RGB32)
                              : QImage(frameWork, gImageW, gImageH, gImageW, QImage::Format_Indexed8);
    if (!gisColor)
        picture.setColorTable(viewHost()->greyTable());
    const QString dir = QString("./cammer%1%2").arg(c + 1).arg(stage + 1);
    QDir().mkpath(dir);
    const QString path = dir + "/template0.bmp";
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    QString error = file.errorString();
    if (ok) {
        QImageWriter writer(&file, "bmp");
        ok = writer.write(picture);
        error = ok ? QString() : writer.errorString();
        if (ok && !(ok = file.commit()))
            error = file.errorString();
    }
    if (!ok) {
        // The template in memory stays the one on disk.
        if (file.isOpen())
            file.cancelWriting();
        qWarning("camera %d: template of stage %d not written to %s: %s", c + 1, stage + 1, qPrintable(path),
                 qPrintable(error));
        return;
    }
    std::memcpy(templates[stage][0], frameWork, size_t(gColorLen));
    if (!tempValid[stage][0]) {
        tempValid[stage][0] = 1;
        ++tempCount[stage];
    }
    viewHost()->sendTempPic(QFileInfo(path).absoluteFilePath());
}
