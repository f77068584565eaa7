#include "frame_log.h"

#include <algorithm>

namespace tkbsim {

void FrameLog::Append(const state::Receiver& frame) {
    state::LogEntry& entry = log_.entries[log_.total % state::kLogCapacity];
    entry.sequence = log_.total;
    entry.pid = frame.pid;
    entry.length = frame.length;
    entry.kind = frame.kind;
    std::copy(std::begin(frame.head), std::end(frame.head), entry.head);
    ++log_.total;
}

std::vector<LoggedFrame> FrameLog::Entries(uint64_t& overwritten) const {
    const uint64_t total = log_.total;
    const uint64_t held = std::min<uint64_t>(total, state::kLogCapacity);
    overwritten = total - held;
    std::vector<LoggedFrame> frames;
    frames.reserve(held);
    for (uint64_t sequence = overwritten; sequence < total; ++sequence) {
        const state::LogEntry& entry = log_.entries[sequence % state::kLogCapacity];
        LoggedFrame frame;
        frame.sequence = sequence;
        frame.pid = entry.pid;
        frame.length = entry.length;
        frame.imageData = entry.kind == state::kFrameImageData;
        frame.head.assign(entry.head, entry.head + std::min(entry.length, state::kLogHeadBytes));
        frames.push_back(std::move(frame));
    }
    return frames;
}

}  // namespace tkbsim
