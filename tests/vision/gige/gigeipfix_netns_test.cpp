// The GVCP repair over a real link: the repair runs in one test namespace, a fake camera in another,
// joined by veth pairs. Nothing leaves the two namespaces; both vanish with the test.
#include <gtest/gtest.h>

#include <net/if.h>

#include <cstring>

#include "vision/gige/fakegigecamera.h"
#include "vision/gige/netnslab.h"
#include "vision/gige/cipconfig.h"
#include "vision/gige/gigetimings.h"
#include "vision/gige/gvcppacket.h"

namespace {

class ScopedTimings {
public:
    ScopedTimings()
    {
        old_ = gigeTimings();
        GigeTimings t;
        t.recvWaitMs = 20;
        t.pollSleepMs = 1;
        t.pollsPerSend = 10;
        t.discoveryWaitMs = 400;
        t.arpWaitMs = 400;
        setGigeTimings(t);
    }
    ~ScopedTimings() { setGigeTimings(old_); }

private:
    GigeTimings old_;
};

uint32_t ip4(int a, int b, int c, int d)
{
    return (uint32_t(a) << 24) | (uint32_t(b) << 16) | (uint32_t(c) << 8) | uint32_t(d);
}

FakeGigeDevice device(uint8_t last, uint32_t ip, uint32_t mask, const std::string& info = "F622")
{
    FakeGigeDevice d;
    const uint8_t mac[6] = {0x00, 0x1C, 0x22, 0x33, 0x44, last};
    std::memcpy(d.mac, mac, 6);
    d.ip = ip;
    d.mask = mask;
    d.vendorInfo = info;
    d.serial = "SN" + std::to_string(last);
    return d;
}

// Scripted draws: each address is four values whose last octet (value % 245 + 10) is given.
std::function<int()> draws(std::vector<int> lastOctets)
{
    auto values = std::make_shared<std::vector<int>>();
    for (int o : lastOctets) {
        values->insert(values->end(), {0, 0, 0, o - 10});
    }
    auto pos = std::make_shared<size_t>(0);
    return [values, pos] { return *pos < values->size() ? (*values)[(*pos)++] : 0; };
}

#define REQUIRE_LAB(lab, hostAddr, camAddr)                 \
    VethLab lab;                                            \
    if (!lab.setUp(hostAddr, camAddr)) {                    \
        if (!lab.host.ok())                                 \
            GTEST_SKIP() << lab.error;                      \
        FAIL() << lab.error;                                \
    }

}  // namespace

TEST(GigeIpFixNetns, RepairsForeignCamerasOnEveryInterfaceAndLeavesTheOthers)
{
    ScopedTimings timings;
    REQUIRE_LAB(lab, "10.0.0.5/24", "192.168.1.2/24");
    ASSERT_TRUE(lab.addLink("gvh1", "gvc1", "172.16.5.1/16", "192.168.2.2/24")) << lab.error;

    const uint32_t m24 = 0xFFFFFF00u;
    FakeGigeCamera camA(lab.cam.fd(), lab.camIf,
                        {device(1, ip4(192, 168, 1, 64), m24),           // foreign subnet: repaired
                         device(2, ip4(10, 0, 0, 20), m24),              // already right: left alone
                         device(3, ip4(192, 168, 1, 65), m24, "X999"),   // another maker: left alone
                         device(4, ip4(10, 0, 0, 5), m24)});             // the host's own address
    FakeGigeCamera camB(lab.cam.fd(), "gvc1", {device(5, ip4(192, 168, 2, 64), m24)});
    camA.sendMalformedFirst(true);
    camA.dropForceCommands(1);
    ASSERT_TRUE(camA.start());
    ASSERT_TRUE(camB.start());

    // Discovery lists the "F622" devices of both links once each; the short, wrongly numbered and
    // wrongly coded answers and the other maker's device are not listed.
    int listed = -1, interfaces = -1;
    std::vector<std::string> serials;
    MV_GE_DEV_INF_ first{};
    bool firstOk = false;
    lab.host.run([&] {
        CIpConfig config;
        if (!config.Init())
            return;
        interfaces = config.interfaceCount();
        listed = config.RefreshDevList();
        for (int i = 0; i < listed; ++i) {
            MV_GE_DEV_INF_ info{};
            config.GetDevInfo(i, &info);
            serials.push_back(info.serial);
            if (i == 0) {
                first = info;
                firstOk = true;
            }
        }
    });
    EXPECT_EQ(interfaces, 2);
    EXPECT_EQ(listed, 4);
    EXPECT_EQ(serials, (std::vector<std::string>{"SN1", "SN2", "SN4", "SN5"}));
    ASSERT_TRUE(firstOk);
    EXPECT_STREQ(first.ip, "192.168.1.64");
    EXPECT_STREQ(first.mask, "255.255.255.0");
    EXPECT_STREQ(first.gateway, "0.0.0.0");
    EXPECT_STREQ(first.mac, "00-1C-22-33-44-01");
    EXPECT_STREQ(first.name, "cam");
    EXPECT_STREQ(first.model, "MV-GE-SIM");
    EXPECT_STREQ(first.speed, "1000M");
    EXPECT_STREQ(first.state, "IDLE");

    int repaired = -99;
    lab.host.run([&] { repaired = RepairAllCameraIP(); });
    EXPECT_EQ(repaired, 3);
    EXPECT_GE(camA.discoveries(), 1);
    EXPECT_GE(camB.discoveries(), 1);

    const std::vector<FakeGigeDevice> a = camA.devices();
    ASSERT_EQ(a.size(), 4u);
    for (int k : {0, 3}) {
        SCOPED_TRACE(k);
        const FakeGigeDevice& d = a[size_t(k)];
        EXPECT_EQ(d.ip & m24, ip4(10, 0, 0, 0));
        EXPECT_GE(d.ip & 0xFF, 10u);
        EXPECT_LE(d.ip & 0xFF, 254u);
        EXPECT_NE(d.ip, ip4(10, 0, 0, 5));
        EXPECT_NE(d.ip, ip4(10, 0, 0, 20));
        EXPECT_EQ(d.mask, m24);
        EXPECT_EQ(d.gateway, 0u);
        ASSERT_FALSE(d.forceCommands.empty());
        const std::vector<uint8_t>& cmd = d.forceCommands.back();
        ASSERT_EQ(cmd.size(), 64u);
        EXPECT_EQ(cmd[0], 0x42);
        EXPECT_EQ(cmd[1], 0x11);
        EXPECT_EQ(cmd[2], 0xF0);
        EXPECT_EQ(cmd[3], 0x08);
        EXPECT_EQ(cmd[4], 0x00);
        EXPECT_EQ(cmd[5], 56);
        EXPECT_EQ(0, std::memcmp(&cmd[8], d.mac, 6));
        EXPECT_EQ(cmd[26], 0);
        EXPECT_EQ(cmd[27], 1);
        for (int i = 28; i < 64; ++i)
            EXPECT_EQ(cmd[size_t(i)], 0) << i;
    }
    EXPECT_NE(a[0].ip, a[3].ip);
    // The unanswered first command was sent again with the same request id.
    ASSERT_EQ(a[0].forceCommands.size(), 2u);
    EXPECT_EQ(a[0].forceCommands[0], a[0].forceCommands[1]);
    EXPECT_EQ(a[1].ip, ip4(10, 0, 0, 20));
    EXPECT_TRUE(a[1].forceCommands.empty());
    EXPECT_EQ(a[2].ip, ip4(192, 168, 1, 65));
    EXPECT_TRUE(a[2].forceCommands.empty());

    // The /16 interface gives an address of its own subnet with its own mask.
    const FakeGigeDevice b = camB.devices().at(0);
    EXPECT_EQ(b.ip & 0xFFFF0000u, ip4(172, 16, 0, 0));
    EXPECT_GE((b.ip >> 8) & 0xFF, 10u);
    EXPECT_GE(b.ip & 0xFF, 10u);
    EXPECT_EQ(b.mask, 0xFFFF0000u);

    // A second pass finds nothing to repair.
    lab.host.run([&] { repaired = RepairAllCameraIP(); });
    EXPECT_EQ(repaired, 0);
}

TEST(GigeIpFixNetns, SkipsAddressesInUseAndAnsweringArp)
{
    ScopedTimings timings;
    REQUIRE_LAB(lab, "10.0.0.5/24", "192.168.1.2/24");
    // Another host on the link holds 10.0.0.77: its kernel answers the ARP probe.
    ASSERT_TRUE(lab.cam.command({"ip", "addr", "add", "10.0.0.77/24", "dev", lab.camIf}));
    const uint32_t m24 = 0xFFFFFF00u;
    FakeGigeCamera cam(lab.cam.fd(), lab.camIf, {device(1, ip4(192, 168, 1, 64), m24), device(2, ip4(10, 0, 0, 20), m24)});
    ASSERT_TRUE(cam.start());

    int repaired = -99;
    // .20 is a listed camera (no probe), .77 answers ARP, .78 is free.
    lab.host.run([&] { repaired = RepairAllCameraIP(draws({20, 77, 78})); });
    EXPECT_EQ(repaired, 1);
    EXPECT_EQ(cam.devices().at(0).ip, ip4(10, 0, 0, 78));
}

TEST(GigeIpFixNetns, NothingIsForcedWhenNoAddressIsFree)
{
    ScopedTimings timings;
    // 10.0.0.4/30: .4 network, .7 broadcast, .5 the host, .6 held by another host.
    REQUIRE_LAB(lab, "10.0.0.5/30", "10.0.0.6/30");
    FakeGigeCamera cam(lab.cam.fd(), lab.camIf, {device(1, ip4(192, 168, 1, 64), 0xFFFFFF00u)});
    ASSERT_TRUE(cam.start());

    int repaired = -99;
    lab.host.run([&] { repaired = RepairAllCameraIP(); });
    EXPECT_EQ(repaired, 0);
    EXPECT_TRUE(cam.devices().at(0).forceCommands.empty());
    EXPECT_EQ(cam.devices().at(0).ip, ip4(192, 168, 1, 64));
}

TEST(GigeIpFixNetns, RefusedOrUnansweredCommandsAreNotCounted)
{
    ScopedTimings timings;
    REQUIRE_LAB(lab, "10.0.0.5/24", "192.168.1.2/24");
    const uint32_t m24 = 0xFFFFFF00u;
    FakeGigeDevice refusing = device(1, ip4(192, 168, 1, 64), m24);
    refusing.forceStatus = 0x8006;
    FakeGigeDevice silent = device(2, ip4(192, 168, 1, 65), m24);
    silent.silent = true;
    FakeGigeCamera cam(lab.cam.fd(), lab.camIf, {refusing, silent, device(3, ip4(192, 168, 1, 66), m24)});
    ASSERT_TRUE(cam.start());

    int repaired = -99;
    lab.host.run([&] { repaired = RepairAllCameraIP(); });
    EXPECT_EQ(repaired, 1);
    const std::vector<FakeGigeDevice> d = cam.devices();
    EXPECT_EQ(d[0].forceCommands.size(), 1u) << "a refusal ends the exchange";
    EXPECT_EQ(d[0].ip, ip4(192, 168, 1, 64));
    EXPECT_EQ(d[1].forceCommands.size(), 4u) << "four sends, then given up";
    EXPECT_EQ(d[2].ip & m24, ip4(10, 0, 0, 0));
}

TEST(GigeIpFixNetns, NoUsableInterfaceGivesMinusOne)
{
    TestNetns ns;
    if (!ns.ok())
        GTEST_SKIP() << "no network namespace (needs root)";
    ASSERT_TRUE(ns.command({"ip", "link", "set", "lo", "up"}));
    int repaired = -99;
    ns.run([&] { repaired = RepairAllCameraIP(); });
    EXPECT_EQ(repaired, -1);
}

TEST(GigeIpFixNetns, LinksExistOnlyInTheLab)
{
    {
        VethLab lab;
        if (!lab.setUp("10.0.0.5/24", "192.168.1.2/24"))
            GTEST_SKIP() << lab.error;
        unsigned index = 0;
        lab.host.run([&] { index = if_nametoindex("gvh0"); });
        EXPECT_NE(index, 0u);
        // Made inside the test's namespaces, never in the one the test runs in.
        EXPECT_EQ(if_nametoindex("gvh0"), 0u);
    }
}
