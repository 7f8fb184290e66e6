#pragma once
// A pair of UDP sockets for one host interface: broadcasts go out through the socket bound to the
// interface address, answers broadcast back by the devices come in on the socket bound to
// 255.255.255.255 at the same (random) local port.
#include <cstdint>
#include <netinet/in.h>

class CBroadcastSocket {
public:
    // `hostIp` in host byte order; `port` the devices' port.
    CBroadcastSocket(unsigned int hostIp, unsigned short port);
    virtual ~CBroadcastSocket();
    CBroadcastSocket(const CBroadcastSocket&) = delete;
    CBroadcastSocket& operator=(const CBroadcastSocket&) = delete;

    int Init();
    // sendto 255.255.255.255:port; -1 without a send socket.
    int send(const void* buf, int len);
    // Waits up to the receive poll time; bytes read, 0 on time-out or error, -1 without a socket.
    int recv(void* buf, int len);

    unsigned short localPort() const { return m_localPort; }
    bool isOpen() const { return m_sendSock > 0 && m_recvSock > 0; }

protected:
    int m_sendSock = 0;
    int m_recvSock = 0;
    sockaddr_in m_dest{};
    uint32_t m_hostIp = 0;
    uint16_t m_port = 0;
    uint16_t m_localPort = 0;
};
