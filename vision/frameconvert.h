#pragma once
// Conversions of camera frames into the system's picture format (8-bit grey, or four bytes per
// pixel B, G, R, 255 with colour processing).
#include <opencv2/core.hpp>

struct AVFrame;

// The frame as a matrix of the working size (gImageW x gImageH): 8-bit grey, or packed RGB with
// colour processing on. A smaller frame sits centred on black; a larger one is scaled down to fit,
// keeping its aspect, and centred. An empty matrix when the frame cannot be converted.
cv::Mat avframe_to_cvmat(AVFrame* frame);

// Where a w x h frame lands in a W x H picture (scaled down to fit when larger).
cv::Rect FramePlacement(int w, int h, int W, int H);

// Grey to four bytes per pixel (v, v, v, 255), `pixels` of them.
void GreyToRGBA(unsigned char* rgba, const unsigned char* grey, int pixels);
// Packed RGB to four bytes per pixel (B, G, R, 255): what the vision library's RGB2RGBA writes.
void PackedRGBToRGBA(unsigned char* rgba, const unsigned char* rgb, int width, int height);
