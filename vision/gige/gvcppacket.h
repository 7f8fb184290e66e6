#pragma once
// GVCP packet layout (GigE Vision control protocol, UDP 3956) and the ARP probe frame.
// All multi-byte fields are big-endian; addresses are copied as the caller holds them
// (network order). Parsers read nothing beyond the length they are given.
#include <cstdint>
#include <string>

namespace gvcp {
constexpr uint16_t kPort = 3956;
constexpr uint8_t kKey = 0x42;
constexpr uint8_t kFlagAckRequired = 0x01;
constexpr uint8_t kFlagBroadcastAck = 0x10;
constexpr int kHeadSize = 8;
constexpr int kDiscoveryAckSize = 256;

enum : uint16_t {
    DISCOVERY_CMD = 0x0002,
    DISCOVERY_ACK = 0x0003,
    FORCEIP_CMD = 0x0004,
    FORCEIP_ACK = 0x0005,
    VENDOR_FORCEIP_CMD = 0xF008,
    VENDOR_FORCEIP_ACK = 0xF009,
    VENDOR_BOOTLOADER_CMD = 0xF00A,
    VENDOR_BOOTLOADER_ACK = 0xF00B,
    VENDOR_AGING_CMD = 0xF00C,
};

// Whole packet sizes of the commands.
constexpr int kDiscoverySize = 8;
constexpr int kForceIpSize = 64;
constexpr int kVendorForceIpSize = 64;
constexpr int kBootloaderSize = 48;
constexpr int kAgingSize = 72;
}  // namespace gvcp

// Command header, 8 bytes on the wire.
struct gvcp_cmd_head_s {
    uint8_t key = gvcp::kKey;
    uint8_t flags = 0;
    uint16_t cmd = 0;
    uint16_t length = 0;
    uint16_t reqId = 0;
};

// Acknowledgement header, 8 bytes on the wire.
struct gvcp_ack_head_s {
    uint16_t status = 0;
    uint16_t answer = 0;
    uint16_t length = 0;
    uint16_t reqId = 0;
};

// One discovery acknowledgement as received (header and payload, 256 bytes).
struct gvcp_discovery_ack_s {
    uint8_t raw[gvcp::kDiscoveryAckSize] = {};

    const uint8_t* mac() const { return raw + 18; }
    const uint8_t* ip() const { return raw + 44; }
    const uint8_t* mask() const { return raw + 60; }
    const uint8_t* gateway() const { return raw + 76; }
    const uint8_t* manufacturerInfo() const { return raw + 176; }  // 48 bytes
    uint32_t ipValue() const;    // host byte order
    uint32_t maskValue() const;  // host byte order
    std::string modelName() const;     // 112-143, up to the first NUL
    std::string serialNumber() const;  // 224-239
    std::string deviceName() const;    // from 188, up to NUL or the end of the vendor field
    char state() const { return char(raw[184]); }  // 'I' idle
    char speed() const { return char(raw[185]); }  // 'C' 1000M, 'B' 100M
    bool sameDevice(const gvcp_discovery_ack_s& o) const;  // same MAC and same current IP
};
typedef gvcp_discovery_ack_s MV_GE_DISCOVERY_ACK_;

void PackGvcpHead(uint8_t* buf, const gvcp_cmd_head_s& head);
// Each returns the packet size; `buf` must hold it.
int PackDiscovery(uint8_t* buf, uint16_t reqId);
int PackForceIp(uint8_t* buf, uint8_t flags, uint16_t reqId, const uint8_t* mac, const uint8_t* ip,
                const uint8_t* mask, const uint8_t* gateway);
int PackVendorForceIp(uint8_t* buf, uint8_t flags, uint16_t reqId, const uint8_t* mac, const uint8_t* ip,
                      const uint8_t* mask, const uint8_t* gateway, uint8_t optionA, uint8_t optionB);
int PackEnterBootloader(uint8_t* buf, uint8_t flags, uint16_t reqId, const uint8_t* mac);
int PackEnterAgingTest(uint8_t* buf, uint16_t reqId);

// False when fewer than 8 bytes came.
bool ParseGvcpCmdHead(const uint8_t* p, int n, gvcp_cmd_head_s* out);
bool ParseGvcpAckHead(const uint8_t* p, int n, gvcp_ack_head_s* out);
// True when `p` is the answer `answer` to request `reqId` (at least the header long);
// `status` receives its status.
bool IsGvcpAnswer(const uint8_t* p, int n, uint16_t answer, uint16_t reqId, uint16_t* status = nullptr);
// A discovery acknowledgement to request `reqId`: at least 256 bytes, answer code 0x0003.
bool ParseDiscoveryAck(const uint8_t* p, int n, uint16_t reqId, gvcp_discovery_ack_s* out);
// True when the manufacturer-specific information begins with `filter` (null accepts all).
bool ManufacturerMatches(const gvcp_discovery_ack_s& ack, const char* filter);

// ARP probe frame: 60 bytes, request for `testIp` from `hostMac`/`hostIp` (network order).
constexpr int kArpFrameSize = 60;
int PackArpRequest(uint8_t* frame, const uint8_t* hostMac, uint32_t hostIpNet, uint32_t testIpNet);
// True when `f` is an ARP reply to `hostMac` whose sender is `testIp`.
bool IsArpReplyFrom(const uint8_t* f, int n, const uint8_t* hostMac, uint32_t testIpNet);
