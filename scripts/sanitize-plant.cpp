// Faults planted for scripts/sanitize to prove itself (MOULDMON_SANITIZE_PLANT): "race" writes
// one value from two threads with nothing ordering them, "use-after-free" reads a freed block.
// Each must be reported and fail the run.
#include <cstdio>
#include <cstring>
#include <thread>

int plantedShared = 0;

int main(int argc, char** argv)
{
    if (argc > 1 && !std::strcmp(argv[1], "race")) {
        std::thread other([] { ++plantedShared; });
        ++plantedShared;
        other.join();
        std::printf("%d\n", plantedShared);
        return 0;
    }
    int* volatile block = new int[4]{};
    delete[] block;
    return block[1];
}
