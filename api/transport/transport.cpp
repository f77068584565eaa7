#include "transport/transport.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tkr/byte_order.h"
#include "tkr/protocol.h"

namespace tkr {

namespace {

int32_t NoPipeResult(DeviceConnection& connection) {
    connection.lastError = kErrorInvalidHandle;
    return SystemResult(kErrorInvalidHandle);
}

}  // namespace

bool Request(DeviceConnection& connection, uint32_t code, const void* input, uint32_t inputSize, void* output,
             uint32_t outputSize) {
    uint32_t returned = 0;
    uint32_t error = kErrorInvalidHandle;
    if (connection.device != 0 && connection.driver) {
        error = connection.driver->Control(connection.device, code, input, inputSize, output, outputSize,
                                           returned);
    }
    connection.bytesReturned = returned;
    if (error != 0) {
        connection.lastError = error;
        return false;
    }
    return true;
}

int32_t FindPipe(DeviceConnection& connection, uint8_t endpoint, PipeEntry& entry) {
    uint8_t list[kPipeListSize] = {};
    if (!Request(connection, kIoctlGetPipeList, nullptr, 0, list, sizeof list))
        return -1;

    const PipeListLayout& layout = kPipeListLayoutNative;
    const int32_t count = static_cast<int32_t>(ReadLe32(list + layout.countOffset));
    if (count <= 0)
        return TKRUSB20_RET_ERROR_TKR;

    // A count larger than the reply can hold is read only as far as the reply goes.
    const size_t entries = std::min<size_t>(static_cast<size_t>(count), layout.EntriesThatFit());
    int32_t found = TKRUSB20_RET_ERROR_TKR;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* pipe = list + layout.firstEntryOffset + i * layout.entrySize;
        if (pipe[layout.endpointOffset] != endpoint)
            continue;
        // When an endpoint is listed more than once, the last entry wins.
        found = static_cast<int32_t>(i);
        entry.maxPacket = ReadLe16(pipe + layout.maxPacketOffset);
        entry.maxTransfer = ReadLe32(pipe + layout.maxTransferOffset);
    }
    return found;
}

int32_t BulkWrite(DeviceConnection& connection, const PipeTable& pipes, const uint8_t* data, uint32_t length,
                  const TransferProgress* progress) {
    // Without a pipe found at open there is nothing to split by; never spin on empty chunks.
    if (length > 0 && pipes.outMaxTransfer == 0)
        return NoPipeResult(connection);
    uint8_t pipe[4];
    WriteLe32(pipe, pipes.outPipe);
    if (progress)
        progress->Report(0, length);
    uint32_t remaining = length;
    while (remaining > 0) {
        uint32_t chunk;
        if (remaining > pipes.outMaxTransfer) {
            chunk = pipes.outMaxTransfer;
        } else if (remaining % 1024 == 0) {
            // The last request of a write is never a multiple of 1024 bytes long: the final 64
            // bytes go on their own.
            chunk = remaining - 64;
        } else {
            chunk = remaining;
        }
        // The driver's output buffer is where the data to send travels (direct I/O).
        auto* out = const_cast<uint8_t*>(data + (length - remaining));
        if (!Request(connection, kIoctlBulkWrite, pipe, sizeof pipe, out, chunk) ||
            connection.bytesReturned != chunk) {
            return SystemResult(connection.lastError);
        }
        remaining -= chunk;
        if (progress)
            progress->Report(length - remaining, length);
    }
    return TKRUSB20_RET_SUCCESS;
}

int32_t BulkRead(DeviceConnection& connection, const PipeTable& pipes, uint8_t* buffer, uint32_t length,
                 uint32_t& transferred, const TransferProgress* progress) {
    if (length > 0 && pipes.inMaxTransfer == 0)
        return NoPipeResult(connection);
    uint8_t pipe[4];
    WriteLe32(pipe, pipes.inPipe);
    uint32_t remaining = length;
    uint32_t lastAsked = 0;
    uint32_t lastReturned = 0;
    if (progress)
        progress->Report(0, length);
    while (remaining > 0) {
        const uint32_t chunk = std::min(remaining, pipes.inMaxTransfer);
        if (!Request(connection, kIoctlBulkRead, pipe, sizeof pipe, buffer + (length - remaining), chunk)) {
            return SystemResult(connection.lastError);
        }
        lastAsked = chunk;
        lastReturned = connection.bytesReturned;
        if (lastReturned == chunk) {
            remaining -= chunk;
        } else if (chunk == pipes.inMaxTransfer && lastReturned + 512 == chunk) {
            // A full-size transfer may come back one USB 2 packet short and still go on.
            remaining -= lastReturned;
        } else {
            if (progress && lastReturned > 0)
                progress->Report(length - remaining + lastReturned, length);
            break;  // a short reply ends the read; its bytes are in the buffer all the same
        }
        if (progress)
            progress->Report(length - remaining, length);
    }
    transferred = length - remaining;

    // A reply that filled the last request to a whole packet may have more packets behind it:
    // read and drop them so that the next exchange starts clean.
    if (pipes.inMaxPacket != 0 && lastAsked == pipes.inMaxPacket && lastReturned == pipes.inMaxPacket) {
        std::vector<uint8_t> scratch(pipes.inMaxPacket);
        while (Request(connection, kIoctlBulkRead, pipe, sizeof pipe, scratch.data(), pipes.inMaxPacket) &&
               connection.bytesReturned == pipes.inMaxPacket) {
        }
    }
    return TKRUSB20_RET_SUCCESS;
}

int32_t Exchange(DeviceConnection& connection, const PipeTable& pipes, TransferPhase* write,
                 TransferPhase* read) {
    if (!connection.exchangeLock)
        return SystemResult(connection.lastError);
    SystemMutexGuard guard(*connection.exchangeLock);
    if (write) {
        const int32_t result = BulkWrite(connection, pipes, write->buffer, write->length, write->progress);
        if (result != TKRUSB20_RET_SUCCESS)
            return result;
    }
    if (read)
        return BulkRead(connection, pipes, read->buffer, read->length, read->transferred, read->progress);
    return TKRUSB20_RET_SUCCESS;
}

}  // namespace tkr
