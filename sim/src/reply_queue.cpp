#include "reply_queue.h"

#include <algorithm>
#include <cstring>

namespace tkbsim {

void ReplyQueue::Clear() {
    replies_.count = 0;
    replies_.bytesUsed = 0;
}

uint8_t* ReplyQueue::Push(uint32_t length) {
    const uint32_t used = std::min(replies_.bytesUsed, state::kReplyByteCapacity);
    if (length > state::kReplyByteCapacity - used) {
        return nullptr;
    }
    if (!Append(state::kFromReplyBytes, used, length)) {
        return nullptr;
    }
    replies_.bytesUsed = used + length;
    return replies_.bytes + used;
}

void ReplyQueue::PushStatus(uint8_t status) {
    if (uint8_t* message = Push(1)) {
        *message = status;
    }
}

void ReplyQueue::PushFlash(uint32_t address, uint32_t length) {
    Append(state::kFromFlash, address, length);
}

uint32_t ReplyQueue::Take(uint8_t* out, uint32_t size) {
    const auto count = static_cast<uint32_t>(state::InUse(replies_.messages, replies_.count).size());
    if (count == 0) {
        return 0;
    }
    state::ReplyMessage& message = replies_.messages[0];
    // The bounds come from a shared file: keep every copy inside its storage whatever they say.
    const uint64_t storageSize = message.source == state::kFromFlash ? kFlashSize : state::kReplyByteCapacity;
    const uint64_t end = std::min<uint64_t>(uint64_t{message.offset} + message.length, storageSize);
    const uint64_t position = std::min<uint64_t>(uint64_t{message.offset} + message.consumed, end);
    const uint32_t taken = static_cast<uint32_t>(std::min<uint64_t>(size, end - position));
    if (message.source == state::kFromFlash) {
        flash_.Read(static_cast<uint32_t>(position), out, taken);
    } else {
        std::memcpy(out, replies_.bytes + position, taken);
    }
    message.consumed = static_cast<uint32_t>(position + taken - message.offset);
    if (position + taken >= end) {
        std::memmove(replies_.messages, replies_.messages + 1, (count - 1) * sizeof(state::ReplyMessage));
        replies_.count = count - 1;
        if (replies_.count == 0) {
            replies_.bytesUsed = 0;
        }
    }
    return taken;
}

state::ReplyMessage* ReplyQueue::Append(uint32_t source, uint32_t offset, uint32_t length) {
    const auto count = static_cast<uint32_t>(state::InUse(replies_.messages, replies_.count).size());
    if (count == state::kReplyMessageCapacity) {
        return nullptr;
    }
    if (faults_.cutArmed) {
        faults_.cutArmed = 0;
        length = std::min(length, faults_.cutLength);
    }
    replies_.messages[count] = state::ReplyMessage{source, offset, length, 0};
    replies_.count = count + 1;
    return &replies_.messages[count];
}

}  // namespace tkbsim
