// The command path to a board: driver requests, the pipe search, bulk transfers and the exchange
// (one command frame out, one reply in) under the system-wide lock.
#pragma once

#include <cstdint>

#include "TKR50API.h"
#include "frame/library_state.h"

namespace tkr {

// TKRUSB20_RET_ERROR_SYSTEM | n: a system error code or a board status byte.
constexpr int32_t SystemResult(uint32_t n) {
    return static_cast<int32_t>(static_cast<uint32_t>(TKRUSB20_RET_ERROR_SYSTEM) | n);
}

// One I/O control request on the connection's device. Returns true when it completed; otherwise
// the connection's last error holds the reason. The byte count goes to `bytesReturned`.
bool Request(DeviceConnection& connection, uint32_t code, const void* input, uint32_t inputSize, void* output,
             uint32_t outputSize);

struct PipeEntry {
    uint32_t maxPacket = 0;
    uint32_t maxTransfer = 0;
};

// Index of the last pipe-list entry with `endpoint`, -1 when the request failed, or
// TKRUSB20_RET_ERROR_TKR when no entry matches.
int32_t FindPipe(DeviceConnection& connection, uint8_t endpoint, PipeEntry& entry);

// Whom to tell how far a bulk transfer has got, between its driver requests: once with 0 before
// the first, then after each request that moved data. Only flash images carry one.
struct TransferProgress {
    TKR50API_ProgressCallback callback = nullptr;
    void* context = nullptr;
    uint32_t operation = 0;

    void Report(uint32_t done, uint32_t total) const {
        if (callback)
            callback(context, operation, done, total);
    }
};

int32_t BulkWrite(DeviceConnection& connection, const PipeTable& pipes, const uint8_t* data, uint32_t length,
                  const TransferProgress* progress = nullptr);
int32_t BulkRead(DeviceConnection& connection, const PipeTable& pipes, uint8_t* buffer, uint32_t length,
                 uint32_t& transferred, const TransferProgress* progress = nullptr);

// One direction of an exchange.
struct TransferPhase {
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    uint32_t transferred = 0;  // read phase only
    const TransferProgress* progress = nullptr;
};

// Writes `write` (if any) and reads `read` (if any) with no other exchange of any thread or process
// in between. The reply's status byte is the caller's to judge.
int32_t Exchange(DeviceConnection& connection, const PipeTable& pipes, TransferPhase* write,
                 TransferPhase* read);

}  // namespace tkr
