#include "recording_driver.h"

#include <algorithm>
#include <cstring>

#include "tkr/protocol.h"

namespace tkr::test {

void RecordingDriver::QueueReply(uint8_t status, std::vector<uint8_t> data) {
    data.insert(data.begin(), status);
    QueueRead(std::move(data));
}

std::vector<std::vector<uint8_t>> RecordingDriver::Writes() const {
    std::vector<std::vector<uint8_t>> result;
    for (const Call& call : calls) {
        if (call.code == tkr::kIoctlBulkWrite)
            result.push_back(call.data);
    }
    return result;
}

std::vector<uint32_t> RecordingDriver::ReadSizes() const {
    std::vector<uint32_t> result;
    for (const Call& call : calls) {
        if (call.code == tkr::kIoctlBulkRead)
            result.push_back(call.outputSize);
    }
    return result;
}

std::vector<uint32_t> RecordingDriver::PipeNumbers(uint32_t code) const {
    std::vector<uint32_t> result;
    for (const Call& call : calls) {
        if (call.code != code)
            continue;
        uint32_t pipe = 0xFFFFFFFF;
        if (call.input.size() == 4)
            std::memcpy(&pipe, call.input.data(), 4);
        result.push_back(pipe);
    }
    return result;
}

uint32_t RecordingDriver::Enumerate(std::vector<std::string>& out) {
    out.clear();
    if (enumerateError != 0)
        return enumerateError;
    out = paths;
    return 0;
}

uint32_t RecordingDriver::Open(const std::string& path, tkr::DeviceHandle& handle) {
    if (openError != 0)
        return openError;
    opened.push_back(path);
    handle = nextHandle_++;
    return 0;
}

void RecordingDriver::Close(tkr::DeviceHandle handle) {
    if (handle != 0)
        ++closes;
}

void RecordingDriver::WritePipeList(uint8_t* output, uint32_t outputSize) const {
    std::vector<uint8_t> list(tkr::kPipeListSize, 0);
    const tkr::PipeListLayout& layout = tkr::kPipeListLayoutNative;
    const int32_t count = pipeCountOverride.value_or(static_cast<int32_t>(pipes.size()));
    std::memcpy(list.data() + layout.countOffset, &count, 4);
    for (size_t i = 0; i < pipes.size() && i < layout.EntriesThatFit(); ++i) {
        uint8_t* entry = list.data() + layout.firstEntryOffset + i * layout.entrySize;
        std::memcpy(entry + layout.maxPacketOffset, &pipes[i].maxPacket, 2);
        entry[layout.endpointOffset] = pipes[i].endpoint;
        std::memcpy(entry + layout.maxTransferOffset, &pipes[i].maxTransfer, 4);
    }
    std::memcpy(output, list.data(), std::min<size_t>(outputSize, list.size()));
}

uint32_t RecordingDriver::Control(tkr::DeviceHandle handle, uint32_t code, const void* input,
                                  uint32_t inputSize, void* output, uint32_t outputSize, uint32_t& returned) {
    Call call;
    call.code = code;
    const auto* in = static_cast<const uint8_t*>(input);
    if (in)
        call.input.assign(in, in + inputSize);
    call.outputSize = outputSize;
    returned = 0;

    switch (code) {
        case tkr::kIoctlGetPipeList:
            calls.push_back(call);
            if (pipeListError != 0)
                return pipeListError;
            WritePipeList(static_cast<uint8_t*>(output), outputSize);
            returned = tkr::kPipeListSize;
            return 0;
        case tkr::kIoctlBulkWrite: {
            const auto* bytes = static_cast<const uint8_t*>(output);
            call.data.assign(bytes, bytes + outputSize);
            calls.push_back(call);
            WriteResult result;
            if (!writes_.empty()) {
                result = writes_.front();
                writes_.pop_front();
            }
            if (result.error != 0)
                return result.error;
            returned = result.count < 0 ? outputSize : static_cast<uint32_t>(result.count);
            return 0;
        }
        case tkr::kIoctlBulkRead: {
            calls.push_back(call);
            if (reads_.empty())
                return 0;
            ReadResult result = reads_.front();
            reads_.pop_front();
            if (result.error != 0)
                return result.error;
            returned = static_cast<uint32_t>(std::min<size_t>(outputSize, result.bytes.size()));
            if (returned > 0)
                std::memcpy(output, result.bytes.data(), returned);
            return 0;
        }
        default:
            calls.push_back(call);
            return tkr::kErrorInvalidParameter;
    }
}

}  // namespace tkr::test
