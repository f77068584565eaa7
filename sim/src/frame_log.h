// The board's log of received frames: a ring of the newest entries in the board file.
#pragma once

#include <cstdint>
#include <vector>

#include "board_state.h"
#include "tkbsim/frame_log.h"

namespace tkbsim {

class FrameLog {
public:
    explicit FrameLog(state::FrameLog& log) : log_(log) {}

    void Append(const state::Receiver& frame);
    void Clear() { log_.total = 0; }
    // The entries still held, oldest first, and how many older ones the ring has overwritten.
    std::vector<LoggedFrame> Entries(uint64_t& overwritten) const;

private:
    state::FrameLog& log_;
};

}  // namespace tkbsim
