#include "vision/gige/cbroadcastsocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "vision/gige/gigetimings.h"

namespace {

int openBroadcastUdp()
{
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0)
        return -1;
    const int on = 1;
    if (::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0 ||
        ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

bool bindTo(int s, uint32_t addrHost, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(addrHost);
    a.sin_port = htons(port);
    return ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
}

void closeIfOpen(int& s)
{
    if (s > 0)
        ::close(s);
    s = 0;
}

}  // namespace

CBroadcastSocket::CBroadcastSocket(unsigned int hostIp, unsigned short port) : m_hostIp(hostIp), m_port(port)
{
    m_dest.sin_family = AF_INET;
    m_dest.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    m_dest.sin_port = htons(port);
    Init();
}

CBroadcastSocket::~CBroadcastSocket()
{
    closeIfOpen(m_sendSock);
    closeIfOpen(m_recvSock);
}

int CBroadcastSocket::Init()
{
    int a = openBroadcastUdp();
    int b = openBroadcastUdp();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (a < 0 || b < 0)
            break;
        // Local ports below 10001 are left to other services.
        const uint16_t port = uint16_t(10001 + std::rand() % (65536 - 10001));
        if (!bindTo(a, INADDR_BROADCAST, port))
            continue;
        if (bindTo(b, m_hostIp, port)) {
            m_recvSock = a;
            m_sendSock = b;
            m_localPort = port;
            return 1;
        }
        // The first socket is bound now: both are replaced.
        ::close(a);
        ::close(b);
        a = openBroadcastUdp();
        b = openBroadcastUdp();
    }
    if (a > 0)
        ::close(a);
    if (b > 0)
        ::close(b);
    return 1;
}

int CBroadcastSocket::send(const void* buf, int len)
{
    if (m_sendSock <= 0)
        return -1;
    return int(::sendto(m_sendSock, buf, size_t(len), 0, reinterpret_cast<const sockaddr*>(&m_dest), sizeof(m_dest)));
}

int CBroadcastSocket::recv(void* buf, int len)
{
    if (m_recvSock <= 0)
        return -1;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(m_recvSock, &set);
    const int waitMs = gigeTimings().recvWaitMs;
    timeval tv{waitMs / 1000, (waitMs % 1000) * 1000};
    if (::select(m_recvSock + 1, &set, nullptr, nullptr, &tv) <= 0)
        return 0;
    sockaddr_in from{};
    socklen_t fromLen = sizeof(from);
    const ssize_t n = ::recvfrom(m_recvSock, buf, size_t(len), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
    return n > 0 ? int(n) : 0;
}
