// V4L2 capture through FFmpeg, read from FFmpeg's lavfi input and from a stalling network source.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

#include <QElapsedTimer>

#include "common/starvation.h"
#include "vision/camera/camerafixture.h"
#include "vision/camera/frameconvert.h"

extern "C" {
#include <libavformat/avformat.h>
}

class V4L2Capture : public CameraTest {
protected:
    void StartLavfi(const std::string& graph, int cameras = 1)
    {
        gV4L2Source.format = "lavfi";
        gV4L2Source.url = graph;
        gV4L2Source.options.clear();
        gCameraID = CAMERA_V4L2;
        gFindCamera = cameras;
        SetWorkingSize(960, 540);
        // Neutral filters: contrast 1, no sharpening.
        for (int v = 0; v < 8; ++v) {
            para.contrast[v] = 150;
            para.sharpness[v] = 0;
        }
        MakeViews(cameras);
    }
    static int At(const std::vector<unsigned char>& f, int x, int y) { return f[size_t(y) * size_t(gImageW) + size_t(x)]; }
};

TEST_F(V4L2Capture, SmallerFrameSitsCentredOnBlack)
{
    StartLavfi("color=c=white:size=640x480:rate=25");
    ASSERT_EQ(numCamera, 1);
    ASSERT_NE(View(0)->v4lGraph, nullptr);
    std::vector<unsigned char> f;
    ASSERT_TRUE(TakeFrame(0, &f));
    ASSERT_EQ(f.size(), size_t(960 * 540));
    EXPECT_GT(At(f, 160, 30), 200);
    EXPECT_GT(At(f, 799, 509), 200);
    EXPECT_GT(At(f, 480, 270), 200);
    EXPECT_EQ(At(f, 159, 30), 0);
    EXPECT_EQ(At(f, 160, 29), 0);
    EXPECT_EQ(At(f, 800, 509), 0);
    EXPECT_EQ(At(f, 799, 510), 0);
    EXPECT_EQ(At(f, 0, 0), 0);
}

TEST_F(V4L2Capture, LargerFrameIsScaledDownToFit)
{
    StartLavfi("color=c=white:size=1000x1000:rate=25");
    std::vector<unsigned char> f;
    ASSERT_TRUE(TakeFrame(0, &f));
    // 1000 x 1000 becomes 540 x 540 at (210, 0).
    EXPECT_GT(At(f, 210, 0), 200);
    EXPECT_GT(At(f, 749, 539), 200);
    EXPECT_EQ(At(f, 209, 0), 0);
    EXPECT_EQ(At(f, 750, 539), 0);
    const cv::Rect r = FramePlacement(1920, 1080, 960, 540);
    EXPECT_EQ(r, cv::Rect(0, 0, 960, 540));
    EXPECT_EQ(FramePlacement(640, 480, 960, 540), cv::Rect(160, 30, 640, 480));
}

TEST_F(V4L2Capture, ColourProcessingRepeatsTheGreyInEveryChannel)
{
    gisColor = true;
    StartLavfi("color=c=gray:size=320x240:rate=25");
    std::vector<unsigned char> f;
    ASSERT_TRUE(TakeFrame(0, &f));
    ASSERT_EQ(f.size(), size_t(960 * 540 * 4));
    const size_t mid = (size_t(270) * 960 + 480) * 4;
    EXPECT_GT(f[mid], 60);
    EXPECT_EQ(f[mid], f[mid + 1]);
    EXPECT_EQ(f[mid], f[mid + 2]);
    EXPECT_EQ(f[mid + 3], 255);
    EXPECT_EQ(f[0], 0);
    EXPECT_EQ(f[3], 255);
}

TEST_F(V4L2Capture, FilterChangesApplyAndABadGraphLeavesCaptureRunning)
{
    StartLavfi("color=c=0x808080:size=320x240:rate=25");
    std::vector<unsigned char> f;
    ASSERT_TRUE(TakeFrame(0, &f));
    const int before = At(f, 480, 270);
    // A lower contrast pulls the grey towards mid-grey's output; a higher gamma brightens it.
    para.gamma[0] = 200;
    View(0)->SetGamma();
    EXPECT_TRUE(ChangeShowsWithinThreeFrames(0, [&](const std::vector<unsigned char>& g) { return At(g, 480, 270) > before + 20; }));

    AVFilterGraph* inForce = View(0)->v4lGraph;
    int r;
    {
        QMutexLocker lock(pMutex[0]);
        r = View(0)->init_filters("eq=contrast=notanumber");
    }
    EXPECT_LT(r, 0);
    EXPECT_EQ(View(0)->v4lGraph, inForce) << "the graph in force stays";
    TakeFrame(0, nullptr, 100);
    EXPECT_TRUE(TakeFrame(0));
}

TEST_F(V4L2Capture, ABusyFirstDeviceMakesTheViewTryTheDevicesAfterTheCountedOnes)
{
    // Device numbers go into the source's frame rate: 0 cannot open, 2 (the first after the two
    // counted devices) can.
    StartLavfi("color=c=white:size=64x48:rate=%d", 2);
    ASSERT_TRUE(View(0)->cameraOpened());
    const AVRational r = View(0)->v4lFormat->streams[View(0)->v4lStream]->r_frame_rate;
    EXPECT_EQ(r.num / std::max(1, r.den), 2);
    EXPECT_TRUE(TakeFrame(0));
}

TEST_F(V4L2Capture, StopEndsTheThreadWithinOnePass)
{
    StartLavfi("testsrc=size=320x240:rate=25");
    ASSERT_TRUE(TakeFrame(0));
    Starvation cpu;
    cpu.Watch(View(0)->cameraThread);  // ended when judged
    QElapsedTimer t;
    t.start();
    View(0)->CameraStop();
    ASSERT_TRUE(View(0)->cameraThread->wait(5000));
    EXPECT_TRUE(cpu.OnTime(t.elapsed(), 0, 150, "the capture thread's stop"));
    // And starts again.
    ASSERT_TRUE(View(0)->CameraStart());
    EXPECT_TRUE(TakeFrame(0));
}

namespace {

// A raw video over TCP on the loopback that sends `frames` frames and then stalls.
class StallingSource {
public:
    StallingSource(int w, int h, int frames) : w_(w), h_(h), frames_(frames)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        socklen_t len = sizeof(a);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        ::listen(fd_, 1);
        thread_ = std::thread([this] { Serve(); });
    }
    ~StallingSource()
    {
        done_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        thread_.join();
    }
    int port() const { return port_; }

private:
    void Serve()
    {
        const int c = ::accept(fd_, nullptr, nullptr);
        if (c < 0)
            return;
        // yuv420p: a plane of luma 200, then neutral chroma.
        std::vector<char> frame(size_t(w_ * h_ * 3 / 2), char(128));
        std::fill(frame.begin(), frame.begin() + w_ * h_, char(200));
        for (int i = 0; i < frames_ && !done_; ++i) {
            if (::send(c, frame.data(), frame.size(), MSG_NOSIGNAL) < 0)
                break;
        }
        // Stalls with the connection open, as a camera whose cable hangs.
        while (!done_)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::close(c);
    }
    int w_, h_, frames_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace

TEST_F(V4L2Capture, AStalledSourceNeverHoldsTheFrameLock)
{
    StallingSource source(64, 48, 30);
    gV4L2Source.format = "rawvideo";
    gV4L2Source.url = "tcp://127.0.0.1:" + std::to_string(source.port());
    gV4L2Source.options = {{"video_size", "64x48"}, {"pixel_format", "yuv420p"}, {"framerate", "25"}};
    gV4L2Source.readTimeoutMs = 3000;
    gCameraID = CAMERA_V4L2;
    gFindCamera = 1;
    SetWorkingSize(960, 540);
    para.contrast[0] = 150;
    MakeViews(1);
    ASSERT_EQ(numCamera, 1);
    std::vector<unsigned char> f;
    ASSERT_TRUE(TakeFrame(0, &f));
    EXPECT_GT(At(f, 480, 270), 150);
    EXPECT_EQ(At(f, 447, 270), 0) << "64 x 48 centred at (448, 246)";

    // Until the frames sent are used up.
    while (TakeFrame(0, nullptr, 300)) {
    }
    // The source has stopped; the thread waits in its read (up to 3 s). The copy lock stays free
    // throughout: a lock held across the read would keep the GUI thread waiting for seconds.
    const Starvation lockCpu;
    QElapsedTimer t;
    t.start();
    qint64 worst = 0;
    while (t.elapsed() < 900) {
        QElapsedTimer l;
        l.start();
        // Held across the read, the lock stays taken for its whole 3 s.
        ASSERT_TRUE(pMutex[0]->tryLock(2500)) << "the GUI thread would freeze here";
        pMutex[0]->unlock();
        worst = std::max(worst, l.elapsed());
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    EXPECT_TRUE(lockCpu.OnTime(worst, 0, 250, "the longest wait for the frame lock")) << worst << " ms";
    // Filter changes from the GUI thread go through meanwhile.
    // (The read waits up to 3 s: a change or a stop that waited for it would be seconds late.)
    para.gamma[0] = 50;
    const Starvation cpu;
    QElapsedTimer s;
    s.start();
    View(0)->SetGamma();
    EXPECT_TRUE(cpu.OnTime(s.elapsed(), 0, 500, "a gamma change during a stalled read"));
    // And the stalled camera stops at once.
    Starvation stopCpu;
    stopCpu.Watch(View(0)->cameraThread);
    QElapsedTimer stop;
    stop.start();
    View(0)->CameraStop();
    ASSERT_TRUE(View(0)->cameraThread->wait(5000));
    EXPECT_TRUE(stopCpu.OnTime(stop.elapsed(), 0, 150, "a stalled capture thread's stop"));
}
