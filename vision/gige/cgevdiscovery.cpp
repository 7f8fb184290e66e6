#include "vision/gige/cgevdiscovery.h"

#include <chrono>
#include <cstring>

#include "vision/gige/gigetimings.h"

CGevDiscovery::CGevDiscovery(const char* manufacturerFilter, unsigned int hostIp, bool ageing)
    : CBroadcastSocket(hostIp, gvcp::kPort), m_filter(manufacturerFilter), m_ageing(ageing), m_list(kMaxDevices)
{
    m_recvThread = std::thread(&CGevDiscovery::receiveLoop, this);
    if (m_ageing) {
        m_sendThread = std::thread(&CGevDiscovery::sendLoop, this);
        m_checkThread = std::thread(&CGevDiscovery::checkLoop, this);
    }
}

CGevDiscovery::~CGevDiscovery()
{
    m_stop = true;
    for (std::thread* t : {&m_recvThread, &m_sendThread, &m_checkThread}) {
        if (t->joinable())
            t->join();
    }
}

uint32_t CGevDiscovery::nowMs()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool CGevDiscovery::SendDiscovery()
{
    if (!m_ageing) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_count = 0;
        std::memset(m_valid, 0, sizeof(m_valid));
        std::memset(m_seen, 0, sizeof(m_seen));
    }
    const unsigned short id = (unsigned short)(++m_reqCounter);
    m_lastReqId = id;
    uint8_t pkt[gvcp::kDiscoverySize];
    PackDiscovery(pkt, id);
    return send(pkt, sizeof(pkt)) > 0;
}

int CGevDiscovery::GetDiscoveryList(gvcp_discovery_ack_s* out)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    int n = 0;
    for (uint32_t i = 0; i < m_count; ++i) {
        if (m_valid[i])
            out[n++] = m_list[i];
    }
    return n;
}

bool CGevDiscovery::DiscoveryReceive(unsigned char* buf)
{
    // Room for more than an acknowledgement, so a longer packet is seen as such and still read whole.
    uint8_t in[576];
    const int n = recv(in, sizeof(in));
    gvcp_discovery_ack_s ack;
    if (n <= 0 || !ParseDiscoveryAck(in, n, m_lastReqId.load(), &ack))
        return false;
    std::memcpy(buf, ack.raw, sizeof(ack.raw));
    return true;
}

void CGevDiscovery::DeviceListAdd(const gvcp_discovery_ack_s& ack)
{
    DeviceListAdd(ack, nowMs());
}

void CGevDiscovery::DeviceListAdd(const gvcp_discovery_ack_s& ack, uint32_t now)
{
    if (!ManufacturerMatches(ack, m_filter))
        return;
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (uint32_t i = 0; i < m_count; ++i) {
        if (m_valid[i] && m_list[i].sameDevice(ack)) {
            m_seen[i] = now;
            return;
        }
    }
    if (m_count >= uint32_t(kMaxDevices))
        return;
    m_list[m_count] = ack;
    m_valid[m_count] = 1;
    m_seen[m_count] = now;
    ++m_count;
}

void CGevDiscovery::DeviceListChk()
{
    DeviceListChk(nowMs());
}

void CGevDiscovery::DeviceListChk(uint32_t now)
{
    const uint32_t limit = uint32_t(gigeTimings().ageOutMs);
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (uint32_t i = 0; i < m_count; ++i) {
        // Unsigned difference: correct across the 32-bit wrap of the clock.
        if (m_valid[i] && now - m_seen[i] >= limit)
            m_valid[i] = 0;
    }
}

void CGevDiscovery::receiveLoop()
{
    unsigned char buf[gvcp::kDiscoveryAckSize];
    while (!m_stop) {
        if (DiscoveryReceive(buf)) {
            gvcp_discovery_ack_s ack;
            std::memcpy(ack.raw, buf, sizeof(buf));
            DeviceListAdd(ack);
        } else if (!isOpen()) {
            // Without sockets recv returns at once: wait as a poll would.
            std::this_thread::sleep_for(std::chrono::milliseconds(gigeTimings().recvWaitMs));
        }
    }
}

bool CGevDiscovery::sleepPeriod()
{
    const int step = gigeTimings().ageingPeriodMs / 10;
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(step));
        if (m_stop)
            return false;
    }
    return true;
}

void CGevDiscovery::sendLoop()
{
    while (sleepPeriod())
        SendDiscovery();
}

void CGevDiscovery::checkLoop()
{
    while (sleepPeriod())
        DeviceListChk();
}
