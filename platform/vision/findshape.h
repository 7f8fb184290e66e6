#pragma once
// Positioning model: learns the edges of a template (gradient directions at well-spread edge
// points, on a pyramid of resolutions) and finds them again in a search picture with shift and,
// when allowed, rotation. Brightness changes and noise do not move the result; a scene without
// the template's edges is not found.
#include <vector>

#include <opencv2/core.hpp>

class FindShape {
public:
    FindShape() = default;

    // Successful searches since the owner last reset it.
    int findCount = 0;

    bool IsValid() const { return valid_; }
    void Clear();

    // Learns `image` (8-bit). `angleStart` is the middle of the searched angles and `angleExtent`
    // (degrees, 0 = shift only) the tolerated rotation either side of it. (centreX, centreY): the
    // template's centre in the caller's frame, also the rotation centre; the template's left
    // edge there is centreX - width / 2, its top centreY - height / 2. `minContrast`: smallest
    // grey step that counts as an edge (0 = 10). `anyPolarity`: an edge may have swapped dark and
    // bright sides. Pixels where `mask` equals `maskValue` belong to the model (empty: all).
    // `minScore` is the smallest accepted score in tenths (below 3 counts as 3); `levels` caps
    // the pyramid (0 = chosen from the template). A template without edges leaves the model invalid.
    bool CreateShape(const cv::Mat& image, double angleStart, int minContrast, int angleExtent,
                     int centreX, int centreY, bool anyPolarity, int maskValue, cv::Mat mask,
                     int minScore, int levels);

    // Searches `search` (8-bit). On success (score at least the minimum) returns true with
    // (*x, *y) = the model's position as the search picture's corner plus the correction, that is
    // (left edge of the template in the frame) - (left edge where it was found in `search`), and
    // likewise for y; so a caller subtracting the search window's corner gets the shift that moves
    // the frame back onto the model. *angle is the found rotation in degrees, *score 0..1.
    // `lastLevel` > 0 stops at a coarser resolution (faster, less exact).
    bool Find(cv::Mat& search, int lastLevel, int* x, int* y, double* score, double* angle);

    int levelCount() const { return int(levels_.size()); }

private:
    struct Level {
        int width = 0, height = 0;
        float cx = 0, cy = 0;                 // rotation centre in this level's pixels
        float radius = 0;                     // farthest point from the centre
        std::vector<cv::Point2f> offsets;     // point - centre
        std::vector<cv::Point2f> dirs;        // unit gradient directions
    };
    struct Pose {
        int tx = 0, ty = 0;  // template's top-left in the level's search picture
        double angle = 0;
        double score = -1;
    };

    double angleStep(int level) const;
    void coarseSearch(const cv::Mat& img, int top, int pointStep, std::vector<Pose>& found) const;
    void refine(const cv::Mat& img, int level, double step, Pose& pose) const;
    double scoreAt(const cv::Mat& img, const Level& lv, const std::vector<cv::Point>& pts,
                   const std::vector<cv::Point2f>& dirs, int tx, int ty, double stopBelow) const;

    bool valid_ = false;
    int width_ = 0, height_ = 0;
    int centreX_ = 0, centreY_ = 0;
    double angleStart_ = 0;
    int angleExtent_ = 0;
    int gradMin_ = 0;          // Sobel magnitude below which an image pixel has no direction
    bool anyPolarity_ = false;
    double minScore_ = 0.5;
    std::vector<Level> levels_;
};
