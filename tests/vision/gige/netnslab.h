#pragma once
// Test network namespaces: each is made by a short-lived thread and kept alive by an open file, so
// it (and every veth end in it) disappears when the object goes or the process ends, whatever
// happens. Nothing is added to the namespace the test runs in.
#include <functional>
#include <string>
#include <vector>

class TestNetns {
public:
    TestNetns();
    ~TestNetns();
    TestNetns(const TestNetns&) = delete;
    TestNetns& operator=(const TestNetns&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Path other processes can name the namespace by.
    std::string path() const;
    // Runs a set-up command inside the namespace (no shell); true on exit status 0.
    bool command(const std::vector<std::string>& args) const;
    // Runs `f` on a thread inside the namespace and waits for it.
    void run(const std::function<void()>& f) const;
    // Writes a /proc/sys file of the namespace.
    bool sysctl(const std::string& key, const std::string& value) const;

private:
    int fd_ = -1;
};

// Two namespaces joined by veth ends named `hostIf` and `camIf`, both up with lo, reverse-path
// filtering off (the camera answers from a foreign subnet).
struct VethLab {
    TestNetns host;
    TestNetns cam;
    std::string hostIf = "gvh0";
    std::string camIf = "gvc0";
    std::string error;
    // Addresses in CIDR form ("10.0.0.5/24").
    bool setUp(const std::string& hostAddr, const std::string& camAddr);
    // One more veth pair between the same namespaces.
    bool addLink(const std::string& hostName, const std::string& camName, const std::string& hostAddr,
                 const std::string& camAddr);
};
