#include "ring_size.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace qdflip::bench {
namespace {
constexpr size_t kFewestFrames = 16;
constexpr size_t kTimesTheCache = 4;
constexpr uint64_t kMiB = uint64_t(1) << 20;
// What a ring may take of the address space.
constexpr uint64_t kMostRingBytes = sizeof(void*) == 4 ? 512 * kMiB : 4096 * kMiB;
}  // namespace

size_t LastLevelCacheBytes() {
#ifdef _WIN32
    DWORD bytes = 0;
    GetLogicalProcessorInformation(nullptr, &bytes);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) {
        return 0;
    }
    std::vector<SYSTEM_LOGICAL_PROCESSOR_INFORMATION> entries(bytes /
                                                              sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    bytes = static_cast<DWORD>(entries.size() * sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    if (!GetLogicalProcessorInformation(entries.data(), &bytes)) {
        return 0;
    }
    size_t largest = 0;
    for (const auto& entry : entries) {
        if (entry.Relationship == RelationCache && entry.Cache.Type != CacheInstruction) {
            largest = std::max<size_t>(largest, entry.Cache.Size);
        }
    }
    return largest;
#else
    size_t largest = 0;
    for (const int name :
         {_SC_LEVEL1_DCACHE_SIZE, _SC_LEVEL2_CACHE_SIZE, _SC_LEVEL3_CACHE_SIZE, _SC_LEVEL4_CACHE_SIZE}) {
        largest = std::max(largest, static_cast<size_t>(std::max(sysconf(name), 0L)));
    }
    return largest;
#endif
}

size_t RingFramesFor(size_t cacheBytes, size_t bytesPerFrame) {
    if (bytesPerFrame == 0) {
        return kFewestFrames;
    }
    const uint64_t most = std::max<uint64_t>(kMostRingBytes / bytesPerFrame, kFewestFrames);
    if (cacheBytes > kMostRingBytes) {
        return static_cast<size_t>(most);  // and four times the cache cannot overflow below
    }
    const uint64_t wanted = kTimesTheCache * uint64_t(cacheBytes);
    const uint64_t frames = (wanted + bytesPerFrame - 1) / bytesPerFrame;
    return static_cast<size_t>(std::clamp<uint64_t>(frames, kFewestFrames, most));
}

size_t RingFrames(size_t bytesPerFrame) {
    static const size_t cacheBytes = LastLevelCacheBytes();
    return RingFramesFor(cacheBytes, bytesPerFrame);
}

std::string RingSuffix(size_t frames) {
    return " [ring of " + std::to_string(frames) + "]";
}
}  // namespace qdflip::bench
