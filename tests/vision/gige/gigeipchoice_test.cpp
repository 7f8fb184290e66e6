// Which cameras need a new address, which address they get, the discovery list and the interface
// table of the GVCP repair.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <memory>

#include "vision/gige/fakegigecamera.h"
#include "vision/gige/cgevdiscovery.h"
#include "vision/gige/cipconfig.h"
#include "vision/gige/gigetimings.h"

namespace {

uint32_t ip4(int a, int b, int c, int d)
{
    return (uint32_t(a) << 24) | (uint32_t(b) << 16) | (uint32_t(c) << 8) | uint32_t(d);
}

// Draws whose addresses end in the given octets (value % 245 + 10 per octet, first octet first).
std::function<int()> draws(std::vector<std::array<int, 4>> octets)
{
    auto values = std::make_shared<std::vector<int>>();
    for (const auto& o : octets) {
        for (int v : o)
            values->push_back(v - 10);
    }
    auto pos = std::make_shared<size_t>(0);
    return [values, pos] { return *pos < values->size() ? (*values)[(*pos)++] : 0; };
}

gvcp_discovery_ack_s ack(uint8_t macLast, uint32_t ip, const std::string& info = "F622")
{
    FakeGigeDevice d;
    d.mac[5] = macLast;
    d.ip = ip;
    d.mask = 0xFFFFFF00u;
    d.vendorInfo = info;
    const std::vector<uint8_t> raw = FakeGigeCamera::discoveryAck(d, 1);
    gvcp_discovery_ack_s a;
    std::memcpy(a.raw, raw.data(), 256);
    return a;
}

HostNetInterface iface(const char* name, uint32_t ip)
{
    HostNetInterface h{};
    std::snprintf(h.name, sizeof(h.name), "%s", name);
    for (int i = 0; i < 4; ++i)
        h.ip[i] = uint8_t(ip >> (24 - 8 * i));
    h.mask[0] = h.mask[1] = h.mask[2] = 255;
    return h;
}

}  // namespace

TEST(GigeIpChoice, WhichCamerasFitTheirInterface)
{
    const uint32_t host = ip4(10, 0, 0, 5), m24 = 0xFFFFFF00u;
    EXPECT_FALSE(CameraAddressFits(ip4(192, 168, 1, 64), m24, host, m24));
    EXPECT_TRUE(CameraAddressFits(ip4(10, 0, 0, 20), m24, host, m24));
    EXPECT_FALSE(CameraAddressFits(host, m24, host, m24)) << "the host's own address";
    EXPECT_FALSE(CameraAddressFits(ip4(10, 0, 0, 0), m24, host, m24)) << "network address";
    EXPECT_FALSE(CameraAddressFits(ip4(10, 0, 0, 255), m24, host, m24)) << "broadcast address";
    // A camera whose own mask leaves the host outside cannot answer it.
    EXPECT_FALSE(CameraAddressFits(ip4(10, 0, 0, 20), 0xFFFFFFFCu, host, m24));
    EXPECT_TRUE(CameraAddressFits(ip4(10, 0, 0, 20), 0xFFFF0000u, host, m24));
    EXPECT_TRUE(CameraAddressFits(ip4(10, 0, 7, 20), 0xFFFF0000u, host, 0xFFFF0000u));

    EXPECT_TRUE(UsableHostAddress(ip4(10, 0, 0, 1), m24));
    EXPECT_FALSE(UsableHostAddress(ip4(10, 0, 0, 127), 0xFFFFFF80u));
    EXPECT_FALSE(UsableHostAddress(ip4(10, 0, 0, 128), 0xFFFFFF80u));
    EXPECT_TRUE(UsableHostAddress(ip4(10, 0, 1, 0), 0xFFFF0000u));
    EXPECT_FALSE(UsableHostAddress(ip4(10, 0, 0, 5), 0xFFFFFFFFu));
    EXPECT_FALSE(UsableHostAddress(ip4(10, 0, 0, 5), 0xFFFFFFFEu));
}

TEST(GigeIpChoice, FreeAddressSkipsHostNetworkBroadcastAndKnownAddresses)
{
    std::vector<uint32_t> probed;
    auto answers = [&](uint32_t a) {
        probed.push_back(a);
        return a == ip4(10, 0, 0, 77);  // another host holds .77
    };
    const uint32_t host = ip4(10, 0, 0, 15), m24 = 0xFFFFFF00u;
    // .15 is the host (drawn again, no probe), .20 a listed camera (no probe), .77 answers, .78 free.
    const uint32_t n = ChooseFreeAddress(host, m24, {ip4(10, 0, 0, 20)},
                                         draws({{99, 99, 99, 15}, {1, 2, 3, 20}, {10, 10, 10, 77}, {10, 10, 10, 78}}), answers);
    EXPECT_EQ(n, ip4(10, 0, 0, 78));
    EXPECT_EQ(probed, (std::vector<uint32_t>{ip4(10, 0, 0, 77), ip4(10, 0, 0, 78)}));

    // 10.0.0.0/25: a draw of 128 is the network address, 127 the broadcast address.
    probed.clear();
    EXPECT_EQ(ChooseFreeAddress(ip4(10, 0, 0, 5), 0xFFFFFF80u, {}, draws({{10, 10, 10, 128}, {10, 10, 10, 127}, {10, 10, 10, 140}}),
                                answers),
              ip4(10, 0, 0, 12));
    EXPECT_EQ(probed.size(), 1u);

    // Five answered tries: nothing is chosen.
    probed.clear();
    EXPECT_EQ(ChooseFreeAddress(ip4(10, 0, 0, 5), m24, {}, draws({{0, 0, 0, 77}, {0, 0, 0, 77}, {0, 0, 0, 77}, {0, 0, 0, 77},
                                                                   {0, 0, 0, 77}, {0, 0, 0, 78}}),
                                answers),
              0u);
    EXPECT_EQ(probed.size(), 5u);

    // A /30 whose only other address is in use, and a /31 with none: no probe at all.
    probed.clear();
    EXPECT_EQ(ChooseFreeAddress(ip4(10, 0, 0, 5), 0xFFFFFFFCu, {ip4(10, 0, 0, 6)}, [] { return std::rand(); }, answers), 0u);
    EXPECT_EQ(ChooseFreeAddress(ip4(10, 0, 0, 5), 0xFFFFFFFEu, {}, [] { return std::rand(); }, answers), 0u);
    EXPECT_TRUE(probed.empty());
}

TEST(GigeIpChoice, RandomAddressesStayInTheSubnetRange)
{
    std::srand(7);
    for (uint32_t mask : {0xFFFFFF00u, 0xFFFF0000u, 0xFFFFFFF0u}) {
        for (int i = 0; i < 200; ++i) {
            const uint32_t host = ip4(10, 0, 0, 5);
            const uint32_t n = ChooseFreeAddress(host, mask, {}, [] { return std::rand(); }, [](uint32_t) { return false; });
            ASSERT_NE(n, 0u);
            ASSERT_NE(n, host);
            ASSERT_EQ(n & mask, host & mask);
            ASSERT_TRUE(UsableHostAddress(n, mask));
            // Every octet drawn is 10 to 254, so a /24 host part is too.
            if (mask == 0xFFFFFF00u) {
                ASSERT_GE(n & 0xFF, 10u);
                ASSERT_LE(n & 0xFF, 254u);
            }
        }
    }
}

TEST(GigeIpChoice, InterfaceTableKeepsUsableInterfacesUpToThirtyTwo)
{
    EXPECT_FALSE(UsableHostInterface(ip4(127, 0, 0, 1)));
    EXPECT_FALSE(UsableHostInterface(ip4(224, 0, 0, 1)));
    EXPECT_FALSE(UsableHostInterface(ip4(0, 1, 2, 3)));
    EXPECT_FALSE(UsableHostInterface(ip4(255, 1, 2, 3)));
    EXPECT_TRUE(UsableHostInterface(ip4(1, 0, 0, 1)));
    EXPECT_TRUE(UsableHostInterface(ip4(254, 0, 0, 1)));

    std::vector<HostNetInterface> all;
    all.push_back(iface("lo", ip4(127, 0, 0, 1)));
    for (int i = 0; i < 40; ++i) {
        all.push_back(iface(("eth" + std::to_string(i)).c_str(), ip4(10, 0, i, 5)));
        if (i == 3)
            all.push_back(iface("odd", ip4(0, 0, 0, 9)));
    }
    CIpConfig config;
    EXPECT_EQ(config.LoadInterfaces(all), 32);
    EXPECT_STREQ(config.hostInterface(0).name, "eth0");
    EXPECT_STREQ(config.hostInterface(4).name, "eth4");
    EXPECT_STREQ(config.hostInterface(31).name, "eth31");
    EXPECT_FALSE(config.IsDevIPValid(0)) << "no device listed";
    EXPECT_FALSE(config.AutoSetIpAddr(-1));
    EXPECT_FALSE(config.SetIpAddr(0, "10.0.0.9", "255.255.255.0", "0.0.0.0"));
    MV_GE_DEV_INF_ info;
    EXPECT_FALSE(config.GetDevInfo(0, &info));
}

TEST(GigeIpChoice, IpTextsParse)
{
    unsigned char b[4] = {9, 9, 9, 9};
    EXPECT_FALSE(GetIpFromString("192.168.1.256", b));
    EXPECT_FALSE(GetIpFromString("10.0.1", b));
    EXPECT_FALSE(GetIpFromString("-1.0.0.1", b));
    EXPECT_FALSE(GetIpFromString("", b));
    EXPECT_FALSE(GetIpFromString(nullptr, b));
    EXPECT_EQ(b[0], 9);
    ASSERT_TRUE(GetIpFromString("10.0.0.1", b));
    EXPECT_EQ(std::vector<int>(b, b + 4), (std::vector<int>{10, 0, 0, 1}));
}

TEST(GigeDiscoveryList, FilterDuplicatesCapacityAndAgeing)
{
    const GigeTimings old = gigeTimings();
    GigeTimings t = old;
    t.recvWaitMs = 10;
    setGigeTimings(t);
    {
        CGevDiscovery d("F622", ip4(127, 0, 0, 1), false);
        d.DeviceListAdd(ack(1, ip4(192, 168, 1, 64)), 1000);
        d.DeviceListAdd(ack(1, ip4(192, 168, 1, 64)), 1500);  // same MAC and IP: one record
        d.DeviceListAdd(ack(1, ip4(192, 168, 1, 65)), 1500);  // same MAC, other IP: a second one
        d.DeviceListAdd(ack(2, ip4(192, 168, 1, 66), "X999"), 1500);
        std::vector<gvcp_discovery_ack_s> out(CGevDiscovery::kMaxDevices);
        ASSERT_EQ(d.GetDiscoveryList(out.data()), 2);
        EXPECT_EQ(out[0].ipValue(), ip4(192, 168, 1, 64));
        EXPECT_EQ(out[1].ipValue(), ip4(192, 168, 1, 65));

        // Silent for 3000 ms stays, 3001 ms goes (the first was seen again at 1500).
        d.DeviceListChk(4500);
        EXPECT_EQ(d.GetDiscoveryList(out.data()), 2);
        d.DeviceListChk(4501);
        EXPECT_EQ(d.GetDiscoveryList(out.data()), 0);

        // An aged-out record keeps its place: the list fills up at 250 places.
        for (int i = 2; i < 300; ++i)
            d.DeviceListAdd(ack(uint8_t(i), ip4(10, 1, i / 256, i % 256)), 5000);
        EXPECT_EQ(d.GetDiscoveryList(out.data()), 248);

        // Without ageing a new DISCOVERY empties the list.
        d.SendDiscovery();
        EXPECT_EQ(d.GetDiscoveryList(out.data()), 0);
        d.DeviceListAdd(ack(9, ip4(10, 2, 0, 9)), 6000);
        EXPECT_EQ(d.GetDiscoveryList(out.data()), 1);
    }
    {
        // The clock's 32-bit wrap does not age a record early.
        CGevDiscovery d(nullptr, ip4(127, 0, 0, 1), false);
        d.DeviceListAdd(ack(1, ip4(192, 168, 1, 64), "X999"), 0xFFFFFF00u);
        d.DeviceListChk(0x00000100u);
        std::vector<gvcp_discovery_ack_s> out(CGevDiscovery::kMaxDevices);
        EXPECT_EQ(d.GetDiscoveryList(out.data()), 1);
    }
    setGigeTimings(old);
}

TEST(GigeDiscoveryList, AgeingThreadsDropSilentDevices)
{
    const GigeTimings old = gigeTimings();
    GigeTimings t = old;
    t.recvWaitMs = 10;
    t.ageingPeriodMs = 20;
    t.ageOutMs = 300;
    setGigeTimings(t);
    {
        CGevDiscovery d("F622", ip4(127, 0, 0, 1), true);
        d.DeviceListAdd(ack(1, ip4(192, 168, 1, 64)));
        std::vector<gvcp_discovery_ack_s> out(CGevDiscovery::kMaxDevices);
        EXPECT_EQ(d.GetDiscoveryList(out.data()), 1);
        int n = 1;
        for (int i = 0; i < 200 && n != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            n = d.GetDiscoveryList(out.data());
        }
        EXPECT_EQ(n, 0);
        EXPECT_GE(d.lastRequestId(), 1) << "the send thread sent DISCOVERY";
    }
    setGigeTimings(old);
}
