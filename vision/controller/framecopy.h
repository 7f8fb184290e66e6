#pragma once
// Frame helpers of the monitoring pass: the brightness of a working frame, the conversion of a
// demonstration picture into the working frame format, and the views' display copies.
#include <cstddef>

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
    // Copies n bytes of a grey frame and returns the sum of its bytes, in one pass over the frame
    // (the brightness then costs no second reading).
    static quint64 CopyGrey(uchar* dst, const uchar* src, size_t n);
    // 64-bit fingerprint of n bytes: a view tells by it whether the picture it shows changed.
    static quint64 Fingerprint(const uchar* data, size_t n);
    // The grey frame of w x h bytes scaled into `out` (8-bit grey, its own size) picking the same
    // pixels as QPainter's drawImage does when it stretches a 32-bit picture over a whole target
    // (no smooth transformation), so the prepared picture looks exactly as the stretched one.
    static void ScaleGrey(const uchar* grey, int w, int h, QImage& out);
};
