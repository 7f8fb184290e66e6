#pragma once
// Frame shifts for motion correction. Both write into `dst`, which must be empty (allocated then)
// or already of src's size and type (written in place, never reallocated); any other `dst` is
// left untouched and false returned. Pixels the shift uncovers repeat the nearest edge pixel:
// zeros there would look like defects.
#include <opencv2/core.hpp>

// dst(x, y) = src(x - dx, y - dy): the content moves by (dx, dy).
bool MoveImage(cv::Mat src, cv::Mat& dst, int dx, int dy);

// dst(p) = src(centre - shift + R(angle) (p - centre)), bilinear; R rotates by `angle` degrees
// (x towards y). This undoes a rotation by `angle` about `centre - shift` followed by the shift,
// which is how FindShape reports a moved and turned model.
bool TransformImage(cv::Mat src, cv::Mat& dst, cv::Point shift, cv::Point centre, double angle);
