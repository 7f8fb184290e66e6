#pragma once
// Rectangular region (shape code 1). Geometry is kept in display coordinates (the camera view
// area, gShowW x gShowH) and in image coordinates (the camera picture, gImageW x gImageH).
// A plain value: copying and comparing it copies and compares the whole shape.
#include <QRect>

#include <opencv2/core.hpp>

class QPainter;

// The part of an image rectangle that lies inside the frame (0..gImageW-1, 0..gImageH-1). A
// rectangle without pixels in the frame gives a zero-sized one at the nearest frame position.
QRect ClipToFrame(const QRect& imageRect);

// Nearest integer (ties to even) of a display-to-image quotient; kept within +-2^29 so a scale of
// 0 or a far-off coordinate cannot overflow the rectangles built from it.
int NearestCoord(float v);
// The same cut toward zero.
int TruncCoord(float v);

class ClustomRect {
public:
    ClustomRect() = default;
    ~ClustomRect() = default;

    void Draw(QPainter& painter) const;
    bool IsSelected() const { return selected; }
    void SetSelected(bool on) { selected = on; }
    // Handle under p (selected only): 0 top-left, 1 top, 2 top-right, 3 left, 4 right,
    // 5 bottom-left, 6 bottom, 7 bottom-right; -1 and false when none.
    bool PtInCtrl(QPoint p, int* code) const;
    // p within 20 pixels of the rectangle, edges included.
    bool Contains(QPoint p) const;
    // Moves the edges of handle `code` by to - from. A moved edge stops one pixel short of its
    // opposite edge, so the rectangle never reaches zero or negative size.
    void Resize(int code, QPoint from, QPoint to);
    void GetRectExt(QRect& out) const { out = rect; }
    // Image rectangle from the display rectangle, clipped to the frame.
    void setImageRect();
    // 255 over the image rectangle (its height x width).
    cv::Mat UpdateMask() const;

    bool operator==(const ClustomRect& o) const
    {
        return rect == o.rect && imageRect == o.imageRect && selected == o.selected;
    }
    bool operator!=(const ClustomRect& o) const { return !(*this == o); }

    QRect rect;       // display, inclusive corners
    QRect imageRect;  // image; its size is the mask's size
    bool selected = false;
};
