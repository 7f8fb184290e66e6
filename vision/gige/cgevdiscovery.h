#pragma once
// DISCOVERY on one host interface and the list of devices that answered. A receive thread fills the
// list; in ageing mode two more threads send DISCOVERY and drop silent devices every period.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "vision/gige/cbroadcastsocket.h"
#include "vision/gige/gvcppacket.h"

class CGevDiscovery : public CBroadcastSocket {
public:
    static constexpr int kMaxDevices = 250;

    // `manufacturerFilter` must outlive the object (null accepts every device); `hostIp` host order.
    CGevDiscovery(const char* manufacturerFilter, unsigned int hostIp, bool ageing);
    ~CGevDiscovery() override;

    bool SendDiscovery();
    // Copies the valid records to `out` (room for kMaxDevices); returns their number.
    int GetDiscoveryList(gvcp_discovery_ack_s* out);
    // One receive; true when `buf` (256 bytes) got an acknowledgement to the last DISCOVERY.
    bool DiscoveryReceive(unsigned char* buf);
    void DeviceListAdd(const gvcp_discovery_ack_s& ack);
    void DeviceListAdd(const gvcp_discovery_ack_s& ack, uint32_t nowMs);
    void DeviceListChk();
    void DeviceListChk(uint32_t nowMs);

    unsigned short lastRequestId() const { return m_lastReqId.load(); }
    // Milliseconds of the monotonic clock, truncated to 32 bits.
    static uint32_t nowMs();

private:
    void receiveLoop();
    void sendLoop();
    void checkLoop();
    bool sleepPeriod();  // false when stopped meanwhile

    std::recursive_mutex m_mutex;
    uint32_t m_reqCounter = 0;
    std::atomic<unsigned short> m_lastReqId{0};
    const char* m_filter;
    bool m_ageing;
    std::vector<gvcp_discovery_ack_s> m_list;
    uint32_t m_count = 0;
    int m_valid[kMaxDevices] = {};
    uint32_t m_seen[kMaxDevices] = {};
    std::thread m_recvThread;
    std::thread m_sendThread;
    std::thread m_checkThread;
    std::atomic<bool> m_stop{false};
};
