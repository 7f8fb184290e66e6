// Acquisition: the newest frame reaches the grab buffer, the ready flag rises once per new frame,
// frame copies stay within the frame, and a stopped camera's thread ends within 150 ms
// (on a process that got the CPU).
#include <QElapsedTimer>

#include <opencv2/imgcodecs.hpp>

#include "common/starvation.h"
#include "common/waituntil.h"
#include "vision/camera/camerafixture.h"

using camsim::CamSim;

namespace {

SimDevice Dev(const QString& serial, int w, int h, double fps, const QString& source = QString(), bool color = false)
{
    SimDevice d;
    d.serial = serial;
    d.width = w;
    d.height = h;
    d.fps = fps;
    d.source = source;
    d.color = color;
    return d;
}

cv::Mat Gradient(int w, int h, int offset)
{
    cv::Mat m(h, w, CV_8UC1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            m.at<uint8_t>(y, x) = uint8_t((x + y + offset) % 200 + 20);
    return m;
}

// Mean absolute difference between a grey frame and a picture of the same size.
double Diff(const std::vector<unsigned char>& frame, const cv::Mat& picture)
{
    if (frame.size() != picture.total())
        return 1e9;
    double sum = 0;
    for (size_t i = 0; i < frame.size(); ++i)
        sum += std::abs(int(frame[i]) - int(picture.data[i]));
    return sum / double(frame.size());
}

// The simulator's test pattern has a bar 8 pixels further along the row in every frame: on a row
// 512 wide it stands in 60 places, so its place tells the frame's number (modulo 60).
constexpr int kPatternWidth = 512;
constexpr int kPatternFrames = 60;

// The frame number (modulo 60) of a grey test-pattern frame, or -1: the bar's first column. The
// bar (235) stands above the gradient (20 to 220) whatever the noise (1).
int PatternFrame(const std::vector<unsigned char>& frame)
{
    for (int x = 0; x < kPatternWidth && x < int(frame.size()); ++x)
        if (frame[size_t(x)] >= 228)
            return x % 8 == 0 ? x / 8 : -1;
    return -1;
}

}  // namespace

class Acquisition : public CameraTest {
protected:
    void Start(const QString& make, const QList<SimDevice>& devs, int count = 1)
    {
        UseSim(make, devs);
        CheckCameraID();
        MakeViews(count);
        ASSERT_EQ(numCamera, count);
    }
    // Stops view v: its thread ends within one pass (150 ms), or later on a starved process.
    ::testing::AssertionResult StopsInTime(int v, const QString& what)
    {
        Starvation cpu;
        // The thread has ended when the time is judged: its waits for a CPU are kept as it ends.
        cpu.Watch(View(v)->cameraThread);
        QElapsedTimer t;
        t.start();
        View(v)->CameraStop();
        if (!View(v)->cameraThread->wait(5000))
            return ::testing::AssertionFailure() << "the thread still runs after 5 s";
        const qint64 took = t.elapsed();
        if (cpu.OnTime(took, 0, 150, what + " stop"))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "ended after " << took << " ms; a thread waited only "
                                             << cpu.WaitedMs() << " ms for a CPU";
    }
    // After bad frames began on view v no frame comes, but for one good frame still under way
    // then, which comes at once or on a starved thread.
    ::testing::AssertionResult NoFrameButTheOneUnderWay(int v)
    {
        const Starvation cpu;
        TakeFrame(v, nullptr, 30);
        QElapsedTimer t;
        t.start();
        if (TakeFrame(v, nullptr, 200) && !cpu.OnTime(t.elapsed(), 0, 0, "a frame under way"))
            return ::testing::AssertionFailure() << "a frame " << t.elapsed() << " ms after the one under way";
        if (TakeFrame(v, nullptr, 200))
            return ::testing::AssertionFailure() << "a second frame came";
        return ::testing::AssertionSuccess();
    }
};

TEST_F(Acquisition, NewestFrameReachesTheGrabBufferOncePerFrame)
{
    const cv::Mat scene = Gradient(320, 240, 0);
    ASSERT_TRUE(writePicture(dir->file("scene.png"), scene));
    para.contrast[0] = 50;  // software contrast factor 0: the picture as it is
    Start("daheng", {Dev("DH0000001", 320, 240, 20, dir->file("scene.png"))});
    std::vector<unsigned char> frame, previous;
    ASSERT_TRUE(TakeFrame(0, &frame));
    EXPECT_LT(Diff(frame, scene), 1.5) << "the camera's picture, with a little noise";

    // Contrast 150: factor 100 doubles the distance from mid-grey in every later frame.
    para.contrast[0] = 150;
    View(0)->SetContrast();
    cv::Mat stretched = scene.clone();
    for (size_t i = 0; i < stretched.total(); ++i)
        stretched.data[i] = uint8_t(std::min(255, std::max(0, (int(scene.data[i]) - 128) * 2 + 128)));
    ASSERT_TRUE(ChangeShowsWithinThreeFrames(0, [&](const std::vector<unsigned char>& f) {
        frame = f;
        return Diff(f, stretched) < 3.0;
    }));

    // Polling much faster than the camera: one flag per frame (20 a second), not per pass.
    const Starvation cpu;
    int frames = 0, same = 0;
    QElapsedTimer t;
    t.start();
    previous = frame;
    while (t.elapsed() < 500) {
        if (TakeFrame(0, &frame, 1)) {
            frames++;
            same += frame == previous ? 1 : 0;
            previous = frame;
        }
    }
    // The span as it was: a starved poll ends it late.
    const qint64 span = t.elapsed();
    EXPECT_LE(frames, span * 20 / 1000 + 3) << "no more flags than frames in " << span << " ms";
    // The frames cover the span bar 200 ms, or the camera thread was starved.
    EXPECT_TRUE(cpu.OnTime(std::min<qint64>(frames * 50, span), span, 200, "20 frames a second"))
        << frames << " frames in " << span << " ms";
    EXPECT_EQ(same, 0) << "every flag brings a new frame";

    EXPECT_TRUE(StopsInTime(0, "daheng"));
}

TEST_F(Acquisition, FramesBetweenTwoPollsLeaveOnlyTheNewest)
{
    // The simulator's test pattern, 50 frames a second: the place of its bar tells the frame.
    para.contrast[0] = 50;  // software contrast factor 0: the picture as it is
    Start("daheng", {Dev("DH0000001", kPatternWidth, 8, 50)});
    CamSim& cam = CamSim::instance();
    std::vector<unsigned char> a, b, c;
    ASSERT_TRUE(TakeFrame(0, &a));
    ASSERT_GE(PatternFrame(a), 0);
    // Three frames or more served since, however long the camera thread took for them.
    const uint32_t after = cam.served(0);
    ASSERT_TRUE(WaitUntil([&] { return cam.served(0) >= after + 3; }, 10000)) << "no frames served";
    // Taken as the cycle takes it, with the frames served counted under the same lock: the
    // camera thread copies a frame before it fetches the next, so the frame in the buffer is
    // the last one served or the one before it, never the first of those that came between.
    uint32_t served = 0;
    {
        QMutexLocker lock(pMutex[0]);
        ASSERT_TRUE(isImageFill[0]);
        served = cam.served(0);
        b.assign(View(0)->frameGrab, View(0)->frameGrab + gColorLen);
        isImageFill[0] = false;
    }
    const int nb = PatternFrame(b);
    ASSERT_GE(nb, 0);
    const int behind = ((int(served % kPatternFrames) - nb) % kPatternFrames + kPatternFrames) % kPatternFrames;
    EXPECT_LE(behind, 1) << "frame " << nb << " in the buffer after frame " << served << " was served (a: frame "
                         << PatternFrame(a) << "): the grab buffer holds the next frame, not the newest";
    // A frame may come in just after: a flag left by the frames in between would bring b again.
    if (TakeFrame(0, &c, 1)) {
        EXPECT_NE(PatternFrame(c), nb) << "one flag for all frames in between";
    }
}

TEST_F(Acquisition, EveryPolledMakeStopsWithinOnePass)
{
    for (const QString make : {"daheng", "ids", "mindvision"}) {
        views.clear();
        numCamera = 0;
        Start(make, {Dev("SN00000001", 64, 48, 30)});
        SetWorkingSize(64, 48);
        views.clear();
        numCamera = 0;
        MakeViews(1);
        ASSERT_TRUE(TakeFrame(0)) << make.toStdString();
        EXPECT_TRUE(StopsInTime(0, make)) << make.toStdString();
        // A camera that no longer answers (unplugged) ends as quickly.
        View(0)->CameraStart();
        ASSERT_TRUE(TakeFrame(0));
        CamSim::instance().unplug(0);
        EXPECT_TRUE(StopsInTime(0, make + " unplugged")) << make.toStdString();
    }
}

TEST_F(Acquisition, UnchangedImageMemoryIsNoNewFrame)
{
    Start("ids", {Dev("4102000001", 1280, 1024, 4)});
    ASSERT_TRUE(TakeFrame(0, nullptr, 2000));
    const Starvation cpu;
    int frames = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 600)
        frames += TakeFrame(0, nullptr, 1) ? 1 : 0;
    const qint64 span = t.elapsed();
    // About two new frames in 600 ms at four a second, against sixty passes.
    EXPECT_LE(frames, span * 4 / 1000 + 3) << "no more flags than frames in " << span << " ms";
    EXPECT_TRUE(cpu.OnTime(std::min<qint64>(frames * 250, span), span, 350, "4 frames a second"))
        << frames << " frames in " << span << " ms";
}

TEST_F(Acquisition, BadFramesAreSkipped)
{
    Start("daheng", {Dev("DH0000001", 64, 48, 100)});
    ASSERT_TRUE(TakeFrame(0));
    CamSim::instance().injectBadFrames(0, 1000000);
    EXPECT_TRUE(NoFrameButTheOneUnderWay(0)) << "an incomplete frame is not delivered";
    CamSim::instance().injectBadFrames(0, 0);
    EXPECT_TRUE(TakeFrame(0));
}

TEST_F(Acquisition, CallbackFramesOfTheWrongSizeAreSkipped)
{
    Start("hikvision", {Dev("HK0000001", 64, 48, 100)});
    ASSERT_TRUE(TakeFrame(0));
    // Torn frames of a quarter of the picture arrive: none is copied.
    CamSim::instance().injectBadFrames(0, 1000000);
    EXPECT_TRUE(NoFrameButTheOneUnderWay(0));
    CamSim::instance().injectBadFrames(0, 0);
    EXPECT_TRUE(TakeFrame(0));
}

TEST_F(Acquisition, GreyFramesAreExpandedInColourMode)
{
    gisColor = true;
    para.contrast[0] = 50;
    const cv::Mat scene = Gradient(64, 48, 7);
    ASSERT_TRUE(writePicture(dir->file("scene.png"), scene));
    for (const QString make : {"daheng", "ids", "hikvision", "mindvision"}) {
        views.clear();
        numCamera = 0;
        UseSim(make, {Dev("SN00000001", 64, 48, 100, dir->file("scene.png"))});
        CheckCameraID();
        SetWorkingSize(64, 48);
        ASSERT_EQ(gColorLen, 64 * 48 * 4);
        MakeViews(1);
        std::vector<unsigned char> frame;
        ASSERT_TRUE(TakeFrame(0, &frame)) << make.toStdString();
        ASSERT_EQ(frame.size(), size_t(gColorLen));
        int worst = 0;
        for (int i = 0; i < 64 * 48; ++i) {
            const int v = scene.data[i];
            worst = std::max(worst, std::abs(frame[4 * i] - v));
            EXPECT_EQ(frame[4 * i], frame[4 * i + 1]);
            EXPECT_EQ(frame[4 * i], frame[4 * i + 2]);
            EXPECT_EQ(frame[4 * i + 3], 255);
        }
        EXPECT_LE(worst, 2) << make.toStdString();
    }
}

TEST_F(Acquisition, ColourSensorsDeliverRGBA)
{
    gisColor = true;
    cv::Mat scene(48, 64, CV_8UC3, cv::Scalar(40, 90, 200));  // B, G, R on disk
    ASSERT_TRUE(writePicture(dir->file("scene.png"), scene));
    for (const QString make : {"hikvision", "mindvision"}) {
        views.clear();
        numCamera = 0;
        UseSim(make, {Dev("SN00000001", 64, 48, 100, dir->file("scene.png"), true)});
        CheckCameraID();
        SetWorkingSize(64, 48);
        MakeViews(1);
        std::vector<unsigned char> frame;
        ASSERT_TRUE(TakeFrame(0, &frame)) << make.toStdString();
        const size_t mid = size_t(24 * 64 + 32) * 4;
        EXPECT_NEAR(frame[mid], 40, 4) << make.toStdString();
        EXPECT_NEAR(frame[mid + 1], 90, 4);
        EXPECT_NEAR(frame[mid + 2], 200, 4);
        EXPECT_EQ(frame[mid + 3], 255);
    }
}

TEST_F(Acquisition, TwoSimulatedCamerasServeTheirPicturesAndFollowAReplacedFile)
{
    const cv::Mat a = Gradient(320, 240, 0), b = Gradient(320, 240, 100), c = Gradient(320, 240, 50);
    ASSERT_TRUE(writePicture(dir->file("a.png"), a));
    ASSERT_TRUE(writePicture(dir->file("b.png"), b));
    Start("mindvision", {Dev("MV0000001", 320, 240, 30, dir->file("a.png")), Dev("MV0000002", 320, 240, 30, dir->file("b.png"))}, 2);
    std::vector<unsigned char> f0, f1;
    ASSERT_TRUE(TakeFrame(0, &f0));
    ASSERT_TRUE(TakeFrame(1, &f1));
    EXPECT_LT(Diff(f0, a), 1.5);
    EXPECT_LT(Diff(f1, b), 1.5);

    ASSERT_TRUE(writePicture(dir->file("a.png"), c));
    // The frame after the replacement shows the new scene (one frame may have been under way).
    bool changed = false;
    for (int i = 0; i < 3 && !changed; ++i) {
        ASSERT_TRUE(TakeFrame(0, &f0));
        changed = Diff(f0, c) < 1.5;
    }
    EXPECT_TRUE(changed);
    ASSERT_TRUE(TakeFrame(1, &f1));
    EXPECT_LT(Diff(f1, b), 1.5) << "the other camera keeps its picture";
}

TEST_F(Acquisition, EveryMakeDeliversWholeFramesOfAFastAlternatingScene)
{
    // The camera serves a dark and a bright picture in turn, 200 a second, each written into the
    // make's memory while the acquisition thread takes frames: a delivered frame holding both
    // would be judged as one picture. Large frames keep every copy long.
    const int w = 1280, h = 1024;
    dir->write("alternate/.keep", "");
    ASSERT_TRUE(writePicture(dir->file("alternate/0.png"), cv::Mat(h, w, CV_8UC1, cv::Scalar(40))));
    ASSERT_TRUE(writePicture(dir->file("alternate/1.png"), cv::Mat(h, w, CV_8UC1, cv::Scalar(210))));
    para.contrast[0] = 50;  // no software contrast
    for (const QString make : {"daheng", "ids", "mindvision", "hikvision"}) {
        views.clear();
        numCamera = 0;
        UseSim(make, {Dev("SN00000001", w, h, 200, dir->file("alternate"))});
        CheckCameraID();
        SetWorkingSize(w, h);
        MakeViews(1);
        int frames = 0, dark = 0, bright = 0, mixed = 0;
        std::vector<unsigned char> frame;
        QElapsedTimer t;
        t.start();
        while (frames < 300 && t.elapsed() < 30000) {
            if (!TakeFrame(0, &frame, 200))
                continue;
            ASSERT_EQ(frame.size(), size_t(w * h));
            frames++;
            const auto darkPixels = std::count_if(frame.begin(), frame.end(), [](unsigned char v) { return v < 128; });
            if (darkPixels == 0)
                bright++;
            else if (darkPixels == long(frame.size()))
                dark++;
            else
                mixed++;
        }
        EXPECT_GE(frames, 300) << make.toStdString();
        EXPECT_EQ(mixed, 0) << make.toStdString() << ": " << mixed << " of " << frames << " frames hold both pictures";
        // Both pictures came through: the scene did alternate under the copies.
        EXPECT_GT(dark, 20) << make.toStdString();
        EXPECT_GT(bright, 20) << make.toStdString();
    }
}
