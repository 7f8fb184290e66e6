#include "vision/gige/cipconfig.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "vision/gige/arpping.h"
#include "vision/gige/cgevdiscovery.h"
#include "vision/gige/cgevforceip.h"
#include "vision/gige/gigetimings.h"

namespace {

const char kManufacturerFilter[] = "F622";

uint32_t fromBytes(const unsigned char* b)
{
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

void toBytes(uint32_t v, unsigned char* b)
{
    b[0] = uint8_t(v >> 24);
    b[1] = uint8_t(v >> 16);
    b[2] = uint8_t(v >> 8);
    b[3] = uint8_t(v);
}

uint32_t netOrder(uint32_t hostOrder)
{
    return htonl(hostOrder);
}

}  // namespace

bool UsableHostInterface(uint32_t ip)
{
    const uint32_t first = ip >> 24;
    return first >= 1 && first <= 254 && ip != 0x7F000001u && ip != 0xE0000001u;
}

bool UsableHostAddress(uint32_t addr, uint32_t mask)
{
    const uint32_t host = addr & ~mask;
    return host != 0 && host != ~mask;
}

bool CameraAddressFits(uint32_t camIp, uint32_t camMask, uint32_t hostIp, uint32_t hostMask)
{
    if (camIp == hostIp)
        return false;
    // Both sides must see each other as local: the camera has no gateway to reach the host through.
    return (camIp & hostMask) == (hostIp & hostMask) && UsableHostAddress(camIp, hostMask) &&
           (camIp & camMask) == (hostIp & camMask);
}

uint32_t ChooseFreeAddress(uint32_t hostIp, uint32_t mask, const std::vector<uint32_t>& inUse,
                           const std::function<int()>& random, const std::function<bool(uint32_t)>& answers)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        uint32_t candidate = 0;
        for (int draw = 0; draw < 100 && candidate == 0; ++draw) {
            uint32_t c = 0;
            for (int octet = 0; octet < 4; ++octet)
                c = (c << 8) | uint32_t(random() % 245 + 10);
            const uint32_t n = (hostIp & mask) | (c & ~mask);
            if (n != hostIp && UsableHostAddress(n, mask) &&
                std::find(inUse.begin(), inUse.end(), n) == inUse.end())
                candidate = n;
        }
        if (candidate == 0)
            continue;
        if (!answers(candidate))
            return candidate;
    }
    return 0;
}

CIpConfig::CIpConfig() : m_devices(kMaxDevices), m_devInterface(kMaxDevices, 0) {}

CIpConfig::~CIpConfig()
{
    m_forceIp.reset();
    for (CGevDiscovery*& d : m_discovery) {
        delete d;
        d = nullptr;
    }
}

bool CIpConfig::Init()
{
    return DeviceEnumeInit() > 0;
}

int CIpConfig::LoadInterfaces(const std::vector<HostNetInterface>& all)
{
    m_ifCount = 0;
    for (const HostNetInterface& i : all) {
        if (m_ifCount >= kMaxInterfaces)
            break;
        if (UsableHostInterface(fromBytes(i.ip)))
            m_interfaces[m_ifCount++] = i;
    }
    return m_ifCount;
}

int CIpConfig::DeviceEnumeInit()
{
    m_ifCount = 0;
    for (CGevDiscovery*& d : m_discovery) {
        delete d;
        d = nullptr;
    }
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return 0;
    std::vector<HostNetInterface> all;
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_name)
            continue;
        HostNetInterface rec{};
        std::snprintf(rec.name, sizeof(rec.name), "%s", a->ifa_name);
        if (s >= 0) {
            ifreq req{};
            std::snprintf(req.ifr_name, sizeof(req.ifr_name), "%s", a->ifa_name);
            if (::ioctl(s, SIOCGIFHWADDR, &req) == 0)
                std::memcpy(rec.mac, req.ifr_hwaddr.sa_data, 6);
        }
        std::memcpy(rec.ip, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, 4);
        if (a->ifa_netmask)
            std::memcpy(rec.mask, &reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr, 4);
        all.push_back(rec);
    }
    if (s >= 0)
        ::close(s);
    freeifaddrs(list);
    LoadInterfaces(all);
    for (int i = 0; i < m_ifCount; ++i) {
        if (!m_discovery[i])
            m_discovery[i] = new CGevDiscovery(kManufacturerFilter, fromBytes(m_interfaces[i].ip), false);
    }
    return m_ifCount;
}

int CIpConfig::GetDeviceList(MV_GE_DISCOVERY_ACK_* out)
{
    for (int i = 0; i < m_ifCount; ++i) {
        if (m_discovery[i])
            m_discovery[i]->SendDiscovery();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(gigeTimings().discoveryWaitMs));
    int total = 0;
    for (int i = 0; i < m_ifCount; ++i) {
        if (!m_discovery[i])
            continue;
        // Each object holds at most 250 records and 32 x 250 fills the list exactly.
        const int n = m_discovery[i]->GetDiscoveryList(out + total);
        for (int k = 0; k < n; ++k)
            m_devInterface[size_t(total + k)] = i;
        total += n;
    }
    return total;
}

int CIpConfig::RefreshDevList()
{
    std::vector<MV_GE_DISCOVERY_ACK_> fresh(kMaxDevices);
    const int n = GetDeviceList(fresh.data());
    std::copy(fresh.begin(), fresh.begin() + n, m_devices.begin());
    m_devCount = n;
    return n;
}

bool CIpConfig::IsDevIPValid(int index)
{
    if (index < 0 || index >= m_devCount)
        return false;
    const HostNetInterface& host = m_interfaces[m_devInterface[size_t(index)]];
    const MV_GE_DISCOVERY_ACK_& dev = m_devices[size_t(index)];
    return CameraAddressFits(dev.ipValue(), dev.maskValue(), fromBytes(host.ip), fromBytes(host.mask));
}

bool CIpConfig::AutoSetIpAddr(int index)
{
    if (index < 0 || index >= m_devCount)
        return false;
    const HostNetInterface& host = m_interfaces[m_devInterface[size_t(index)]];
    const uint32_t hostIp = fromBytes(host.ip);
    const uint32_t mask = fromBytes(host.mask);

    // Known to be in use: the host's addresses, every listed camera's and those given out already.
    std::vector<uint32_t> inUse = m_assigned;
    for (int i = 0; i < m_ifCount; ++i)
        inUse.push_back(fromBytes(m_interfaces[i].ip));
    for (int i = 0; i < m_devCount; ++i)
        inUse.push_back(m_devices[size_t(i)].ipValue());

    std::function<int()> random = m_random;
    if (!random) {
        using namespace std::chrono;
        std::srand(unsigned(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count()));
        random = [] { return std::rand(); };
    }
    char ifName[sizeof(host.name)];
    std::memcpy(ifName, host.name, sizeof(ifName));
    unsigned char hostMac[6];
    std::memcpy(hostMac, host.mac, 6);
    const uint32_t chosen = ChooseFreeAddress(hostIp, mask, inUse, random, [&](uint32_t candidate) {
        // -1 (no packet socket) counts as no answer, as a silent address does.
        return arpping(netOrder(candidate), netOrder(hostIp), hostMac, ifName) == 0;
    });
    if (chosen == 0)
        return false;

    unsigned char ip[4], maskBytes[4], gateway[4] = {0, 0, 0, 0};
    toBytes(chosen, ip);
    toBytes(mask, maskBytes);
    m_assigned.push_back(chosen);
    return sendForceIp(index, ip, maskBytes, gateway);
}

bool CIpConfig::sendForceIp(int index, const unsigned char* ip, const unsigned char* mask, const unsigned char* gateway)
{
    const HostNetInterface& host = m_interfaces[m_devInterface[size_t(index)]];
    m_forceIp.reset();  // the old sender's port is free before the new one draws its own
    m_forceIp.reset(new CGevForceIp(fromBytes(host.ip)));
    return m_forceIp->GevSetForceIpCustom(m_devices[size_t(index)].mac(), ip, mask, gateway, 0, 1, true);
}

bool CIpConfig::SetIpAddr(int index, const char* ip, const char* mask, const char* gateway)
{
    if (index < 0 || index >= m_devCount)
        return false;
    unsigned char a[4], m[4], g[4];
    if (!GetIpFromString(ip, a) || !GetIpFromString(mask, m) || !GetIpFromString(gateway, g))
        return false;
    return sendForceIp(index, a, m, g);
}

bool CIpConfig::GetDevInfo(int index, MV_GE_DEV_INF_* out)
{
    if (index < 0 || index >= m_devCount || !out)
        return false;
    const MV_GE_DISCOVERY_ACK_& d = m_devices[size_t(index)];
    auto dotted = [](char* dst, const uint8_t* b) { std::snprintf(dst, 64, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]); };
    dotted(out->ip, d.ip());
    dotted(out->mask, d.mask());
    dotted(out->gateway, d.gateway());
    const uint8_t* m = d.mac();
    std::snprintf(out->mac, 64, "%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
    std::snprintf(out->name, 64, "%s", d.deviceName().c_str());
    std::snprintf(out->model, 64, "%s", d.modelName().c_str());
    std::snprintf(out->serial, 64, "%s", d.serialNumber().c_str());
    std::snprintf(out->speed, 64, "%s", d.speed() == 'C' ? "1000M" : d.speed() == 'B' ? "100M" : "10M");
    std::snprintf(out->state, 64, "%s", d.state() == 'I' ? "IDLE" : "BUSY");
    return true;
}

int RepairAllCameraIP()
{
    return RepairAllCameraIP(nullptr);
}

int RepairAllCameraIP(const std::function<int()>& random)
{
    std::unique_ptr<CIpConfig> config(new CIpConfig);
    if (!config->Init())
        return -1;
    config->setRandom(random);
    const int n = config->RefreshDevList();
    int repaired = 0;
    for (int i = 0; i < n; ++i) {
        if (!config->IsDevIPValid(i) && config->AutoSetIpAddr(i))
            ++repaired;
    }
    return repaired;
}

bool GetIpFromString(const char* text, unsigned char* out)
{
    if (!text || !out)
        return false;
    int v[4];
    if (std::sscanf(text, "%d.%d.%d.%d", &v[0], &v[1], &v[2], &v[3]) != 4)
        return false;
    for (int x : v) {
        if (x < 0 || x > 255)
            return false;
    }
    for (int i = 0; i < 4; ++i)
        out[i] = (unsigned char)v[i];
    return true;
}
