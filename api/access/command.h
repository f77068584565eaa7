// Running one command on the board: the frame goes out, the reply (status byte and data) comes back.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "frame/library_state.h"
#include "tkr/protocol.h"
#include "transport/transport.h"

namespace tkr {

// The connection, or nullptr when TKR50API_Init has not created one.
inline DeviceConnection* Connection() {
    return State().connection.get();
}

// Appends `value` big-endian in `bytes` bytes, as every multi-byte field of a frame is.
inline void AppendBigEndian(std::vector<uint8_t>& frame, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        frame.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Appends a write's data bytes to its frame.
inline void AppendData(std::vector<uint8_t>& frame, const uint8_t* data, uint32_t length) {
    if (length == 0)
        return;
    frame.reserve(frame.size() + length);
    frame.insert(frame.end(), data, data + length);
}

// Sends `frame` and reads a reply of one status byte and `dataLength` data bytes (at most 1023).
// On status 0 the data is copied to `data` (when given). Returns the library result code.
// `progress` hears how far the frame has gone out.
int32_t RunCommand(DeviceConnection& connection, std::vector<uint8_t>& frame, uint32_t dataLength = 0,
                   uint8_t* data = nullptr, const TransferProgress* progress = nullptr);

}  // namespace tkr
