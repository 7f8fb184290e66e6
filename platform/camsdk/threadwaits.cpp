#include "platform/camsdk/threadwaits.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>

#include <sys/syscall.h>
#include <unistd.h>

namespace ThreadWaits {

namespace {

struct Ended {
    int64_t at;
    std::string thread;
    int64_t waitNs;
};

std::mutex gMutex;
// Only the latest ends are asked for: the oldest go first.
constexpr size_t kKept = 256;
std::deque<Ended>& Kept()
{
    static auto* kept = new std::deque<Ended>;  // threads may end while statics are destroyed
    return *kept;
}

}  // namespace

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void KeepMine()
{
    long long ran = 0, waited = 0;
    FILE* f = std::fopen("/proc/thread-self/schedstat", "re");
    if (!f)
        return;
    const bool read = std::fscanf(f, "%lld %lld", &ran, &waited) == 2;
    std::fclose(f);
    if (!read)
        return;
    const std::string thread = std::to_string(long(getpid())) + "/" + std::to_string(long(syscall(SYS_gettid)));
    std::lock_guard<std::mutex> lock(gMutex);
    Kept().push_back({NowNs(), thread, waited});
    if (Kept().size() > kKept)
        Kept().pop_front();
}

std::map<std::string, int64_t> EndedSince(int64_t sinceNs)
{
    std::map<std::string, int64_t> out;
    std::lock_guard<std::mutex> lock(gMutex);
    for (const Ended& e : Kept())
        if (e.at >= sinceNs)
            out[e.thread] = e.waitNs;
    return out;
}

}  // namespace ThreadWaits
