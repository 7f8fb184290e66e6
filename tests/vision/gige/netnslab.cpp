#include "vision/gige/netnslab.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

extern char** environ;

namespace {

// Runs `args` and waits at most 10 s for it.
bool spawnAndWait(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    for (int i = 0; i < 1000; ++i) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (r < 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return false;
}

}  // namespace

TestNetns::TestNetns()
{
    std::thread([this] {
        if (unshare(CLONE_NEWNET) == 0)
            fd_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    }).join();
}

TestNetns::~TestNetns()
{
    if (fd_ >= 0)
        close(fd_);
}

std::string TestNetns::path() const
{
    return "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(fd_);
}

void TestNetns::run(const std::function<void()>& f) const
{
    std::thread([&] {
        if (setns(fd_, CLONE_NEWNET) == 0)
            f();
    }).join();
}

bool TestNetns::command(const std::vector<std::string>& args) const
{
    bool ok = false;
    // A child started from a thread inside the namespace runs inside it.
    run([&] { ok = spawnAndWait(args); });
    return ok;
}

bool TestNetns::sysctl(const std::string& key, const std::string& value) const
{
    bool ok = false;
    run([&] {
        std::ofstream f("/proc/sys/" + key);
        f << value;
        f.flush();
        ok = bool(f);
    });
    return ok;
}

bool VethLab::addLink(const std::string& hostName, const std::string& camName, const std::string& hostAddr,
                      const std::string& camAddr)
{
    if (!host.command({"ip", "link", "add", hostName, "type", "veth", "peer", "name", camName, "netns", cam.path()})) {
        error = "veth " + hostName;
        return false;
    }
    for (const TestNetns* ns : {&host, &cam}) {
        const std::string& ifName = ns == &host ? hostName : camName;
        const std::string& addr = ns == &host ? hostAddr : camAddr;
        if ((!addr.empty() && !ns->command({"ip", "addr", "add", addr, "dev", ifName})) ||
            !ns->command({"ip", "link", "set", ifName, "up"}) ||
            !ns->sysctl("net/ipv4/conf/" + ifName + "/rp_filter", "0")) {
            error = "configure " + ifName;
            return false;
        }
    }
    return true;
}

bool VethLab::setUp(const std::string& hostAddr, const std::string& camAddr)
{
    if (!host.ok() || !cam.ok()) {
        error = "no network namespace (needs root)";
        return false;
    }
    for (const TestNetns* ns : {&host, &cam}) {
        if (!ns->command({"ip", "link", "set", "lo", "up"}) || !ns->sysctl("net/ipv4/conf/all/rp_filter", "0") ||
            !ns->sysctl("net/ipv4/conf/default/rp_filter", "0")) {
            error = "namespace set-up";
            return false;
        }
    }
    return addLink(hostIf, camIf, hostAddr, camAddr);
}
