#pragma once
// What the detection engine reads and writes of a camera view: frames, templates, ignore maps,
// region masks and the result arrays. The camera view derives from it, so the engine works on
// the view's own members; tests build one directly.
#include <functional>
#include <vector>

#include <opencv2/core.hpp>

#include "core/globals.h"

class CammerSingleton;

struct CammerViewData {
    int cameraIndex = 0;
    CammerSingleton* modelEdit = nullptr;          // edit copy of the region model
    cv::Mat maskInForce[MAX_DETECT][MAX_ROI];      // masks of the model in force
    cv::Mat maskEdit[MAX_DETECT][MAX_ROI];         // masks of the edit copy

    unsigned char* frameWork = nullptr;       // gColorLen: frame taken for inspection
    unsigned char* frameCorrected = nullptr;  // gColorLen: motion-corrected frame that is judged
    unsigned char* planeJudged = nullptr;     // gImageLen, colour mode: one byte per pixel

    unsigned char* ignoreMap[MAX_DETECT] = {};           // gImageLen each, 255 = ignored
    std::vector<unsigned char*> templates[MAX_DETECT];   // gTempNum slots of gColorLen bytes
    std::vector<int> tempValid[MAX_DETECT];              // 1 = the slot holds a picture
    int tempCount[MAX_DETECT] = {};
    int tempIndex = 0;                                   // slot shown on the template page

    bool isOK = true;
    bool roiOK[MAX_DETECT][MAX_ROI] = {};
    int roiValue[MAX_DETECT][MAX_ROI] = {};
    // Entry 0: [0] = number of boxes; entries 1..99: left, top, right, bottom (right and bottom
    // exclusive), frame pixels.
    int ngBoxes[MAX_DETECT][MAX_ROI][100][4] = {};
    unsigned char* ngPoints = nullptr;        // gImageLen: non-zero = NG pixel
    bool testShown = false;

    std::function<void()> requestRepaint;     // the view's update()
};
