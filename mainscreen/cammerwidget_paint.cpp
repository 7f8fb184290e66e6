// Painting of the camera view: the picture of the shown source with pan and zoom, the overlays
// written into the picture (NG points, ignored points, parameter test), the regions with their
// labels, the OK/NG result, the status texts for the title bar, the shape being drawn, the frame
// and the camera badge; and the NG blink.
#include "vision/camera/cammerwidget.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QPainter>
#include <QTimer>

#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/regioneditor.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/framecopy.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/records/counters.h"
#include "widgets/textrow.h"

using namespace RegionEditor;

namespace {

// Writes colour (r, g, b) into the 32-bit picture wherever `src` is non-zero inside `rect`
// (image pixels, edges included), clipped to the frame.
void markPixels(unsigned char* rgba, const unsigned char* src, const QRect& rect, int r, int g, int b)
{
    if (!rgba || !src || rect.isNull())
        return;
    const int x1 = std::max(rect.left(), 0), x2 = std::min(rect.right(), gImageW - 1);
    const int y1 = std::max(rect.top(), 0), y2 = std::min(rect.bottom(), gImageH - 1);
    for (int y = y1; y <= y2; ++y) {
        const size_t row = size_t(y) * size_t(gImageW);
        for (int x = x1; x <= x2; ++x) {
            if (!src[row + size_t(x)])
                continue;
            unsigned char* px = rgba + (row + size_t(x)) * 4;
            px[0] = static_cast<unsigned char>(b);
            px[1] = static_cast<unsigned char>(g);
            px[2] = static_cast<unsigned char>(r);
            px[3] = 255;
        }
    }
}

int isqrt(int a)
{
    if (a <= 0)
        return 0;
    int r = int(std::sqrt(double(a)));
    while (r * r > a)
        --r;
    while ((r + 1) * (r + 1) <= a)
        ++r;
    return r;
}

}  // namespace

QString CammerWidget::StageName(int stage) const
{
    const int mode = gpWPara ? gpWPara->io_mode : 0;
    if (mode == 1 || mode == 2)
        return textRow(372 + stage);
    if (mode == 4)
        return textRow(477 + stage);
    return textRow(263 + stage);
}

void CammerWidget::TimerShowAlarm()
{
    if (isOK) {
        blinkPhase = 0;
        if (blinkTimer)
            blinkTimer->stop();
    } else {
        blinkPhase = blinkPhase ? 0 : 1;
    }
    update();
}

void CammerWidget::PaintOverlays(CammerSingleton* m, int stage)
{
    ViewHost* host = viewHost();
    const int count = std::clamp(m->roiNum[stage], 0, MAX_ROI);
    const bool live = gSource == -1 || gSource == 1;
    if (host->alarmState() == 2 && live && blinkPhase == 1) {
        for (int r = 0; r < count; ++r)
            if (!roiOK[stage][r])
                markPixels(frameRGBA, ngPoints, RegionImageRect(*m, stage, r), 255, 0, 0);
    }
    if (gSource == 0) {
        const unsigned char* map = ignoreMapEdit[stage] ? ignoreMapEdit[stage] : ignoreMap[stage];
        for (int r = 0; r < count; ++r)
            markPixels(frameRGBA, map, RegionImageRect(*m, stage, r), 0, 255, 255);
    }
    if (testShown && selectedROI >= 0 && selectedROI < count)
        markPixels(frameRGBA, ngPoints, RegionImageRect(*m, stage, selectedROI), 0, 255, 255);
}

bool CammerWidget::OverlaysDue(CammerSingleton* m, int stage) const
{
    const int count = std::clamp(m->roiNum[stage], 0, MAX_ROI);
    const bool live = gSource == -1 || gSource == 1;
    if (viewHost()->alarmState() == 2 && live && blinkPhase == 1) {
        for (int r = 0; r < count; ++r)
            if (!roiOK[stage][r])
                return true;
    }
    if (gSource == 0 && count > 0)
        return true;
    return testShown && selectedROI >= 0 && selectedROI < count;
}

void CammerWidget::RefreshDisplayCopy()
{
    ConvertShown();
    if (!opened() || !gpWPara || gSource == 2 || gSource == 3 || gSource == 4)
        return;
    CammerSingleton* m = shownModel();
    if (m) {
        PaintOverlays(m, std::clamp(shownStage(), 0, MAX_DETECT - 1));
        rgbaMarked = true;
    }
}

void CammerWidget::PrepareDisplay()
{
    const QSize size = this->size();
    const QImage::Format format = gisColor ? QImage::Format_RGB32 : QImage::Format_Grayscale8;
    const QSize from(gImageW, gImageH);
    if (!frameShown || size.isEmpty() || from.isEmpty()) {
        displayShown = QImage();
        return;
    }
    // A new frame is prepared at once. Other screens write frameShown directly (templates, NG
    // frames, the verdict's frame): for a paint without a new frame its fingerprint tells whether
    // the prepared picture still shows it.
    const bool newFrame = shownSerial != displaySerial;
    quint64 print = 0;
    if (!newFrame) {
        print = FrameCopy::Fingerprint(frameShown, size_t(gColorLen));
        if (displayPrintKnown && displayPrint == print && displayShown.size() == size
            && displayShown.format() == format && displayFrom == from)
            return;
    }
    if (displayShown.size() != size || displayShown.format() != format)
        displayShown = QImage(size, format);
    if (gisColor) {
        const QImage frame(frameShown, gImageW, gImageH, QImage::Format_RGB32);
        QPainter p(&displayShown);
        p.drawImage(QRect(QPoint(0, 0), size), frame);
    } else {
        FrameCopy::ScaleGrey(frameShown, gImageW, gImageH, displayShown);
    }
    displayPrint = print;
    displayPrintKnown = !newFrame;
    displaySerial = shownSerial;
    displayFrom = from;
}

void CammerWidget::PaintRegions(QPainter& painter, CammerSingleton* m, int stage, QString* templateLabel)
{
    ViewHost* host = viewHost();
    const WizardPara& p = *gpWPara;
    const int alarm = host->alarmState();
    const bool tmpl = gSource == 0;
    const bool live = gSource == -1 || gSource == 1;
    const int count = std::clamp(m->roiNum[stage], 0, MAX_ROI);
    const bool haveSel = tmpl && selectedROI >= 0 && selectedROI < count;
    QFont font("wqy-microhei");
    font.setPixelSize(20);
    painter.setFont(font);
    for (int r = 0; r < count; ++r) {
        if (haveSel && r != selectedROI && moveScope != 2)
            continue;
        const QRect ir = RegionImageRect(*m, stage, r);
        if (tmpl && (!haveSel || r == selectedROI) && m->method[stage][r] == 0) {
            const int f = p.enable_display_detail ? m->param1[stage][r] : p.minimum_size;
            const int a = isqrt(p.enable_display_detail ? m->param3[stage][r] : p.minimum_area);
            const int cx = (ir.left() + ir.right()) / 2, cy = (ir.top() + ir.bottom()) / 2;
            const int w = ir.right() - ir.left();
            painter.fillRect(QRect(int((cx - w / 4) * gShowAW) - f / 2, int(cy * gShowAH) - f / 2, f, f), Qt::blue);
            painter.fillRect(QRect(int((cx + w / 4) * gShowAW) - a / 2, int(cy * gShowAH) - a / 2, a, a),
                             QColor("#E9967A"));
        }
        painter.save();
        painter.scale(host->cellScale(2), host->cellScale(3));
        if (!isOK && !roiOK[stage][r] && alarm == 2 && live) {
            // The boxes hold image pixels: mapped to display pixels, they sit where the region's
            // outline (display pixels) is drawn under the same scale.
            painter.setPen(QPen(Qt::red, 1));
            painter.setBrush(Qt::NoBrush);
            const int n = std::clamp(ngBoxes[stage][r][0][0], 0, 99);
            for (int i = 1; i <= n; ++i) {
                const int* b = ngBoxes[stage][r][i];
                painter.drawRect(QRect(QPoint(int(b[0] * gShowAW), int(b[1] * gShowAH)),
                                       QPoint(int((b[2] - 1) * gShowAW), int((b[3] - 1) * gShowAH))));
            }
        }
        const QColor colour = alarm == 0 ? QColor(Qt::darkBlue) : (isOK || roiOK[stage][r]) ? QColor(Qt::green) : QColor(Qt::red);
        painter.setPen(QPen(colour, 1));
        painter.setBrush(Qt::NoBrush);
        QPoint anchor;
        switch (m->shapeType[stage][r]) {
        case ShapeRect:
            m->rects[stage][r].Draw(painter);
            anchor = m->rects[stage][r].rect.topLeft();
            break;
        case ShapeCircle:
            m->circles[stage][r].Draw(painter);
            anchor = m->circles[stage][r].rect.topLeft();
            break;
        case ShapePolygon: {
            const RePolygon& poly = m->polygons[stage][r];
            poly.Draw(painter);
            anchor = poly.points.isEmpty() ? QPoint() : poly.points[0];
            if (tmpl && r == selectedROI && editObject < poly.pointNum && editObject < poly.points.size()) {
                const QPoint v = poly.points[editObject];
                painter.setPen(QPen(Qt::cyan, 2));
                painter.drawEllipse(QRect(QPoint(v.x() - 5, v.y() - 5), QPoint(v.x() + 4, v.y() + 4)));
            }
            break;
        }
        default: break;
        }
        painter.setPen(QPen(colour, 1));
        const QString label = RegionLabel(*m, p, stage, r, roiValue[stage][r]);
        if (haveSel) {
            *templateLabel = label;
        } else {
            painter.drawText(QRect(QPoint(anchor.x(), anchor.y() - 26), QPoint(anchor.x() + 399, anchor.y() - 2)),
                             Qt::AlignLeft | Qt::AlignVCenter, label);
        }
        painter.restore();
    }
}

QString CammerWidget::StatusText(QColor* colour) const
{
    ViewHost* host = viewHost();
    *colour = Qt::green;
    if (host->runState() == 2) {
        *colour = Qt::cyan;
        return textRow(310);
    }
    if (host->runState() == 3) {
        *colour = Qt::red;
        QString status = textRow(311);
        if (host->tempAlarm())
            status += QStringLiteral("   温度报警");
        return status;
    }
    const int d = host->displayState();
    return d == 1 ? textRow(312) : d == 2 ? textRow(528) : d == 3 ? textRow(529) : QString();
}

void CammerWidget::PushTitleTexts(int stage, bool always)
{
    ViewHost* host = viewHost();
    if (cameraIndex < 0 || cameraIndex >= 4)
        return;  // the title bar has four camera strips: views 4-7 leave it alone
    const int c = cameraIndex;
    const QPoint t = host->touchPoint();
    const QString pixel = host->touchPixelText();
    const std::array<int, 16> key = {host->runState(), host->tempAlarm() ? 1 : 0, host->displayState(), stage,
                                     gpWPara ? gpWPara->io_mode : 0, gSource, gAllNum[c], gFailNum[c],
                                     host->frameRate(c), host->viewMode(), host->alarmState(), t.x(), t.y(),
                                     gLan, 0, 0};
    if (!always && key == titleKey && pixel == titlePixel)
        return;
    titleKey = key;
    titlePixel = pixel;
    QColor colour;
    host->setCameraInfo(c, 1, textRow(313).arg(c + 1).arg(StageName(stage)).arg(StatusText(&colour)));
    if (gSource != 0) {
        host->setCameraInfo(c, 2, QString::number(gAllNum[c]));
        host->setCameraInfo(c, 3, QString::number(gFailNum[c]));
        host->setCameraInfo(c, 0, QString::number(host->frameRate(c)));
    }
    if ((gSource == 0 || gSource == -1) && host->viewMode() == c && host->alarmState() != 1)
        host->setLocation(QString("%1, %2, %3").arg(t.x()).arg(t.y()).arg(pixel));
}

void CammerWidget::PassTitleTexts()
{
    // Without a paint (no new frame) the strips still follow the cycle, as when every pass
    // repainted the views under the status panel.
    if (!opened() || !gpWPara || gSource == 2 || gSource == 3 || gSource == 4 || !isVisible())
        return;
    PushTitleTexts(std::clamp(shownStage(), 0, MAX_DETECT - 1), false);
}

void CammerWidget::PaintTexts(QPainter& painter, CammerSingleton* m, int stage, const QString& templateLabel)
{
    ViewHost* host = viewHost();
    QFont font("wqy-microhei");
    auto px = [&](int size) {
        font.setPixelSize(size);
        painter.setFont(font);
    };
    QColor statusColour;
    StatusText(&statusColour);
    // The order of the texts handed over is the paint's: status first, then the counts, the frame
    // rate and the touch readout.
    PushTitleTexts(stage, true);
    for (int d = 0; d < gDNum && d < MAX_DETECT; ++d) {
        if (!host->delayActive(d))
            continue;
        const float left = host->countdown(d);
        if (left > 0.02f) {
            px(45);
            painter.setPen(statusColour);
            painter.drawText(525, 40, QString::number(double(left), 'g', 3));
        }
        break;
    }
    px(40);
    painter.setPen(Qt::green);
    if (gSource == 0) {
        painter.drawText(850, 40, textRow(315).arg(tempIndex + 1).arg(tempCount[stage]).arg(templateLabel));
    } else {
        if (host->alarmState() != 3 && gpWPara->cavity_check_on && modelInForce) {
            painter.drawText(177, 85, textRow(468));
            int x = 352;
            bool first = true;
            for (int k = 1; k <= 8; ++k) {
                if (modelInForce->cavity[1][k - 1] != 2)
                    continue;
                if (!first) {
                    painter.drawText(x, 85, ",");
                    x += 10;
                }
                painter.drawText(x, 85, textRow(469).arg(k));
                x += 60;
                first = false;
            }
        }
    }
    (void)m;
    if (gSource == 0) {
        px(40);
        painter.drawText(5, 85, gTempTime);
    }
}

void CammerWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    ViewHost* host = viewHost();
    const bool single = host->viewMode() == cameraIndex;
    const QPointF pan = host->panOffset();
    const double zoom = host->zoom() > 0 ? host->zoom() : 1.0;
    QFont font("wqy-microhei");
    auto px = [&](int size) {
        font.setPixelSize(size);
        painter.setFont(font);
    };
    const int edited = host->editStage();

    if (gSource == 3 || gSource == 4) {
        const QString title = textRow(gSource == 3 ? 216 : 217);
        const bool wide = gShowW > 1024;
        px(wide ? 45 : 20);
        const int y = wide ? 40 : 20;
        const int records = host->recordCount();
        if (records > 0) {
            painter.save();
            painter.translate(pan);
            painter.scale(zoom, zoom);
            painter.drawImage(rect(), host->recordPicture());
            painter.restore();
        }
        painter.setPen(Qt::green);
        painter.drawText(5, y, textRow(218).arg(host->recordCamera() + 1).arg(StageName(edited)).arg(title)
                                   .arg(records).arg(host->recordIndex() + 1).arg(host->recordLabel()));
        return;
    }
    if (gSource == 2) {
        if (pan.isNull() && zoom == 1.0 && devicePixelRatioF() == 1.0) {
            PrepareDisplay();
            painter.drawImage(QPoint(0, 0), displayShown);
        } else {
            ConvertShown();
            painter.save();
            painter.translate(pan);
            painter.scale(zoom, zoom);
            painter.drawImage(rect(), imageShown);
            painter.restore();
        }
        QColor colour = Qt::green;
        QString status = textRow(312);
        if (host->runState() == 2) {
            colour = Qt::cyan;
            status = textRow(310);
        } else if (host->runState() == 3) {
            colour = Qt::red;
            status = textRow(311);
        }
        px(45);
        painter.setPen(colour);
        painter.drawText(5, 40, textRow(313).arg(cameraIndex + 1).arg(StageName(edited)).arg(status));
        painter.setPen(Qt::green);
        const int e = std::clamp(edited, 0, MAX_DETECT - 1);
        painter.drawText(600, 40, textRow(314).arg(StageName(edited)).arg(ngIndex + 1).arg(std::min(ngCount[e], 3)));
        return;
    }
    if (!opened() || !gpWPara)
        return;

    CammerSingleton* m = shownModel();
    const int stage = std::clamp(shownStage(), 0, MAX_DETECT - 1);
    const bool tmpl = gSource == 0;
    const bool live = gSource == -1 || gSource == 1;
    const int alarm = host->alarmState();
    // The picture is scaled once per new frame and painted as it is; with marks written into it
    // or panned and zoomed, the full-size copy is made and stretched on every paint.
    const bool prepared = !OverlaysDue(m, stage) && (!single || (pan.isNull() && zoom == 1.0))
                          && devicePixelRatioF() == 1.0;
    if (!prepared)
        ConvertShown();
    if (single) {
        painter.save();
        painter.translate(pan);
        painter.scale(zoom, zoom);
    }
    if (prepared) {
        PrepareDisplay();
        painter.drawImage(QPoint(0, 0), displayShown);
        if (rgbaMarked) {
            // The marks end (blink off, editing left): the full-size copy shows the plain picture.
            ConvertShown();
            rgbaMarked = false;
        }
    } else {
        PaintOverlays(m, stage);
        rgbaMarked = true;
        painter.drawImage(QRect(0, 0, width(), height()), imageShown);
    }

    const bool details = (alarm == 0 && (gpWPara->paint_option || tmpl)) || alarm == 1
                         || (alarm == 2 && (tmpl || live)) || (alarm == 3 && tmpl);
    QString templateLabel;
    if (details) {
        px(45);
        painter.setPen(Qt::darkBlue);
        if (alarm == 1 || live) {
            const QColor c = isOK ? QColor(Qt::green) : QColor(Qt::red);
            painter.setPen(c);
            painter.drawText(5, 85, isOK ? "OK" : "NG");
            painter.drawText(1450, 40, textRow(367).arg(averageGray));
        }
        px(20);
        if (tmpl) {
            const int h = height() - 1;
            painter.setPen(Qt::blue);
            painter.drawText(QRect(QPoint(10, h - 79), QPoint(159, h - 55)), Qt::AlignLeft | Qt::AlignVCenter,
                             QString("%1 :").arg(textRow(22)));
            painter.fillRect(QRect(QPoint(160, h - 79), QPoint(184, h - 55)), Qt::blue);
            painter.setPen(QColor("#E9967A"));
            painter.drawText(QRect(QPoint(10, h - 39), QPoint(159, h - 15)), Qt::AlignLeft | Qt::AlignVCenter,
                             QString("%1 :").arg(textRow(24)));
            painter.fillRect(QRect(QPoint(160, h - 39), QPoint(184, h - 15)), QColor("#E9967A"));
        }
        PaintRegions(painter, m, stage, &templateLabel);
    }
    if (single)
        painter.restore();
    painter.save();
    painter.scale(host->cellScale(2), host->cellScale(3));
    PaintTexts(painter, m, stage, templateLabel);
    painter.restore();

    if (single) {
        painter.save();
        painter.translate(pan);
        painter.scale(zoom, zoom);
    }
    if (editState == 1) {
        painter.setPen(QPen(Qt::green, 2));
        painter.setBrush(Qt::NoBrush);
        const int mode = host->drawMode();
        if (mode == 2) {
            for (int i = 1; i < polyCount; ++i)
                painter.drawLine(polyPoints[i - 1], polyPoints[i]);
            if (polyCount > 0) {
                const QPoint f = polyPoints[0];
                painter.setPen(QPen(Qt::cyan, 2));
                painter.drawEllipse(QRect(QPoint(f.x() - 5, f.y() - 5), QPoint(f.x() + 4, f.y() + 4)));
            }
        } else if (mode == 4) {
            workCircle.Draw(painter);
        } else if (mode == 1) {
            workRect.Draw(painter);
        }
    }
    if (single)
        painter.restore();
    painter.setPen(Qt::green);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(0, 0), QPoint(width() - 1, height() - 1)));
    if (!camNumIcon.isNull())
        painter.drawPixmap(width() - camNumIcon.width() - 10, 10, camNumIcon);
}
