#include "vision/controller/viewlayout.h"

ViewLayout computeViewLayout(int numCamera, int selected, int W, int H)
{
    ViewLayout l;
    if (numCamera <= 0)
        return l;
    l.cells.resize(numCamera);
    if (numCamera == 1) {
        l.cells[0] = QRect(0, 0, W, H);
        return l;
    }
    l.changesScale = true;
    if (selected >= 0 && selected < numCamera) {
        l.cells[selected] = QRect(0, 0, W, H);
        l.cellW = W;
        l.cellH = H;
        return l;
    }
    int cols = 2, rows = 2, w = W / 2, h = H / 2;
    if (numCamera == 2) {
        rows = 1;
        h = H;
    } else if (numCamera <= 4) {
    } else if (numCamera <= 6) {
        cols = 3;
        w = W / 3 + 1;
    } else {
        cols = 4;
        w = W / 4;
    }
    for (int i = 0; i < numCamera && i < cols * rows; ++i)
        l.cells[i] = QRect((i % cols) * w, (i / cols) * h, w, h);
    l.cellW = w;
    l.cellH = h;
    return l;
}

void ViewZoom::reset()
{
    offsetX = offsetY = 0;
    scale = 1.0;
}

void ViewZoom::scaleStep(int step)
{
    const float u = float((centreX - offsetX) / scale);
    const float v = float((centreY - offsetY) / scale);
    if (step == 0) {
        reset();
        return;
    }
    double s = scale;
    if (step > 0) {
        s = s * 1.2;
        if (s > kMaxScale)
            s = kMaxScale;
    } else {
        s = s / 1.2;
        if (s < 1.1)
            s = kMinScale;
    }
    offsetX = centreX - u * s;
    offsetY = centreY - v * s;
    scale = s;
    if (s == kMinScale)
        offsetX = offsetY = 0;
}

void ViewZoom::move(int dx, int dy)
{
    if (scale <= 1.0)
        return;
    offsetX += dx * scale;
    offsetY += dy * scale;
}
