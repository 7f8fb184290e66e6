#pragma once
// Memory of the large picture buffers (frames, templates, ignore maps). They come straight from
// the kernel as zero pages: a page costs resident memory only once something is written to it, and
// all of it goes back when the buffer is released. ZeroPages and CopyPages write only the pages
// whose contents change, so a map that stays empty (most stages' ignore maps, their edit copies)
// never takes memory, whatever the number of stages and views.
#include <cstddef>

namespace FrameMemory {

// A zero-filled buffer of n bytes (at least one), page aligned; null when there is no memory.
unsigned char* Allocate(size_t n);
// Gives back a buffer of Allocate; null is ignored.
void Release(unsigned char* p);

// dst[0..n) = 0, writing only the pages that hold a non-zero byte.
void ZeroPages(unsigned char* dst, size_t n);
// dst[0..n) = src[0..n), writing only the pages that differ.
void CopyPages(unsigned char* dst, const unsigned char* src, size_t n);

// Bytes of the buffers held now (for the tests and the figures).
size_t Held();

}  // namespace FrameMemory
