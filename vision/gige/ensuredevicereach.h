#pragma once
// Address repair for the GigE cameras handled through the camera SDK of make 7: a device outside its
// host interface's subnet gets a free address of that subnet, found by ping, set by the SDK's
// force-IP call. The search pings up to 254 addresses of one second each, so it runs on a worker
// thread (StartEnsureDeviceReach); EnsureDeviceReach itself blocks.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct NET_INFO_ENTRY {
    char name[256];
    uint32_t ip;    // host byte order
    uint32_t mask;  // host byte order
};

struct _ALL_NET_INFO {
    int count;
    NET_INFO_ENTRY entries[64];
};

// What the repair needs of one enumerated GigE device (host byte order).
struct ReachDevice {
    uint32_t currentIp = 0;
    uint32_t currentMask = 0;
    uint32_t hostIp = 0;  // the host interface through which the SDK found it
    int index = 0;        // position in the SDK's list
};

// The SDK calls of the repair, each returning the SDK's status (0 success).
class ReachSdk {
public:
    virtual ~ReachSdk() = default;
    // Enumerates the GigE devices (layer type 1) into `out`.
    virtual int EnumGigeDevices(std::vector<ReachDevice>* out) = 0;
    // Access mode 1.
    virtual bool IsDeviceAccessible(const ReachDevice& device) = 0;
    virtual int CreateHandle(const ReachDevice& device, void** handle) = 0;
    virtual int ForceIpEx(void* handle, uint32_t ip, uint32_t mask, uint32_t gateway) = 0;
    virtual int DestroyHandle(void* handle) = 0;
};

// Replaces the camera library's calls (tests); null restores them. Returns the previous
// replacement, or null.
ReachSdk* SetReachSdk(ReachSdk* sdk);

// Blocking repair with the SDK in force and the host's interfaces. -1 when the interfaces cannot be
// read, else the number of enumerated GigE devices neither accessible nor given a new address.
int EnsureDeviceReach();
// The same with given interfaces and SDK; `stop` (may be null) ends the address search early.
int EnsureDeviceReach(const _ALL_NET_INFO& info, ReachSdk& sdk, const std::atomic<bool>* stop = nullptr);

// The repair off the caller's thread, for the camera probe and the recovery on the GUI thread.
// Start returns false when a run is still going (nothing new starts): the recovery calls it every
// 3 s and counts the cameras on a later call. Wait waits up to `timeoutMs` (negative: no limit),
// processing the GUI thread's events meanwhile, and returns the run's result, or -2 when it did not
// end in time or none ran.
bool StartEnsureDeviceReach();
int WaitEnsureDeviceReach(int timeoutMs = -1);
bool EnsureDeviceReachRunning();
// Asks a running search to end and waits for it.
void StopEnsureDeviceReach();

int GetNetInfo(_ALL_NET_INFO* info);
bool GetMaskFromIp(unsigned int ip, unsigned int* mask, _ALL_NET_INFO* info);
// Free-address search in the subnet of `hostIp`/`mask` (host order), starting at the address with
// the host part of `start` and going up, then down from below it. Only ordinary host addresses of
// the subnet are tried, at most 254 (the /24 block of `hostIp` when the subnet is wider), never one
// of `inUse`. True with the first address that does not answer a ping.
bool bChooseNoUseIp(unsigned int hostIp, unsigned int mask, unsigned int start, const std::vector<uint32_t>& inUse,
                    unsigned int* out, const std::atomic<bool>* stop = nullptr);
// True when "ping <ip> -w 1" ran and printed no "ttl" (no answer within one second).
bool IsFreeIp(const char* ip);
// Standard output of a command run through the command runner; empty when it did not start.
std::string execCommand(const char* program, const std::vector<std::string>& args, bool* started = nullptr);
char* getStrIp(unsigned long ip, char* dst);
unsigned int getIntIp(const char* text);
bool DoForceIp(ReachSdk& sdk, const ReachDevice& device, unsigned int ip, unsigned int mask, unsigned int gateway);
