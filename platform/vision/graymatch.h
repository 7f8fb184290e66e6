#pragma once
// Defect model of one region: learns the grey range each pixel took over the trained templates
// (widened by a small neighbourhood so a pixel of jitter at edges is no defect) and marks the
// pixels of a new crop that leave that range by more than the trained tolerance.
#include <opencv2/core.hpp>

class GrayMatch {
public:
    GrayMatch() = default;

    bool IsValid() const { return valid_; }
    void Clear();

    // Starts a model for crops of width x height. `mask` (same size, 8-bit) selects the pixels
    // that are judged; 0 elsewhere. `jitter` is the tolerated edge movement in pixels (0 = 1).
    bool Create(int width, int height, const cv::Mat& mask, int jitter);
    // Adds one template crop (8-bit, width x height). Refused after Train.
    bool AddTemp(const cv::Mat& templ);
    // Finishes the model. A pixel is a defect when it lies more than
    //   tolerance * percent / 100 + spreadFactor * (spread of the templates at that pixel) / 4
    // grey levels outside the trained range; the margin is capped at maxMargin.
    bool Train(int tolerance, int spreadFactor, int percent, int maxMargin);
    // Writes 255 into `out` (crop-sized 8-bit, reused when it already has that size) where the
    // crop is a defect, 0 elsewhere. Returns the number of defect pixels, -1 when not possible.
    int Match(const cv::Mat& crop, cv::Mat& out) const;

    int templateCount() const { return count_; }

private:
    int width_ = 0;
    int height_ = 0;
    int jitter_ = 1;
    int count_ = 0;
    bool created_ = false;
    bool valid_ = false;
    cv::Mat mask_;
    cv::Mat lo_, hi_;        // neighbourhood minimum / maximum over the templates
    cv::Mat rawLo_, rawHi_;  // plain minimum / maximum (the spread between templates)
    cv::Mat loLimit_, hiLimit_;  // trained: a pixel outside [loLimit, hiLimit] is a defect
};
