#include "vision/gige/cgevforceip.h"

#include <chrono>
#include <thread>

#include "vision/gige/gigetimings.h"
#include "vision/gige/gvcppacket.h"

namespace {
// One counter for every force-IP and vendor command; used from the repairing thread only.
unsigned short gRequestId = 0;
}  // namespace

unsigned char CGevForceIp::m_RecvTempBuf[576];

CGevForceIp::CGevForceIp(unsigned int hostIp) : CBroadcastSocket(hostIp, gvcp::kPort) {}

void CGevForceIp::MakeGvcpHead(unsigned char* buf, unsigned short cmd, unsigned short len, bool broadcastAck,
                               bool ackRequired)
{
    ++gRequestId;
    const uint8_t flags = uint8_t((ackRequired ? gvcp::kFlagAckRequired : 0) | (broadcastAck ? gvcp::kFlagBroadcastAck : 0));
    PackGvcpHead(buf, {gvcp::kKey, flags, cmd, len, gRequestId});
}

unsigned short CGevForceIp::lastRequestId()
{
    return gRequestId;
}

bool CGevForceIp::GevSetForceIp(const unsigned char* mac, const unsigned char* ip, const unsigned char* mask,
                                const unsigned char* gateway, bool ack)
{
    unsigned char pkt[gvcp::kForceIpSize];
    PackForceIp(pkt, 0, 0, mac, ip, mask, gateway);
    MakeGvcpHead(pkt, gvcp::FORCEIP_CMD, gvcp::kForceIpSize - 8, true, ack);
    return Exchange(pkt, sizeof(pkt), gvcp::FORCEIP_ACK, ack);
}

bool CGevForceIp::GevSetForceIpCustom(const unsigned char* mac, const unsigned char* ip, const unsigned char* mask,
                                      const unsigned char* gateway, unsigned char a, unsigned char b, bool ack)
{
    unsigned char pkt[gvcp::kVendorForceIpSize];
    PackVendorForceIp(pkt, 0, 0, mac, ip, mask, gateway, a, b);
    MakeGvcpHead(pkt, gvcp::VENDOR_FORCEIP_CMD, gvcp::kVendorForceIpSize - 8, true, ack);
    return Exchange(pkt, sizeof(pkt), gvcp::VENDOR_FORCEIP_ACK, ack);
}

bool CGevForceIp::DeviceEnterBootloader(const unsigned char* mac, bool ack)
{
    unsigned char pkt[gvcp::kBootloaderSize];
    PackEnterBootloader(pkt, 0, 0, mac);
    MakeGvcpHead(pkt, gvcp::VENDOR_BOOTLOADER_CMD, gvcp::kBootloaderSize - 8, true, ack);
    return Exchange(pkt, sizeof(pkt), gvcp::VENDOR_BOOTLOADER_ACK, ack);
}

bool CGevForceIp::DeviceEnterAgingTest()
{
    unsigned char pkt[gvcp::kAgingSize];
    PackEnterAgingTest(pkt, 0);
    MakeGvcpHead(pkt, gvcp::VENDOR_AGING_CMD, gvcp::kAgingSize - 8, true, false);
    return BroadCastSend(pkt, sizeof(pkt));
}

bool CGevForceIp::BroadCastSend(const void* buf, int len)
{
    return send(buf, len) > 0;
}

int CGevForceIp::BroadCastRecv(void* buf, int len)
{
    return recv(buf, len);
}

bool CGevForceIp::Exchange(const unsigned char* pkt, int len, unsigned short answer, bool ack)
{
    if (!BroadCastSend(pkt, len))
        return false;
    if (!ack)
        return true;
    const unsigned short reqId = (unsigned short)((pkt[6] << 8) | pkt[7]);
    const GigeTimings t = gigeTimings();
    for (int sendNo = 1; sendNo <= t.sends; ++sendNo) {
        if (sendNo > 1 && !BroadCastSend(pkt, len))
            return false;
        for (int poll = 0; poll < t.pollsPerSend; ++poll) {
            const int n = BroadCastRecv(m_RecvTempBuf, sizeof(m_RecvTempBuf));
            uint16_t status = 0;
            if (n > 0 && IsGvcpAnswer(m_RecvTempBuf, n, answer, reqId, &status))
                return status == 0;
            if (n < 0)
                return false;  // no receive socket: nothing can come
            std::this_thread::sleep_for(std::chrono::milliseconds(t.pollSleepMs));
        }
    }
    return false;
}
