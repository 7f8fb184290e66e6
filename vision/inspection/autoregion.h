#pragma once
// Automatic region generation: the area where the first templates of detect stages 0 and 1
// differ becomes one convex polygon defect region of an empty stage. The main window's
// AutogenerationRegion passes the selected view's edit model and masks and repaints after it.
#include <opencv2/core.hpp>

#include "vision/inspection/cammersingleton.h"
#include "vision/camera/cammerviewdata.h"

struct AutoRegionResult {
    bool made = false;
    int region = -1;      // index of the new region
    int vertices = 0;
    int sensitivity = 0;  // P2 derived from the difference
    cv::Rect imageRect;   // bounding rectangle of the polygon, image pixels
};

// `first0` and `first1`: template slot 0 of stages 0 and 1, gImageH x gImageW, 8-bit. The new
// region (polygon in display coordinates, i.e. image pixels times gShowAW / gShowAH) is appended
// to `stage` of `model` with its mask in `masks`; the stage's region count becomes 1. Nothing
// changes when the pictures do not differ enough, the stage is full or the inputs are unusable.
AutoRegionResult AutoGenerateRegion(CammerSingleton& model, CammerSingleton::MaskTable& masks, int stage,
                                    const cv::Mat& first0, const cv::Mat& first1, int minimumSize,
                                    int minimumArea);

// The same for a camera view: its edit model (modelEdit) and edit masks, and template slot 0 of
// stages 0 and 1 as held (colour templates reduced to one byte by the colour rule). Nothing is
// made when a slot is missing.
AutoRegionResult AutoGenerateRegion(CammerViewData& view, int stage, int minimumSize, int minimumArea);
