// The repair through the camera SDK: the ping search through the command runner, the subnet and
// gateway from the interface's real netmask, the force-IP call, and the run off the GUI thread.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "common/programdir.h"
#include "platform/camsdk/camsim.h"
#include "platform/camsdk/hikvisionsdk.h"
#include "platform/simcamfile.h"
#include "vision/gige/ensuredevicereach.h"

namespace {

uint32_t ip4(int a, int b, int c, int d)
{
    return (uint32_t(a) << 24) | (uint32_t(b) << 16) | (uint32_t(c) << 8) | uint32_t(d);
}

// Answers every ping with a reply line except for the addresses listed as free.
struct PingScript {
    RecordingRunner runner;
    QStringList freeAddresses;
    bool startFails = false;
    PingScript()
    {
        runner.answer = [this](const RecordedCommand& c) {
            CommandResult r;
            r.started = !startFails;
            r.exitCode = startFails ? -1 : 0;
            if (r.started && !freeAddresses.contains(c.args.value(0)))
                r.out = "64 bytes from " + c.args.value(0).toUtf8() + ": icmp_seq=1 ttl=64 time=0.3 ms\n";
            return r;
        };
    }
    QStringList pinged() const
    {
        QStringList l;
        for (const auto& c : runner.calls)
            l << c.args.value(0);
        return l;
    }
};

_ALL_NET_INFO netInfo(std::initializer_list<std::tuple<const char*, uint32_t, uint32_t>> entries)
{
    _ALL_NET_INFO info{};
    for (const auto& e : entries) {
        NET_INFO_ENTRY& n = info.entries[info.count++];
        std::snprintf(n.name, sizeof(n.name), "%s", std::get<0>(e));
        n.ip = std::get<1>(e);
        n.mask = std::get<2>(e);
    }
    return info;
}

class ScriptedSdk : public ReachSdk {
public:
    std::vector<ReachDevice> devices;
    std::vector<bool> accessible;
    int createResult = 0, forceResult = 0, destroyResult = 0;
    QStringList calls;

    int EnumGigeDevices(std::vector<ReachDevice>* out) override
    {
        calls << "enum";
        *out = devices;
        return 0;
    }
    bool IsDeviceAccessible(const ReachDevice& d) override
    {
        calls << QString("accessible %1").arg(d.index);
        return accessible.at(size_t(d.index));
    }
    int CreateHandle(const ReachDevice& d, void** handle) override
    {
        calls << QString("create %1").arg(d.index);
        *handle = createResult == 0 ? this : nullptr;
        return createResult;
    }
    int ForceIpEx(void*, uint32_t ip, uint32_t mask, uint32_t gateway) override
    {
        char a[16], m[16], g[16];
        calls << QString("force %1 %2 %3").arg(getStrIp(ip, a), getStrIp(mask, m), getStrIp(gateway, g));
        return forceResult;
    }
    int DestroyHandle(void*) override
    {
        calls << "destroy";
        return destroyResult;
    }
};

ReachDevice dev(int index, uint32_t ip, uint32_t mask, uint32_t host)
{
    ReachDevice d;
    d.index = index;
    d.currentIp = ip;
    d.currentMask = mask;
    d.hostIp = host;
    return d;
}

QStringList range(int base3, int from, int to)
{
    QStringList l;
    for (int k = from; from <= to ? k <= to : k >= to; k += from <= to ? 1 : -1)
        l << QString("10.0.%1.%2").arg(base3).arg(k);
    return l;
}

}  // namespace

TEST(EnsureDeviceReach, SearchOrderFromTheStartUpThenDown)
{
    PingScript ping;
    ping.freeAddresses = QStringList{"10.0.0.3"};
    unsigned int out = 0;
    ASSERT_TRUE(bChooseNoUseIp(ip4(10, 0, 0, 5), 0xFFFFFF00u, ip4(192, 168, 1, 200), {}, &out));
    EXPECT_EQ(out, ip4(10, 0, 0, 3));
    EXPECT_EQ(ping.pinged(), range(0, 200, 254) + range(0, 199, 3));
    EXPECT_EQ(ping.runner.calls.first().program, "ping");
    EXPECT_EQ(ping.runner.calls.first().args, (QStringList{"10.0.0.200", "-w", "1"}));

    // From 254 only downwards; from 1 only upwards; known addresses are not pinged.
    ping.runner.calls.clear();
    ping.freeAddresses.clear();
    EXPECT_FALSE(bChooseNoUseIp(ip4(10, 0, 0, 5), 0xFFFFFF00u, 254, {ip4(10, 0, 0, 5)}, &out));
    EXPECT_EQ(ping.pinged(), range(0, 254, 6) + range(0, 4, 1));
    ping.runner.calls.clear();
    EXPECT_FALSE(bChooseNoUseIp(ip4(10, 0, 0, 5), 0xFFFFFF00u, 1, {}, &out));
    EXPECT_EQ(ping.pinged(), range(0, 1, 254));

    // A start on the network or broadcast address begins at the nearest ordinary one.
    ping.runner.calls.clear();
    ping.freeAddresses = QStringList{"10.0.0.254"};
    ASSERT_TRUE(bChooseNoUseIp(ip4(10, 0, 0, 5), 0xFFFFFF00u, ip4(10, 9, 9, 255), {}, &out));
    EXPECT_EQ(ping.pinged(), QStringList{"10.0.0.254"});
    ping.runner.calls.clear();
    ping.freeAddresses = QStringList{"10.0.0.1"};
    ASSERT_TRUE(bChooseNoUseIp(ip4(10, 0, 0, 5), 0xFFFFFF00u, ip4(10, 9, 9, 0), {}, &out));
    EXPECT_EQ(ping.pinged(), QStringList{"10.0.0.1"});
}

TEST(EnsureDeviceReach, SearchStaysInsideTheRealSubnet)
{
    PingScript ping;
    unsigned int out = 0;
    // 10.0.0.64/26: 65 to 126; a start host part of 200 & 63 = 8 begins at .72.
    EXPECT_FALSE(bChooseNoUseIp(ip4(10, 0, 0, 70), 0xFFFFFFC0u, ip4(192, 168, 1, 200), {}, &out));
    EXPECT_EQ(ping.pinged(), range(0, 72, 126) + range(0, 71, 65));

    // A /16 is searched in the host's /24 block, never its .0 or .255.
    ping.runner.calls.clear();
    EXPECT_FALSE(bChooseNoUseIp(ip4(10, 0, 7, 1), 0xFFFF0000u, ip4(192, 168, 1, 250), {}, &out));
    EXPECT_EQ(ping.pinged(), range(7, 250, 254) + range(7, 249, 1));

    // No address to give in a /31 or /32.
    ping.runner.calls.clear();
    EXPECT_FALSE(bChooseNoUseIp(ip4(10, 0, 0, 4), 0xFFFFFFFEu, 5, {}, &out));
    EXPECT_FALSE(bChooseNoUseIp(ip4(10, 0, 0, 4), 0xFFFFFFFFu, 5, {}, &out));
    EXPECT_TRUE(ping.pinged().isEmpty());
}

TEST(EnsureDeviceReach, PingThatCannotRunIsNotAnAnswerAndStopEndsTheSearch)
{
    PingScript ping;
    ping.startFails = true;
    EXPECT_FALSE(IsFreeIp("10.0.0.9"));
    unsigned int out = 0;
    EXPECT_FALSE(bChooseNoUseIp(ip4(10, 0, 0, 5), 0xFFFFFF00u, 9, {}, &out));

    ping.startFails = false;
    ping.runner.calls.clear();
    std::atomic<bool> stop{true};
    EXPECT_FALSE(bChooseNoUseIp(ip4(10, 0, 0, 5), 0xFFFFFF00u, 9, {}, &out, &stop));
    EXPECT_TRUE(ping.runner.calls.isEmpty());

    char text[16];
    EXPECT_STREQ(getStrIp(ip4(192, 168, 1, 64), text), "192.168.1.64");
    EXPECT_EQ(getStrIp(1, nullptr), nullptr);
    EXPECT_EQ(getIntIp("10.0.0.1"), htonl(ip4(10, 0, 0, 1)));
}

TEST(EnsureDeviceReach, ReachableDevicesCountAndForeignOnesAreMoved)
{
    PingScript ping;
    ping.freeAddresses = QStringList{"10.0.0.66", "10.1.7.11"};
    ScriptedSdk sdk;
    const uint32_t host = ip4(10, 0, 0, 5), m24 = 0xFFFFFF00u;
    sdk.devices = {dev(0, ip4(10, 0, 0, 20), m24, host),       // in the subnet, accessible
                   dev(1, ip4(10, 0, 0, 21), m24, host),       // in the subnet, held elsewhere
                   dev(2, ip4(192, 168, 1, 64), m24, host),    // foreign: .64 answers, .65 is a device, .66 free
                   dev(3, ip4(10, 0, 0, 65), m24, host),
                   dev(4, ip4(172, 16, 9, 9), m24, ip4(10, 1, 7, 1))};  // behind a /16 interface
    sdk.accessible = {true, false, false, true, false};
    const _ALL_NET_INFO info = netInfo({{"eth0", host, m24}, {"eth1", ip4(10, 1, 7, 1), 0xFFFF0000u}});
    EXPECT_EQ(EnsureDeviceReach(info, sdk), 1);
    EXPECT_EQ(sdk.calls, (QStringList{"enum", "accessible 0", "accessible 1", "create 2",
                                      "force 10.0.0.66 255.255.255.0 10.0.0.254", "destroy", "accessible 3", "create 4",
                                      "force 10.1.7.11 255.255.0.0 10.1.255.254", "destroy"}));
    EXPECT_EQ(ping.pinged().mid(0, 2), (QStringList{"10.0.0.64", "10.0.0.66"}));
    EXPECT_FALSE(ping.pinged().contains("10.0.0.65")) << "a device's address is not pinged";
}

TEST(EnsureDeviceReach, UnknownInterfaceUsesTheDeviceMaskAndFailuresCount)
{
    PingScript ping;
    ping.freeAddresses = QStringList{"10.0.0.9"};
    ScriptedSdk sdk;
    sdk.devices = {dev(0, ip4(192, 168, 1, 9), 0xFFFFFF00u, ip4(10, 0, 0, 5))};
    sdk.accessible = {false};
    const _ALL_NET_INFO none = netInfo({});

    sdk.createResult = int(0x80000004);
    EXPECT_EQ(EnsureDeviceReach(none, sdk), 1);
    EXPECT_EQ(sdk.calls, (QStringList{"enum", "create 0"})) << "no handle, nothing to destroy";

    sdk.calls.clear();
    sdk.createResult = 0;
    sdk.forceResult = int(0x80000001);
    EXPECT_EQ(EnsureDeviceReach(none, sdk), 1);
    EXPECT_EQ(sdk.calls, (QStringList{"enum", "create 0", "force 10.0.0.9 255.255.255.0 10.0.0.254", "destroy"}));

    sdk.calls.clear();
    sdk.forceResult = 0;
    sdk.destroyResult = int(0x80000000);
    EXPECT_EQ(EnsureDeviceReach(none, sdk), 1);

    // Every address answers: nothing is forced.
    sdk.calls.clear();
    ping.freeAddresses.clear();
    EXPECT_EQ(EnsureDeviceReach(none, sdk), 1);
    EXPECT_EQ(sdk.calls, QStringList{"enum"});

    _ALL_NET_INFO info = netInfo({{"a", 1, 2}, {"b", 7, 8}, {"c", 1, 3}});
    unsigned int mask = 0;
    EXPECT_TRUE(GetMaskFromIp(1, &mask, &info));
    EXPECT_EQ(mask, 3u) << "the last entry counts";
    EXPECT_FALSE(GetMaskFromIp(9, &mask, &info));
    EXPECT_FALSE(GetMaskFromIp(1, &mask, nullptr));
    EXPECT_EQ(GetNetInfo(nullptr), -1);
}

TEST(EnsureDeviceReach, RunsOffTheGuiThreadAgainstTheCameraSimulator)
{
    ProgramDir dir;
    SimDevice d{"HK0000031"};
    d.ip = "192.168.1.64";
    d.mask = "255.255.255.0";
    d.hostIp = "10.0.0.5";
    SimCamFile sim(dir, "hikvision", {d});
    camsim::CamSim::instance().clearCalls();
    PingScript ping;
    ping.freeAddresses = QStringList{"10.0.0.70"};
    // Each ping notes the thread it runs on; the first one waits (at most 5 s) until the GUI thread
    // has handled an event posted to it, which it only can while the search runs elsewhere.
    std::atomic<bool> onGuiThread{false};
    std::atomic<bool> guiServed{false};
    auto scripted = ping.runner.answer;
    ping.runner.answer = [&](const RecordedCommand& c) {
        if (QThread::currentThread() == qApp->thread())
            onGuiThread = true;
        for (int i = 0; i < 500 && !guiServed; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return scripted(c);
    };
    SetReachSdk(nullptr);

    QTimer::singleShot(0, [&] { guiServed = true; });
    ASSERT_TRUE(StartEnsureDeviceReach());
    EXPECT_EQ(WaitEnsureDeviceReach(10000), 0);
    EXPECT_FALSE(EnsureDeviceReachRunning());
    EXPECT_EQ(ping.pinged(), range(0, 64, 70));
    EXPECT_FALSE(onGuiThread);
    EXPECT_TRUE(guiServed);

    uint32_t mask = 0, gateway = 0;
    EXPECT_EQ(camsim::CamSim::instance().address(0, &mask, &gateway), ip4(10, 0, 0, 70));
    EXPECT_EQ(mask, 0xFFFFFF00u);
    EXPECT_EQ(gateway, ip4(10, 0, 0, 254));
    EXPECT_TRUE(camsim::CamSim::instance().calls().join('\n').contains("MV_GIGE_ForceIpEx 10.0.0.70 255.255.255.0 10.0.0.254"));

    // Reachable now: a second run moves nothing.
    ping.runner.calls.clear();
    ASSERT_TRUE(StartEnsureDeviceReach());
    EXPECT_EQ(WaitEnsureDeviceReach(10000), 0);
    EXPECT_TRUE(ping.runner.calls.isEmpty());
}

TEST(EnsureDeviceReach, OnlyOneRunAtATimeAndStopEndsIt)
{
    PingScript ping;
    std::atomic<int> pings{0};
    ping.runner.answer = [&](const RecordedCommand&) {
        ++pings;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        CommandResult r;
        r.started = true;
        r.exitCode = 0;
        r.out = "ttl=64";
        return r;
    };
    ScriptedSdk sdk;
    sdk.devices = {dev(0, ip4(192, 168, 1, 9), 0xFFFFFF00u, ip4(10, 0, 0, 5))};
    sdk.accessible = {false};
    SetReachSdk(&sdk);
    ASSERT_TRUE(StartEnsureDeviceReach());
    EXPECT_FALSE(StartEnsureDeviceReach()) << "a second run does not start while one goes";
    EXPECT_EQ(WaitEnsureDeviceReach(0), -2);
    StopEnsureDeviceReach();
    EXPECT_FALSE(EnsureDeviceReachRunning());
    EXPECT_LT(pings.load(), 254);
    SetReachSdk(nullptr);
}
