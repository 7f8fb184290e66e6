// Pulse ends, stage stepping, the no-input watchdog interval, temperature alarm, frame watch,
// heartbeat; run control decisions and frame helpers.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "core/wizardpara.h"
#include "vision/controller/framecopy.h"
#include "vision/controller/runcontrol.h"
#include "vision/controller/supervision.h"

TEST(Supervision, PulseEnds)
{
    WizardPara p;
    EXPECT_EQ(Supervision::EndNgPulse(p).text(), QString("-1 -4 -5 -6 -7 F"));
    p.enable_cutoff_ontime = 1;
    EXPECT_EQ(Supervision::EndNgPulse(p).text(), QString("-4 -5 -6 -7 F"));
    EXPECT_EQ(Supervision::EndClosePulse(p, 1).text(), QString("+0 F"));
    EXPECT_TRUE(Supervision::EndClosePulse(p, 3).empty());   // stopped: no change
    EXPECT_EQ(Supervision::EndEjectorPulse(p, 1).text(), QString("+1 F"));
    EXPECT_TRUE(Supervision::EndEjectorPulse(p, 3).empty());
    p.ng_pulse_mode = 1;  // the pulse mode releases everything, even while stopped
    EXPECT_EQ(Supervision::EndClosePulse(p, 3).text(), QString("-0 -1 -2 F"));
    EXPECT_EQ(Supervision::EndEjectorPulse(p, 3).text(), QString("-0 -1 F"));
    // An NG pulse still running keeps the mould inhibited until its own end.
    EXPECT_EQ(Supervision::EndEjectorPulse(p, 1, true).text(), QString("-1 F"));
    EXPECT_EQ(Supervision::EndReserveOutput().text(), QString("-3 F"));
    // A stop that holds the mould keeps its inhibit when a pulse started before it ends.
    p.enable_stop_mold = 1;
    EXPECT_EQ(Supervision::EndClosePulse(p, 3).text(), QString("-1 -2 F"));
    EXPECT_EQ(Supervision::EndEjectorPulse(p, 3).text(), QString("-1 F"));
    EXPECT_EQ(Supervision::EndClosePulse(p, 1).text(), QString("-0 -1 -2 F"));
    EXPECT_EQ(Supervision::EndEjectorPulse(p, 1).text(), QString("-0 -1 F"));
}

TEST(Supervision, StageSteppingAfterTheVerdictDisplay)
{
    WizardPara p;
    EXPECT_EQ(Supervision::NextStage(p, 0, 2), 1);
    EXPECT_EQ(Supervision::NextStage(p, 1, 2), 1);  // 0 is even and skipped
    p.first_stage_on = 1;
    EXPECT_EQ(Supervision::NextStage(p, 1, 2), 0);
    p.first_stage_on = 0;
    p.io_mode = 4;
    EXPECT_EQ(Supervision::NextStage(p, 4, 5), 0);
    EXPECT_EQ(Supervision::NextStage(p, 3, 0), 3);
}

TEST(Supervision, WatchdogIntervalIsComputedIn64BitsAndClamped)
{
    EXPECT_EQ(Supervision::WatchdogIntervalMs(0), 0);
    EXPECT_EQ(Supervision::WatchdogIntervalMs(-5), 0);
    EXPECT_EQ(Supervision::WatchdogIntervalMs(30), 30000);
    const int maxMs = std::numeric_limits<int>::max();
    EXPECT_EQ(Supervision::WatchdogIntervalMs(2147484), maxMs);  // 2147484000 overflows 32 bits
    EXPECT_EQ(Supervision::WatchdogIntervalMs(std::numeric_limits<int>::max()), maxMs);
    EXPECT_EQ(Supervision::TenthsToMs(25), 2500);
    EXPECT_EQ(Supervision::TenthsToMs(0), 0);
    EXPECT_EQ(Supervision::TenthsToMs(std::numeric_limits<int>::max()), maxMs);
    EXPECT_EQ(Supervision::WatchdogFired().text(), QString("+0 F"));
}

TEST(Supervision, TemperatureAlarmHeldDuringTheAlarmHold)
{
    EXPECT_EQ(Supervision::TempAlarmSet().text(), QString("+2"));  // published with the next pass
    EXPECT_EQ(Supervision::TempAlarmReset(0).text(), QString("-2"));
    EXPECT_TRUE(Supervision::TempAlarmReset(2).empty());
}

TEST(Supervision, FrameWatchHandsAStillCameraOverOnTheSixthSecond)
{
    Supervision::FrameWatch w;
    EXPECT_FALSE(Supervision::WatchFrames(w, 30, false));
    EXPECT_EQ(w.fps, 30);
    for (int s = 1; s <= 5; ++s)
        EXPECT_FALSE(Supervision::WatchFrames(w, 30, false)) << s;
    EXPECT_TRUE(Supervision::WatchFrames(w, 30, false));
    EXPECT_EQ(w.stillSecs, 0);
    for (int s = 1; s <= 5; ++s)
        Supervision::WatchFrames(w, 30, false);
    EXPECT_FALSE(Supervision::WatchFrames(w, 31, false));  // one new frame resets the count
    EXPECT_EQ(w.stillSecs, 0);
    EXPECT_EQ(w.fps, 1);
    for (int s = 0; s < 20; ++s)
        EXPECT_FALSE(Supervision::WatchFrames(w, 31, true));  // image trigger: never
}

TEST(Supervision, HeartbeatBlinksWhileRunning)
{
    bool blink = false;
    EXPECT_TRUE(Supervision::Heartbeat(1, blink));
    EXPECT_FALSE(Supervision::Heartbeat(1, blink));
    EXPECT_TRUE(Supervision::Heartbeat(1, blink));
    EXPECT_TRUE(Supervision::Heartbeat(3, blink));
    EXPECT_TRUE(Supervision::Heartbeat(3, blink));
}

TEST(RunControl, Levels)
{
    EXPECT_EQ(RunControl::LevelWithoutBox(0, 0), 2);
    EXPECT_EQ(RunControl::LevelWithoutBox(1, 0), 0);
    EXPECT_EQ(RunControl::LevelWithoutBox(1, 1), 1);
    EXPECT_EQ(RunControl::LevelAfterSettings(1, 2), 1);
    EXPECT_EQ(RunControl::LevelAfterSettings(0, 2), 0);
    EXPECT_EQ(RunControl::LevelAfterSettings(1, 1), 1);
}

TEST(RunControl, StartStopOutputsAndMasks)
{
    WizardPara p;
    EXPECT_EQ(RunControl::StartDetectOutputs(p).text(), QString("-0 -1 -2 -3 -4 -5 -6 -7 -8 F"));
    p.mold_cutoff = 1;
    EXPECT_EQ(RunControl::StartDetectOutputs(p).text(), QString("-0 -1 -2 -3 -4 -5 -6 -7 -8 +1 F"));
    // The end of resampling keeps the mould held in the same word.
    EXPECT_EQ(RunControl::StartDetectOutputs(p, true).text(), QString("-0 -1 -2 -3 -4 -5 -6 -7 -8 +1 +0 F"));
    p.enable_stop_mold = 1;
    EXPECT_EQ(RunControl::StopDetectOutputs(p).text(), QString("-0 -1 -2 -3 -4 -5 -6 -7 -8 +0 F"));
    EXPECT_TRUE(RunControl::StartPulseOutputs(p).empty());
    p.is_cut_ontime = 1;
    p.mold_pulse = 1;
    EXPECT_EQ(RunControl::StartPulseOutputs(p).text(), QString("+0 F"));
    EXPECT_EQ(RunControl::StopMaskEntry(p, 0), 0);
    EXPECT_EQ(RunControl::StopMaskEntry(p, 1), 1);
    p.io_mode = 2;
    EXPECT_EQ(RunControl::StopMaskEntry(p, 2), 0);
    EXPECT_EQ(RunControl::StopMaskEntry(p, 3), 1);
    p.io_mode = 4;
    EXPECT_EQ(RunControl::StopMaskEntry(p, 3), -1);
}

TEST(RunControl, AreaSettingsActOnAViewThatExists)
{
    EXPECT_EQ(RunControl::AdjustAreaView(2, 4), 2);
    EXPECT_EQ(RunControl::AdjustAreaView(4, 4), 0);  // all views shown
    EXPECT_EQ(RunControl::AdjustAreaView(8, 8), 0);
    EXPECT_EQ(RunControl::AdjustAreaView(-1, 8), 0);
}

TEST(RunControl, ManualTriggerAndDemonstrationPictures)
{
    WizardPara p;
    EXPECT_TRUE(RunControl::ManualTrigRefused(p, 0));
    EXPECT_FALSE(RunControl::ManualTrigRefused(p, 1));
    p.first_stage_on = 1;
    EXPECT_FALSE(RunControl::ManualTrigRefused(p, 0));
    int i = 0;
    QStringList seen;
    for (int n = 0; n < 6; ++n) {
        seen << RunControl::DemoPicturePath(i);
        i = RunControl::NextDemoIndex(i);
    }
    EXPECT_EQ(seen.first(), QString("cammer15/template0.bmp"));
    EXPECT_EQ(seen[4], QString("cammer15/template4.bmp"));
    EXPECT_EQ(seen[5], QString("cammer15/template0.bmp"));
}

TEST(FrameCopy, BrightnessOfGreyAndColourFrames)
{
    const int w = 64, h = 48;
    std::vector<uchar> grey(w * h);
    for (int i = 0; i < w * h; ++i)
        grey[i] = uchar(i % 200);
    const cv::Mat g(h, w, CV_8UC1, grey.data());
    EXPECT_EQ(FrameCopy::Brightness(grey.data(), w, h, false), int(cv::mean(g)[0]));

    // A colour frame: every pixel pure blue (B=200). The grey mean is about 23, while the mean of
    // the first quarter of the bytes (B,G,R,255 mixed) would be about 114.
    std::vector<uchar> bgra(w * h * 4);
    for (int i = 0; i < w * h; ++i) {
        bgra[4 * i] = 200;
        bgra[4 * i + 1] = 0;
        bgra[4 * i + 2] = 0;
        bgra[4 * i + 3] = 255;
    }
    cv::Mat c(h, w, CV_8UC4, bgra.data()), cg;
    cv::cvtColor(c, cg, cv::COLOR_BGRA2GRAY);
    EXPECT_NEAR(FrameCopy::Brightness(bgra.data(), w, h, true), cv::mean(cg)[0], 1.0);
    EXPECT_EQ(FrameCopy::Brightness(nullptr, w, h, false), 0);

    // Each pixel's grey is rounded before the sum, also for a pixel count that no vector step
    // divides: a mean that sits at .5 before rounding tells the two apart.
    std::mt19937 rng(7);
    for (const cv::Size size : {cv::Size(37, 23), cv::Size(1920, 1080), cv::Size(3, 1)}) {
        std::vector<uchar> px(size_t(size.area()) * 4);
        quint64 sum = 0;
        for (size_t i = 0; i < px.size(); i += 4) {
            for (int k = 0; k < 4; ++k)
                px[i + size_t(k)] = uchar(rng());
            sum += (px[i] * 29u + px[i + 1] * 150u + px[i + 2] * 77u + 128u) >> 8;
        }
        EXPECT_EQ(FrameCopy::Brightness(px.data(), size.width, size.height, true), int(sum / quint64(size.area())))
            << size.width << "x" << size.height;
    }
    std::vector<uchar> halves(8 * 4);
    for (size_t i = 0; i < halves.size(); i += 4) {
        halves[i] = 5;  // 5 * 29 / 256 = 0.57: 1 for each pixel rounded, 0 for the sum shifted
        halves[i + 3] = 255;
    }
    EXPECT_EQ(FrameCopy::Brightness(halves.data(), 8, 1, true), 1);
}

TEST(FrameCopy, DemonstrationPictureOfAnyDepthBecomesTheWorkingFormat)
{
    const int w = 10, h = 6;  // odd row lengths: grey rows are padded inside QImage
    QImage rgb(w, h, QImage::Format_RGB888);
    rgb.fill(QColor(90, 90, 90));
    QImage indexed = rgb.convertToFormat(QImage::Format_Indexed8);
    QImage mono = rgb.convertToFormat(QImage::Format_Mono);
    QByteArray out;
    ASSERT_TRUE(FrameCopy::ToWorkingFrame(rgb, w, h, false, out));
    EXPECT_EQ(out, QByteArray(w * h, char(90)));
    ASSERT_TRUE(FrameCopy::ToWorkingFrame(indexed, w, h, false, out));
    EXPECT_EQ(out.size(), w * h);
    EXPECT_EQ(uchar(out[w * h - 1]), 90);
    ASSERT_TRUE(FrameCopy::ToWorkingFrame(mono, w, h, true, out));
    EXPECT_EQ(out.size(), w * h * 4);
    EXPECT_EQ(uchar(out[3]), 255);
    EXPECT_FALSE(FrameCopy::ToWorkingFrame(rgb, w + 1, h, false, out));
    EXPECT_FALSE(FrameCopy::ToWorkingFrame(QImage(), w, h, false, out));
}
