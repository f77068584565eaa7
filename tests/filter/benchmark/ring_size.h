// How many frames the benchmarks' rings hold. Frames of a live graph arrive by DMA and are touched
// once; a ring stands for that only when it is several times the last-level cache, and some hosts have
// a cache of hundreds of megabytes, where a fixed ring of 16 frames runs the memcpy largely from the
// cache while the conversion, bound by its arithmetic, gains little from it.
#pragma once

#include <cstddef>
#include <string>

namespace qdflip::bench {
// The largest data or unified cache the system reports, in bytes; 0 when it reports none.
size_t LastLevelCacheBytes();

// The frames of a ring whose frames take `bytesPerFrame` each (input and output together): enough
// for four times `cacheBytes`, at least 16, and no more than a share of the address space that a
// 32-bit process can still allocate beside everything else (a 64-bit one is allowed eight times as
// much).
size_t RingFramesFor(size_t cacheBytes, size_t bytesPerFrame);

// RingFramesFor this host's last-level cache, worked out once.
size_t RingFrames(size_t bytesPerFrame);

// " [ring of N]": what the ring figures' names end with.
std::string RingSuffix(size_t frames);
}  // namespace qdflip::bench
