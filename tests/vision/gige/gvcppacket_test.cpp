// GVCP commands, acknowledgements and the ARP probe frame, byte for byte, with short and malformed
// packets.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <vector>

#include "vision/gige/fakegigecamera.h"
#include "vision/gige/cgevforceip.h"
#include "vision/gige/gvcppacket.h"

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t kMac[6] = {0x00, 0x1C, 0x22, 0x33, 0x44, 0x55};
const uint8_t kIp[4] = {10, 0, 0, 77};
const uint8_t kMask[4] = {255, 255, 255, 0};
const uint8_t kGw[4] = {10, 0, 0, 254};

Bytes zeros(size_t n)
{
    return Bytes(n, 0);
}

void put(Bytes& b, size_t at, const uint8_t* src, size_t n)
{
    std::memcpy(&b[at], src, n);
}

}  // namespace

TEST(GvcpPacket, CommandsAreLaidOutByteForByte)
{
    uint8_t buf[80];
    ASSERT_EQ(PackDiscovery(buf, 0x1234), 8);
    EXPECT_EQ(Bytes(buf, buf + 8), (Bytes{0x42, 0x11, 0x00, 0x02, 0x00, 0x00, 0x12, 0x34}));

    std::memset(buf, 0xEE, sizeof(buf));
    ASSERT_EQ(PackForceIp(buf, 0x11, 0x0102, kMac, kIp, kMask, kGw), 64);
    Bytes force = zeros(64);
    put(force, 0, Bytes{0x42, 0x11, 0x00, 0x04, 0x00, 0x38, 0x01, 0x02}.data(), 8);
    put(force, 10, kMac, 6);
    put(force, 28, kIp, 4);
    put(force, 44, kMask, 4);
    put(force, 60, kGw, 4);
    EXPECT_EQ(Bytes(buf, buf + 64), force);

    std::memset(buf, 0xEE, sizeof(buf));
    ASSERT_EQ(PackVendorForceIp(buf, 0x11, 0xABCD, kMac, kIp, kMask, kGw, 0, 1), 64);
    Bytes vendor = zeros(64);
    put(vendor, 0, Bytes{0x42, 0x11, 0xF0, 0x08, 0x00, 0x38, 0xAB, 0xCD}.data(), 8);
    put(vendor, 8, kMac, 6);
    put(vendor, 14, kIp, 4);
    put(vendor, 18, kMask, 4);
    put(vendor, 22, kGw, 4);
    vendor[26] = 0;
    vendor[27] = 1;
    EXPECT_EQ(Bytes(buf, buf + 64), vendor);

    std::memset(buf, 0xEE, sizeof(buf));
    ASSERT_EQ(PackEnterBootloader(buf, 0x10, 7, kMac), 48);
    Bytes boot = zeros(48);
    put(boot, 0, Bytes{0x42, 0x10, 0xF0, 0x0A, 0x00, 0x28, 0x00, 0x07}.data(), 8);
    put(boot, 8, kMac, 6);
    put(boot, 14, reinterpret_cast<const uint8_t*>("MindVision EnterBootloader"), 26);
    EXPECT_EQ(Bytes(buf, buf + 48), boot);

    std::memset(buf, 0xEE, sizeof(buf));
    ASSERT_EQ(PackEnterAgingTest(buf, 9), 72);
    Bytes aging = zeros(72);
    put(aging, 0, Bytes{0x42, 0x10, 0xF0, 0x0C, 0x00, 0x40, 0x00, 0x09}.data(), 8);
    put(aging, 8, reinterpret_cast<const uint8_t*>("MindVision factory mod is aging test"), 36);
    EXPECT_EQ(Bytes(buf, buf + 72), aging);
    EXPECT_EQ(buf[44], 0);
}

TEST(GvcpPacket, HeadersShareOneCounterStartingAfterTheLastId)
{
    uint8_t a[8], b[8], c[8];
    CGevForceIp::MakeGvcpHead(a, 0xF008, 56, true, true);
    const unsigned short first = CGevForceIp::lastRequestId();
    CGevForceIp::MakeGvcpHead(b, 0x0004, 56, true, false);
    CGevForceIp::MakeGvcpHead(c, 0xF00A, 40, false, true);
    EXPECT_EQ(Bytes(a, a + 6), (Bytes{0x42, 0x11, 0xF0, 0x08, 0x00, 0x38}));
    EXPECT_EQ(Bytes(b, b + 6), (Bytes{0x42, 0x10, 0x00, 0x04, 0x00, 0x38}));
    EXPECT_EQ(Bytes(c, c + 6), (Bytes{0x42, 0x01, 0xF0, 0x0A, 0x00, 0x28}));
    EXPECT_EQ((a[6] << 8) | a[7], first);
    EXPECT_EQ((b[6] << 8) | b[7], uint16_t(first + 1));
    EXPECT_EQ((c[6] << 8) | c[7], uint16_t(first + 2));
}

TEST(GvcpPacket, AnswersAreReadOnlyWhenWholeAndMatching)
{
    const uint8_t ack[8] = {0x80, 0x06, 0xF0, 0x09, 0x00, 0x00, 0x00, 0x2A};
    gvcp_ack_head_s h;
    EXPECT_FALSE(ParseGvcpAckHead(ack, 7, &h));
    EXPECT_FALSE(ParseGvcpAckHead(nullptr, 8, &h));
    ASSERT_TRUE(ParseGvcpAckHead(ack, 8, &h));
    EXPECT_EQ(h.status, 0x8006);
    EXPECT_EQ(h.answer, 0xF009);
    EXPECT_EQ(h.length, 0);
    EXPECT_EQ(h.reqId, 42);

    uint16_t status = 0;
    EXPECT_TRUE(IsGvcpAnswer(ack, 8, 0xF009, 42, &status));
    EXPECT_EQ(status, 0x8006);
    EXPECT_FALSE(IsGvcpAnswer(ack, 8, 0x0005, 42));
    EXPECT_FALSE(IsGvcpAnswer(ack, 8, 0xF009, 43));
    EXPECT_FALSE(IsGvcpAnswer(ack, 1, 0xF009, 42)) << "one byte is not an answer";

    gvcp_cmd_head_s c;
    EXPECT_FALSE(ParseGvcpCmdHead(ack, 7, &c));
    const uint8_t cmd[8] = {0x42, 0x11, 0x00, 0x02, 0x00, 0x00, 0xFF, 0xFE};
    ASSERT_TRUE(ParseGvcpCmdHead(cmd, 8, &c));
    EXPECT_EQ(c.key, 0x42);
    EXPECT_EQ(c.flags, 0x11);
    EXPECT_EQ(c.cmd, 2);
    EXPECT_EQ(c.reqId, 0xFFFE);
}

TEST(GvcpPacket, DiscoveryAcknowledgementFieldsAndMalformedOnes)
{
    FakeGigeDevice d;
    std::memcpy(d.mac, kMac, 6);
    d.ip = 0xC0A80140;       // 192.168.1.64
    d.mask = 0xFFFFFF00;
    d.gateway = 0xC0A80101;  // 192.168.1.1
    d.model = "MODEL-0123456789-0123456789-ABCDEF";  // longer than the 32-byte field
    d.serial = "SERIAL0123456789";                   // exactly 16, no NUL
    Bytes raw = FakeGigeCamera::discoveryAck(d, 0x0102);
    ASSERT_EQ(raw.size(), 256u);

    gvcp_discovery_ack_s ack;
    ASSERT_TRUE(ParseDiscoveryAck(raw.data(), 256, 0x0102, &ack));
    EXPECT_EQ(Bytes(ack.raw, ack.raw + 256), raw);
    EXPECT_EQ(Bytes(ack.mac(), ack.mac() + 6), Bytes(kMac, kMac + 6));
    EXPECT_EQ(Bytes(ack.ip(), ack.ip() + 4), (Bytes{192, 168, 1, 64}));
    EXPECT_EQ(Bytes(ack.mask(), ack.mask() + 4), (Bytes{255, 255, 255, 0}));
    EXPECT_EQ(Bytes(ack.gateway(), ack.gateway() + 4), (Bytes{192, 168, 1, 1}));
    EXPECT_EQ(ack.ipValue(), 0xC0A80140u);
    EXPECT_EQ(ack.maskValue(), 0xFFFFFF00u);
    EXPECT_EQ(ack.modelName(), "MODEL-0123456789-0123456789-ABCD");
    EXPECT_EQ(ack.serialNumber(), "SERIAL0123456789");
    EXPECT_EQ(ack.state(), 'I');
    EXPECT_EQ(ack.speed(), 'C');
    EXPECT_EQ(ack.deviceName(), "cam");
    EXPECT_TRUE(ManufacturerMatches(ack, "F622"));
    EXPECT_TRUE(ManufacturerMatches(ack, nullptr));
    EXPECT_FALSE(ManufacturerMatches(ack, "F6220"));

    // A name without its NUL ends with the vendor field.
    Bytes longName = raw;
    std::memset(&longName[188], 'n', 224 - 188);
    ASSERT_TRUE(ParseDiscoveryAck(longName.data(), 256, 0x0102, &ack));
    EXPECT_EQ(ack.deviceName(), std::string(36, 'n'));

    // Longer packets keep their first 256 bytes.
    Bytes longer = raw;
    longer.resize(300, 0xAA);
    ASSERT_TRUE(ParseDiscoveryAck(longer.data(), 300, 0x0102, &ack));
    EXPECT_EQ(Bytes(ack.raw, ack.raw + 256), raw);

    gvcp_discovery_ack_s untouched;
    EXPECT_FALSE(ParseDiscoveryAck(raw.data(), 255, 0x0102, &untouched));
    EXPECT_FALSE(ParseDiscoveryAck(raw.data(), 8, 0x0102, &untouched));
    EXPECT_FALSE(ParseDiscoveryAck(raw.data(), 0, 0x0102, &untouched));
    EXPECT_FALSE(ParseDiscoveryAck(raw.data(), 256, 0x0103, &untouched));
    Bytes wrongCode = raw;
    wrongCode[3] = 0x05;
    EXPECT_FALSE(ParseDiscoveryAck(wrongCode.data(), 256, 0x0102, &untouched));
    EXPECT_EQ(Bytes(untouched.raw, untouched.raw + 256), zeros(256));

    Bytes other = raw;
    std::memcpy(&other[176], "X999", 4);
    ASSERT_TRUE(ParseDiscoveryAck(other.data(), 256, 0x0102, &ack));
    EXPECT_FALSE(ManufacturerMatches(ack, "F622"));
}

TEST(GvcpPacket, ArpProbeFrameAndReplies)
{
    const uint8_t hostMac[6] = {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE};
    const uint32_t hostIp = htonl(0x0A000005);  // 10.0.0.5
    const uint32_t testIp = htonl(0x0A00004D);  // 10.0.0.77
    uint8_t f[64];
    std::memset(f, 0x77, sizeof(f));
    ASSERT_EQ(PackArpRequest(f, hostMac, hostIp, testIp), 60);
    Bytes expect = zeros(60);
    put(expect, 0, Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}.data(), 6);
    put(expect, 6, hostMac, 6);
    put(expect, 12, Bytes{0x08, 0x06, 0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x01}.data(), 10);
    put(expect, 22, hostMac, 6);
    put(expect, 28, Bytes{10, 0, 0, 5}.data(), 4);
    put(expect, 38, Bytes{10, 0, 0, 77}.data(), 4);
    EXPECT_EQ(Bytes(f, f + 60), expect);
    EXPECT_EQ(f[60], 0x77) << "nothing written past the frame";

    // The reply of the holder of 10.0.0.77.
    const uint8_t holder[6] = {0x02, 0x11, 0x11, 0x11, 0x11, 0x11};
    Bytes reply = zeros(42);
    put(reply, 0, hostMac, 6);
    put(reply, 6, holder, 6);
    put(reply, 12, Bytes{0x08, 0x06, 0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x02}.data(), 10);
    put(reply, 22, holder, 6);
    put(reply, 28, Bytes{10, 0, 0, 77}.data(), 4);
    put(reply, 32, hostMac, 6);
    put(reply, 38, Bytes{10, 0, 0, 5}.data(), 4);
    EXPECT_TRUE(IsArpReplyFrom(reply.data(), 42, hostMac, testIp));
    EXPECT_FALSE(IsArpReplyFrom(reply.data(), 41, hostMac, testIp)) << "short";
    EXPECT_FALSE(IsArpReplyFrom(reply.data(), 42, hostMac, htonl(0x0A00004E))) << "other sender";
    EXPECT_FALSE(IsArpReplyFrom(reply.data(), 42, holder, testIp)) << "addressed to another";
    Bytes request = reply;
    request[21] = 1;
    EXPECT_FALSE(IsArpReplyFrom(request.data(), 42, hostMac, testIp)) << "a request, not a reply";
    Bytes ipFrame = reply;
    ipFrame[13] = 0x00;
    EXPECT_FALSE(IsArpReplyFrom(ipFrame.data(), 42, hostMac, testIp)) << "not ARP";
}
