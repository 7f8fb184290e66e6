#pragma once
// Similarity model of one region: scores how much a crop looks like its best-matching trained
// template under the region mask (0..100, best over the tolerated shift, whole pixels and between
// them, never beyond it, so a camera landing between pixels does not lower it and content moved
// further does not pass): the share of the crop's variation that the template explains after a
// change of lighting, with the camera's noise counted as explained, so plain and textured surfaces
// score alike; the lowest of the whole region and its halves. Marks where the crop differs from
// that template.
#include <vector>

#include <opencv2/core.hpp>

class SURF {
public:
    SURF() = default;

    bool IsValid() const { return valid_; }
    void Clear();

    // Starts a model for crops of width x height; `mask` (same size, 8-bit) selects the compared
    // pixels, an empty mask compares all.
    bool Create(int width, int height, const cv::Mat& mask);
    // Adds one template crop (the newest 16 are kept). `shift`: tolerated displacement in pixels (0..4); `diffLevel`: grey
    // difference beyond the template's neighbourhood range that the difference picture marks;
    // `minScore`: the score the caller will require (kept for reference).
    bool AddTemp(const cv::Mat& templ, int shift, int diffLevel, int minScore);
    // Finishes the model; the arguments are not used (the call sites pass zeros).
    bool Train(int, int, int, int);
    // Returns the similarity score 0..100 (0 when not possible) and writes a crop-sized 8-bit
    // difference picture into `out` (reused when it has that size): 255 where the crop differs.
    float Match(cv::Mat& crop, cv::Mat& out);

    int minScore() const { return minScore_; }

private:
    struct Sums {
        double n = 0, s = 0, ss = 0, st = 0;
    };
    struct Temp {
        cv::Mat image;   // the template crop
        double mean = 0; // over the compared pixels
        Sums quarters[4];   // compared pixels, sum and sum of squares per quarter of the region
        // Per cell (see cellLosses), compared pixels and the template's variance there.
        std::vector<double> cellPixels, cellVariance;
    };
    // The whole region and its left, right, top and bottom half.
    static constexpr int kParts = 5;
    // Crop sums per quarter of the region read at (sx, sy), and the lowest fit of the whole region
    // and its halves from them (each part's fit into `fits`, may be null).
    void read(const cv::Mat& crop, const Temp& t, int sx, int sy, Sums q[4]) const;
    double judge(const Sums q[4], const Temp& t, double fits[kParts]) const;
    double explained(const Sums q[4], const Temp& t, const double whole[kParts], const double aligned[kParts],
                     const double moveDiff[4], const double loss[4]) const;
    void line(const Sums q[4], const Temp& t, double& gain, double& offset) const;
    void cellLosses(const cv::Mat& crop, const Temp& t, const Sums wholeSums[4], const Temp& moved,
                    const Sums movedSums[4], int sx, int sy, double loss[4]) const;
    double majorityLeft(const cv::Mat& crop, const Temp& t, const Sums wholeSums[4], const cv::Mat& moved, int sx,
                        int sy) const;
    void measureCells(Temp& t) const;
    int cellCount() const;
    // Template sums over the compared pixels.
    void measure(Temp& t) const;
    static double fit(double n, double s, double ss, double st, double ts, double tss);
    int quarter(int x, int y) const { return (y >= height_ / 2 ? 2 : 0) + (x >= width_ / 2 ? 1 : 0); }

    int width_ = 0;
    int height_ = 0;
    int shift_ = 1;
    int diffLevel_ = 50;
    int minScore_ = 0;
    bool created_ = false;
    bool valid_ = false;
    cv::Mat mask_;       // compared pixels (255, else 0), border of `shift_` cleared so shifted reads stay inside
    int maskCount_ = 0;
    std::vector<Temp> temps_;
};
