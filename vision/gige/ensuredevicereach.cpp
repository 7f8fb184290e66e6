#include "vision/gige/ensuredevicereach.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QThread>
#include <QtDebug>

#include "core/commandrunner.h"
#include "platform/camsdk/hikvisionsdk.h"

namespace {

// The camera library's own calls. Enumerated records are copied: the library's list is overwritten
// by the next enumeration, which the camera probe may run meanwhile.
class LibraryReachSdk : public ReachSdk {
public:
    int EnumGigeDevices(std::vector<ReachDevice>* out) override
    {
        out->clear();
        infos_.clear();
        MV_CC_DEVICE_INFO_LIST list;
        std::memset(&list, 0, sizeof(list));
        const int ret = MV_CC_EnumDevices(MV_GIGE_DEVICE, &list);
        for (uint32_t i = 0; i < list.deviceCount && i < uint32_t(MV_MAX_DEVICE_NUM); ++i) {
            if (!list.deviceInfo[i])
                break;
            infos_.push_back(*list.deviceInfo[i]);
        }
        for (size_t i = 0; i < infos_.size(); ++i) {
            ReachDevice d;
            d.currentIp = infos_[i].special.gige.currentIp;
            d.currentMask = infos_[i].special.gige.currentSubnetMask;
            d.hostIp = infos_[i].special.gige.netExport;
            d.index = int(i);
            out->push_back(d);
        }
        return ret;
    }
    bool IsDeviceAccessible(const ReachDevice& d) override
    {
        return info(d) && MV_CC_IsDeviceAccessible(info(d), 1);
    }
    int CreateHandle(const ReachDevice& d, void** handle) override
    {
        return info(d) ? MV_CC_CreateHandle(handle, info(d)) : int(MV_E_PARAMETER);
    }
    int ForceIpEx(void* handle, uint32_t ip, uint32_t mask, uint32_t gateway) override
    {
        return MV_GIGE_ForceIpEx(handle, ip, mask, gateway);
    }
    int DestroyHandle(void* handle) override { return MV_CC_DestroyHandle(handle); }

private:
    MV_CC_DEVICE_INFO* info(const ReachDevice& d)
    {
        return d.index >= 0 && size_t(d.index) < infos_.size() ? &infos_[size_t(d.index)] : nullptr;
    }
    std::vector<MV_CC_DEVICE_INFO> infos_;
};

// Replaced by tests; null: every run uses a library instance of its own.
std::atomic<ReachSdk*> gSdk{nullptr};

// The one background run.
struct Worker {
    std::mutex mutex;
    std::thread thread;
    std::atomic<bool> running{false};
    std::atomic<bool> stop{false};
    std::atomic<int> result{-2};
    ~Worker()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }
};

Worker& worker()
{
    static Worker w;
    return w;
}

// Candidates of the search: the ordinary host addresses of the subnet, limited to the /24 block of
// the host when the subnet is wider. `bits` selects the host part of a start address.
bool searchRange(uint32_t hostIp, uint32_t mask, uint32_t* base, uint32_t* bits, uint32_t* lo, uint32_t* hi)
{
    const uint32_t hostBits = ~mask;
    if (hostBits < 3)
        return false;  // a /31 or /32 has no address to give
    if (hostBits <= 0xFF) {
        *base = hostIp & mask;
        *bits = hostBits;
    } else {
        *base = hostIp & 0xFFFFFF00u;
        *bits = 0xFF;
    }
    *lo = *base + 1;
    *hi = *base + *bits - 1;
    return true;
}

}  // namespace

ReachSdk* SetReachSdk(ReachSdk* sdk)
{
    return gSdk.exchange(sdk);
}

int GetNetInfo(_ALL_NET_INFO* info)
{
    if (!info)
        return -1;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return -1;
    info->count = 0;
    for (ifaddrs* a = list; a && info->count < 64; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
            continue;
        NET_INFO_ENTRY& e = info->entries[info->count++];
        std::snprintf(e.name, sizeof(e.name), "%s", a->ifa_name ? a->ifa_name : "");
        e.ip = ntohl(reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
        e.mask = a->ifa_netmask ? ntohl(reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr) : 0;
    }
    freeifaddrs(list);
    return 0;
}

bool GetMaskFromIp(unsigned int ip, unsigned int* mask, _ALL_NET_INFO* info)
{
    if (!info || info->count <= 0 || !mask)
        return false;
    bool found = false;
    for (int i = 0; i < info->count && i < 64; ++i) {
        if (info->entries[i].ip == ip) {
            *mask = info->entries[i].mask;
            found = true;
        }
    }
    return found;
}

std::string execCommand(const char* program, const std::vector<std::string>& args, bool* started)
{
    QStringList list;
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    const CommandResult r = runCommand(QString::fromUtf8(program), list, 5000);
    if (started)
        *started = r.started;
    return r.started ? r.out.toStdString() : std::string();
}

bool IsFreeIp(const char* ip)
{
    bool started = false;
    const std::string out = execCommand("ping", {ip, "-w", "1"}, &started);
    // A ping that could not run says nothing: the address is not taken as free.
    return started && out.find("ttl") == std::string::npos;
}

char* getStrIp(unsigned long ip, char* dst)
{
    if (!dst)
        return dst;
    std::sprintf(dst, "%lu.%lu.%lu.%lu", (ip >> 24) & 255, (ip >> 16) & 255, (ip >> 8) & 255, ip & 255);
    return dst;
}

unsigned int getIntIp(const char* text)
{
    return text ? inet_addr(text) : INADDR_NONE;
}

bool bChooseNoUseIp(unsigned int hostIp, unsigned int mask, unsigned int start, const std::vector<uint32_t>& inUse,
                    unsigned int* out, const std::atomic<bool>* stop)
{
    uint32_t base = 0, bits = 0, lo = 0, hi = 0;
    if (!searchRange(hostIp, mask, &base, &bits, &lo, &hi))
        return false;
    uint32_t first = base + (start & bits);
    first = first < lo ? lo : first > hi ? hi : first;
    auto tryOne = [&](uint32_t candidate) {
        for (uint32_t used : inUse) {
            if (used == candidate)
                return false;
        }
        char text[16];
        getStrIp(candidate, text);
        const bool freeIp = IsFreeIp(text);
        qDebug("nSetDeviceIp: %s, bFreeIp: %d", text, int(freeIp));
        return freeIp;
    };
    for (uint32_t c = first; c <= hi; ++c) {
        if (stop && *stop)
            return false;
        if (tryOne(c)) {
            *out = c;
            return true;
        }
    }
    for (uint32_t c = first - 1; c >= lo; --c) {
        if (stop && *stop)
            return false;
        if (tryOne(c)) {
            *out = c;
            return true;
        }
    }
    return false;
}

bool DoForceIp(ReachSdk& sdk, const ReachDevice& device, unsigned int ip, unsigned int mask, unsigned int gateway)
{
    void* handle = nullptr;
    int ret = sdk.CreateHandle(device, &handle);
    if (ret != 0) {
        qDebug("1 MV_CC_CreateHandle fail! nRet [%x]", unsigned(ret));
        return false;
    }
    bool ok = true;
    ret = sdk.ForceIpEx(handle, ip, mask, gateway);
    if (ret != 0) {
        qDebug("1 MV_GIGE_ForceIpEx fail! nRet [%x]", unsigned(ret));
        ok = false;
    }
    ret = sdk.DestroyHandle(handle);
    if (ret != 0) {
        qDebug("1 MV_CC_DestroyHandle fail! nRet [%x]", unsigned(ret));
        ok = false;
    }
    return ok;
}

int EnsureDeviceReach(const _ALL_NET_INFO& info, ReachSdk& sdk, const std::atomic<bool>* stop)
{
    std::vector<ReachDevice> devices;
    sdk.EnumGigeDevices(&devices);

    // Known to be in use: the host's own addresses, every device's and those given out here.
    std::vector<uint32_t> inUse;
    for (int i = 0; i < info.count && i < 64; ++i)
        inUse.push_back(info.entries[i].ip);
    for (const ReachDevice& d : devices)
        inUse.push_back(d.currentIp);

    int reachable = 0;
    for (const ReachDevice& d : devices) {
        if (stop && *stop)
            break;
        const uint32_t host = d.hostIp;
        unsigned int mask = 0;
        if (!GetMaskFromIp(host, &mask, const_cast<_ALL_NET_INFO*>(&info)))
            mask = d.currentMask;
        if ((d.currentIp & mask) == (host & mask)) {
            if (sdk.IsDeviceAccessible(d))
                ++reachable;
            continue;
        }
        unsigned int ip = 0;
        if (!bChooseNoUseIp(host, mask, d.currentIp, inUse, &ip, stop))
            continue;
        // The last ordinary address of the subnet, as .254 is in a /24.
        const uint32_t gateway = ((host & mask) | ~mask) - 1;
        if (DoForceIp(sdk, d, ip, mask, gateway)) {
            ++reachable;
            inUse.push_back(ip);
        }
    }
    return int(devices.size()) - reachable;
}

int EnsureDeviceReach()
{
    _ALL_NET_INFO info;
    if (GetNetInfo(&info) != 0)
        return -1;
    LibraryReachSdk library;
    ReachSdk* sdk = gSdk.load();
    return EnsureDeviceReach(info, sdk ? *sdk : library);
}

bool StartEnsureDeviceReach()
{
    Worker& w = worker();
    std::lock_guard<std::mutex> lock(w.mutex);
    if (w.running)
        return false;
    if (w.thread.joinable())
        w.thread.join();
    w.stop = false;
    w.result = -2;
    w.running = true;
    ReachSdk* sdk = gSdk.load();
    w.thread = std::thread([&w, sdk] {
        _ALL_NET_INFO info;
        LibraryReachSdk library;
        w.result = GetNetInfo(&info) != 0 ? -1 : EnsureDeviceReach(info, sdk ? *sdk : library, &w.stop);
        w.running = false;
    });
    return true;
}

bool EnsureDeviceReachRunning()
{
    return worker().running;
}

int WaitEnsureDeviceReach(int timeoutMs)
{
    Worker& w = worker();
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    QCoreApplication* app = QCoreApplication::instance();
    const bool guiThread = app && QThread::currentThread() == app->thread();
    while (w.running) {
        if (timeoutMs >= 0 && Clock::now() >= deadline)
            return -2;
        // On the GUI thread the screen keeps being drawn meanwhile.
        if (guiThread)
            QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return w.result;
}

void StopEnsureDeviceReach()
{
    Worker& w = worker();
    std::lock_guard<std::mutex> lock(w.mutex);
    w.stop = true;
    if (w.thread.joinable())
        w.thread.join();
    w.stop = false;
}
