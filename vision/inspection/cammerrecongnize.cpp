#include "vision/inspection/cammerrecongnize.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include <QDebug>
#include <opencv2/imgproc.hpp>

#include "core/wizardpara.h"
#include "platform/vision/kovvpixel.h"
#include "platform/vision/moveimage.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/inspection/regionblobs.h"

std::function<int()> CammerRecong::currentStage;
std::function<int()> CammerRecong::lastInput;
std::function<void(const QString&)> CammerRecong::insertRecord;

namespace {

bool validStage(int s) { return s >= 0 && s < MAX_DETECT; }

// Bounding rectangle of region r of stage s in image pixels (inclusive corners to x, y, w, h).
cv::Rect regionRect(const CammerSingleton& m, int s, int r)
{
    QRect q;
    switch (m.shapeType[s][r]) {
    case 1: q = m.rects[s][r].imageRect; break;
    case 4: q = m.circles[s][r].imageRect; break;
    default: q = m.polygons[s][r].imageRect; break;
    }
    return cv::Rect(q.left(), q.top(), q.right() - q.left() + 1, q.bottom() - q.top() + 1);
}

bool insideFrame(const cv::Rect& r)
{
    return r.x >= 0 && r.y >= 0 && r.width > 0 && r.height > 0 && r.x + r.width <= gImageW
           && r.y + r.height <= gImageH;
}

cv::Mat standalone(std::vector<unsigned char>& buf, int h, int w, bool zero = true)
{
    if (buf.size() < size_t(w) * h)
        buf.resize(size_t(w) * h);
    if (zero)
        std::memset(buf.data(), 0, size_t(w) * h);
    return cv::Mat(h, w, CV_8UC1, buf.data());
}

// A valid mask without ignored pixels is the same for every stage and camera: they share one,
// which is only ever read (training builds a fresh mask before it writes).
cv::Mat sharedAllValid(int h, int w)
{
    static std::mutex lock;
    static cv::Mat all;
    std::lock_guard<std::mutex> hold(lock);
    if (all.rows != h || all.cols != w)
        all = cv::Mat(h, w, CV_8UC1, cv::Scalar(255));
    return all;
}

} // namespace

CammerRecong::CammerRecong(CammerSingleton* model, CammerViewData* view) : model_(model), view_(view)
{
    for (int s = 0; s < MAX_DETECT; ++s) {
        position_[s].findCount = 0;
        if (gpWPara && gpWPara->stage_enabled[s]) {
            CreateShape(s);
            VarTrain(s);
        }
    }
}

CammerRecong::~CammerRecong() = default;

cv::Rect CammerRecong::searchWindow(int stage) const
{
    const int* w = window_[stage];
    return cv::Rect(w[0], w[1], w[2], w[3]);
}

void CammerRecong::reportError(int stage, int code)
{
    heldRecords_ << QString("REG RUN ERROR = %1, %2, %3").arg(view_->cameraIndex).arg(stage).arg(code);
}

void CammerRecong::Publish()
{
    g_listParamROI.append(heldRows_);
    heldRows_.clear();
    for (const QString& text : std::as_const(heldRecords_)) {
        if (insertRecord)
            insertRecord(text);
        else
            qWarning("%s", qPrintable(text));
    }
    heldRecords_.clear();
}

// One byte per pixel of a frame buffer: the buffer itself, or in colour mode its reduction into
// `scratch`.
cv::Mat CammerRecong::framePlane(unsigned char* buffer, unsigned char* scratch) const
{
    if (!buffer)
        return cv::Mat();
    if (!gisColor)
        return cv::Mat(gImageH, gImageW, CV_8UC1, buffer);
    if (!scratch)
        return cv::Mat();
    if (gisGrayHue)
        RGBA2Gray(scratch, buffer, gImageW, gImageH);
    else
        RGBA2Hue(scratch, buffer, gImageW, gImageH);
    return cv::Mat(gImageH, gImageW, CV_8UC1, scratch);
}

// OpenCV reports trouble (e.g. no memory) by exceptions; none may leave the engine. A failed
// step leaves the stage without correction or models, which later shows as NG, never as OK.
void CammerRecong::CreateShape(int stage)
{
    try {
        doCreateShape(stage);
    } catch (const cv::Exception& e) {
        qCritical("CreateShape(%d): %s", stage, e.what());
        if (validStage(stage))
            position_[stage].Clear();
    }
}

void CammerRecong::VarTrain(int stage)
{
    try {
        doVarTrain(stage);
    } catch (const cv::Exception& e) {
        qCritical("VarTrain(%d): %s", stage, e.what());
        if (validStage(stage)) {
            validMask_[stage].release();
            for (int r = 0; r < MAX_ROI; ++r) {
                defect_[stage][r].Clear();
                similarity_[stage][r].Clear();
            }
        }
    }
}

void CammerRecong::ShapeMatch()
{
    try {
        doShapeMatch();
    } catch (const cv::Exception& e) {
        qCritical("ShapeMatch: %s", e.what());
        lastCorrected_ = false;
        if (view_ && view_->frameWork && view_->frameCorrected && view_->frameWork != view_->frameCorrected)
            std::memcpy(view_->frameCorrected, view_->frameWork, size_t(gColorLen));
    }
}

void CammerRecong::Run(int stage)
{
    Judge(stage);
    Publish();
}

void CammerRecong::Judge(int stage)
{
    try {
        doRun(stage);
    } catch (const cv::Exception& e) {
        qCritical("Run(%d): %s", stage, e.what());
        if (view_)
            view_->isOK = false;
    }
}

void CammerRecong::RunTest(int stage, int region)
{
    try {
        doRunTest(stage, region);
    } catch (const cv::Exception& e) {
        qCritical("RunTest(%d, %d): %s", stage, region, e.what());
    }
}

void CammerRecong::doCreateShape(int stage)
{
    if (!validStage(stage) || !gpWPara || !model_ || !view_)
        return;
    if (gpWPara->enable_correct == -1 || gisColor)
        return;
    const int W = gImageW, H = gImageH;
    cv::Rect rect;
    cv::Mat mask;
    int param = 5;
    const int count = std::clamp(model_->roiNum[stage], 0, MAX_ROI);
    for (int r = 0; r < count; ++r) {
        if (model_->method[stage][r] != 3)
            continue;
        const cv::Rect rr = regionRect(*model_, stage, r);
        if (rr.width > 0 && rr.height > 0) {
            rect = rr;
            mask = view_->maskInForce[stage][r];
            param = model_->param1[stage][r];
        }
        break;
    }
    if (rect.width <= 0 || rect.height <= 0) {
        rect = cv::Rect(W / 4, H / 4, 3 * W / 4, 3 * H / 4);
        mask = cv::Mat();
        param = 5;
    }
    // The shapes keep their rectangles inside the frame; a stray one is clipped rather than read
    // past the picture.
    const cv::Rect clipped = rect & cv::Rect(0, 0, W, H);
    if (clipped != rect || mask.size() != rect.size() || mask.type() != CV_8UC1)
        mask = cv::Mat(clipped.size(), CV_8UC1, cv::Scalar(255));
    rect = clipped;
    centreX_[stage] = rect.x + rect.width / 2;
    centreY_[stage] = rect.y + rect.height / 2;

    const int angle = gpWPara->shape_angle_limit >= 1 && gpWPara->shape_angle_limit <= 180
                          ? gpWPara->shape_angle_limit : 0;
    const std::vector<unsigned char*>& slotBufs = view_->templates[stage];
    const bool present = !slotBufs.empty() && slotBufs[0] && !view_->tempValid[stage].empty()
                         && view_->tempValid[stage][0];
    if (!present || rect.width <= 0 || rect.height <= 0) {
        position_[stage].Clear();  // nothing to learn: no correction rather than a stale one
    } else {
        const cv::Mat temp(H, W, CV_8UC1, slotBufs[0]);
        position_[stage].CreateShape(temp(rect), 0.0, 0, angle, centreX_[stage], centreY_[stage], false, 255,
                                     mask.clone(), param, 0);
    }

    const int m = gpWPara->location_adge;
    const int left = std::max(0, rect.x - m), top = std::max(0, rect.y - m);
    const int right = std::min(W, rect.x + rect.width + m), bottom = std::min(H, rect.y + rect.height + m);
    int* win = window_[stage];
    if (right - left <= 0 || bottom - top <= 0) {
        win[0] = win[1] = win[2] = win[3] = 0;
    } else {
        win[0] = left;
        win[1] = top;
        win[2] = right - left;
        win[3] = bottom - top;
    }
}

void CammerRecong::doVarTrain(int stage)
{
    if (!validStage(stage) || !gpWPara || !model_ || !view_)
        return;
    const int W = gImageW, H = gImageH;
    for (int r = 0; r < MAX_ROI; ++r) {
        if (defect_[stage][r].IsValid())
            defect_[stage][r].Clear();
        if (similarity_[stage][r].IsValid())
            similarity_[stage][r].Clear();
    }
    cv::Mat& valid = validMask_[stage];
    if (view_->ignoreMap[stage])
        valid = cv::Mat(H, W, CV_8UC1, view_->ignoreMap[stage]).clone();
    else
        valid = cv::Mat::zeros(H, W, CV_8UC1);

    const int count = std::clamp(model_->roiNum[stage], 0, MAX_ROI);
    for (int r = 0; r < count; ++r) {
        if (model_->method[stage][r] != 2)
            continue;
        const cv::Rect rect = regionRect(*model_, stage, r);
        const cv::Mat& m = view_->maskInForce[stage][r];
        if (insideFrame(rect) && !m.empty() && m.size() == rect.size() && m.type() == CV_8UC1)
            m.copyTo(valid(rect));
    }
    cv::bitwise_not(valid, valid);
    if (size_t(cv::countNonZero(valid)) == valid.total())
        valid = sharedAllValid(H, W);

    // Template pictures as one byte per pixel, each converted once.
    std::vector<cv::Mat> temps;
    const std::vector<unsigned char*>& slotBufs = view_->templates[stage];
    const std::vector<int>& present = view_->tempValid[stage];
    const int slotCount = std::min({gTempNum, int(slotBufs.size()), int(present.size())});
    int taken = 0;
    for (int k = 0; k < slotCount && taken < view_->tempCount[stage]; ++k) {
        if (!present[size_t(k)] || !slotBufs[size_t(k)])
            continue;
        ++taken;
        if (gisColor) {
            cv::Mat plane(H, W, CV_8UC1);
            if (gisGrayHue)
                RGBA2Gray(plane.data, slotBufs[size_t(k)], W, H);
            else
                RGBA2Hue(plane.data, slotBufs[size_t(k)], W, H);
            temps.push_back(plane);
        } else {
            temps.push_back(cv::Mat(H, W, CV_8UC1, slotBufs[size_t(k)]));
        }
    }

    for (int r = 0; r < count; ++r) {
        const int method = model_->method[stage][r];
        if (method != 0 && method != 6)
            continue;
        const cv::Rect rect = regionRect(*model_, stage, r);
        const cv::Mat& live = view_->maskInForce[stage][r];
        if (!insideFrame(rect) || live.size() != rect.size() || live.type() != CV_8UC1)
            continue;  // no model: judged as an error at run time
        cv::Mat regionMask = valid(rect) & live;
        if (method == 6) {
            SURF& s = similarity_[stage][r];
            s.Create(rect.width, rect.height, regionMask.clone());
            for (const cv::Mat& t : temps)
                s.AddTemp(t(rect).clone(), 1, 50, model_->param2[stage][r]);
            s.Train(0, 0, 0, 0);
        } else {
            GrayMatch& g = defect_[stage][r];
            g.Create(rect.width, rect.height, regionMask, 0);
            for (const cv::Mat& t : temps)
                g.AddTemp(t(rect));
            g.Train(model_->param2[stage][r], gpWPara->difference_multiplier, 100, 150);
        }
    }
}

void CammerRecong::doShapeMatch()
{
    if (!view_ || !view_->frameWork || !view_->frameCorrected)
        return;
    lastShift_ = cv::Point();
    lastAngle_ = 0;
    lastCorrected_ = false;
    const int stage = currentStage ? currentStage() : 0;
    const auto copyFrame = [this] {
        if (view_->frameCorrected != view_->frameWork)
            std::memcpy(view_->frameCorrected, view_->frameWork, size_t(gColorLen));
    };
    if (!validStage(stage) || !gpWPara || gpWPara->enable_correct == -1 || !position_[stage].IsValid()
        || gisColor) {
        copyFrame();
        return;
    }
    cv::Mat work(gImageH, gImageW, CV_8UC1, view_->frameWork);
    cv::Mat corrected(gImageH, gImageW, CV_8UC1, view_->frameCorrected);
    const cv::Rect window = searchWindow(stage) & cv::Rect(0, 0, gImageW, gImageH);
    if (window.width <= 0 || window.height <= 0) {
        copyFrame();
        return;
    }
    // The search only reads the window, so a view of the frame serves as its copy.
    cv::Mat search = work(window);
    int x = 0, y = 0;
    double score = 0, angle = 0;
    if (!position_[stage].Find(search, 0, &x, &y, &score, &angle)) {
        copyFrame();
        return;
    }
    const int dx = x - window.x, dy = y - window.y;
    const int limit = gpWPara->shape_angle_limit;
    bool done;
    if (limit >= 1 && limit <= 180)
        done = TransformImage(work, corrected, cv::Point(dx, dy), cv::Point(centreX_[stage], centreY_[stage]), angle);
    else
        done = MoveImage(work, corrected, dx, dy);
    if (!done) {
        copyFrame();
        return;
    }
    lastShift_ = cv::Point(dx, dy);
    lastAngle_ = limit >= 1 && limit <= 180 ? angle : 0;
    lastCorrected_ = true;
}

void CammerRecong::doRun(int stage)
{
    if (!validStage(stage) || !model_ || !view_ || !gpWPara)
        return;
    CammerViewData& v = *view_;
    const CammerSingleton& m = *model_;
    const int count = std::clamp(m.roiNum[stage], 0, MAX_ROI);
    v.isOK = true;
    for (int r = 0; r < count; ++r)
        v.roiOK[stage][r] = true;
    const cv::Mat frame = framePlane(v.frameCorrected, v.planeJudged);
    if (!v.ngPoints)
        return;
    std::memset(v.ngPoints, 0, size_t(gImageLen));
    if (frame.empty())
        return;
    cv::Mat ngMap(gImageH, gImageW, CV_8UC1, v.ngPoints);
    const bool report = lastInput && lastInput() != 0 && gpWPara->cnt_net_enabled;
    const cv::Mat& valid = validMask_[stage];
    std::vector<Contour> contours;

    for (int r = 0; r < count; ++r) {
        const int method = m.method[stage][r];
        const int p1 = m.param1[stage][r], p2 = m.param2[stage][r], p3 = m.param3[stage][r];
        int& value = v.roiValue[stage][r];
        int (*boxes)[4] = v.ngBoxes[stage][r];
        if (method == 2 || method == 3) {
            value = 0;
            boxes[0][0] = 0;
            continue;
        }
        const cv::Rect rect = regionRect(m, stage, r);
        const cv::Mat& live = v.maskInForce[stage][r];
        int error = 0;
        if (method < 0 || method > 8)
            error = RegErrBadMethod;
        else if (live.rows == 0 || live.cols == 0)
            error = RegErrEmptyMask;
        else if (valid.rows == 0 || valid.cols == 0)
            error = RegErrNoValidMask;
        else if (rect.width < 1 || rect.height < 1)
            error = RegErrEmptyRect;
        else if (!insideFrame(rect) || live.size() != rect.size() || live.type() != CV_8UC1)
            error = RegErrOutsideFrame;
        else if (method == 0 && !defect_[stage][r].IsValid())
            error = RegErrUntrainedDefect;
        if (error) {
            v.isOK = false;
            reportError(stage, error);
            continue;
        }

        const cv::Mat crop = frame(rect);
        cv::Mat overlay = ngMap(rect);
        // Clearing both pictures cost more than the defect matching: every method but 6 (and a
        // failed match, below) writes the whole work picture, and the result is drawn on only
        // by 8; OpenBlobs clears it itself.
        cv::Mat work = standalone(workBuf_, rect.height, rect.width, method == 6);
        cv::Mat result = standalone(resultBuf_, rect.height, rect.width, method == 8);
        int lower = 0, upper = 0;
        bool ng = false;

        if (method == 8) {
            int marked = 0;
            const std::vector<DirectionBlob> blobs = DirectionBlobs(crop, p1, p2, p3, work);
            std::vector<Contour> one(1);
            for (const DirectionBlob& b : blobs) {
                if (!b.marked)
                    continue;
                one[0] = b.contour;
                cv::drawContours(result, one, 0, cv::Scalar(255), cv::FILLED);
                ++marked;
                if (marked <= 99) {
                    int* e = boxes[marked];
                    e[0] = rect.x + b.box.x;
                    e[1] = rect.y + b.box.y;
                    e[2] = rect.x + b.box.x + b.box.width;
                    e[3] = rect.y + b.box.y + b.box.height;
                }
            }
            value = marked;
            boxes[0][0] = std::min(marked, 99);
            cv::bitwise_or(overlay, result, overlay);
            // NG as soon as one blob points the wrong way: the allowed count is 0.
            lower = 0;
            upper = 0;
            ng = marked > 0;
        } else {
            int k = 1;
            int score = 0;
            bool blank = false;  // nothing to open: no defect pixel at all
            if (method == 6) {
                SURF& s = similarity_[stage][r];
                cv::Mat c = crop;
                score = s.IsValid() ? int(s.Match(c, work)) : 0;
                k = 1;
            } else if (method == 0) {
                k = gpWPara->enable_display_detail ? p1 : gpWPara->minimum_size;
                const int defects = defect_[stage][r].Match(crop, work);
                if (defects < 0)
                    work.setTo(0);  // no usable model: nothing found, as an empty picture
                blank = defects == 0;
            } else {
                // Only the grey-range methods judge through the region's mask.
                int lo = 0, hi = 0;
                GrayPair(method, p1, p2, &lo, &hi);
                GrayPairPicture(crop, lo, hi, work);
                cv::bitwise_and(work, valid(rect), work);
                cv::bitwise_and(work, live, work);
                k = gpWPara->min_spot;
                if (method == 7) {
                    k = p1 > 0 ? p1 : 1;
                    CloseBlobs(work, ClampKernel(k, rect.width, rect.height));
                }
            }
            // The slider allows 0 and a loaded value may be huge: keep the filter usable.
            k = ClampKernel(k, rect.width, rect.height);
            const cv::Rect area = blank ? cv::Rect() : OpenBlobs(work, result, k);
            if (!area.empty())
                cv::bitwise_or(overlay(area), result(area), overlay(area));
            int64_t sum = 0;
            int rects = 0;
            OuterContours(result, area, cv::CHAIN_APPROX_NONE, contours);
            for (size_t i = 0; i < contours.size(); ++i) {
                sum = int64_t(double(sum) + cv::contourArea(contours[i]));
                if (i < 99) {
                    ++rects;
                    const cv::Rect b = cv::boundingRect(contours[i]);
                    int* e = boxes[rects];
                    e[0] = rect.x + b.x;
                    e[1] = rect.y + b.y;
                    e[2] = rect.x + b.x + b.width;
                    e[3] = rect.y + b.y + b.height;
                }
            }
            boxes[0][0] = rects;
            value = int(std::min<int64_t>(sum, INT32_MAX));

            switch (method) {
            case 1:
                lower = p2;
                upper = p3;
                ng = value < p2 || value > p3;
                break;
            case 6:
                value = score;
                lower = p2;
                upper = -1;
                ng = score < p2;
                break;
            case 7:
                value = rects;
                [[fallthrough]];
            case 4:
            case 5:
                lower = 0;
                upper = p3;
                ng = value > p3;
                break;
            default: {  // 0 defect
                const int limit = gpWPara->enable_display_detail ? p3 : gpWPara->minimum_area;
                lower = 0;
                upper = p3;
                ng = gpWPara->defect_rule_reversed == 0 ? value > limit : value < limit;
                break;
            }
            }
        }
        int ok;
        if (ng) {
            v.isOK = false;
            v.roiOK[stage][r] = false;
            ok = 0;
        } else {
            ok = v.isOK ? 1 : 0;
        }
        if (report) {
            param_roi row;
            row.camera = v.cameraIndex;
            row.stage = stage;
            row.region = r;
            row.method = method;
            row.value = value;
            row.lower = lower;
            row.upper = upper;
            row.ok = ok;
            heldRows_.append(row);
        }
    }
}

void CammerRecong::doRunTest(int stage, int region)
{
    if (!validStage(stage) || !view_ || !gpWPara)
        return;
    CammerViewData& v = *view_;
    const auto repaint = [&v] {
        if (v.requestRepaint)
            v.requestRepaint();
    };
    cv::Mat picture;
    if (gisColor) {
        if (v.planeJudged)
            picture = cv::Mat(gImageH, gImageW, CV_8UC1, v.planeJudged);
    } else {
        const std::vector<unsigned char*>& slotBufs = v.templates[stage];
        if (v.tempIndex >= 0 && v.tempIndex < int(slotBufs.size()) && slotBufs[size_t(v.tempIndex)])
            picture = cv::Mat(gImageH, gImageW, CV_8UC1, slotBufs[size_t(v.tempIndex)]);
    }
    if (v.ngPoints)
        std::memset(v.ngPoints, 0, size_t(gImageLen));
    if (region < 0 || region >= MAX_ROI)
        return;
    v.roiValue[stage][region] = 0;
    v.ngBoxes[stage][region][0][0] = 0;
    const CammerSingleton* m = v.modelEdit;
    if (!m || region >= std::clamp(m->roiNum[stage], 0, MAX_ROI))
        return;
    const int method = m->method[stage][region];
    if (method == 0 || method == 2 || method == 3 || method == 6 || method < 0 || method > 8) {
        repaint();
        return;
    }
    const cv::Rect rect = regionRect(*m, stage, region);
    if (rect.width <= 0 || rect.height <= 0)
        return;
    // The preview needs the picture, the map and the region's mask inside the frame; without a
    // trained valid mask the region's own mask alone applies.
    const cv::Mat& mask = v.maskEdit[stage][region];
    if (picture.empty() || !v.ngPoints || !insideFrame(rect) || mask.size() != rect.size()
        || mask.type() != CV_8UC1) {
        repaint();
        return;
    }
    const int p1 = m->param1[stage][region], p2 = m->param2[stage][region], p3 = m->param3[stage][region];
    const cv::Mat& valid = validMask_[stage];
    const cv::Mat combined = valid.size() == cv::Size(gImageW, gImageH) ? cv::Mat(valid(rect) & mask) : mask;
    const cv::Mat crop = picture(rect);
    cv::Mat overlay = cv::Mat(gImageH, gImageW, CV_8UC1, v.ngPoints)(rect);
    cv::Mat work = standalone(workBuf_, rect.height, rect.width);
    cv::Mat preview = standalone(resultBuf_, rect.height, rect.width);
    int& value = v.roiValue[stage][region];

    if (method == 8) {
        const std::vector<DirectionBlob> blobs = DirectionBlobs(crop, p1, p2, p3, work);
        std::vector<Contour> one(1);
        for (const DirectionBlob& b : blobs) {
            one[0] = b.contour;
            cv::drawContours(preview, one, 0, cv::Scalar(255), cv::FILLED);
            if (b.marked) {
                ++value;
                cv::rectangle(preview, b.box, cv::Scalar(255), 1);
            }
        }
        preview.copyTo(overlay);
    } else {
        int lo = 0, hi = 0;
        GrayPair(method, p1, p2, &lo, &hi);
        GrayPairPicture(crop, lo, hi, work);
        cv::bitwise_and(work, combined, work);
        int k = gpWPara->min_spot;
        if (method == 7) {
            k = p1 > 0 ? p1 : 1;
            CloseBlobs(work, ClampKernel(k, rect.width, rect.height));
        }
        k = ClampKernel(k, rect.width, rect.height);
        const cv::Rect area = OpenBlobs(work, preview, k);
        preview.copyTo(overlay);
        std::vector<Contour> contours;
        OuterContours(preview, area, cv::CHAIN_APPROX_NONE, contours);
        if (method == 7) {
            value = int(contours.size());
        } else {
            int64_t sum = 0;
            for (const Contour& c : contours)
                sum = int64_t(double(sum) + cv::contourArea(c));
            value = int(std::min<int64_t>(sum, INT32_MAX));
        }
    }
    v.testShown = true;
    repaint();
}
