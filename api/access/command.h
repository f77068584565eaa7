// Running one command on the board: the frame goes out, the reply (status byte and data) comes back.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/library_state.h"
#include "transport/transport.h"

namespace tkr {

// The connection, or nullptr when TKR50API_Init has not created one.
inline DeviceConnection* Connection() { return State().connection.get(); }

// Appends `value` big-endian in `bytes` bytes, as every multi-byte field of a frame is.
inline void AppendBigEndian(std::vector<uint8_t>& frame, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) frame.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Sends `frame` and reads a reply of one status byte and `dataLength` data bytes (at most 1023).
// On status 0 the data is copied to `data` (when given). Returns the library result code.
int32_t RunCommand(DeviceConnection& connection, std::vector<uint8_t>& frame, uint32_t dataLength = 0,
                   uint8_t* data = nullptr);

}  // namespace tkr
