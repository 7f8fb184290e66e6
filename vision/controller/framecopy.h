#pragma once
// Frame helpers of the monitoring pass: the brightness of a working frame and the conversion of a
// demonstration picture into the working frame format.
#include <QByteArray>
#include <QImage>

class FrameCopy {
public:
    // Mean grey level (truncated) of a working frame of w x h pixels: grey frames one byte per
    // pixel, colour frames four bytes B, G, R, 255 per pixel (the grey of each pixel is used).
    static int Brightness(const uchar* frame, int w, int h, bool color);
    // The picture converted to the working format (8-bit grey, or 32-bit B,G,R,255 in colour
    // mode), packed without line padding. False when it is null or not w x h.
    static bool ToWorkingFrame(const QImage& picture, int w, int h, bool color, QByteArray& out);
};
