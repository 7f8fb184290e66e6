#include "mainscreen/regioneditor.h"

#include <algorithm>
#include <cmath>

#include <QElapsedTimer>

#include "core/wizardpara.h"
#include "platform/vision/kovvgeometry.h"
#include "vision/inspection/cammersingleton.h"

namespace RegionEditor {

std::function<qint64()> polygonClock = [] {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
};

namespace {

bool validRegion(const CammerSingleton& m, int s, int r)
{
    return s >= 0 && s < MAX_DETECT && r >= 0 && r < std::clamp(m.roiNum[s], 0, MAX_ROI);
}

// Keeps a rectangle in order after an edge moved: the moved edge stops one pixel short.
void KeepOrder(QRect& rc, bool movedLow)
{
    int l = rc.left(), t = rc.top(), r = rc.right(), b = rc.bottom();
    if (movedLow) {
        l = std::min(l, r - 1);
        t = std::min(t, b - 1);
    } else {
        r = std::max(r, l + 1);
        b = std::max(b, t + 1);
    }
    rc = QRect(QPoint(l, t), QPoint(r, b));
}

void ShiftCircle(Circle& c, int dx, int dy)
{
    c.rect.translate(dx, dy);
    CheckInRange(&c.rect, true, QSize(gShowW, gShowH));
    c.UpdateAll();
    c.setImageRect();
}

}  // namespace

bool PolygonStepDue()
{
    static bool stepped = false;
    static qint64 last = 0;
    const qint64 now = polygonClock ? polygonClock() : 0;
    if (stepped && now >= last && now - last < kPolygonMoveMs)
        return false;
    stepped = true;
    last = now;
    return true;
}

QPoint RoundPos(const QPointF& pos)
{
    return QPoint(int(std::lround(pos.x())), int(std::lround(pos.y())));
}

QPoint DisplayPoint(QPoint pos, QPointF pan, double zoom)
{
    if (zoom <= 0)
        zoom = 1.0;
    return QPoint(int((pos.x() - pan.x()) / zoom), int((pos.y() - pan.y()) / zoom));
}

bool ReachesMoveStep(QPoint from, QPoint to)
{
    const double ax = gShowAW > 0 ? std::fabs(double(to.x() - from.x()) / gShowAW) : 0;
    const double ay = gShowAH > 0 ? std::fabs(double(to.y() - from.y()) / gShowAH) : 0;
    return ax >= kMoveStep || ay >= kMoveStep;
}

bool MethodEnabled(const WizardPara& p, int method)
{
    switch (method) {
    case 0: return p.enable_defect_detect != 0;
    case 1: return p.enable_spot_detect != 0;
    case 2: return p.enable_ignore_area != 0;
    case 3: return p.enable_manual_edit != 0;
    case 4: return p.enable_black_area_detect != 0;
    case 5: return p.enable_white_area_detect != 0;
    case 6: return p.enable_similarity_detect != 0;
    case 7: return p.enable_white_count_detect != 0;
    case 8: return p.enable_direction_detect != 0;
    default: return false;
    }
}

int EnabledMethodCount(const WizardPara& p)
{
    int n = 0;
    for (int k = 0; k < 9; ++k)
        n += MethodEnabled(p, k) ? 1 : 0;
    return n;
}

int NextMethod(const WizardPara& p, int m)
{
    int c = (m < 0 || m >= 8) ? -1 : m;
    for (int i = 0; i < 9; ++i) {
        c = (c + 1) % 9;
        if (MethodEnabled(p, c))
            return c;
    }
    return m;
}

void ApplyMethodDefaults(CammerSingleton& m, int s, int r, int method)
{
    if (s < 0 || s >= MAX_DETECT || r < 0 || r >= MAX_ROI)
        return;
    int& p1 = m.param1[s][r];
    int& p2 = m.param2[s][r];
    int& p3 = m.param3[s][r];
    switch (method) {
    case 0:
    case 2: p1 = 5; p2 = 25; p3 = 100; break;
    case 1: p1 = 12800; p2 = 80; p3 = 500; break;
    case 3: p1 = 10; p2 = 10; p3 = 10; break;
    case 4: p2 = 50; p3 = 100; break;
    case 5: p2 = 200; p3 = 100; break;
    case 6: p2 = 80; break;
    case 7: p1 = 1; p2 = 128; p3 = 100; break;
    case 8: p1 = 1; p2 = 5000; p3 = 10000; break;
    default: return;
    }
    m.method[s][r] = method;
}

void NewRegionParams(const WizardPara& p, CammerSingleton& m, int s, int n, bool polygon)
{
    if (s < 0 || s >= MAX_DETECT || n < 0 || n >= MAX_ROI)
        return;
    int& p1 = m.param1[s][n];
    int& p2 = m.param2[s][n];
    int& p3 = m.param3[s][n];
    int& method = m.method[s][n];
    if (n > 0) {
        p1 = m.param1[s][n - 1];
        p2 = m.param2[s][n - 1];
        p3 = m.param3[s][n - 1];
        method = m.method[s][n - 1];
    } else if (p.enable_spot_detect) {
        method = 1; p1 = 12800; p2 = 80; p3 = 500;
    } else if (p.enable_black_area_detect) {
        method = 4; p2 = 50; p3 = 100;
    } else if (p.enable_white_area_detect) {
        method = 5; p2 = 200; p3 = 100;
    } else if (p.enable_similarity_detect) {
        method = 6; p2 = 80;
    } else if (p.enable_white_count_detect) {
        method = 7; p1 = 5; p2 = 128; p3 = 1;
    } else if (p.enable_direction_detect && !polygon) {
        method = 8; p1 = 1; p2 = 5000; p3 = 10000;
    } else {
        method = 0; p1 = 5; p2 = 25; p3 = 100;
    }
    if (s == 0)
        m.outputNo[n] = 0;
}

void PanelSliders(const CammerSingleton& m, int s, int r, bool grayShown, SliderSpec out[3])
{
    for (int k = 0; k < 3; ++k)
        out[k] = SliderSpec();
    if (s < 0 || s >= MAX_DETECT || r < 0 || r >= MAX_ROI)
        return;
    const int p1 = m.param1[s][r], p2 = m.param2[s][r], p3 = m.param3[s][r];
    auto set = [&](int k, int lo, int hi, int v, int row) { out[k] = SliderSpec{true, lo, hi, v, row}; };
    switch (m.method[s][r]) {
    case 1:
        set(0, 0, 255, grayShown ? (p1 >> 8) & 255 : p1 & 255, grayShown ? 11 : 10);
        set(1, 0, 99999, p2, 13);
        set(2, 0, 99999, p3, 14);
        break;
    case 2:
        set(0, 0, 255, p1, 16);
        set(1, 0, 255, p2, 16);
        set(2, 0, 255, p3, 16);
        break;
    case 3:
        set(0, 1, 100, p1, 20);
        set(1, 1, 32, p2, 16);
        set(2, 1, 100, p3, 16);
        break;
    case 4:
        set(1, 0, 255, p2, 11);
        set(2, 0, 50000, p3, 24);
        break;
    case 5:
        set(1, 0, 255, p2, 10);
        set(2, 0, 50000, p3, 24);
        break;
    case 6: set(1, 0, 100, p2, 362); break;
    case 7:
        set(0, 1, 100, p1, 22);
        set(1, 0, 255, p2, 10);
        set(2, 0, 100, p3, 522);
        break;
    case 8:
        set(0, 0, 1, p1, 22);
        set(1, 0, 50000, p2, 13);
        set(2, 0, 50000, p3, 14);
        break;
    default:
        set(0, 1, 10, p1, 22);
        set(1, 0, 255, p2, 23);
        set(2, 0, 1000, p3, 24);
        break;
    }
}

int MethodTextRow(int method)
{
    switch (method) {
    case 1: return 15;
    case 2: return 17;
    case 3: return 21;
    case 4: return 392;
    case 5: return 393;
    case 6: return 398;
    case 7: return 521;
    case 8: return 561;
    default: return 25;
    }
}

int SpotGrey(int packed, int v, bool high)
{
    v &= 255;
    return high ? ((packed & ~0xFF00) | (v << 8)) : ((packed & ~0xFF) | v);
}

int ObjectCount(const CammerSingleton& m, int s, int r)
{
    if (!validRegion(m, s, r))
        return 0;
    switch (m.shapeType[s][r]) {
    case ShapeRect: return 2;
    case ShapeCircle: return 3;
    case ShapePolygon: return m.polygons[s][r].pointNum;
    default: return 0;
    }
}

QRect RegionImageRect(const CammerSingleton& m, int s, int r)
{
    if (s < 0 || s >= MAX_DETECT || r < 0 || r >= MAX_ROI)
        return QRect();
    switch (m.shapeType[s][r]) {
    case ShapeRect: return m.rects[s][r].imageRect;
    case ShapeCircle: return m.circles[s][r].imageRect;
    case ShapePolygon: return m.polygons[s][r].imageRect;
    default: return QRect();
    }
}

cv::Mat RegionMask(const CammerSingleton& m, int s, int r)
{
    if (s < 0 || s >= MAX_DETECT || r < 0 || r >= MAX_ROI)
        return cv::Mat();
    switch (m.shapeType[s][r]) {
    case ShapeRect: return m.rects[s][r].UpdateMask();
    case ShapeCircle: return m.circles[s][r].UpdateMask();
    case ShapePolygon: return m.polygons[s][r].UpdateMask();
    default: return cv::Mat();
    }
}

void RefreshImage(CammerSingleton& m, int s, int r)
{
    if (s < 0 || s >= MAX_DETECT || r < 0 || r >= MAX_ROI)
        return;
    switch (m.shapeType[s][r]) {
    case ShapeRect: m.rects[s][r].setImageRect(); break;
    case ShapeCircle: m.circles[s][r].setImageRect(); break;
    case ShapePolygon: m.polygons[s][r].setImageRect(); break;
    default: break;
    }
}

void Nudge(CammerSingleton& m, int s, int r, int object, int dir)
{
    if (!validRegion(m, s, r) || dir < 0 || dir > 3)
        return;
    static const int dxs[4] = {0, -1, 0, 1};
    static const int dys[4] = {-1, 0, 1, 0};
    const int dx = dxs[dir], dy = dys[dir];
    switch (m.shapeType[s][r]) {
    case ShapeRect: {
        QRect& rc = m.rects[s][r].rect;
        const bool low = object != 1;
        QRect n = rc;
        if (low) {
            n.setLeft(n.left() + dx);
            n.setTop(n.top() + dy);
        } else {
            n.setRight(n.right() + dx);
            n.setBottom(n.bottom() + dy);
        }
        KeepOrder(n, low);
        CheckInRange(&n, false, QSize(gShowW, gShowH));
        rc = n;
        m.rects[s][r].setImageRect();
        break;
    }
    case ShapeCircle: {
        Circle& c = m.circles[s][r];
        static const int radiusStep[4] = {10, 1, -1, -10};
        if (object == 0) {
            c.innerRadius += radiusStep[dir];
            c.UpdateRect();
        } else if (object == 1) {
            c.radius += radiusStep[dir];
            c.UpdateRect();
        } else {
            c.center += QPoint(dx, dy);
            c.UpdateRect();
        }
        const int inner = c.innerRadius;
        CheckInRange(&c.rect, false, QSize(gShowW, gShowH));
        c.UpdateAll();
        c.innerRadius = std::clamp(inner, 0, c.radius);
        c.setImageRect();
        break;
    }
    case ShapePolygon: {
        RePolygon& poly = m.polygons[s][r];
        if (object < 0 || object >= poly.pointNum || object >= poly.points.size())
            return;
        int x = poly.points[object].x() + dx;
        int y = poly.points[object].y() + dy;
        CheckInRange(&x, 1, QSize(gShowW, gShowH));
        CheckInRange(&y, 0, QSize(gShowW, gShowH));
        poly.points[object] = QPoint(x, y);
        poly.setImageRect();
        break;
    }
    default: break;
    }
}

bool PolygonCanMove(const RePolygon& poly, int dx, int dy, int w, int h)
{
    const int n = std::min(poly.pointNum, int(poly.points.size()));
    for (int i = 0; i < n; ++i) {
        const int x = poly.points[i].x() + dx, y = poly.points[i].y() + dy;
        if (x < kPolygonMargin || y < kPolygonMargin || x >= w - kPolygonMargin || y >= h - kPolygonMargin)
            return false;
    }
    return true;
}

bool MoveRegions(CammerSingleton& m, int s, const QVector<int>& rois, int dx, int dy, int w, int h)
{
    for (int r : rois) {
        if (!validRegion(m, s, r))
            return false;
        if (m.shapeType[s][r] == ShapePolygon && !PolygonCanMove(m.polygons[s][r], dx, dy, w, h))
            return false;
    }
    for (int r : rois) {
        switch (m.shapeType[s][r]) {
        case ShapePolygon: {
            RePolygon& poly = m.polygons[s][r];
            for (int i = 0; i < std::min(poly.pointNum, int(poly.points.size())); ++i)
                poly.points[i] += QPoint(dx, dy);
            poly.setImageRect();
            break;
        }
        case ShapeRect: {
            QRect& rc = m.rects[s][r].rect;
            rc.translate(dx, dy);
            CheckInRange(&rc, true, QSize(gShowW, gShowH));
            m.rects[s][r].setImageRect();
            break;
        }
        case ShapeCircle: ShiftCircle(m.circles[s][r], dx, dy); break;
        default: break;
        }
    }
    return true;
}

int CopyRegion(CammerSingleton& m, int s, int src, QPoint p)
{
    if (!validRegion(m, s, src))
        return -1;
    const int n = m.roiNum[s];
    if (n >= MAX_ROI)
        return -1;
    const int kind = m.shapeType[s][src];
    switch (kind) {
    case ShapePolygon: {
        RePolygon poly = m.polygons[s][src];
        if (poly.pointNum > 0 && !poly.points.isEmpty()) {
            const QPoint d = p - poly.points[0];
            for (int i = 0; i < std::min(poly.pointNum, int(poly.points.size())); ++i) {
                int x = poly.points[i].x() + d.x(), y = poly.points[i].y() + d.y();
                CheckInRange(&x, 1, QSize(gShowW, gShowH));
                CheckInRange(&y, 0, QSize(gShowW, gShowH));
                poly.points[i] = QPoint(x, y);
            }
        }
        poly.setImageRect();
        poly.SetSelected(true);
        m.polygons[s][n] = poly;
        m.polygons[s][src].SetSelected(false);
        break;
    }
    case ShapeRect: {
        ClustomRect rc = m.rects[s][src];
        const QRect& a = rc.rect;
        rc.rect.translate(p.x() - (a.left() + a.right()) / 2, p.y() - (a.top() + a.bottom()) / 2);
        CheckInRange(&rc.rect, true, QSize(gShowW, gShowH));
        rc.setImageRect();
        rc.SetSelected(true);
        m.rects[s][n] = rc;
        m.rects[s][src].SetSelected(false);
        break;
    }
    case ShapeCircle: {
        Circle c = m.circles[s][src];
        const QRect& a = c.rect;
        const int inner = c.innerRadius;
        ShiftCircle(c, p.x() - (a.left() + a.right()) / 2, p.y() - (a.top() + a.bottom()) / 2);
        c.innerRadius = std::clamp(inner, 0, c.radius);
        c.setImageRect();
        c.SetSelected(true);
        m.circles[s][n] = c;
        m.circles[s][src].SetSelected(false);
        break;
    }
    default: return -1;
    }
    m.shapeType[s][n] = kind;
    m.param1[s][n] = m.param1[s][src];
    m.param2[s][n] = m.param2[s][src];
    m.param3[s][n] = m.param3[s][src];
    m.method[s][n] = m.method[s][src];
    if (s == 0)
        m.outputNo[n] = m.outputNo[src];
    m.roiNum[s] = n + 1;
    return n;
}

void FillImageRect(unsigned char* map, const QRect& rect, unsigned char v)
{
    if (!map || rect.isNull())
        return;
    const int x1 = std::max(rect.left(), 0), x2 = std::min(rect.right(), gImageW - 1);
    const int y1 = std::max(rect.top(), 0), y2 = std::min(rect.bottom(), gImageH - 1);
    if (x1 > x2 || y1 > y2)
        return;
    for (int y = y1; y <= y2; ++y)
        std::fill(map + size_t(y) * size_t(gImageW) + size_t(x1), map + size_t(y) * size_t(gImageW) + size_t(x2) + 1, v);
}

int IgnoreNgBox(unsigned char* map, const unsigned char* ngPoints, const int box[4])
{
    if (!map || !ngPoints || !box)
        return 0;
    const int x1 = std::max(box[0], 0), x2 = std::min(box[2], gImageW);
    const int y1 = std::max(box[1], 0), y2 = std::min(box[3], gImageH);
    int marked = 0;
    for (int y = y1; y < y2; ++y) {
        const size_t row = size_t(y) * size_t(gImageW);
        for (int x = x1; x < x2; ++x) {
            if (ngPoints[row + size_t(x)]) {
                map[row + size_t(x)] = 255;
                ++marked;
            }
        }
    }
    return marked;
}

void DeleteRegion(CammerSingleton& m, cv::Mat* masks, unsigned char* ignore, int s, int r)
{
    if (s < 0 || s >= MAX_DETECT || r < 0 || r >= MAX_ROI)
        return;
    const int kind = m.shapeType[s][r];
    if (kind == ShapeRect || kind == ShapeCircle || kind == ShapePolygon)
        FillImageRect(ignore, RegionImageRect(m, s, r), 0);
    const int count = std::clamp(m.roiNum[s], 0, MAX_ROI);
    if (r >= count)
        return;
    for (int i = r; i < count - 1; ++i) {
        switch (m.shapeType[s][i + 1]) {
        case ShapeRect: m.rects[s][i] = m.rects[s][i + 1]; break;
        case ShapeCircle: m.circles[s][i] = m.circles[s][i + 1]; break;
        case ShapePolygon: m.polygons[s][i] = m.polygons[s][i + 1]; break;
        default: break;
        }
        if (masks)
            masks[i] = masks[i + 1];
        m.param1[s][i] = m.param1[s][i + 1];
        m.param2[s][i] = m.param2[s][i + 1];
        m.param3[s][i] = m.param3[s][i + 1];
        m.method[s][i] = m.method[s][i + 1];
        m.shapeType[s][i] = m.shapeType[s][i + 1];
        if (s == 0)
            m.outputNo[i] = m.outputNo[i + 1];
    }
    m.roiNum[s] = count - 1;
}

int PanelTop(int y1, int y2, bool detail)
{
    const int h = detail ? 204 : 102;
    const int below = int((y2 + 1) * gShowAH);
    if (h + below < gShowH - 70)
        return below + 5;
    const int above = int(y1 * gShowAH);
    if (above > h)
        return above - h;
    return gShowH - 70 - h;
}

QString RegionLabel(const CammerSingleton& m, const WizardPara& p, int s, int r, int value)
{
    if (s < 0 || s >= MAX_DETECT || r < 0 || r >= MAX_ROI)
        return QString();
    if (m.roiNum[s] > 10)
        return QString("%1: %2").arg(r + 1).arg(value);
    QString limit;
    switch (m.method[s][r]) {
    case 0:
        limit = p.enable_display_detail ? QString("%1").arg(m.param3[s][r]) : QString("%1").arg(p.minimum_area);
        break;
    case 6: limit = QString("%1").arg(m.param2[s][r]); break;
    case 1: limit = QString("%1--%2").arg(m.param2[s][r]).arg(m.param3[s][r]); break;
    default: limit = QString("%1").arg(m.param3[s][r]); break;
    }
    return QString("%1: %2 / %3 ").arg(r + 1).arg(limit).arg(value);
}

}  // namespace RegionEditor
