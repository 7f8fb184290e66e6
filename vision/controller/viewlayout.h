#pragma once
// Where the camera views go for one to eight cameras, and the zoom and pan of the view shown alone.
#include <QRect>
#include <QVector>

struct ViewLayout {
    QVector<QRect> cells;  // one per laid-out view; an empty rect means hidden
    bool changesScale = false;  // false when a single camera keeps the old view scale
    int cellW = 0;
    int cellH = 0;
};

// numCamera: views laid out; selected: view shown alone, or numCamera for all; W x H: display area.
ViewLayout computeViewLayout(int numCamera, int selected, int W, int H);

class ViewZoom {
public:
    static constexpr double kMinScale = 1.0;
    static constexpr double kMaxScale = 32.0;

    double offsetX = 0;
    double offsetY = 0;
    double scale = 1.0;
    int centreX = 0;
    int centreY = 0;

    void reset();
    // step > 0 zooms in by 1.2, < 0 out by 1.2 (below 1.1 snaps to 1.0), 0 restores; the picture
    // point under the centre stays put.
    void scaleStep(int step);
    // Pans by (dx, dy) times the scale, only while zoomed in.
    void move(int dx, int dy);
};
