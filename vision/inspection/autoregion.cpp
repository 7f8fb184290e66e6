#include "vision/inspection/autoregion.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QPoint>
#include <QDebug>
#include <opencv2/imgproc.hpp>

#include "platform/vision/kovvpixel.h"

namespace {

AutoRegionResult generate(CammerSingleton& model, CammerSingleton::MaskTable& masks, int stage,
                          const cv::Mat& first0, const cv::Mat& first1, int minimumSize, int minimumArea)
{
    AutoRegionResult res;
    const cv::Size frame(gImageW, gImageH);
    if (stage < 0 || stage >= MAX_DETECT || first0.size() != frame || first1.size() != frame
        || first0.type() != CV_8UC1 || first1.type() != CV_8UC1)
        return res;
    // Display = image x scale; without a usable scale there is no place to draw the region.
    if (!(gShowAW > 0.0f) || !(gShowAH > 0.0f))
        return res;
    const int index = std::clamp(model.roiNum[stage], 0, MAX_ROI);
    if (index >= MAX_ROI)
        return res;

    cv::Mat diff;
    cv::absdiff(first0, first1, diff);
    cv::Mat changed;
    cv::threshold(diff, changed, 50, 255, cv::THRESH_BINARY);
    const cv::Mat rect3 = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    const cv::Mat ell30 = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(30, 30));
    const cv::Mat ell50 = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(50, 50));
    cv::morphologyEx(changed, changed, cv::MORPH_OPEN, rect3);
    cv::morphologyEx(changed, changed, cv::MORPH_CLOSE, ell30);
    cv::morphologyEx(changed, changed, cv::MORPH_OPEN, ell30);
    cv::dilate(changed, changed, ell50);

    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(changed, contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_SIMPLE);
    if (contours.empty())
        return res;
    std::vector<cv::Point> all;
    for (const auto& c : contours)
        all.insert(all.end(), c.begin(), c.end());
    std::vector<cv::Point> hull, poly;
    cv::convexHull(all, hull, false, true);
    cv::approxPolyDP(hull, poly, 10.0, true);
    if (poly.empty())
        return res;
    if (int(poly.size()) > RePolygon::kCapacity)
        poly.resize(size_t(RePolygon::kCapacity));

    // The shapes keep display coordinates and derive the image ones from them.
    std::vector<QPoint> shown;
    shown.reserve(poly.size());
    for (const cv::Point& p : poly)
        shown.emplace_back(int(std::lrint(p.x * gShowAW)), int(std::lrint(p.y * gShowAH)));
    RePolygon& shape = model.polygons[stage][index];
    shape = RePolygon(int(shown.size()), shown.data());
    shape.setImageRect();
    masks[stage][index] = shape.UpdateMask();
    model.shapeType[stage][index] = 2;
    shape.SetSelected(true);
    model.method[stage][index] = 0;

    // Sensitivity from the difference inside the polygon's bounds, in image pixels.
    const cv::Rect bounds = cv::boundingRect(poly) & cv::Rect(0, 0, gImageW, gImageH);
    const cv::Mat crop = diff(bounds);
    const int n = cv::countNonZero(crop);
    const int mean = int(cv::mean(crop)[0]);
    int p2 = 25;  // the slider's default when nothing differs inside
    if (n > 0) {
        const int q = (mean * bounds.width * bounds.height) / n;
        p2 = int(0.2 * q);
    }
    model.param1[stage][index] = minimumSize;
    model.param2[stage][index] = p2;
    model.param3[stage][index] = minimumArea;
    model.roiNum[stage] = index + 1;  // 1: the stage was empty

    res.made = true;
    res.region = index;
    res.vertices = int(shown.size());
    res.sensitivity = p2;
    res.imageRect = bounds;
    return res;
}

} // namespace

AutoRegionResult AutoGenerateRegion(CammerSingleton& model, CammerSingleton::MaskTable& masks, int stage,
                                    const cv::Mat& first0, const cv::Mat& first1, int minimumSize,
                                    int minimumArea)
{
    try {
        return generate(model, masks, stage, first0, first1, minimumSize, minimumArea);
    } catch (const cv::Exception& e) {
        qCritical("AutoGenerateRegion: %s", e.what());
        return AutoRegionResult();
    }
}

AutoRegionResult AutoGenerateRegion(CammerViewData& view, int stage, int minimumSize, int minimumArea)
{
    if (!view.modelEdit)
        return AutoRegionResult();
    cv::Mat first[2];
    for (int s = 0; s < 2; ++s) {
        if (view.templates[s].empty() || !view.templates[s][0])
            return AutoRegionResult();
        if (!gisColor) {
            first[s] = cv::Mat(gImageH, gImageW, CV_8UC1, view.templates[s][0]);
            continue;
        }
        first[s].create(gImageH, gImageW, CV_8UC1);
        if (gisGrayHue)
            RGBA2Gray(first[s].data, view.templates[s][0], gImageW, gImageH);
        else
            RGBA2Hue(first[s].data, view.templates[s][0], gImageW, gImageH);
    }
    return AutoGenerateRegion(*view.modelEdit, view.maskEdit, stage, first[0], first[1], minimumSize, minimumArea);
}
