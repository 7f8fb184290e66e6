#pragma once
// The mask a matching model is created with: the caller's 8-bit mask of the model's size, or every
// pixel when none is given.
#include <opencv2/core.hpp>

// False, leaving `out` as it is, when the size is not positive or the mask does not fit it.
inline bool takeModelMask(int width, int height, const cv::Mat& mask, cv::Mat& out)
{
    if (width <= 0 || height <= 0)
        return false;
    if (!mask.empty() && (mask.cols != width || mask.rows != height || mask.type() != CV_8UC1))
        return false;
    out = mask.empty() ? cv::Mat(height, width, CV_8UC1, cv::Scalar(255)) : mask.clone();
    return true;
}
