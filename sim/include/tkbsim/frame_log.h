// One entry of a board's frame log: a frame the board received, as far as the log keeps it.
#pragma once

#include <cstdint>
#include <vector>

namespace tkbsim {

struct LoggedFrame {
    uint64_t sequence = 0;      // 0 for the first frame after the log was cleared
    uint32_t pid = 0;           // process that sent the frame's first request
    uint32_t length = 0;        // bytes in the whole frame
    bool imageData = false;     // the data phase of a boot-memory program, not a command frame
    std::vector<uint8_t> head;  // the first bytes of the frame (at most 48)
};

}  // namespace tkbsim
