#include "vision/camera/framememory.h"

#include <sys/mman.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
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

// The in-memory files behind AllocateShared, by key; they live as long as the process.
std::map<std::string, std::pair<int, size_t>>& SharedFiles()
{
    static auto* files = new std::map<std::string, std::pair<int, size_t>>;
    return *files;
}

unsigned char* Register(void* p, size_t n)
{
    auto* b = static_cast<unsigned char*>(p);
    std::lock_guard<std::mutex> lock(gLock);
    Sizes()[b] = n;
    gHeld += n;
    return b;
}

// The file of `key` with n bytes written by fill, or -1.
int SharedFile(const std::string& key, size_t n, const std::function<void(unsigned char*)>& fill)
{
    static std::mutex filesLock;
    std::lock_guard<std::mutex> lock(filesLock);
    auto it = SharedFiles().find(key);
    if (it != SharedFiles().end())
        return it->second.second == n ? it->second.first : -1;
    const int fd = memfd_create("framememory", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    void* w = ftruncate(fd, off_t(n)) == 0 ? mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (w == MAP_FAILED) {
        close(fd);
        return -1;
    }
    fill(static_cast<unsigned char*>(w));
    munmap(w, n);
    SharedFiles()[key] = {fd, n};
    return fd;
}

}  // namespace

unsigned char* AllocateShared(const std::string& key, size_t n, const std::function<void(unsigned char*)>& fill)
{
    n = std::max<size_t>(n, 1);
    const int fd = SharedFile(key, n, fill);
    void* p = fd < 0 ? MAP_FAILED : mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (p != MAP_FAILED)
        return Register(p, n);
    unsigned char* b = Allocate(n);
    if (b)
        fill(b);
    return b;
}

unsigned char* Allocate(size_t n)
{
    n = std::max<size_t>(n, 1);
    void* p = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    return Register(p, n);
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
