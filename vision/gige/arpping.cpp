#include "vision/gige/arpping.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "vision/gige/gigetimings.h"
#include "vision/gige/gvcppacket.h"

int arpping(unsigned int testIp, unsigned int hostIp, const unsigned char* hostMac, const char* ifName)
{
    const unsigned int ifIndex = ifName ? if_nametoindex(ifName) : 0;
    if (ifIndex == 0)
        return -1;
    // Bound to the one interface, so a reply that came in elsewhere does not count.
    const int s = ::socket(AF_PACKET, SOCK_RAW, htons(ETH_P_ARP));
    if (s < 0)
        return -1;
    const int on = 1;
    sockaddr_ll ll{};
    ll.sll_family = AF_PACKET;
    ll.sll_protocol = htons(ETH_P_ARP);
    ll.sll_ifindex = int(ifIndex);
    if (::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0 ||
        ::bind(s, reinterpret_cast<sockaddr*>(&ll), sizeof(ll)) != 0) {
        ::close(s);
        return -1;
    }

    uint8_t frame[kArpFrameSize];
    PackArpRequest(frame, hostMac, hostIp, testIp);
    ll.sll_halen = 6;
    std::memset(ll.sll_addr, 0xFF, 6);
    int result = ::sendto(s, frame, sizeof(frame), 0, reinterpret_cast<sockaddr*>(&ll), sizeof(ll)) == sizeof(frame) ? 1 : 0;

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(gigeTimings().arpWaitMs);
    // Every pass either ends the wait or consumes one frame; the deadline bounds both.
    while (result == 1) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{s, POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            result = 0;
            break;
        }
        if (r == 0)
            break;
        uint8_t in[1600];
        const ssize_t n = ::recv(s, in, sizeof(in), 0);
        if (n < 0) {
            result = 0;
            break;
        }
        if (IsArpReplyFrom(in, int(n), hostMac, testIp))
            result = 0;
    }
    ::close(s);
    return result;
}
