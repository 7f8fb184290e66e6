#pragma once
// Whole-frame pixel conversions of the vision library. Four-byte pixels are B, G, R, 255
// (QImage::Format_RGB32, OpenCV BGRA). Every function writes into the caller's buffer, which must
// hold the full output frame; null buffers or a non-positive size change nothing and give false.

// Packed three-byte pixels R, G, B (the cameras' RGB8 order) to four-byte pixels.
bool RGB2RGBA(unsigned char* rgba, const unsigned char* rgb, int width, int height);

// Four-byte pixels to one byte of grey (luma 0.299 R + 0.587 G + 0.114 B, rounded).
bool RGBA2Gray(unsigned char* gray, const unsigned char* rgba, int width, int height);

// Four-byte pixels to one byte of hue over the full byte range (0..255 for 0..360 degrees);
// grey pixels, which have no hue, give 0.
bool RGBA2Hue(unsigned char* hue, const unsigned char* rgba, int width, int height);

// One byte of grey to four-byte opaque grey pixels.
bool Gray2RGBA(const unsigned char* gray, unsigned char* rgba, int width, int height);
