#pragma once
// Sets the frame and display geometry for a test and restores it afterwards.
#include "core/globals.h"

struct ShapeGeometry {
    ShapeGeometry(int imageW, int imageH, int showW, int showH)
        : oldIW(gImageW), oldIH(gImageH), oldSW(gShowW), oldSH(gShowH), oldAW(gShowAW), oldAH(gShowAH)
    {
        gImageW = imageW;
        gImageH = imageH;
        gShowW = showW;
        gShowH = showH;
        gShowAW = float(showW) / float(imageW);
        gShowAH = float(showH) / float(imageH);
    }
    ~ShapeGeometry()
    {
        gImageW = oldIW;
        gImageH = oldIH;
        gShowW = oldSW;
        gShowH = oldSH;
        gShowAW = oldAW;
        gShowAH = oldAH;
    }
    int oldIW, oldIH, oldSW, oldSH;
    float oldAW, oldAH;
};
