// Region drawing and editing by touch on the camera view: rectangles, rings, clicked and free-hand
// polygons, selection, moving, resizing, the hit tests, the touch readout and the pan of a zoomed
// view. Everything changes the edit copy of the stage the region page edits, and only while the
// view shows the template.
#include "vision/camera/cammerwidget.h"

#include <QMouseEvent>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "mainscreen/regioneditor.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "platform/vision/kovvgeometry.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammersingleton.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

using namespace RegionEditor;

namespace {

bool hitShape(const CammerSingleton& m, int s, int r, QPoint p, int* handle)
{
    int code = -1;
    bool hit = false;
    switch (m.shapeType[s][r]) {
    case ShapeRect: hit = m.rects[s][r].Contains(p) || m.rects[s][r].PtInCtrl(p, &code); break;
    case ShapeCircle: hit = m.circles[s][r].Contains(p) || m.circles[s][r].PtInCtrl(p, &code); break;
    case ShapePolygon: hit = m.polygons[s][r].Contains(p) || m.polygons[s][r].PtInCtrl(p, &code); break;
    default: break;
    }
    if (handle)
        *handle = code;
    return hit;
}

void markShape(CammerSingleton& m, int s, int r, bool on)
{
    switch (m.shapeType[s][r]) {
    case ShapeRect: m.rects[s][r].SetSelected(on); break;
    case ShapeCircle: m.circles[s][r].SetSelected(on); break;
    case ShapePolygon: m.polygons[s][r].SetSelected(on); break;
    default: break;
    }
}

bool onHandle(const CammerSingleton& m, int s, int r, QPoint p, int* code)
{
    switch (m.shapeType[s][r]) {
    case ShapeRect: return m.rects[s][r].PtInCtrl(p, code);
    case ShapeCircle: return m.circles[s][r].PtInCtrl(p, code);
    case ShapePolygon: return m.polygons[s][r].PtInCtrl(p, code);
    default: return false;
    }
}

}  // namespace

void CammerWidget::DeselectROI()
{
    ViewHost* host = viewHost();
    polyActive = false;
    editState = 0;
    host->setDrawMode(0);
    polyCount = 0;
    const int s = host->editStage();
    if (selectedROI >= 0 && modelEdit && s >= 0 && s < MAX_DETECT && selectedROI < MAX_ROI)
        markShape(*modelEdit, s, selectedROI, false);
    selectedROI = -1;
}

bool CammerWidget::GetSelectedRect()
{
    const int s = viewHost()->editStage();
    if (!modelEdit || s < 0 || s >= MAX_DETECT)
        return false;
    for (int r = 0; r < std::clamp(modelEdit->roiNum[s], 0, MAX_ROI); ++r) {
        bool on = false;
        switch (modelEdit->shapeType[s][r]) {
        case ShapeRect: on = modelEdit->rects[s][r].IsSelected(); break;
        case ShapeCircle: on = modelEdit->circles[s][r].IsSelected(); break;
        case ShapePolygon: on = modelEdit->polygons[s][r].IsSelected(); break;
        default: break;
        }
        if (on) {
            selectedROI = r;
            return true;
        }
    }
    return false;
}

bool CammerWidget::PtInRegion(QPoint p)
{
    const int s = viewHost()->editStage();
    if (!modelEdit || s < 0 || s >= MAX_DETECT || selectedROI < 0 || selectedROI >= modelEdit->roiNum[s])
        return false;
    return hitShape(*modelEdit, s, selectedROI, p, &handleCode);
}

bool CammerWidget::PtInRect(QPoint p)
{
    const int s = viewHost()->editStage();
    if (!modelEdit || s < 0 || s >= MAX_DETECT)
        return false;
    const int count = std::clamp(modelEdit->roiNum[s], 0, MAX_ROI);
    const int start = (selectedROI >= 0 && selectedROI < count) ? selectedROI : 0;
    for (int k = 0; k < count; ++k) {
        const int r = (start + k) % count;
        if (hitShape(*modelEdit, s, r, p, nullptr)) {
            selectedROI = r;
            hitPoint = p;
            return true;
        }
    }
    return false;
}

bool CammerWidget::PtInRectMove(QPoint p)
{
    const int s = viewHost()->editStage();
    if (!modelEdit || s < 0 || s >= MAX_DETECT)
        return false;
    for (int r = 0; r < std::clamp(modelEdit->roiNum[s], 0, MAX_ROI); ++r)
        if (hitShape(*modelEdit, s, r, p, nullptr))
            return true;
    return false;
}

void CammerWidget::MUpdateXYV(int x, int y)
{
    ViewHost* host = viewHost();
    const QPointF pan = host->panOffset();
    double zoom = host->zoom();
    if (zoom <= 0)
        zoom = 1.0;
    const int ix = gShowW > 0 ? int((x - pan.x()) * gImageW / (gShowW * zoom)) : 0;
    const int iy = gShowH > 0 ? int((y - pan.y()) * gImageH / (gShowH * zoom)) : 0;
    QString pixel = host->touchPixelText();
    if (frameShown && ix >= 0 && iy >= 0 && ix < gImageW && iy < gImageH) {
        const size_t i = size_t(iy) * size_t(gImageW) + size_t(ix);
        if (gisColor) {
            const unsigned char* px = frameShown + i * 4;
            pixel = QString("%1, %2, %3").arg(px[2]).arg(px[1]).arg(px[0]);
        } else {
            pixel = QString("%1").arg(frameShown[i]);
        }
    }
    host->setTouchPoint(QPoint(ix, iy), pixel);
}

void CammerWidget::CreateRegion(bool circle)
{
    const int s = viewHost()->editStage();
    const int n = modelEdit->roiNum[s];
    if (circle) {
        Circle c = workCircle;
        c.UpdateAll();
        c.setImageRect();
        c.SetSelected(true);
        modelEdit->circles[s][n] = c;
        modelEdit->shapeType[s][n] = ShapeCircle;
    } else {
        ClustomRect rc = workRect;
        rc.setImageRect();
        rc.SetSelected(true);
        modelEdit->rects[s][n] = rc;
        modelEdit->shapeType[s][n] = ShapeRect;
    }
    AddEditRegion(s, n, false);
}

void CammerWidget::AddEditRegion(int s, int n, bool polygon)
{
    maskEdit[s][n] = RegionMask(*modelEdit, s, n);
    NewRegionParams(*gpWPara, *modelEdit, s, n, polygon);
    roiValue[s][n] = 0;
    modelEdit->roiNum[s] = n + 1;
    selectedROI = n;
}

void CammerWidget::SavePolygon()
{
    ViewHost* host = viewHost();
    if (!modelEdit || editState != 1 || host->drawMode() != 2)
        return;
    const int s = host->editStage();
    if (s < 0 || s >= MAX_DETECT)
        return;
    const int n = modelEdit->roiNum[s];
    if (n >= MAX_ROI) {
        showWarnBox(textRow(36));
        return;
    }
    if (polyCount <= 2)
        return;
    if (polyCount > kPolygonKeep)
        polyCount = kPolygonKeep;
    RePolygon poly(polyCount, polyPoints);
    poly.setImageRect();
    poly.SetSelected(true);
    modelEdit->polygons[s][n] = poly;
    modelEdit->shapeType[s][n] = ShapePolygon;
    AddEditRegion(s, n, true);
    polyActive = false;
    editState = 0;
    host->setDrawMode(0);
    polyCount = 0;
    ShowHideROIPara();
    update();
}

void CammerWidget::mousePressEvent(QMouseEvent* e)
{
    ViewHost* host = viewHost();
    const QPoint pos = RoundPos(e->localPos());
    const bool single = host->viewMode() == cameraIndex;
    if (single) {
        host->setLastTouch(pos);
        MUpdateXYV(pos.x(), pos.y());
    }
    if (!opened()) {
        QWidget::mousePressEvent(e);
        return;
    }
    if (host->viewMode() == numCamera) {
        host->setViewMode(cameraIndex);
        host->changeCammer();
        if (host->alarmState() == 2 && gSource == 1)
            host->alarmSetCamera(cameraIndex);
        ShowHideTool(0);
        QWidget::mousePressEvent(e);
        return;
    }
    if (gSource != 0) {
        setCursor(Qt::ArrowCursor);
        QWidget::mousePressEvent(e);
        return;
    }
    editState = 0;
    pressed = true;
    const QPoint p = DisplayPoint(pos, host->panOffset(), host->zoom());
    const int s = host->editStage();
    if (s < 0 || s >= MAX_DETECT) {
        QWidget::mousePressEvent(e);
        return;
    }
    if (host->copyArmed()) {
        host->setCopyArmed(false);
        SlotCopyArea(p);
        return;
    }
    const int mode = host->drawMode();
    if (mode == 0) {
        if (GetSelectedRect()) {
            const int kind = modelEdit->shapeType[s][selectedROI];
            if (PtInRegion(p)) {
                if (onHandle(*modelEdit, s, selectedROI, p, &handleCode)) {
                    editState = 3;
                } else {
                    setCursor(Qt::SizeAllCursor);
                    editState = 2;
                }
                lastPoint = p;
                if (kind == ShapePolygon)
                    polyActive = true;
                else
                    shapeActive = true;
            } else {
                if (selectedROI >= 0 && selectedROI < modelEdit->roiNum[s])
                    previousROI = selectedROI;
                markShape(*modelEdit, s, selectedROI, false);
                selectedROI = -1;
                setCursor(Qt::CrossCursor);
                curPoint = lastPoint = p;
            }
        } else if (PtInRect(p)) {
            setCursor(Qt::SizeAllCursor);
            markShape(*modelEdit, s, selectedROI, true);
            lastPoint = p;
            editObject = 0;
            editState = 2;
            if (modelEdit->shapeType[s][selectedROI] == ShapePolygon)
                polyActive = true;
            else
                shapeActive = true;
        }
        update();
    } else if (mode == 1 || mode == 4) {
        setCursor(Qt::CrossCursor);
        curPoint = lastPoint = p;
        if (mode == 1)
            workRect.rect = QRect(p, p);
        else
            workCircle.rect = QRect(p, p);
        editState = 5;
        shapeActive = true;
    } else if (mode == 2) {
        setCursor(Qt::CrossCursor);
        curPoint = lastPoint = p;
        editState = 1;
        polyActive = true;
        if (!host->freeHand()) {
            if (polyCount >= kClickedPolygonMax) {
                polyCount = kClickedPolygonMax - 1;
                showWarnBox(textRow(35));
            } else if (polyCount > 0 && std::abs(p.x() - polyPoints[0].x()) <= kClosingDistance
                       && std::abs(p.y() - polyPoints[0].y()) <= kClosingDistance) {
                // Closed by the region page's polygon command; too few points close nothing.
                host->drawPolygonCommand(this);
            } else {
                polyPoints[polyCount++] = p;
            }
        }
        update();
    }
    QWidget::mousePressEvent(e);
}

void CammerWidget::mouseMoveEvent(QMouseEvent* e)
{
    ViewHost* host = viewHost();
    const QPoint pos = RoundPos(e->localPos());
    if (host->viewMode() == cameraIndex)
        MUpdateXYV(pos.x(), pos.y());
    if (!opened()) {
        QWidget::mouseMoveEvent(e);
        return;
    }
    auto panView = [&] {
        if (host->panMode() == 2 && host->zoom() > 1.1 && e->buttons() == Qt::LeftButton) {
            const QPoint last = host->lastTouchPos();
            host->setPanOffset(host->panOffset() + QPointF(pos - last));
            host->setLastTouch(pos);
            update();
        }
    };
    if (gSource == -1 || gSource == 1) {
        panView();
        QWidget::mouseMoveEvent(e);
        return;
    }
    if (gSource != 0 || !modelEdit) {
        QWidget::mouseMoveEvent(e);
        return;
    }
    const int s = host->editStage();
    if (s < 0 || s >= MAX_DETECT) {
        QWidget::mouseMoveEvent(e);
        return;
    }
    QPoint p = DisplayPoint(pos, host->panOffset(), host->zoom());
    GetSelectedRect();
    const int mode = host->drawMode();
    const bool haveSel = selectedROI >= 0 && selectedROI < modelEdit->roiNum[s];
    if (shapeActive) {
        if (editState == 5) {
            editState = 1;
            if (mode == 4) {
                workCircle.rect.setBottomRight(p);
                workCircle.UpdateAll();
            } else {
                workRect.rect.setBottomRight(p);
            }
        } else if (editState == 1) {
            int x = p.x(), y = p.y();
            CheckInRange(&x, 1, QSize(gShowW, gShowH));
            CheckInRange(&y, 0, QSize(gShowW, gShowH));
            if (mode == 4) {
                workCircle.rect.setBottomRight(QPoint(x, y));
                workCircle.UpdateAll();
            } else {
                workRect.rect.setBottomRight(QPoint(x, y));
            }
        } else if (editState == 2 && haveSel) {
            if (ReachesMoveStep(lastPoint, p)) {
                curPoint = p;
                const QPoint d = p - lastPoint;
                if (modelEdit->shapeType[s][selectedROI] == ShapeCircle) {
                    Circle& c = modelEdit->circles[s][selectedROI];
                    const int inner = c.innerRadius;
                    c.rect.translate(d);
                    CheckInRange(&c.rect, true, QSize(gShowW, gShowH));
                    c.UpdateAll();
                    c.innerRadius = std::clamp(inner, 0, c.radius);
                } else {
                    QRect& rc = modelEdit->rects[s][selectedROI].rect;
                    rc.translate(d);
                    CheckInRange(&rc, true, QSize(gShowW, gShowH));
                }
                lastPoint = p;
            }
        } else if (editState == 3 && haveSel) {
            curPoint = p;
            if (modelEdit->shapeType[s][selectedROI] == ShapeCircle) {
                Circle& c = modelEdit->circles[s][selectedROI];
                const int inner = c.innerRadius;
                c.Resize(handleCode, lastPoint, curPoint);
                CheckInRange(&c.rect, false, QSize(gShowW, gShowH));
                c.UpdateAll();
                c.innerRadius = std::clamp(inner, 0, c.radius);
            } else {
                ClustomRect& rc = modelEdit->rects[s][selectedROI];
                rc.Resize(handleCode, lastPoint, curPoint);
                CheckInRange(&rc.rect, false, QSize(gShowW, gShowH));
            }
            lastPoint = p;
        }
        update();
    } else if (polyActive) {
        if (editState == 2 && pressed && haveSel) {
            if (!PolygonStepDue()) {
                QWidget::mouseMoveEvent(e);
                return;
            }
            if (ReachesMoveStep(lastPoint, p)) {
                curPoint = p;
                const QPoint d = p - lastPoint;
                RePolygon& poly = modelEdit->polygons[s][selectedROI];
                if (PolygonCanMove(poly, d.x(), d.y(), gShowW, gShowH)) {
                    for (int i = 0; i < std::min(poly.pointNum, int(poly.points.size())); ++i)
                        poly.points[i] += d;
                    poly.setImageRect();
                    lastPoint = p;
                }
            }
        } else if (editState == 3 && pressed && haveSel) {
            curPoint = p;
            modelEdit->polygons[s][selectedROI].Resize(handleCode, lastPoint, curPoint, gShowAW, gShowAH);
            lastPoint = p;
        } else if (editState == 1 && host->freeHand()) {
            if (polyCount < kPolygonKeep)
                polyPoints[polyCount++] = p;
        }
        update();
    } else {
        int code = -1;
        if (haveSel && modelEdit->shapeType[s][selectedROI] != ShapePolygon
            && onHandle(*modelEdit, s, selectedROI, p, &code)) {
            switch (code) {
            case 1:
            case 6: setCursor(Qt::SizeVerCursor); break;
            case 2:
            case 5: setCursor(Qt::SizeBDiagCursor); break;
            case 3:
            case 4: setCursor(Qt::SizeHorCursor); break;
            case 0:
            case 7: setCursor(Qt::SizeFDiagCursor); break;
            default: break;
            }
        } else if (haveSel && modelEdit->shapeType[s][selectedROI] == ShapePolygon
                   && onHandle(*modelEdit, s, selectedROI, p, &code)) {
            setCursor(Qt::SizeFDiagCursor);
        } else if (PtInRectMove(p)) {
            setCursor(Qt::SizeAllCursor);
        } else {
            panView();
            setCursor(Qt::ArrowCursor);
        }
        update();
    }
    QWidget::mouseMoveEvent(e);
}

void CammerWidget::mouseReleaseEvent(QMouseEvent* e)
{
    ViewHost* host = viewHost();
    if (!opened() || gSource != 0 || !modelEdit) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const int s = host->editStage();
    if (s < 0 || s >= MAX_DETECT) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const int mode = host->drawMode();
    if (shapeActive) {
        if (editState == 1) {
            const QRect& w = mode == 4 ? workCircle.rect : workRect.rect;
            const bool bigEnough = (mode == 1 || mode == 4) && w.right() - w.left() > kMinShapeExtent
                                   && w.bottom() - w.top() > kMinShapeExtent;
            if (bigEnough && modelEdit->roiNum[s] >= MAX_ROI) {
                showWarnBox(textRow(36));
                shapeActive = false;
            } else {
                if (bigEnough)
                    CreateRegion(mode == 4);
                host->setDrawMode(0);
                editState = 0;
                shapeActive = false;
            }
        } else if (editState == 5) {
            host->setDrawMode(0);
            editState = 0;
            shapeActive = false;
        } else if (editState == 2 || editState == 3) {
            shapeActive = false;
        }
    }
    if (editState == 2 || editState == 3) {
        if (selectedROI >= 0 && selectedROI < modelEdit->roiNum[s]) {
            RefreshImage(*modelEdit, s, selectedROI);
            maskEdit[s][selectedROI] = RegionMask(*modelEdit, s, selectedROI);
        }
        polyActive = false;
        editState = 0;
    } else if (editState == 1 && polyActive && host->freeHand()) {
        if (polyCount < kMinFreeHandPoints) {
            polyActive = false;
            editState = 0;
            host->setDrawMode(0);
            polyCount = 0;
            ShowHideROIPara();
            update();
        } else {
            SavePolygon();
        }
    }
    ShowHideROIPara();
    pressed = false;
    update();
    QWidget::mouseReleaseEvent(e);
}

void CammerWidget::mouseDoubleClickEvent(QMouseEvent* e)
{
    QWidget::mouseDoubleClickEvent(e);
}
