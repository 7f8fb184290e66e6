#include "vision/inspection/regionblobs.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

bool GrayPair(int method, int p1, int p2, int* lower, int* upper)
{
    int lo, hi;
    switch (method) {
    case 1: {
        const int a = p1 & 255, b = (p1 >> 8) & 255;
        lo = std::min(a, b);
        hi = std::max(a, b);
        break;
    }
    case 4:
        lo = 0;
        hi = p2 & 255;
        break;
    case 5:
    case 7:
        lo = p2 & 255;
        hi = 255;
        break;
    default:
        return false;
    }
    *lower = lo;
    *upper = hi;
    return true;
}

void GrayPairPicture(const cv::Mat& crop, int lower, int upper, cv::Mat& out)
{
    cv::inRange(crop, cv::Scalar(lower), cv::Scalar(upper), out);
}

int ClampKernel(int k, int w, int h)
{
    return std::clamp(k, 1, std::max(1, std::min(w, h)));
}

cv::Rect OpenBlobs(const cv::Mat& work, cv::Mat& result, int k)
{
    result.setTo(0);
    const cv::Rect nz = cv::boundingRect(work);
    if (nz.empty())
        return cv::Rect();
    // Erosion keeps zeros zero and dilation reaches k/2 at most, so a margin of k around the
    // non-zero pixels holds everything the opening can produce.
    const cv::Rect area = cv::Rect(nz.x - k, nz.y - k, nz.width + 2 * k, nz.height + 2 * k)
                          & cv::Rect(0, 0, work.cols, work.rows);
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(k, k));
    cv::Mat dst = result(area);
    cv::morphologyEx(work(area), dst, cv::MORPH_OPEN, kernel, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT,
                     cv::morphologyDefaultBorderValue());
    const cv::Rect out = cv::boundingRect(dst);
    return out.empty() ? cv::Rect() : out + area.tl();
}

void CloseBlobs(cv::Mat& work, int k)
{
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(k, k));
    cv::morphologyEx(work, work, cv::MORPH_CLOSE, kernel, cv::Point(-1, -1), 1);
}

void OuterContours(const cv::Mat& pic, cv::Rect area, int approx, std::vector<Contour>& contours)
{
    contours.clear();
    if (area.empty())
        return;
    cv::findContours(pic(area), contours, cv::RETR_EXTERNAL, approx, area.tl());
}

std::vector<DirectionBlob> DirectionBlobs(const cv::Mat& crop, int side, int p2, int p3, cv::Mat& work)
{
    std::vector<DirectionBlob> blobs;
    const int lo = std::min(p2, p3), hi = std::max(p2, p3);
    cv::threshold(crop, work, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    std::vector<Contour> contours;
    cv::findContours(work, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    for (Contour& c : contours) {
        const double area = cv::contourArea(c);
        if (!(area > lo && area < hi))
            continue;
        DirectionBlob b;
        b.box = cv::boundingRect(c);
        cv::Mat pic = cv::Mat::zeros(b.box.height, b.box.width, CV_8UC1);
        std::vector<Contour> one{c};
        cv::drawContours(pic, one, 0, cv::Scalar(255), cv::FILLED, cv::LINE_8, cv::noArray(), INT_MAX,
                         -b.box.tl());
        cv::bitwise_not(pic, pic);
        const cv::Moments m = cv::moments(pic, false);
        if (m.m00 != 0) {
            const int cx = cvRound(m.m10 / m.m00);
            const int half = b.box.width / 2;
            b.marked = (side == 0 && cx > half) || (side == 1 && cx < half);
        }
        b.contour = std::move(c);
        blobs.push_back(std::move(b));
    }
    return blobs;
}
