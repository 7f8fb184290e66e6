// The shared video copy on the GUI thread: one "send_timer" tick with 8 camera channels of
// 1280 x 1024 (stamp, I420 conversion, copy into the segment), and one tick of the screen channel
// (grab of a 1920 x 1080 window, fitted to 1724 x 982, converted, copied). The time of a tick is
// the GUI thread's stall. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "bench/qtbenchmain.h"

namespace {

struct Rig {
    QTemporaryDir dir;
    QString oldCwd = QDir::currentPath();
    WizardPara para;
    std::unique_ptr<CNT_Net> net;
    std::vector<std::vector<unsigned char>> frames;

    explicit Rig(int mode)
    {
        QDir::setCurrent(dir.path());
        qputenv("MOULDMON_SYSROOT", dir.path().toLocal8Bit());
        QDir(dir.path()).mkpath("tmp");
            para.cnt_net_enabled = 1;
        para.video_share = mode;
        std::strcpy(para.CntNet_UseName, "eth0");
        gpWPara = &para;
        net.reset(new CNT_Net);
        net->connected = true;
    }
    ~Rig()
    {
        net.reset();
        gpWPara = nullptr;
        QDir::setCurrent(oldCwd);
    }
};

void BM_Tick8Cameras(benchmark::State& state)
{
    Rig rig(2);
    for (int c = 0; c < 8; ++c) {
        rig.frames.emplace_back(size_t(1280) * 1024 * 4, uchar(40 * c));
        rig.net->CNT_AddUseMemory(c, 1280, 1024, rig.frames.back().data());
    }
    // Sending needs no client: the memory info is only queued.
    rig.net->whichSend[SEND_MEMORY_INFO] = true;
    rig.net->CNT_SendMemoryInfo();
    for (auto _ : state)
        rig.net->VideoTick();
    state.counters["channels"] = double(rig.net->videoChannels().size());
}
BENCHMARK(BM_Tick8Cameras)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScreenGrabTick(benchmark::State& state)
{
    gShowW = 1725;
    gShowH = 982;
    Rig rig(1);
    QLabel window("main window stand-in");
    window.resize(1920, 1080);
    window.setStyleSheet("QLabel{background:#1f3f8d;color:white;font-size:60px;}");
    window.show();
    QApplication::processEvents();
    rig.net->host.grabWindow = [&] { return window.grab().toImage(); };
    rig.net->CNT_FirstInit();
    rig.net->CNT_SendMemoryInfo();
    for (auto _ : state)
        rig.net->VideoTick();
}
BENCHMARK(BM_ScreenGrabTick)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks<QApplication>(argc, argv);
}
