#pragma once
// The time threads of the simulator waited for a CPU, kept as they end: a thread's count (the
// second field of its schedstat) leaves /proc with it, and a stop joins such a thread just before
// the stop's time is judged. Whoever asks whether this process got the CPU reads them here.
#include <cstdint>
#include <map>
#include <string>

namespace ThreadWaits {

// Called on a thread as it ends: keeps its run-queue wait.
void KeepMine();
// The waits (ns) of the threads that ended since `sinceNs` (steady clock), by "<pid>/<tid>".
std::map<std::string, int64_t> EndedSince(int64_t sinceNs);
// The steady clock as EndedSince counts it (ns).
int64_t NowNs();

}  // namespace ThreadWaits
