// What the board has ready on its bulk-in endpoint: whole reply messages, each one USB transfer.
// A bulk read takes bytes from the first message only (a short transfer ends a read): a read that
// asks for more than the message holds gets the rest of it, and a read with nothing pending gets
// 0 bytes, because the virtual driver cannot wait for a reply that will never come.
#pragma once

#include <cstdint>

#include "board_state.h"
#include "flash.h"

namespace tkbsim {

class ReplyQueue {
public:
    ReplyQueue(state::Replies& replies, state::Faults& faults, const Flash& flash)
        : replies_(replies), faults_(faults), flash_(flash) {}

    void Clear();
    // Room for a message of `length` bytes the caller fills in, or nullptr when the queue is full.
    uint8_t* Push(uint32_t length);
    void PushStatus(uint8_t status);
    // A message read straight from flash when it is taken: boot-memory reads are too long to copy.
    void PushFlash(uint32_t address, uint32_t length);
    // One bulk read: up to `size` bytes of the first message; returns how many.
    uint32_t Take(uint8_t* out, uint32_t size);

private:
    state::ReplyMessage* Append(uint32_t source, uint32_t offset, uint32_t length);

    state::Replies& replies_;
    state::Faults& faults_;
    const Flash& flash_;
};

}  // namespace tkbsim
