// Frame buffers: page-wise zeroing and copying give exactly what memset and memcpy give (also at
// offsets and lengths off the page grid), and a buffer that stays empty takes no resident memory.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "vision/camera/framememory.h"

namespace {

long RssKb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

struct Buffer {
    explicit Buffer(size_t n) : p(FrameMemory::Allocate(n)), n(n) {}
    ~Buffer() { FrameMemory::Release(p); }
    unsigned char* p;
    size_t n;
};

}  // namespace

TEST(FrameMemory, PageWiseCopyAndZeroMatchMemcpyAndMemsetAtAnyOffset)
{
    std::mt19937 rng(7);
    const size_t n = 5 * 4096 + 123;
    Buffer a(n), b(n);
    ASSERT_TRUE(a.p && b.p);
    // Sparse content: some pages zero, some with one byte set, some full.
    std::vector<unsigned char> src(n, 0);
    for (size_t i = 4096; i < 2 * 4096; ++i)
        src[i] = static_cast<unsigned char>(rng());
    src[3 * 4096 + 17] = 9;
    src[n - 1] = 255;
    for (const size_t off : {size_t(0), size_t(1), size_t(4095), size_t(4097)}) {
        for (const size_t len : {size_t(0), size_t(1), size_t(4096), n - off}) {
            std::memset(a.p, 0xAB, n);  // stale content everywhere
            std::memcpy(b.p, a.p, n);
            FrameMemory::CopyPages(a.p + off, src.data() + off, len);
            std::memcpy(b.p + off, src.data() + off, len);
            ASSERT_EQ(0, std::memcmp(a.p, b.p, n)) << "copy at " << off << " length " << len;
            FrameMemory::ZeroPages(a.p + off, len);
            std::memset(b.p + off, 0, len);
            ASSERT_EQ(0, std::memcmp(a.p, b.p, n)) << "zero at " << off << " length " << len;
        }
    }
}

TEST(FrameMemory, BuffersThatStayEmptyTakeNoMemoryAndAreGivenBack)
{
    const size_t n = 64u << 20;
    const size_t heldBefore = FrameMemory::Held();
    const long before = RssKb();
    {
        Buffer map(n), edit(n);
        ASSERT_TRUE(map.p && edit.p);
        EXPECT_EQ(heldBefore + 2 * n, FrameMemory::Held());
        EXPECT_EQ(0, map.p[n / 2]);
        // What loading an ignore map without a file and taking its edit copy does.
        FrameMemory::ZeroPages(map.p, n);
        FrameMemory::CopyPages(edit.p, map.p, n);
        EXPECT_LT(RssKb() - before, 8 * 1024) << "an empty map took memory";
        // A map with marks takes memory where the marks are, the copy too.
        for (size_t i = 0; i < n / 4; i += 4096)
            map.p[i] = 255;
        FrameMemory::CopyPages(edit.p, map.p, n);
        const long marked = RssKb() - before;
        EXPECT_GT(marked, 24 * 1024);
        EXPECT_LT(marked, 40 * 1024);
        EXPECT_EQ(255, edit.p[4096]);
        EXPECT_EQ(0, edit.p[n / 4 + 4096]);
    }
    EXPECT_EQ(heldBefore, FrameMemory::Held());
    EXPECT_LT(RssKb() - before, 8 * 1024) << "released buffers kept their memory";
    // Null and foreign pointers are left alone.
    FrameMemory::Release(nullptr);
    unsigned char local[16] = {};
    FrameMemory::Release(local);
    EXPECT_EQ(heldBefore, FrameMemory::Held());
}

TEST(FrameMemory, SharedBuffersReadTheSamePictureAndKeepTheirOwnWrites)
{
    const size_t n = 3 * 4096 + 5;
    int fills = 0;
    const auto fill = [&fills, n](unsigned char* b) {
        ++fills;
        for (size_t i = 0; i < n; i += 7)
            b[i] = static_cast<unsigned char>(i / 7);
    };
    // A key of its own each run: the picture of a key stays for the life of the process.
    static int runs = 0;
    const std::string key = "framememory test " + std::to_string(++runs);
    const size_t heldBefore = FrameMemory::Held();
    unsigned char* a = FrameMemory::AllocateShared(key, n, fill);
    unsigned char* b = FrameMemory::AllocateShared(key, n, fill);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(1, fills) << "the picture is written once per key";
    EXPECT_EQ(heldBefore + 2 * n, FrameMemory::Held());
    std::vector<unsigned char> expected(n, 0);
    fill(expected.data());
    EXPECT_EQ(0, std::memcmp(a, expected.data(), n));
    EXPECT_EQ(0, std::memcmp(b, expected.data(), n));
    // A write (a stage's template replaced) stays in its own buffer, also for one made later.
    std::memset(a + 4096, 0xEE, 4096);
    a[n - 1] = 1;
    unsigned char* c = FrameMemory::AllocateShared(key, n, fill);
    ASSERT_TRUE(c);
    EXPECT_EQ(0, std::memcmp(b, expected.data(), n));
    EXPECT_EQ(0, std::memcmp(c, expected.data(), n));
    EXPECT_EQ(0xEE, a[4096 + 100]);
    EXPECT_EQ(1, a[n - 1]);
    // Another size under the same key is not that picture: a plain buffer with the fill.
    unsigned char* d = FrameMemory::AllocateShared(key, n + 1, fill);
    ASSERT_TRUE(d);
    EXPECT_EQ(0, std::memcmp(d, expected.data(), n));
    EXPECT_EQ(0, d[n]);
    for (unsigned char* p : {a, b, c, d})
        FrameMemory::Release(p);
    EXPECT_EQ(heldBefore, FrameMemory::Held());
}
