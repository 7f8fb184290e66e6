#pragma once
// Memory of the large picture buffers (frames, templates, ignore maps). They come straight from
// the kernel as zero pages: a page costs resident memory only once something is written to it, and
// all of it goes back when the buffer is released. ZeroPages and CopyPages write only the pages
// whose contents change, so a map that stays empty (most stages' ignore maps, their edit copies)
// never takes memory, whatever the number of stages and views.
#include <cstddef>
#include <functional>
#include <string>

namespace FrameMemory {

// A zero-filled buffer of n bytes (at least one), page aligned; null when there is no memory.
unsigned char* Allocate(size_t n);
// A buffer of n bytes holding the picture that `fill` writes once per `key` and process; every
// buffer of the same key shares its pages until it writes them (each page is copied on its first
// write), and a page never read costs the buffer nothing. For fixed stand-in pictures that most
// buffers only keep. Falls back to Allocate plus fill; null when there is no memory.
unsigned char* AllocateShared(const std::string& key, size_t n, const std::function<void(unsigned char*)>& fill);
// Gives back a buffer of Allocate or AllocateShared; null is ignored.
void Release(unsigned char* p);

// dst[0..n) = 0, writing only the pages that hold a non-zero byte.
void ZeroPages(unsigned char* dst, size_t n);
// dst[0..n) = src[0..n), writing only the pages that differ.
void CopyPages(unsigned char* dst, const unsigned char* src, size_t n);

// Bytes of the buffers held now (for the tests and the figures).
size_t Held();

}  // namespace FrameMemory
