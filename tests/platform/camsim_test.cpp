// The camera simulator behind the four libraries: discovery, failures, frames and the call log.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include <QLoggingCategory>

#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/camsdk/dahengsdk.h"
#include "platform/camsdk/hikvisionsdk.h"
#include "platform/camsdk/idssdk.h"
#include "platform/camsdk/mindvisionsdk.h"
#include "common/starvation.h"
#include "simcamfile.h"

using namespace camsim;

TEST(CamSim, WithoutFileEveryLibraryFindsNothing)
{
    qunsetenv("MOULDMON_SIMCAM");
    CamSim::instance().reload();
    ASSERT_EQ(GXInitLib(), 0);
    uint32_t n = 99;
    EXPECT_EQ(GXUpdateDeviceList(&n, 20), 0);
    EXPECT_EQ(n, 0u);
    int ids = 99;
    EXPECT_EQ(is_GetNumberOfCameras(&ids), 0);
    EXPECT_EQ(ids, 0);
    MvDeviceInfo list[12];
    int count = 12;
    CameraEnumerateDevice(list, &count);
    EXPECT_EQ(count, 0);
    MV_CC_DEVICE_INFO_LIST hik;
    EXPECT_EQ(MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &hik), 0);
    EXPECT_EQ(hik.deviceCount, 0u);
}

TEST(CamSim, OnlyTheNamedMakeSeesTheDevicesAndFailuresAreInjected)
{
    ProgramDir dir;
    SimCamFile sim(dir, "mindvision", {{"MV0000001"}, {"MV0000002"}});
    uint32_t n = 9;
    GXInitLib();
    GXUpdateDeviceList(&n, 20);
    EXPECT_EQ(n, 0u);
    MvDeviceInfo list[12];
    int count = 12;
    ASSERT_EQ(CameraEnumerateDevice(list, &count), 0);
    ASSERT_EQ(count, 2);
    // The serial text sits at byte 224 of a record.
    EXPECT_STREQ(reinterpret_cast<const char*>(&list[1]) + 224, "MV0000002");

    CameraHandle h1 = 0, h2 = 0;
    ASSERT_EQ(CameraInit(&list[0], -1, -1, &h1), 0);
    EXPECT_NE(CameraInit(&list[0], -1, -1, &h2), 0) << "exclusive open";
    CamSim::instance().setOpenFailure(1, true);
    EXPECT_NE(CameraInit(&list[1], -1, -1, &h2), 0);
    CamSim::instance().setOpenFailure(1, false);
    CamSim::instance().setBusy(1, true);
    EXPECT_EQ(CameraInit(&list[1], -1, -1, &h2), CAMERA_STATUS_ACCESS_DENY) << "held by another program";
    CamSim::instance().setBusy(1, false);
    ASSERT_EQ(CameraInit(&list[1], -1, -1, &h2), 0);

    // Unplugging kills the handle and shortens the list; replugging brings the device back.
    CamSim::instance().unplug(0);
    count = 12;
    CameraEnumerateDevice(list, &count);
    EXPECT_EQ(count, 1);
    EXPECT_NE(CameraPlay(h1), 0);
    CameraUnInit(h1);
    CamSim::instance().replug(0);
    count = 12;
    CameraEnumerateDevice(list, &count);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(CameraInit(&list[0], -1, -1, &h1), 0);
    CameraUnInit(h1);
    CameraUnInit(h2);
}

TEST(CamSim, FramesFollowTheSourceFileExposureAndCarryNoise)
{
    ProgramDir dir;
    ASSERT_TRUE(writePicture(dir.file("scene.png"), cv::Mat(48, 64, CV_8UC1, cv::Scalar(100))));
    SimCamFile sim(dir, "daheng", {{"DH0000001", "MER-SIM", 64, 48, false, 200, dir.file("scene.png")}});
    GXInitLib();
    GX_DEV_HANDLE h = nullptr;
    ASSERT_EQ(GXOpenDeviceByIndex(1, &h), 0);
    ASSERT_EQ(GXSendCommand(h, 0x70000BB9), 0);
    std::vector<uint8_t> a(64 * 48), b(64 * 48);
    GxFrameData f{};
    f.imgBuf = a.data();
    f.imgBufSize = int32_t(a.size());
    ASSERT_EQ(GXGetImage(h, &f, 100), 0);
    ASSERT_EQ(f.status, 0);
    f.imgBuf = b.data();
    ASSERT_EQ(GXGetImage(h, &f, 100), 0);
    EXPECT_NE(a, b) << "two frames are never equal";
    for (uint8_t v : b)
        ASSERT_NEAR(v, 100, 1);

    ASSERT_TRUE(writePicture(dir.file("scene.png"), cv::Mat(48, 64, CV_8UC1, cv::Scalar(40))));
    ASSERT_EQ(GXGetImage(h, &f, 100), 0);
    EXPECT_NEAR(b[500], 40, 1);

    // Twice the exposure, twice the brightness.
    ASSERT_EQ(GXSetFloat(h, 0x20000BC1, 60000.0), 0);
    ASSERT_EQ(GXGetImage(h, &f, 100), 0);
    EXPECT_NEAR(b[500], 80, 2);

    // A bad frame comes with a non-zero status; a too small buffer gets no picture.
    CamSim::instance().injectBadFrames(0, 1);
    ASSERT_EQ(GXGetImage(h, &f, 100), 0);
    EXPECT_NE(f.status, 0);
    f.imgBufSize = 100;
    ASSERT_EQ(GXGetImage(h, &f, 100), 0);
    EXPECT_NE(f.status, 0);

    // Without acquisition the grab times out after its time-out.
    GXSendCommand(h, 0x70000BBA);
    const Starvation cpu;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(GXGetImage(h, &f, 50), GX_STATUS_TIMEOUT);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(ms, 45);
    EXPECT_TRUE(cpu.OnTime(ms, 50, 40, "the grab's time-out"));
    GXCloseDevice(h);
}

TEST(CamSim, FolderSourceCyclesInNameOrder)
{
    ProgramDir dir;
    ASSERT_TRUE(dir.write("shots/.keep", ""));
    writePicture(dir.file("shots/b.png"), cv::Mat(8, 8, CV_8UC1, cv::Scalar(200)));
    writePicture(dir.file("shots/a.png"), cv::Mat(8, 8, CV_8UC1, cv::Scalar(20)));
    SimCamFile sim(dir, "daheng", {{"DH0000001", "M", 8, 8, false, 500, dir.file("shots")}});
    GXInitLib();
    GX_DEV_HANDLE h = nullptr;
    ASSERT_EQ(GXOpenDeviceByIndex(1, &h), 0);
    GXSendCommand(h, 0x70000BB9);
    std::vector<uint8_t> buf(64);
    GxFrameData f{};
    f.imgBuf = buf.data();
    f.imgBufSize = 64;
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(GXGetImage(h, &f, 100), 0);
        seen.push_back(buf[10] > 100 ? 1 : 0);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 0, 1}));
    GXCloseDevice(h);
}

TEST(CamSim, ColourSensorMosaicConvertsBackToColour)
{
    ProgramDir dir;
    cv::Mat red(32, 32, CV_8UC3, cv::Scalar(30, 40, 220));  // BGR on disk
    ASSERT_TRUE(writePicture(dir.file("red.png"), red));
    SimCamFile sim(dir, "hikvision", {{"HK0000001", "MV-CA-SIM-C", 32, 32, true, 100, dir.file("red.png")}});
    MV_CC_DEVICE_INFO_LIST list;
    ASSERT_EQ(MV_CC_EnumDevices(5, &list), 0);
    ASSERT_EQ(list.deviceCount, 1u);
    EXPECT_EQ(list.deviceInfo[0]->transportLayer, MV_USB_DEVICE);
    void* h = nullptr;
    ASSERT_EQ(MV_CC_CreateHandle(&h, list.deviceInfo[0]), 0);
    ASSERT_EQ(MV_CC_OpenDevice(h), 0);
    ASSERT_EQ(MV_CC_SetEnumValue(h, "PixelFormat", MV_PIXEL_BayerRG8), 0);
    struct Got {
        std::mutex m;
        std::vector<uint8_t> raw;
        MV_FRAME_OUT_INFO info{};
        std::thread::id thread;
    } got;
    MV_CC_RegisterImageCallBack(h, [](unsigned char* data, MV_FRAME_OUT_INFO* info, void* user) {
        auto* g = static_cast<Got*>(user);
        std::lock_guard<std::mutex> lock(g->m);
        g->raw.assign(data, data + info->frameLength);
        g->info = *info;
        g->thread = std::this_thread::get_id();
    }, &got);
    ASSERT_EQ(MV_CC_StartGrabbing(h), 0);
    for (int i = 0; i < 100; ++i) {
        {
            std::lock_guard<std::mutex> lock(got.m);
            if (!got.raw.empty())
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    MV_CC_StopGrabbing(h);
    ASSERT_EQ(got.raw.size(), 32u * 32u);
    EXPECT_NE(got.thread, std::this_thread::get_id()) << "frames come on the library's own thread";
    std::vector<uint8_t> rgb(32 * 32 * 3);
    MV_CC_PIXEL_CONVERT_PARAM p{};
    p.width = 32;
    p.height = 32;
    p.srcPixelType = got.info.pixelType;
    p.srcData = got.raw.data();
    p.srcDataLen = uint32_t(got.raw.size());
    p.dstPixelType = MV_PIXEL_RGB8_Packed;
    p.dstBuffer = rgb.data();
    p.dstBufferSize = uint32_t(rgb.size());
    ASSERT_EQ(MV_CC_ConvertPixelType(h, &p), 0);
    const size_t mid = (16 * 32 + 16) * 3;
    EXPECT_NEAR(rgb[mid], 220, 3);
    EXPECT_NEAR(rgb[mid + 1], 40, 3);
    EXPECT_NEAR(rgb[mid + 2], 30, 3);
    MV_CC_CloseDevice(h);
    MV_CC_DestroyHandle(h);
}

TEST(CamSim, SetCallsAreLoggedToTheCategory)
{
    ProgramDir dir;
    SimCamFile sim(dir, "ids", {{"4102000001"}});
    static QStringList seen;
    seen.clear();
    QtMessageHandler old = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& ctx, const QString& msg) {
        if (ctx.category && std::strcmp(ctx.category, "mouldmon.camsim") == 0)
            seen << msg;
    });
    HIDS h = 1 | IS_USE_DEVICE_ID;
    ASSERT_EQ(is_InitCamera(&h, nullptr), 0);
    double ms = 12;
    is_Exposure(h, IS_EXPOSURE_CMD_SET_EXPOSURE, &ms, sizeof(ms));
    is_ExitCamera(h);
    qInstallMessageHandler(old);
    EXPECT_TRUE(seen.contains("ids 4102000001 is_Exposure set 12.000000")) << seen.join('\n').toStdString();
    EXPECT_TRUE(CamSim::instance().calls().contains("ids 4102000001 is_Exposure set 12.000000"));
}

TEST(CamSim, GigeAddressCanBeForced)
{
    ProgramDir dir;
    SimDevice d{"HK0000009"};
    d.ip = "10.1.1.5";
    d.mask = "255.255.255.0";
    d.hostIp = "192.168.7.1";
    SimCamFile sim(dir, "hikvision", {d});
    MV_CC_DEVICE_INFO_LIST list;
    ASSERT_EQ(MV_CC_EnumDevices(MV_GIGE_DEVICE, &list), 0);
    ASSERT_EQ(list.deviceCount, 1u);
    EXPECT_EQ(list.deviceInfo[0]->special.gige.currentIp, 0x0A010105u);
    EXPECT_EQ(list.deviceInfo[0]->special.gige.netExport, 0xC0A80701u);
    EXPECT_FALSE(MV_CC_IsDeviceAccessible(list.deviceInfo[0], 1));
    void* h = nullptr;
    ASSERT_EQ(MV_CC_CreateHandle(&h, list.deviceInfo[0]), 0);
    ASSERT_EQ(MV_GIGE_ForceIpEx(h, 0xC0A80764u, 0xFFFFFF00u, 0), 0);
    MV_CC_DestroyHandle(h);
    MV_CC_EnumDevices(MV_GIGE_DEVICE, &list);
    EXPECT_EQ(list.deviceInfo[0]->special.gige.currentIp, 0xC0A80764u);
    EXPECT_TRUE(MV_CC_IsDeviceAccessible(list.deviceInfo[0], 1));
}

TEST(CamSim, PictureFilesOfEachFormatAreServedAsOpenCvReadsThem)
{
    ProgramDir dir;
    cv::Mat scene(48, 64, CV_8UC3);
    for (int y = 0; y < scene.rows; ++y)
        for (int x = 0; x < scene.cols; ++x)
            scene.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(40 + 2 * x), uchar(200 - 3 * y), uchar(90 + x + y));
    cv::Mat grey(48, 64, CV_8UC1);
    for (int y = 0; y < grey.rows; ++y)
        for (int x = 0; x < grey.cols; ++x)
            grey.at<uchar>(y, x) = uchar(30 + 3 * x + y);
    struct Case {
        const char* name;
        const cv::Mat* picture;
        int maxDiff;  // the sensor's noise is 1, rounding of colour to grey 1, lossy pictures more
    };
    const Case cases[] = {{"scene.png", &scene, 2}, {"scene.bmp", &scene, 2}, {"scene.ppm", &scene, 2},
                          {"scene.jpg", &scene, 4}, {"grey.png", &grey, 1},    {"grey.bmp", &grey, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name).toStdString();
        ASSERT_TRUE(cv::imwrite(path, *c.picture));
        const cv::Mat expected = cv::imread(path, cv::IMREAD_GRAYSCALE);
        SimCamFile sim(dir, "daheng", {{"DH0000001", "M", 64, 48, false, 200, dir.file(c.name)}});
        GXInitLib();
        GX_DEV_HANDLE h = nullptr;
        ASSERT_EQ(GXOpenDeviceByIndex(1, &h), 0);
        GXSendCommand(h, 0x70000BB9);
        cv::Mat got(48, 64, CV_8UC1);
        GxFrameData f{};
        f.imgBuf = got.data;
        f.imgBufSize = int32_t(got.total());
        ASSERT_EQ(GXGetImage(h, &f, 100), 0);
        ASSERT_EQ(f.status, 0);
        GXCloseDevice(h);
        double worst = 0;
        cv::Mat diff;
        cv::absdiff(got, expected, diff);
        cv::minMaxLoc(diff, nullptr, &worst);
        EXPECT_LE(worst, c.maxDiff);
    }
}

TEST(CamSim, NoiseIsOneLevelEitherWayAndBrightnessNeverAccumulates)
{
    ProgramDir dir;
    ASSERT_TRUE(writePicture(dir.file("scene.png"), cv::Mat(120, 160, CV_8UC1, cv::Scalar(40))));
    SimCamFile sim(dir, "daheng", {{"DH0000001", "M", 160, 120, false, 500, dir.file("scene.png")}});
    GXInitLib();
    GX_DEV_HANDLE h = nullptr;
    ASSERT_EQ(GXOpenDeviceByIndex(1, &h), 0);
    GXSendCommand(h, 0x70000BB9);
    ASSERT_EQ(GXSetFloat(h, 0x20000BC1, 60000.0), 0);  // twice the exposure
    std::vector<uint8_t> last;
    for (int i = 0; i < 4; ++i) {
        std::vector<uint8_t> buf(160 * 120);
        GxFrameData f{};
        f.imgBuf = buf.data();
        f.imgBufSize = int32_t(buf.size());
        ASSERT_EQ(GXGetImage(h, &f, 100), 0);
        ASSERT_EQ(f.status, 0);
        int count[3] = {};
        for (uint8_t v : buf) {
            ASSERT_GE(v, 79);
            ASSERT_LE(v, 81) << "frame " << i << ": the picture is scaled once, not again each frame";
            count[v - 79]++;
        }
        for (int c : count)
            EXPECT_NEAR(double(c) / double(buf.size()), 1.0 / 3, 0.05);
        EXPECT_NE(buf, last);
        last = buf;
    }
    GXCloseDevice(h);
}

// A stop joins a make 5 camera's capture thread: the time that thread waited for a CPU still
// counts when the stop's time is judged, though the thread is gone from /proc by then.
TEST(CamSim, ACaptureThreadAStopJoinedLeavesItsWaitForACpu)
{
    cpu_set_t mine;
    ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof mine, &mine), 0);
    if (CPU_COUNT(&mine) < 2)
        GTEST_SKIP() << "one CPU: the busy CPU would starve the test too";
    int busyCpu = -1;
    for (int c = 0; c < CPU_SETSIZE && busyCpu < 0; ++c)
        busyCpu = CPU_ISSET(c, &mine) ? c : -1;
    cpu_set_t busy, others = mine;
    CPU_ZERO(&busy);
    CPU_SET(busyCpu, &busy);
    CPU_CLR(busyCpu, &others);
    ProgramDir dir;
    SimCamFile sim(dir, "ids", {{"4102000001", "UI-SIM", 64, 48}});
    HIDS h = 1 | IS_USE_DEVICE_ID;
    ASSERT_EQ(is_InitCamera(&h, nullptr), 0);
    char* memory = nullptr;
    int memoryId = 0;
    ASSERT_EQ(is_AllocImageMem(h, 64, 48, 8, &memory, &memoryId), 0);
    ASSERT_EQ(is_SetImageMem(h, memory, memoryId), 0);
    const Starvation cpu;
    // The capture thread takes the CPU and the lowest priority of the thread that starts it.
    std::thread starter([&] {
        sched_param none{};
        pthread_setaffinity_np(pthread_self(), sizeof busy, &busy);
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &none);
        is_CaptureVideo(h, 0);
    });
    starter.join();
    // Then a process of its own keeps that CPU, and the test keeps off it.
    const pid_t spinner = fork();
    if (spinner == 0) {
        sched_setaffinity(0, sizeof busy, &busy);
        // Volatile: a loop that does nothing may be left out by the compiler.
        for (volatile unsigned spin = 0;; spin = spin + 1) {
        }
        _exit(0);
    }
    ASSERT_GT(spinner, 0);
    const bool moved = pthread_setaffinity_np(pthread_self(), sizeof others, &others) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(is_StopLiveVideo(h, IS_FORCE_VIDEO_STOP), 0);
    const qint64 waited = cpu.WaitedMs();
    kill(spinner, SIGKILL);
    waitpid(spinner, nullptr, 0);
    if (moved)
        pthread_setaffinity_np(pthread_self(), sizeof mine, &mine);
    is_FreeImageMem(h, memory, memoryId);
    is_ExitCamera(h);
    // It woke every few milliseconds for a CPU that another process held: most of the 400 ms.
    EXPECT_GE(waited, 100) << "the ended capture thread's wait for a CPU was lost";
}
