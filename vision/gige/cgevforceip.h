#pragma once
// Sender of the force-IP and vendor commands on one host interface. Answers come back by broadcast.
#include "vision/gige/cbroadcastsocket.h"

class CGevForceIp : public CBroadcastSocket {
public:
    explicit CGevForceIp(unsigned int hostIp);  // host byte order

    // Header with the next id of the shared request counter (the first command carries 1).
    static void MakeGvcpHead(unsigned char* buf, unsigned short cmd, unsigned short len, bool broadcastAck,
                             bool ackRequired);
    // Id of the last header made.
    static unsigned short lastRequestId();

    // Addresses in network order, 4 bytes each; MAC 6 bytes.
    bool GevSetForceIp(const unsigned char* mac, const unsigned char* ip, const unsigned char* mask,
                       const unsigned char* gateway, bool ack);
    bool GevSetForceIpCustom(const unsigned char* mac, const unsigned char* ip, const unsigned char* mask,
                             const unsigned char* gateway, unsigned char a, unsigned char b, bool ack);
    bool DeviceEnterBootloader(const unsigned char* mac, bool ack);
    bool DeviceEnterAgingTest();

    bool BroadCastSend(const void* buf, int len);
    int BroadCastRecv(void* buf, int len);

private:
    // Sends `pkt` and, with `ack`, waits for answer `answer` with the packet's request id.
    bool Exchange(const unsigned char* pkt, int len, unsigned short answer, bool ack);

    static unsigned char m_RecvTempBuf[576];
};
