#pragma once
// Pixel steps shared by the region checks and their live preview: the candidate picture of the
// grey-level methods, the blob opening, outer contours, and the direction method's blobs.
#include <vector>

#include <opencv2/core.hpp>

using Contour = std::vector<cv::Point>;

// The lower and upper grey level of the spot (1), black area (4), white area (5) and white
// number (7) methods; false for other methods.
bool GrayPair(int method, int p1, int p2, int* lower, int* upper);

// 255 where lower <= pixel <= upper, else 0 (`out` crop-sized, written in place).
void GrayPairPicture(const cv::Mat& crop, int lower, int upper, cv::Mat& out);

// A filter size usable on a w x h picture: 1 .. min(w, h).
int ClampKernel(int k, int w, int h);

// Opens `work` with an elliptic k x k kernel (anchor at the centre, one iteration, constant
// border) into `result` (same size; cleared first). Only the part around the non-zero pixels is
// processed, which gives the same picture. Returns the rectangle outside which `result` is 0
// (empty when it is all 0).
cv::Rect OpenBlobs(const cv::Mat& work, cv::Mat& result, int k);

// Closes `work` in place with an elliptic k x k kernel (white number).
void CloseBlobs(cv::Mat& work, int k);

// Outer contours of the non-zero pixels of `pic` inside `area`, in `pic` coordinates, in the
// order OpenCV finds them. `approx`: cv::CHAIN_APPROX_NONE or cv::CHAIN_APPROX_SIMPLE.
void OuterContours(const cv::Mat& pic, cv::Rect area, int approx, std::vector<Contour>& contours);

// Direction method: the crop split by Otsu's threshold into `work` (0/255); outer contours whose
// area lies strictly between min(p2, p3) and max(p2, p3); a kept contour is marked when the
// centroid of its box's uncovered part lies right of the box's middle (side 0) or left of it
// (side 1).
struct DirectionBlob {
    Contour contour;
    cv::Rect box;
    bool marked = false;
};
std::vector<DirectionBlob> DirectionBlobs(const cv::Mat& crop, int side, int p2, int p3, cv::Mat& work);
