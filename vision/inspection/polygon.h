#pragma once
// Polygon region (shape code 2) of up to 8096 vertices. The vertex lists hold exactly the
// vertices in use (pointNum of them), so a polygon's memory follows its size; they are
// implicitly shared, so copying a model copies no vertex until one side changes.
#include <QPoint>
#include <QRect>
#include <QVector>

#include <opencv2/core.hpp>

class QPainter;

// Mask of `area` (image coordinates) for the closed outline pts[0..n-1]: 255 exactly where
// cv::pointPolygonTest(outline, pixel, false) > 0, i.e. strictly inside by the even-odd rule,
// outline pixels 0. Built row by row from the edge crossings, not by a test per pixel.
cv::Mat PolygonMask(const QPoint* pts, int n, const QRect& area);

class RePolygon {
public:
    static constexpr int kCapacity = 8096;

    RePolygon() = default;
    // The first `count` display points of `pts` (count kept within 0..8096); image points zero
    // and rectangles empty until setImageRect.
    RePolygon(int count, const QPoint* pts);
    ~RePolygon() = default;

    void Draw(QPainter& painter) const;
    bool IsSelected() const { return selected; }
    void SetSelected(bool on) { selected = on; }
    // Index of the first vertex within 20 pixels of p (selected only); -1 and false when none.
    bool PtInCtrl(QPoint p, int* code) const;
    // Inside test for touch: the display rectangle when it is under 80 pixels wide or high, else
    // strictly inside the outline.
    bool Contains(const QPoint& p) const;
    // Moves vertex `index` by to - from when it stays strictly within 2 pixels of the view's
    // border; its image point follows with the given scale. Rectangles are not refreshed.
    void Resize(int index, QPoint from, QPoint to, float scaleX, float scaleY);
    // Display and image bounding rectangles (see the members); the image one clipped to the frame.
    void BoundingRect();
    // Image points from the display points, then BoundingRect.
    void setImageRect();
    // 255 where the image pixel is strictly inside the image outline, over the image rectangle.
    cv::Mat UpdateMask() const;

    // Changes the vertex count (0..8096); new vertices are (0, 0) in both lists.
    void SetPointNum(int count);

    bool operator==(const RePolygon& o) const;
    bool operator!=(const RePolygon& o) const { return !(*this == o); }

    int pointNum = 0;
    QVector<QPoint> points;       // display; pointNum entries
    QVector<QPoint> imagePoints;  // image; pointNum entries
    // display bounds with a 20-pixel margin at the left and top: (minx-20, miny-20, maxx-1, maxy-1)
    QRect rect;
    // image bounds without the last column and row: (minx, miny, maxx-1, maxy-1)
    QRect imageRect;
    bool selected = false;

private:
    int used() const;
};
