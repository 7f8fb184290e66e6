#include "vision/gige/fakegigecamera.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "vision/gige/gvcppacket.h"

namespace {

void put32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

uint32_t get32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

}  // namespace

FakeGigeCamera::FakeGigeCamera(int nsFd, std::string ifName, std::vector<FakeGigeDevice> devices, int lifeMs)
    : nsFd_(nsFd), ifName_(std::move(ifName)), lifeMs_(lifeMs), devices_(std::move(devices))
{
}

FakeGigeCamera::~FakeGigeCamera()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

bool FakeGigeCamera::start()
{
    thread_ = std::thread(&FakeGigeCamera::loop, this);
    for (int i = 0; i < 500 && ready_ == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ready_ == 1;
}

std::vector<FakeGigeDevice> FakeGigeCamera::devices() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return devices_;
}

std::vector<uint8_t> FakeGigeCamera::discoveryAck(const FakeGigeDevice& d, uint16_t reqId)
{
    std::vector<uint8_t> a(256, 0);
    a[2] = 0x00;
    a[3] = 0x03;
    a[4] = 0x00;
    a[5] = 0xF8;  // 248 bytes after the header
    a[6] = uint8_t(reqId >> 8);
    a[7] = uint8_t(reqId);
    a[8] = 0x00;
    a[9] = 0x02;  // spec version 1.2 (not read by the host)
    std::memcpy(&a[18], d.mac, 6);
    put32(&a[44], d.ip);
    put32(&a[60], d.mask);
    put32(&a[76], d.gateway);
    std::memcpy(&a[112], d.model.data(), std::min<size_t>(d.model.size(), 32));
    std::memcpy(&a[176], d.vendorInfo.data(), std::min<size_t>(d.vendorInfo.size(), 48));
    if (d.vendorInfo.size() <= 8) {  // device state, link speed and name behind the maker code
        a[184] = 'I';
        a[185] = 'C';
        const char name[] = "cam";
        std::memcpy(&a[188], name, sizeof(name));
    }
    std::memcpy(&a[224], d.serial.data(), std::min<size_t>(d.serial.size(), 16));
    return a;
}

void FakeGigeCamera::reply(int s, uint16_t port, const std::vector<uint8_t>& data)
{
    // Devices outside the host's subnet cannot answer by unicast: the answer is broadcast.
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    to.sin_port = htons(port);
    ::sendto(s, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
}

void FakeGigeCamera::loop()
{
    if (setns(nsFd_, CLONE_NEWNET) != 0) {
        ready_ = -1;
        return;
    }
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(gvcp::kPort);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (s < 0 || ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0 ||
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) != 0 ||
        ::setsockopt(s, SOL_SOCKET, SO_BINDTODEVICE, ifName_.c_str(), socklen_t(ifName_.size() + 1)) != 0 ||
        ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
        if (s >= 0)
            ::close(s);
        ready_ = -1;
        return;
    }
    ready_ = 1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(lifeMs_);
    while (!stop_ && std::chrono::steady_clock::now() < end) {
        pollfd p{s, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        uint8_t in[1500];
        sockaddr_in from{};
        socklen_t fromLen = sizeof(from);
        const ssize_t n = ::recvfrom(s, in, sizeof(in), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        gvcp_cmd_head_s head;
        if (n <= 0 || !ParseGvcpCmdHead(in, int(n), &head) || head.key != gvcp::kKey)
            continue;
        const uint16_t port = ntohs(from.sin_port);
        if (head.cmd == gvcp::DISCOVERY_CMD) {
            ++discoveries_;
            std::vector<FakeGigeDevice> devs = devices();
            if (malformed_ && !devs.empty()) {
                FakeGigeDevice other = devs.front();
                other.mac[5] ^= 0x5A;
                other.serial = "MALFORMED";
                std::vector<uint8_t> ack = discoveryAck(other, head.reqId);
                reply(s, port, std::vector<uint8_t>(ack.begin(), ack.begin() + 255));
                std::vector<uint8_t> wrongId = ack;
                wrongId[7] ^= 0x01;
                reply(s, port, wrongId);
                std::vector<uint8_t> wrongCode = ack;
                wrongCode[3] = 0x05;
                reply(s, port, wrongCode);
                reply(s, port, std::vector<uint8_t>(ack.begin(), ack.begin() + 8));
            }
            for (const FakeGigeDevice& d : devs)
                reply(s, port, discoveryAck(d, head.reqId));
        } else if (head.cmd == gvcp::VENDOR_FORCEIP_CMD && n >= gvcp::kVendorForceIpSize) {
            bool known = false;
            uint16_t status = 0;
            bool silent = false;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                for (FakeGigeDevice& d : devices_) {
                    if (std::memcmp(d.mac, in + 8, 6) != 0)
                        continue;
                    known = true;
                    status = d.forceStatus;
                    silent = d.silent;
                    d.forceCommands.emplace_back(in, in + n);
                    if (dropForce_ > 0 || status != 0)
                        continue;
                    d.ip = get32(in + 14);
                    d.mask = get32(in + 18);
                    d.gateway = get32(in + 22);
                }
            }
            if (!known || silent)
                continue;
            if (dropForce_ > 0) {
                --dropForce_;
                continue;
            }
            // A stray answer to another request first: the host must wait for its own.
            std::vector<uint8_t> ack = {0, 0, 0xF0, 0x09, 0, 0, uint8_t(head.reqId >> 8), uint8_t(head.reqId + 1)};
            reply(s, port, ack);
            ack[7] = uint8_t(head.reqId);
            ack[0] = uint8_t(status >> 8);
            ack[1] = uint8_t(status);
            reply(s, port, ack);
        }
    }
    ::close(s);
}
