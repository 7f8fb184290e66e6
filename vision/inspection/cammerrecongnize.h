#pragma once
// Detection engine of one camera: per detect stage the valid mask and the positioning model with
// its search window, per region the trained defect or similarity model; the motion correction of
// each new frame and the region checks that decide OK or NG.
#include <functional>
#include <vector>

#include <QList>
#include <QString>
#include <QStringList>
#include <opencv2/core.hpp>

#include "core/globals.h"
#include "platform/vision/findshape.h"
#include "platform/vision/graymatch.h"
#include "platform/vision/surf.h"
#include "vision/camera/cammerviewdata.h"
#include "vision/inspection/paramroi.h"

class CammerSingleton;

// Codes of "REG RUN ERROR = camera, stage, code".
enum RegRunError {
    RegErrEmptyMask = -1,        // the region's mask is empty
    RegErrNoValidMask = -2,      // the stage was never trained
    RegErrEmptyRect = -3,        // the region's rectangle has no pixels
    RegErrUntrainedDefect = -4,  // a defect region without a trained model
    RegErrBadMethod = -5,        // a method outside 0..8
    RegErrOutsideFrame = -6,     // rectangle leaves the frame or its mask is of another size
};

class CammerRecong {
public:
    CammerRecong(CammerSingleton* model, CammerViewData* view);
    ~CammerRecong();
    CammerRecong(const CammerRecong&) = delete;
    CammerRecong& operator=(const CammerRecong&) = delete;

    void CreateShape(int stage);
    void VarTrain(int stage);
    void ShapeMatch();
    void Run(int stage);
    // Run in two halves for inspecting cameras in parallel: Judge touches only this engine and
    // its view, so engines of different cameras may judge on different threads at once; the
    // report rows and error records it holds back reach g_listParamROI and the record in
    // Publish, on the controller's thread, one camera after another as Run would.
    void Judge(int stage);
    void Publish();
    void RunTest(int stage, int region);
    void AreaGen() {}

    // Seams to the monitoring controller, wired by it: its current detect stage (curDetect), the
    // trigger source of the cycle (lastInput, 0 = none) and its operation record (InsertRecord).
    static std::function<int()> currentStage;
    static std::function<int()> lastInput;
    static std::function<void(const QString&)> insertRecord;

    // Read access for the controller's displays and for tests.
    const cv::Mat& validMask(int stage) const { return validMask_[stage]; }
    const FindShape& positioning(int stage) const { return position_[stage]; }
    const GrayMatch& defectModel(int stage, int region) const { return defect_[stage][region]; }
    const SURF& similarityModel(int stage, int region) const { return similarity_[stage][region]; }
    cv::Rect searchWindow(int stage) const;
    cv::Point modelCentre(int stage) const { return cv::Point(centreX_[stage], centreY_[stage]); }
    // Shift and angle of the last correction (0 when the frame was taken unchanged).
    cv::Point lastShift() const { return lastShift_; }
    double lastAngle() const { return lastAngle_; }
    bool lastCorrected() const { return lastCorrected_; }

private:
    void doCreateShape(int stage);
    void doVarTrain(int stage);
    void doShapeMatch();
    void doRun(int stage);
    void doRunTest(int stage, int region);
    cv::Mat framePlane(unsigned char* buffer, unsigned char* scratch) const;
    void reportError(int stage, int code);

    CammerSingleton* model_;
    CammerViewData* view_;
    cv::Mat validMask_[MAX_DETECT];
    GrayMatch defect_[MAX_DETECT][MAX_ROI];
    SURF similarity_[MAX_DETECT][MAX_ROI];
    FindShape position_[MAX_DETECT];
    int centreX_[MAX_DETECT] = {};
    int centreY_[MAX_DETECT] = {};
    int window_[MAX_DETECT][4] = {};
    std::vector<unsigned char> workBuf_, resultBuf_;  // region-sized scratch, reused
    QList<param_roi> heldRows_;
    QStringList heldRecords_;
    cv::Point lastShift_;
    double lastAngle_ = 0;
    bool lastCorrected_ = false;
};
