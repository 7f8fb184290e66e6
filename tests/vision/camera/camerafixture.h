#pragma once
// Shared set-up of the camera tests: a program directory with its own machine root, a camera host
// that records what the camera code asks of the controller, fresh camera globals, parameter
// records, and helpers to wait for frames.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include "common/programtest.h"
#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "platform/simcamfile.h"
#include "platform/camsdk/camsim.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "vision/camera/camerathread.h"
#include "vision/camera/v4l2source.h"

class RecordingHost : public CameraHost {
public:
    QStringList records;
    QStringList warnings;
    int hides = 0;
    int inhibits = 0;
    int repairs = 0;
    int reaches = 0;
    int repairResult = 0;
    QList<int> waits;
    QList<int> notOK;
    QList<int> frameClears;
    int waitSleepMs = 0;  // how long a wait really takes (0: instant)
    // Waits on the thread that made the host (the test's, standing for the GUI thread) and on others.
    const std::thread::id callerThread = std::this_thread::get_id();
    std::atomic<int> waitsOnCaller{0}, waitsElsewhere{0};
    bool settings = false;

    void insertRecord(const QString& text) override { records << text; }
    void showWarnBox(const QString& text) override { warnings << text; }
    void hideWarnBox() override { hides++; }
    void setMouldCloseInhibit() override { inhibits++; }
    int repairAllCameraIP() override
    {
        repairs++;
        return repairResult;
    }
    int ensureDeviceReach(bool) override
    {
        reaches++;
        return 0;
    }
    void markCycleNotOK(int view) override { notOK << view; }
    void clearFrameCount(int view) override { frameClears << view; }
    bool settingsVisible() const override { return settings; }
    void wait(int ms) override
    {
        waits << ms;
        ++(std::this_thread::get_id() == callerThread ? waitsOnCaller : waitsElsewhere);
        if (waitSleepMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(waitSleepMs));
    }
};

class CameraTest : public ProgramTest {
protected:
    RecordingHost host;
    CameraHost* oldHost = nullptr;
    std::vector<std::unique_ptr<CammerWidget>> views;
    std::unique_ptr<SimCamFile> sim;

    void UseSim(const QString& make, const QList<SimDevice>& devices) 
    {
        sim.reset();
        sim.reset(new SimCamFile(*dir, make, devices));
    }

    void SetUp() override
    {
        ProgramTest::SetUp();
        oldHost = setCameraHost(&host);
        dir->write("sysroot/proc/bus/input/devices", "");
        dir->write("sysroot/proc/net/dev", "");
        qputenv("MOULDMON_SYSROOT", dir->file("sysroot").toLocal8Bit());
        gCameraID = CAMERA_NONE;
        gFindCamera = 0;
        gOW = gOH = 0;
        gisColor = false;
        gisCut = false;
        gisLost = false;
        gLost = 0;
        numCamera = 0;
        gSensorColor = 0;
        for (int i = 0; i < 8; ++i) {
            gCamNO[i] = i;
            gContrast[i] = 0;
            isImageFill[i] = false;
            qstrncpy(gSerialNB[i], "0", sizeof(gSerialNB[i]));
        }
        for (int v = 0; v < 8; ++v) {
            para.exposure[v] = 30;
            para.gain[v] = 32;
            para.sharpness[v] = 0;
            para.contrast[v] = 100;
            para.gamma[v] = 100;
        }
        para.capture_speed = 12;
        UseParameters();
        gV4L2Source = V4L2Source();
    }

    void TearDown() override
    {
        views.clear();
        WaitNetworkReset();
        sim.reset();
        setCameraHost(oldHost);
        gV4L2Source = V4L2Source();
        qunsetenv("MOULDMON_SYSROOT");
        qunsetenv("MOULDMON_SIMCAM");
        camsim::CamSim::instance().reload();
        ProgramTest::TearDown();
    }

    // Builds the views 0..count-1 as the controller does (each opens and starts its camera).
    void MakeViews(int count)
    {
        for (int v = 0; v < count; ++v)
            views.emplace_back(new CammerWidget(v));
    }

    CammerWidget* View(int v) { return views.at(size_t(v)).get(); }

    // Waits up to `ms` for view v's ready flag; takes the frame and clears the flag as the cycle does.
    bool TakeFrame(int v, std::vector<unsigned char>* out = nullptr, int ms = 2000)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < until) {
            {
                QMutexLocker lock(pMutex[v]);
                if (isImageFill[v]) {
                    if (out)
                        out->assign(View(v)->frameGrab, View(v)->frameGrab + gColorLen);
                    isImageFill[v] = false;
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    // Takes up to three frames of view v (one may be flagged and one under way) until `shows`
    // holds; the frame after that holds it too.
    ::testing::AssertionResult ChangeShowsWithinThreeFrames(int v, const std::function<bool(const std::vector<unsigned char>&)>& shows)
    {
        std::vector<unsigned char> frame;
        for (int i = 0; i < 3; ++i) {
            if (!TakeFrame(v, &frame))
                return ::testing::AssertionFailure() << "no frame";
            if (shows(frame))
                break;
            if (i == 2)
                return ::testing::AssertionFailure() << "three frames after the change without it";
        }
        if (!TakeFrame(v, &frame) || !shows(frame))
            return ::testing::AssertionFailure() << "the change did not stay";
        return ::testing::AssertionSuccess();
    }

    QStringList SimCalls(const QString& contains) const
    {
        return camsim::CamSim::instance().calls().filter(contains);
    }
};
