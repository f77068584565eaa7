// A stand-in for the boards' driver that records every request and answers from a script, for
// tests that check the library byte for byte at the level of I/O control requests.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tkr/driver.h"

namespace tkr::test {

class RecordingDriver : public tkr::Driver {
public:
    struct Pipe {
        uint8_t endpoint;
        uint16_t maxPacket;
        uint32_t maxTransfer;
    };

    // One request as the library issued it.
    struct Call {
        uint32_t code = 0;
        std::vector<uint8_t> input;
        std::vector<uint8_t> data;  // bulk writes: the bytes sent
        uint32_t outputSize = 0;
    };

    // What one bulk read or write request does: fail with `error`, or move `bytes` (reads) /
    // report `count` bytes sent (writes; -1 means all).
    struct ReadResult {
        std::vector<uint8_t> bytes;
        uint32_t error = 0;
    };
    struct WriteResult {
        int64_t count = -1;
        uint32_t error = 0;
    };

    // --- the board as the tests set it up ---
    std::vector<std::string> paths{"\\\\?\\usb#vid_0525&pid_a115#board0"};
    uint32_t enumerateError = 0;
    uint32_t openError = 0;
    uint32_t pipeListError = 0;
    std::vector<Pipe> pipes{{0x04, 512, 65536}, {0x84, 512, 65536}};
    // Overrides the pipe count written into the list (to test lists that claim too much).
    std::optional<int32_t> pipeCountOverride;

    // Replies for bulk reads, one per request, in order. An empty queue answers 0 bytes.
    void QueueRead(std::vector<uint8_t> bytes) { reads_.push_back({std::move(bytes), 0}); }
    void QueueReadError(uint32_t error) { reads_.push_back({{}, error}); }
    // A status byte followed by data, as most commands answer.
    void QueueReply(uint8_t status, std::vector<uint8_t> data = {});
    void QueueWrite(WriteResult result) { writes_.push_back(result); }

    // --- what the library did ---
    std::vector<Call> calls;
    std::vector<std::string> opened;
    int closes = 0;

    // Bulk writes only, each as the bytes it carried.
    std::vector<std::vector<uint8_t>> Writes() const;
    // The lengths asked for by bulk reads, in order.
    std::vector<uint32_t> ReadSizes() const;
    // The pipe numbers (little-endian input) of bulk requests of `code`.
    std::vector<uint32_t> PipeNumbers(uint32_t code) const;

    // tkr::Driver
    uint32_t Enumerate(std::vector<std::string>& out) override;
    uint32_t Open(const std::string& path, tkr::DeviceHandle& handle) override;
    void Close(tkr::DeviceHandle handle) override;
    uint32_t Control(tkr::DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize, uint32_t& returned) override;

private:
    void WritePipeList(uint8_t* output, uint32_t outputSize) const;

    std::deque<ReadResult> reads_;
    std::deque<WriteResult> writes_;
    tkr::DeviceHandle nextHandle_ = 0x100;
};

}  // namespace tkr::test
