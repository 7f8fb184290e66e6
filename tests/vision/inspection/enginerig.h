#pragma once
// A camera's detection engine on a small synthetic frame: parameter record, region model, view
// buffers and the controller's hooks, all owned by the rig; frame globals restored afterwards.
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>
#include <opencv2/core.hpp>

#include "common/engineparameters.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"

struct EngineRig {
    static constexpr int W = 640, H = 480;

    WizardPara para;
    CammerSingleton model{0};
    CammerSingleton edit{0};
    CammerViewData view;
    std::unique_ptr<CammerRecong> engine;
    std::vector<unsigned char> work, corrected, ngPoints, plane;
    std::vector<std::vector<unsigned char>> slotData[MAX_DETECT];
    std::vector<unsigned char> ignore[MAX_DETECT];
    QStringList records;
    int repaints = 0;
    int stage = 0;
    int input = 0;

    EngineRig()
    {
        saved_ = {gImageW, gImageH, gImageLen, gColorLen, gTempNum};
        savedScale_[0] = gShowAW;
        savedScale_[1] = gShowAH;
        savedColor_ = gisColor;
        savedGrayHue_ = gisGrayHue;
        savedPara_ = gpWPara;
        gImageW = W;
        gImageH = H;
        gImageLen = gColorLen = W * H;
        gTempNum = 10;
        UseEngineParameters(para);
        para.shape_angle_limit = 0;
        para.difference_multiplier = 0;
        para.minimum_size = 3;
        para.minimum_area = 100;
        para.defect_rule_reversed = 0;
        para.cnt_net_enabled = 1;
        work.assign(size_t(W) * H, 0);
        corrected.assign(size_t(W) * H, 0);
        ngPoints.assign(size_t(W) * H, 0);
        plane.assign(size_t(W) * H, 0);
        view.frameWork = work.data();
        view.frameCorrected = corrected.data();
        view.ngPoints = ngPoints.data();
        view.planeJudged = plane.data();
        view.modelEdit = &edit;
        view.requestRepaint = [this] { ++repaints; };
        for (int s = 0; s < MAX_DETECT; ++s) {
            ignore[s].assign(size_t(W) * H, 0);
            view.ignoreMap[s] = ignore[s].data();
            slotData[s].assign(size_t(gTempNum), std::vector<unsigned char>(size_t(W) * H, 0));
            view.templates[s].clear();
            for (auto& d : slotData[s])
                view.templates[s].push_back(d.data());
            view.tempValid[s].assign(size_t(gTempNum), 0);
        }
        CammerRecong::insertRecord = [this](const QString& t) { records << t; };
        CammerRecong::currentStage = [this] { return stage; };
        CammerRecong::lastInput = [this] { return input; };
        g_listParamROI.clear();
    }

    ~EngineRig()
    {
        engine.reset();
        gImageW = saved_[0];
        gImageH = saved_[1];
        gImageLen = saved_[2];
        gColorLen = saved_[3];
        gTempNum = saved_[4];
        gShowAW = savedScale_[0];
        gShowAH = savedScale_[1];
        gisColor = savedColor_;
        gisGrayHue = savedGrayHue_;
        gpWPara = savedPara_;
        CammerRecong::insertRecord = nullptr;
        CammerRecong::currentStage = nullptr;
        CammerRecong::lastInput = nullptr;
        g_listParamROI.clear();
    }

    // Template slots of stage s; the view's template count is the number given.
    void setTemplates(int s, const std::vector<cv::Mat>& pics)
    {
        for (size_t k = 0; k < pics.size(); ++k)
            put(s, int(k), pics[k]);
        view.tempCount[s] = int(pics.size());
    }
    void put(int s, int slot, const cv::Mat& pic)
    {
        cv::Mat dst(H, W, CV_8UC1, slotData[s][size_t(slot)].data());
        pic.copyTo(dst);
        view.tempValid[s][size_t(slot)] = 1;
    }

    // Appends a rectangle region (1:1 display scale) to stage s of the live model.
    int addRect(int s, cv::Rect r, int method, int p1 = 0, int p2 = 0, int p3 = 0)
    {
        const int i = model.roiNum[s]++;
        model.rects[s][i].rect = QRect(r.x, r.y, r.width, r.height);
        model.rects[s][i].setImageRect();
        model.shapeType[s][i] = 1;
        model.method[s][i] = method;
        model.param1[s][i] = p1;
        model.param2[s][i] = p2;
        model.param3[s][i] = p3;
        view.maskInForce[s][i] = model.rects[s][i].UpdateMask();
        return i;
    }
    // The edit copy follows the live model.
    void syncEdit()
    {
        edit = model;
        for (int s = 0; s < MAX_DETECT; ++s)
            for (int r = 0; r < MAX_ROI; ++r)
                view.maskEdit[s][r] = view.maskInForce[s][r].clone();
    }

    void build() { engine = std::make_unique<CammerRecong>(&model, &view); }
    void train(int s)
    {
        if (!engine)
            build();
        engine->CreateShape(s);
        engine->VarTrain(s);
    }

    cv::Mat workFrame() { return cv::Mat(H, W, CV_8UC1, work.data()); }
    cv::Mat correctedFrame() { return cv::Mat(H, W, CV_8UC1, corrected.data()); }
    cv::Mat ngMap() { return cv::Mat(H, W, CV_8UC1, ngPoints.data()); }

    // Takes `frame` as the newest picture, corrects it and judges stage s.
    void inspect(const cv::Mat& frame, int s)
    {
        stage = s;
        frame.copyTo(workFrame());
        engine->ShapeMatch();
        engine->Run(s);
    }
    // Judges `frame` as it is (no correction).
    void judge(const cv::Mat& frame, int s)
    {
        frame.copyTo(correctedFrame());
        engine->Run(s);
    }
    int boxCount(int s, int r) const { return view.ngBoxes[s][r][0][0]; }
    cv::Rect box(int s, int r, int i) const
    {
        const int* e = view.ngBoxes[s][r][i];
        return cv::Rect(e[0], e[1], e[2] - e[0], e[3] - e[1]);
    }

private:
    std::vector<int> saved_;
    float savedScale_[2] = {};
    bool savedColor_ = false;
    bool savedGrayHue_ = true;
    WizardPara* savedPara_ = nullptr;
};
