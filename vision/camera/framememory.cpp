#include "vision/camera/framememory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace FrameMemory {

namespace {

std::mutex gLock;
std::unordered_map<unsigned char*, size_t>& Sizes()
{
    static auto* sizes = new std::unordered_map<unsigned char*, size_t>;  // outlives every view
    return *sizes;
}
size_t gHeld = 0;

size_t PageSize()
{
    static const size_t page = size_t(std::max(4096L, sysconf(_SC_PAGESIZE)));
    return page;
}

bool AllZero(const unsigned char* p, size_t n)
{
    // Reading an untouched page maps the shared zero page: no memory is taken.
    static const unsigned char zeros[4096] = {};
    while (n > 0) {
        const size_t k = std::min(n, sizeof(zeros));
        if (std::memcmp(p, zeros, k) != 0)
            return false;
        p += k;
        n -= k;
    }
    return true;
}

}  // namespace

unsigned char* Allocate(size_t n)
{
    n = std::max<size_t>(n, 1);
    void* p = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    auto* b = static_cast<unsigned char*>(p);
    std::lock_guard<std::mutex> lock(gLock);
    Sizes()[b] = n;
    gHeld += n;
    return b;
}

void Release(unsigned char* p)
{
    if (!p)
        return;
    size_t n = 0;
    {
        std::lock_guard<std::mutex> lock(gLock);
        auto it = Sizes().find(p);
        if (it == Sizes().end())
            return;  // not ours: leaking beats unmapping a stranger's memory
        n = it->second;
        Sizes().erase(it);
        gHeld -= n;
    }
    munmap(p, n);
}

void ZeroPages(unsigned char* dst, size_t n)
{
    const size_t page = PageSize();
    // The first chunk ends at a page boundary, so each later chunk is one whole page.
    size_t k = std::min(n, page - reinterpret_cast<uintptr_t>(dst) % page);
    while (n > 0) {
        if (!AllZero(dst, k))
            std::memset(dst, 0, k);
        dst += k;
        n -= k;
        k = std::min(n, page);
    }
}

void CopyPages(unsigned char* dst, const unsigned char* src, size_t n)
{
    if (dst == src)
        return;
    const size_t page = PageSize();
    size_t k = std::min(n, page - reinterpret_cast<uintptr_t>(dst) % page);
    while (n > 0) {
        if (std::memcmp(dst, src, k) != 0)
            std::memcpy(dst, src, k);
        dst += k;
        src += k;
        n -= k;
        k = std::min(n, page);
    }
}

size_t Held()
{
    std::lock_guard<std::mutex> lock(gLock);
    return gHeld;
}

}  // namespace FrameMemory
