#pragma once
// The decisions of region editing, apart from the widgets: touch coordinates, parameters of a new
// region, the method cycle and the panel's slider ranges, nudging, moving (all or none), copying
// and deleting regions of one stage of a region model. The camera view calls these on its edit
// copy; every function works on display coordinates (gShowW x gShowH) and refreshes the image
// geometry of what it changes.
#include <functional>

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QVector>

#include <opencv2/core.hpp>

#include "core/globals.h"

class CammerSingleton;
class RePolygon;
class WizardPara;

namespace RegionEditor {

constexpr int kMaxRegions = MAX_ROI;
constexpr int kClickedPolygonMax = 8096;   // a clicked polygon's point list
constexpr int kPolygonKeep = 8095;         // points kept when a polygon closes; free-hand limit
constexpr int kMinShapeExtent = 9;         // a new rectangle or ring must be larger in x and y
constexpr int kClosingDistance = 9;        // a press this near the first point closes a polygon
constexpr int kMinClickedPoints = 3;
constexpr int kMinFreeHandPoints = 6;
constexpr int kMoveStep = 3;               // image pixels
constexpr int kPolygonMoveMs = 30;
constexpr int kPolygonMargin = 3;

enum Shape { ShapeRect = 1, ShapePolygon = 2, ShapeCircle = 4 };

// Monotonic milliseconds for the polygon move rate (one time stamp for all views); tests replace it.
extern std::function<qint64()> polygonClock;
// True when a polygon step may be taken now (30 ms since the last one); takes the time then.
bool PolygonStepDue();

// Widget position to the nearest integer (halves away from zero).
QPoint RoundPos(const QPointF& pos);
// Display point of an integer widget position under the pan offset and zoom (truncated).
QPoint DisplayPoint(QPoint pos, QPointF pan, double zoom);
// True when a finger movement from `from` to `to` (display) reaches the move step in x or in y.
bool ReachesMoveStep(QPoint from, QPoint to);

// The nine method switches of the parameter record (0 defect .. 8 direction).
bool MethodEnabled(const WizardPara& p, int method);
int EnabledMethodCount(const WizardPara& p);
// The method after `m` in the cycle 0..8 whose switch is on; `m` itself when none is on.
int NextMethod(const WizardPara& p, int m);
// Writes the defaults of the method button for `method` into region r of stage s.
void ApplyMethodDefaults(CammerSingleton& m, int s, int r, int method);
// Parameters and method of a new region n: those of region n - 1, or for the first region those
// of the first enabled function (a polygon never takes direction). Output number 0 on stage 0.
void NewRegionParams(const WizardPara& p, CammerSingleton& m, int s, int n, bool polygon);

// One slider of the panel for the region's method: reset (else kept), range, value, caption row.
struct SliderSpec {
    bool reset = false;
    int min = 0;
    int max = 0;
    int value = 0;
    int captionRow = 0;
};
// Specs of the sliders of parameters 1, 2 and 3 for region r of stage s.
void PanelSliders(const CammerSingleton& m, int s, int r, bool grayShown, SliderSpec out[3]);
// Text row of the method button's caption.
int MethodTextRow(int method);
// A Spot region's parameter 1 with v written into its low byte (high false) or second byte.
int SpotGrey(int packed, int v, bool high);
// Number of parts the nudge buttons can pick: rectangle 2, ring 3, polygon its point count.
int ObjectCount(const CammerSingleton& m, int s, int r);

// The region's image rectangle (bounding rectangle in image pixels) and a fresh mask.
QRect RegionImageRect(const CammerSingleton& m, int s, int r);
cv::Mat RegionMask(const CammerSingleton& m, int s, int r);
// Recomputes the image geometry of region r from its display geometry.
void RefreshImage(CammerSingleton& m, int s, int r);

// Nudges part `object` of region r in direction dir 0..3. A rectangle's edge stops one pixel
// short of its opposite edge; the image geometry is refreshed.
void Nudge(CammerSingleton& m, int s, int r, int object, int dir);
// True when every vertex of `poly` moved by (dx, dy) keeps the polygon move margin inside a
// view of w x h.
bool PolygonCanMove(const RePolygon& poly, int dx, int dy, int w, int h);
// Moves the regions `rois` of stage s by (dx, dy): nothing moves when any polygon among them would
// leave the margin; rectangles and rings are shifted back inside the display. True when moved.
bool MoveRegions(CammerSingleton& m, int s, const QVector<int>& rois, int dx, int dy, int w, int h);
// Copies region `src` of stage s into a new last region placed at p (polygon: first vertex;
// rectangle and ring: centre). Returns the new index, or -1 when the stage is full or src invalid.
int CopyRegion(CammerSingleton& m, int s, int src, QPoint p);
// Sets the bytes of `map` (gImageW x gImageH) inside `rect` (inclusive, clipped to the frame) to v.
void FillImageRect(unsigned char* map, const QRect& rect, unsigned char v);
// Marks as ignored (255) the NG points (non-zero in `ngPoints`) of one NG box: left, top, right,
// bottom with right and bottom exclusive, clipped to the frame. Returns the points marked.
int IgnoreNgBox(unsigned char* map, const unsigned char* ngPoints, const int box[4]);
// Deletes region r of stage s: its image rectangle is cleared in `ignore` (may be null), later
// regions move down one slot with their masks (masks[r] .. masks[count - 1]).
void DeleteRegion(CammerSingleton& m, cv::Mat* masks, unsigned char* ignore, int s, int r);

// Top of the panel for a region whose image rectangle spans rows y1..y2.
int PanelTop(int y1, int y2, bool detail);
// The label of region r: "%1: %2 / %3 " or, with more than 10 regions, "%1: %2".
QString RegionLabel(const CammerSingleton& m, const WizardPara& p, int s, int r, int value);

}  // namespace RegionEditor
