#pragma once
// Renders the annotated NG or OK picture of one camera and stage (regions outlined, each with its
// number, limit and measured value, the verdict in large letters) and stamps the way an alarm was
// cleared onto a picture. The camera view calls it on the GUI thread; the picture slots and the
// writer thread are in savefialimagethread.h.
#include <QImage>
#include <QRect>
#include <QString>
#include <QVector>

#include "core/globals.h"

class CammerSingleton;

class FailImagePainter {
public:
    // Results of one stage of one camera, as the detection engine left them.
    struct Results {
        bool ok[MAX_ROI] = {};
        int value[MAX_ROI] = {};
        QVector<QRect> ngRects[MAX_ROI];  // corners (x1, y1) and (x2 - 1, y2 - 1) of each NG rectangle
    };
    struct Options {
        int enableDisplayDetail = 0;
        int minimumArea = 0;
        bool safetyTrigger = false;
        float showAW = 1.0f;  // display pixels per image pixel (the ring draws in display space)
        float showAH = 1.0f;
    };

    // The working frame (grey bytes or four-byte pixels) as an RGB32 picture of w x h.
    static QImage FromFrame(const uchar* frame, int w, int h, bool color);
    // Paints the verdict and the regions of `stage` onto `canvas`. kind 0 NG, otherwise OK.
    // Returns the number (from 1) of the first NG region, 0 when none.
    static int Render(QImage& canvas, int kind, const CammerSingleton& model, int stage, const Results& res,
                      const Options& opt);

    // Limit shown beside a region by its method (parameters 2 and 3 of the region).
    static QString LimitText(int method, int p2, int p3, const Options& opt);
    // "n: limit / value " below 11 regions, "n: value" from 11 on.
    static QString LabelText(int n, int regionCount, const QString& limit, int value);

    // Text stamped for picture state `state`; `next` receives the state after stamping.
    static QString StampText(int state, int* next);
    // Draws the stamp of `state` onto `canvas`; returns the state after it.
    static int Stamp(QImage& canvas, int state);
};
