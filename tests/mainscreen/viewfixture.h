#pragma once
// Shared set-up of the camera view tests: a program directory, the text table, a parameter
// record, camera globals for one opened view without a camera make, a recording view host, an
// answering modal hook, and helpers that drive the view with real mouse events.
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QStringList>
#include <QTest>

#include "common/programtest.h"
#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/regioneditor.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/camera/cammerwidget.h"
#include "widgets/modalhook.h"
#include "widgets/slider.h"
#include "widgets/textrow.h"

class RecordingViewHost : public ViewHost {
public:
    int layouts = 0;
    void changeCammer() override { ++layouts; }
};

class ViewTest : public ProgramTest {
protected:
    RecordingViewHost host;
    std::vector<std::unique_ptr<CammerWidget>> views;
    QStringList dialogs;       // texts of the dialogs answered, in order
    int answer = QDialog::Accepted;
    qint64 clockMs = 1000;
    std::function<qint64()> oldClock;

    void SetUp() override
    {
        ProgramTest::SetUp();
        setCameraHost(nullptr);
        gCameraID = CAMERA_NONE;
        gFindCamera = 1;
        numCamera = 0;
        gisColor = false;
        SetWorkingSize(640, 480);
        gShowW = 1725;
        gShowH = 982;
        gShowAW = float(gShowW) / gImageW;
        gShowAH = float(gShowH) / gImageH;
        gTempNum = 3;
        gDNum = 2;
        for (int i = 0; i < 8; ++i)
            isImageFill[i] = false;
        para.enable_defect_detect = 1;
        para.enable_display_detail = 1;
        UseParameters();
        gSource = 0;
        setViewHost(&host);
        setModalHook([this](QDialog& d) {
            QStringList texts;
            for (QLabel* l : d.findChildren<QLabel*>())
                if (!l->text().isEmpty())
                    texts << l->text();
            dialogs << texts.join('|');
            return answer;
        });
        oldClock = RegionEditor::polygonClock;
        RegionEditor::polygonClock = [this] { return clockMs; };
    }

    void TearDown() override
    {
        views.clear();
        setModalHook(nullptr);
        setViewHost(nullptr);
        RegionEditor::polygonClock = oldClock;
        gSource = -1;
        ProgramTest::TearDown();
    }

    // Builds views 0..count-1 as the view container does; view 0 shown alone at display size.
    CammerWidget* MakeViews(int count = 1)
    {
        for (int v = 0; v < count; ++v) {
            views.emplace_back(new CammerWidget(v));
            views.back()->resize(gShowW, gShowH);
            views.back()->show();
        }
        host.mode = 0;
        return views.front().get();
    }
    CammerWidget* V(int v = 0) { return views.at(size_t(v)).get(); }
    CammerSingleton& Edit(int v = 0) { return *V(v)->modelEdit; }

    // Real mouse events at widget positions.
    void Press(CammerWidget* w, QPoint p) { QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, p); }
    void Release(CammerWidget* w, QPoint p) { QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, p); }
    void Move(CammerWidget* w, QPoint p, Qt::MouseButtons held = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), w->mapToGlobal(p), Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    // Press, moves in `steps` steps (the polygon move rate's clock advanced between them), release.
    void Drag(CammerWidget* w, QPoint from, QPoint to, int steps = 4)
    {
        Press(w, from);
        for (int i = 1; i <= steps; ++i) {
            clockMs += 40;
            Move(w, from + (to - from) * i / steps);
        }
        Release(w, to);
    }
    void Tap(CammerWidget* w, QPoint p)
    {
        Press(w, p);
        Release(w, p);
    }
    // Draws a rectangle with the rectangle tool.
    void DrawRect(CammerWidget* w, QPoint a, QPoint b)
    {
        host.draw = 1;
        Drag(w, a, b);
    }
    // The mask the shape of region r of stage s builds now.
    static cv::Mat ShapeMask(const CammerSingleton& m, int s, int r) { return RegionEditor::RegionMask(m, s, r); }
    static bool SameMat(const cv::Mat& a, const cv::Mat& b)
    {
        return a.size() == b.size() && a.type() == b.type() && (a.empty() || cv::countNonZero(a != b) == 0);
    }
};
