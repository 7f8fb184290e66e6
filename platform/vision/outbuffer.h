#pragma once
// The vision functions write into the caller's pictures and never reallocate them: a picture of
// the right size and type is used as it is, an empty one is allocated, any other is refused.
#include <opencv2/core.hpp>

inline bool PrepareOutBuffer(cv::Mat& out, cv::Size size, int type)
{
    if (out.empty()) {
        out.create(size, type);
        return true;
    }
    return out.size() == size && out.type() == type;
}
