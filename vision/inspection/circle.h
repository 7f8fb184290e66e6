#pragma once
// Ring region (shape code 4): the pixels between an inner and an outer circle; an inner radius of
// 0 makes a full disc. Display and image geometry as for ClustomRect. A plain value.
#include <QPoint>
#include <QRect>

#include <opencv2/core.hpp>

class QPainter;

class Circle {
public:
    Circle();
    ~Circle() = default;

    void Draw(QPainter& painter) const;
    bool IsSelected() const { return selected; }
    void SetSelected(bool on) { selected = on; }
    // Handle on the band within 20 pixels of the outer circle (selected only): 0 lower-left,
    // 1 below, 2 lower-right, 3 left, 4 right, 5 upper-left, 6 above, 7 upper-right.
    bool PtInCtrl(QPoint p, int* code) const;
    // p within 20 pixels of the bounding square, edges included.
    bool Contains(QPoint p) const;
    // Outer radius := distance from the centre to `to`; code and from are not used.
    void Resize(int code, QPoint from, QPoint to);
    void GetRectExt(QRect& out) const { out = rect; }
    // Bounding square from centre and radius; keeps the inner radius within 0..radius.
    void UpdateRect();
    // Centre and radius from `rect` (the largest square at its top-left corner), then UpdateRect.
    void UpdateAll();
    // Image centre, radii and rectangle (clipped to the frame) from the display geometry.
    void setImageRect();
    // Mask over the (clipped) image rectangle: 255 where Ri^2 <= d^2 < R^2 from the image centre.
    cv::Mat UpdateMask() const;

    bool operator==(const Circle& o) const;
    bool operator!=(const Circle& o) const { return !(*this == o); }

    QRect rect;            // bounding square of the outer circle, display
    QRect imageRect;       // the same in the image, clipped to the frame
    QPoint center;         // display
    int radius = 0;        // display pixels
    int innerRadius = 0;   // display pixels, 0..radius
    QPoint imageCenter;
    int imageRadius = 0;
    int imageInnerRadius = 0;
    bool selected = false;
};
