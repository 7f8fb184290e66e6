#include "platform/vision/kovvpixel.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

#include <QtGlobal>

namespace {
bool sizeOk(const void* a, const void* b, int width, int height)
{
    return a && b && width > 0 && height > 0;
}
}

bool RGB2RGBA(unsigned char* rgba, const unsigned char* rgb, int width, int height)
{
    if (!sizeOk(rgba, rgb, width, height))
        return false;
    try {
        cv::Mat src(height, width, CV_8UC3, const_cast<unsigned char*>(rgb));
        cv::Mat dst(height, width, CV_8UC4, rgba);
        cv::cvtColor(src, dst, cv::COLOR_RGB2BGRA);
        return dst.data == rgba;
    } catch (const cv::Exception& e) {
        qCritical("RGB2RGBA: %s", e.what());
        return false;
    }
}

bool RGBA2Gray(unsigned char* gray, const unsigned char* rgba, int width, int height)
{
    if (!sizeOk(gray, rgba, width, height))
        return false;
    try {
        cv::Mat src(height, width, CV_8UC4, const_cast<unsigned char*>(rgba));
        cv::Mat dst(height, width, CV_8UC1, gray);
        cv::cvtColor(src, dst, cv::COLOR_BGRA2GRAY);
        return dst.data == gray;
    } catch (const cv::Exception& e) {
        qCritical("RGBA2Gray: %s", e.what());
        return false;
    }
}

bool RGBA2Hue(unsigned char* hue, const unsigned char* rgba, int width, int height)
{
    if (!sizeOk(hue, rgba, width, height))
        return false;
    try {
        cv::Mat src(height, width, CV_8UC4, const_cast<unsigned char*>(rgba));
        cv::Mat dst(height, width, CV_8UC1, hue);
        // a band at a time keeps the three-channel scratch small
        const int band = 64;
        cv::Mat bgr, hsv;
        for (int y = 0; y < height; y += band) {
            const int rows = std::min(band, height - y);
            cv::cvtColor(src.rowRange(y, y + rows), bgr, cv::COLOR_BGRA2BGR);
            cv::cvtColor(bgr, hsv, cv::COLOR_BGR2HSV_FULL);
            cv::Mat out = dst.rowRange(y, y + rows);
            cv::extractChannel(hsv, out, 0);
        }
        return dst.data == hue;
    } catch (const cv::Exception& e) {
        qCritical("RGBA2Hue: %s", e.what());
        return false;
    }
}

bool Gray2RGBA(const unsigned char* gray, unsigned char* rgba, int width, int height)
{
    if (!sizeOk(gray, rgba, width, height))
        return false;
    try {
        cv::Mat src(height, width, CV_8UC1, const_cast<unsigned char*>(gray));
        cv::Mat dst(height, width, CV_8UC4, rgba);
        cv::cvtColor(src, dst, cv::COLOR_GRAY2BGRA);
        return dst.data == rgba;
    } catch (const cv::Exception& e) {
        qCritical("Gray2RGBA: %s", e.what());
        return false;
    }
}
