#pragma once
// Repair of GigE camera addresses by GVCP: discovery on every host interface and a vendor force-IP
// command for each camera outside its interface's subnet.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "vision/gige/gvcppacket.h"

class CGevDiscovery;
class CGevForceIp;

// Text form of one device.
struct MV_GE_DEV_INF_ {
    char ip[64];
    char mask[64];
    char gateway[64];
    char mac[64];
    char name[64];
    char model[64];
    char serial[64];
    char speed[64];
    char state[64];
};

// One host interface; MAC, address and netmask in network order.
struct HostNetInterface {
    char name[256];
    unsigned char mac[6];
    unsigned char ip[4];
    unsigned char mask[4];
};

class CIpConfig {
public:
    static constexpr int kMaxInterfaces = 32;
    static constexpr int kMaxDevices = 8000;

    CIpConfig();
    ~CIpConfig();

    bool Init();
    int DeviceEnumeInit();
    // Keeps the usable interfaces of `all` (at most 32) as the interface table; returns their number.
    int LoadInterfaces(const std::vector<HostNetInterface>& all);
    int RefreshDevList();
    int GetDeviceList(MV_GE_DISCOVERY_ACK_* out);
    bool IsDevIPValid(int index);
    bool AutoSetIpAddr(int index);
    bool SetIpAddr(int index, const char* ip, const char* mask, const char* gateway);
    bool GetDevInfo(int index, MV_GE_DEV_INF_* out);

    int deviceCount() const { return m_devCount; }
    int interfaceCount() const { return m_ifCount; }
    const HostNetInterface& hostInterface(int i) const { return m_interfaces[i]; }
    // Random source of the address choice (returns values as rand() does); null: rand() seeded
    // with the clock.
    void setRandom(std::function<int()> random) { m_random = std::move(random); }

private:
    bool sendForceIp(int index, const unsigned char* ip, const unsigned char* mask, const unsigned char* gateway);

    CGevDiscovery* m_discovery[kMaxInterfaces] = {};
    std::unique_ptr<CGevForceIp> m_forceIp;
    std::vector<MV_GE_DISCOVERY_ACK_> m_devices;
    std::vector<int> m_devInterface;
    int m_devCount = 0;
    HostNetInterface m_interfaces[kMaxInterfaces] = {};
    int m_ifCount = 0;
    std::vector<uint32_t> m_assigned;  // addresses given out by this object (host order)
    std::function<int()> m_random;
};

// True for a host interface address (host order) that discovery may use.
bool UsableHostInterface(uint32_t ip);
// True when `addr` is neither the network nor the broadcast address of its subnet under `mask`
// (host order); a /31 or /32 subnet has no such address.
bool UsableHostAddress(uint32_t addr, uint32_t mask);
// True when a camera at `camIp`/`camMask` can be reached from host interface `hostIp`/`hostMask`.
bool CameraAddressFits(uint32_t camIp, uint32_t camMask, uint32_t hostIp, uint32_t hostMask);
// The free-address choice: up to five tries of a random address of the host's subnet that is
// usable and not in `inUse`, each probed with `answers` (true: the address answered). Returns 0
// when none was found. Host byte order throughout.
uint32_t ChooseFreeAddress(uint32_t hostIp, uint32_t mask, const std::vector<uint32_t>& inUse,
                           const std::function<int()>& random, const std::function<bool(uint32_t)>& answers);

// Repairs every camera of the filter "F622" that lies outside its interface's subnet. -1 without a
// usable host interface, else the number of cameras whose new address was acknowledged.
int RepairAllCameraIP();
int RepairAllCameraIP(const std::function<int()>& random);

// "%d.%d.%d.%d" with four numbers of 0 to 255 into four bytes.
bool GetIpFromString(const char* text, unsigned char* out);
