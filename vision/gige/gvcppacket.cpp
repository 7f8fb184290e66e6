#include "vision/gige/gvcppacket.h"

#include <cstring>

namespace {

void put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

uint16_t get16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

uint32_t get32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

std::string textField(const uint8_t* p, int size)
{
    const void* nul = std::memchr(p, 0, size_t(size));
    const int len = nul ? int(static_cast<const uint8_t*>(nul) - p) : size;
    return std::string(reinterpret_cast<const char*>(p), size_t(len));
}

void copy4(uint8_t* dst, const uint8_t* src)
{
    if (src)
        std::memcpy(dst, src, 4);
}

}  // namespace

uint32_t gvcp_discovery_ack_s::ipValue() const
{
    return get32(ip());
}

uint32_t gvcp_discovery_ack_s::maskValue() const
{
    return get32(mask());
}

std::string gvcp_discovery_ack_s::modelName() const
{
    return textField(raw + 112, 32);
}

std::string gvcp_discovery_ack_s::serialNumber() const
{
    return textField(raw + 224, 16);
}

std::string gvcp_discovery_ack_s::deviceName() const
{
    return textField(raw + 188, 224 - 188);
}

bool gvcp_discovery_ack_s::sameDevice(const gvcp_discovery_ack_s& o) const
{
    return std::memcmp(mac(), o.mac(), 6) == 0 && std::memcmp(ip(), o.ip(), 4) == 0;
}

void PackGvcpHead(uint8_t* buf, const gvcp_cmd_head_s& head)
{
    buf[0] = head.key;
    buf[1] = head.flags;
    put16(buf + 2, head.cmd);
    put16(buf + 4, head.length);
    put16(buf + 6, head.reqId);
}

int PackDiscovery(uint8_t* buf, uint16_t reqId)
{
    PackGvcpHead(buf, {gvcp::kKey, gvcp::kFlagAckRequired | gvcp::kFlagBroadcastAck, gvcp::DISCOVERY_CMD, 0, reqId});
    return gvcp::kDiscoverySize;
}

int PackForceIp(uint8_t* buf, uint8_t flags, uint16_t reqId, const uint8_t* mac, const uint8_t* ip,
                const uint8_t* mask, const uint8_t* gateway)
{
    std::memset(buf, 0, gvcp::kForceIpSize);
    PackGvcpHead(buf, {gvcp::kKey, flags, gvcp::FORCEIP_CMD, gvcp::kForceIpSize - 8, reqId});
    if (mac)
        std::memcpy(buf + 10, mac, 6);
    copy4(buf + 28, ip);
    copy4(buf + 44, mask);
    copy4(buf + 60, gateway);
    return gvcp::kForceIpSize;
}

int PackVendorForceIp(uint8_t* buf, uint8_t flags, uint16_t reqId, const uint8_t* mac, const uint8_t* ip,
                      const uint8_t* mask, const uint8_t* gateway, uint8_t optionA, uint8_t optionB)
{
    std::memset(buf, 0, gvcp::kVendorForceIpSize);
    PackGvcpHead(buf, {gvcp::kKey, flags, gvcp::VENDOR_FORCEIP_CMD, gvcp::kVendorForceIpSize - 8, reqId});
    if (mac)
        std::memcpy(buf + 8, mac, 6);
    copy4(buf + 14, ip);
    copy4(buf + 18, mask);
    copy4(buf + 22, gateway);
    buf[26] = optionA;
    buf[27] = optionB;
    return gvcp::kVendorForceIpSize;
}

int PackEnterBootloader(uint8_t* buf, uint8_t flags, uint16_t reqId, const uint8_t* mac)
{
    static const char kText[] = "MindVision EnterBootloader";  // 26 characters, no NUL sent
    std::memset(buf, 0, gvcp::kBootloaderSize);
    PackGvcpHead(buf, {gvcp::kKey, flags, gvcp::VENDOR_BOOTLOADER_CMD, gvcp::kBootloaderSize - 8, reqId});
    if (mac)
        std::memcpy(buf + 8, mac, 6);
    std::memcpy(buf + 14, kText, 26);
    return gvcp::kBootloaderSize;
}

int PackEnterAgingTest(uint8_t* buf, uint16_t reqId)
{
    static const char kText[] = "MindVision factory mod is aging test";  // 36 characters and a NUL
    std::memset(buf, 0, gvcp::kAgingSize);
    PackGvcpHead(buf, {gvcp::kKey, gvcp::kFlagBroadcastAck, gvcp::VENDOR_AGING_CMD, gvcp::kAgingSize - 8, reqId});
    std::memcpy(buf + 8, kText, 37);
    return gvcp::kAgingSize;
}

bool ParseGvcpCmdHead(const uint8_t* p, int n, gvcp_cmd_head_s* out)
{
    if (!p || n < gvcp::kHeadSize)
        return false;
    out->key = p[0];
    out->flags = p[1];
    out->cmd = get16(p + 2);
    out->length = get16(p + 4);
    out->reqId = get16(p + 6);
    return true;
}

bool ParseGvcpAckHead(const uint8_t* p, int n, gvcp_ack_head_s* out)
{
    if (!p || n < gvcp::kHeadSize)
        return false;
    out->status = get16(p);
    out->answer = get16(p + 2);
    out->length = get16(p + 4);
    out->reqId = get16(p + 6);
    return true;
}

bool IsGvcpAnswer(const uint8_t* p, int n, uint16_t answer, uint16_t reqId, uint16_t* status)
{
    gvcp_ack_head_s h;
    if (!ParseGvcpAckHead(p, n, &h) || h.answer != answer || h.reqId != reqId)
        return false;
    if (status)
        *status = h.status;
    return true;
}

bool ParseDiscoveryAck(const uint8_t* p, int n, uint16_t reqId, gvcp_discovery_ack_s* out)
{
    if (n < gvcp::kDiscoveryAckSize || !IsGvcpAnswer(p, n, gvcp::DISCOVERY_ACK, reqId))
        return false;
    std::memcpy(out->raw, p, gvcp::kDiscoveryAckSize);
    return true;
}

bool ManufacturerMatches(const gvcp_discovery_ack_s& ack, const char* filter)
{
    if (!filter)
        return true;
    const size_t len = std::strlen(filter);
    return len <= 48 && std::memcmp(ack.manufacturerInfo(), filter, len) == 0;
}

int PackArpRequest(uint8_t* f, const uint8_t* hostMac, uint32_t hostIpNet, uint32_t testIpNet)
{
    std::memset(f, 0, kArpFrameSize);
    std::memset(f, 0xFF, 6);
    std::memcpy(f + 6, hostMac, 6);
    put16(f + 12, 0x0806);
    put16(f + 14, 1);       // Ethernet
    put16(f + 16, 0x0800);  // IPv4
    f[18] = 6;
    f[19] = 4;
    put16(f + 20, 1);  // request
    std::memcpy(f + 22, hostMac, 6);
    std::memcpy(f + 28, &hostIpNet, 4);
    std::memcpy(f + 38, &testIpNet, 4);
    return kArpFrameSize;
}

bool IsArpReplyFrom(const uint8_t* f, int n, const uint8_t* hostMac, uint32_t testIpNet)
{
    // Ethernet header and the 28-byte ARP body.
    if (!f || n < 42)
        return false;
    return get16(f + 12) == 0x0806 && get16(f + 20) == 2 && std::memcmp(f + 32, hostMac, 6) == 0 &&
           std::memcmp(f + 28, &testIpNet, 4) == 0;
}
