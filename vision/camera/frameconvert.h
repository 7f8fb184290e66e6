#pragma once
// Conversion of decoded V4L2 frames into the working picture (8-bit grey, or packed RGB that the
// vision library's RGB2RGBA turns into the four-byte format with colour processing).
#include <opencv2/core.hpp>

struct AVFrame;

// The frame as a matrix of the working size (gImageW x gImageH): 8-bit grey, or packed RGB with
// colour processing on. A smaller frame sits centred on black; a larger one is scaled down to fit,
// keeping its aspect, and centred. An empty matrix when the frame cannot be converted.
cv::Mat avframe_to_cvmat(AVFrame* frame);

// Where a w x h frame lands in a W x H picture (scaled down to fit when larger).
cv::Rect FramePlacement(int w, int h, int W, int H);
