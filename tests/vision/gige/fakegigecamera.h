#pragma once
// A GigE camera stand-in on a thread inside a test network namespace. It answers DISCOVERY for each
// of its devices by broadcast to the asking port, takes the vendor force-IP command for a device's
// MAC (changing that device's address) and answers it by broadcast.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FakeGigeDevice {
    uint8_t mac[6] = {};
    uint32_t ip = 0;  // host byte order
    uint32_t mask = 0;
    uint32_t gateway = 0;
    std::string vendorInfo = "F622";  // start of the manufacturer-specific information
    std::string model = "MV-GE-SIM";
    std::string serial;
    std::vector<std::vector<uint8_t>> forceCommands;  // every vendor force-IP packet received
    uint16_t forceStatus = 0;                         // status of its force-IP answers
    bool silent = false;                              // takes force-IP commands without answering
};

class FakeGigeCamera {
public:
    // Serves on `ifName` of the namespace `nsFd` for at most `lifeMs`.
    FakeGigeCamera(int nsFd, std::string ifName, std::vector<FakeGigeDevice> devices, int lifeMs = 20000);
    ~FakeGigeCamera();

    // Waits until the socket is bound; false when it could not be.
    bool start();
    std::vector<FakeGigeDevice> devices() const;
    int discoveries() const { return discoveries_; }
    // The next `n` force-IP commands get no answer (the host must send again).
    void dropForceCommands(int n) { dropForce_ = n; }
    // Before the real answers to DISCOVERY: a short one, one with a wrong request id and one with a
    // wrong answer code, each otherwise a valid acknowledgement of another device.
    void sendMalformedFirst(bool on) { malformed_ = on; }

    // The 256-byte acknowledgement of `d` to request `reqId`.
    static std::vector<uint8_t> discoveryAck(const FakeGigeDevice& d, uint16_t reqId);

private:
    void loop();
    void reply(int s, uint16_t port, const std::vector<uint8_t>& data);

    int nsFd_;
    std::string ifName_;
    int lifeMs_;
    mutable std::mutex mutex_;
    std::vector<FakeGigeDevice> devices_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> ready_{0};  // 1 bound, -1 failed
    std::atomic<int> discoveries_{0};
    std::atomic<int> dropForce_{0};
    std::atomic<bool> malformed_{false};
};
