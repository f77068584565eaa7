#include "support/fake_boards.h"

#include <algorithm>
#include <cstring>

#include "tkr/protocol.h"

namespace tkbctl::test {

namespace {

uint32_t BigEndian(const std::vector<uint8_t>& frame, size_t offset, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | (offset + i < frame.size() ? frame[offset + i] : 0);
    return value;
}

void PutLe(uint8_t* p, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void FakeBoard::PutFlash(uint32_t address, const std::vector<uint8_t>& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i)
        flash[address + static_cast<uint32_t>(i)] = bytes[i];
}

FakeBoard FakeBoard::WithLetters(uint8_t fx3, char a, char b) {
    FakeBoard board;
    board.version = {fx3, 0x02, 0x01};
    board.fpga[0x080000D0] = static_cast<uint8_t>(a);
    board.fpga[0x080000D4] = static_cast<uint8_t>(b);
    return board;
}

std::shared_ptr<FakeBoards> FakeBoards::Install(std::vector<FakeBoard> boards) {
    auto driver = std::make_shared<FakeBoards>(std::move(boards));
    tkr::SetDriver(driver);
    return driver;
}

std::vector<std::vector<uint8_t>> FakeBoards::FramesOf(uint8_t command) const {
    std::vector<std::vector<uint8_t>> result;
    for (const Frame& frame : frames_) {
        if (!frame.bytes.empty() && frame.bytes[0] == command)
            result.push_back(frame.bytes);
    }
    return result;
}

uint32_t FakeBoards::Enumerate(std::vector<std::string>& paths) {
    paths.clear();
    for (size_t i = 0; i < boards_.size(); ++i)
        paths.push_back("fake#" + std::to_string(i));
    return 0;
}

uint32_t FakeBoards::Open(const std::string& path, tkr::DeviceHandle& handle) {
    const int index = std::stoi(path.substr(path.find('#') + 1));
    FakeBoard& board = boards_.at(index);
    if (board.opensLeft == 0)
        return tkr::kErrorFileNotFound;
    if (board.opensLeft > 0)
        --board.opensLeft;
    ++opens_[index];
    handle = static_cast<tkr::DeviceHandle>(index + 1);
    return 0;
}

void FakeBoards::Close(tkr::DeviceHandle) {}

uint32_t FakeBoards::Control(tkr::DeviceHandle handle, uint32_t code, const void*, uint32_t, void* output,
                             uint32_t outputSize, uint32_t& returned) {
    returned = 0;
    const int board = static_cast<int>(handle) - 1;
    if (board < 0 || board >= static_cast<int>(boards_.size()))
        return tkr::kErrorInvalidHandle;
    auto* out = static_cast<uint8_t*>(output);
    switch (code) {
        case tkr::kIoctlGetPipeList: {
            const tkr::PipeListLayout& layout = tkr::kPipeListLayoutNative;
            std::memset(out, 0, outputSize);
            PutLe(out + layout.countOffset, 2, 4);
            const uint8_t endpoints[2] = {tkr::kEndpointBulkOut, tkr::kEndpointBulkIn};
            for (int i = 0; i < 2; ++i) {
                uint8_t* entry = out + layout.firstEntryOffset + i * layout.entrySize;
                PutLe(entry + layout.maxPacketOffset, 512, 2);
                entry[layout.endpointOffset] = endpoints[i];
                PutLe(entry + layout.maxTransferOffset, 65536, 4);
            }
            returned = tkr::kPipeListSize;
            return 0;
        }
        case tkr::kIoctlBulkWrite:
            Receive(board, out, outputSize);
            returned = outputSize;
            return 0;
        case tkr::kIoctlBulkRead: {
            if (replies_.empty())
                return 0;
            const std::vector<uint8_t> reply = std::move(replies_.front());
            replies_.pop_front();
            returned = static_cast<uint32_t>(std::min<size_t>(outputSize, reply.size()));
            std::memcpy(out, reply.data(), returned);
            return 0;
        }
        default:
            return tkr::kErrorInvalidParameter;
    }
}

void FakeBoards::Receive(int board, const uint8_t* bytes, uint32_t length) {
    if (imageBytesDue_ > 0) {
        // The rest of a boot-memory image, possibly in several requests.
        frames_.back().bytes.insert(frames_.back().bytes.end(), bytes, bytes + length);
        imageBytesDue_ -= std::min(imageBytesDue_, length);
        if (imageBytesDue_ == 0)
            replies_.push_back({0});
        return;
    }
    frames_.push_back({board, std::vector<uint8_t>(bytes, bytes + length)});
    Answer(boards_[board], frames_.back().bytes);
}

void FakeBoards::Answer(FakeBoard& board, const std::vector<uint8_t>& frame) {
    const uint8_t command = frame[0];
    if (auto status = board.statusFor.find(command); status != board.statusFor.end() && status->second != 0) {
        replies_.push_back({status->second});
        if (command == tkr::kCmdBootMemRead)
            replies_.push_back({status->second});
        return;
    }
    std::vector<uint8_t> reply{0};
    switch (command) {
        case tkr::kCmdVersion:
            reply.insert(reply.end(), board.version.begin(),
                         board.version.begin() + std::min<size_t>(frame[1], 10));
            break;
        case tkr::kCmdFpgaRead: {
            const uint32_t address = BigEndian(frame, 2, 4);
            const uint32_t length = BigEndian(frame, 6, 2);
            for (uint32_t i = 0; i < length; ++i) {
                const uint32_t value = board.fpga[address + (i / 4) * 4];
                reply.push_back(static_cast<uint8_t>(value >> (8 * (3 - i % 4))));
            }
            break;
        }
        case tkr::kCmdFpgaWrite: {
            const uint32_t address = BigEndian(frame, 2, 4);
            for (size_t i = 9; i + 3 < frame.size(); i += 4)
                board.fpga[address + uint32_t(i - 9)] = BigEndian(frame, i, 4);
            break;
        }
        case tkr::kCmdSpiRead: {
            const uint32_t address = BigEndian(frame, 2, 3);
            const uint32_t length = BigEndian(frame, 5, 2);
            for (uint32_t i = 0; i < length; ++i) {
                auto byte = board.flash.find(address + i);
                reply.push_back(byte == board.flash.end() ? 0xFF : byte->second);
            }
            break;
        }
        case tkr::kCmdSpiWrite:
            board.PutFlash(BigEndian(frame, 2, 3), std::vector<uint8_t>(frame.begin() + 8, frame.end()));
            break;
        case tkr::kCmdI2CWrite:
            if (frame.size() > 2) {
                const uint8_t slave = frame[1] >> 1;
                uint8_t& pointer = pointer_[slave];
                pointer = frame[2];
                for (size_t i = 3; i < frame.size(); ++i)
                    board.i2c[{slave, pointer++}] = frame[i];
            }
            break;
        case tkr::kCmdI2CRead8: {
            // An odd address byte reads on from the register pointer; an even one names the register.
            const uint8_t slave = frame[1] >> 1;
            uint8_t reg = (frame[1] & 1) ? pointer_[slave] : frame[2];
            for (uint8_t i = 0; i < frame[3]; ++i)
                reply.push_back(board.i2c[{slave, reg++}]);
            break;
        }
        case tkr::kCmdBootMemProgram:
            imageBytesDue_ = BigEndian(frame, 5, 3);
            frames_.push_back({frames_.back().board, {}});
            if (imageBytesDue_ == 0)
                replies_.push_back({0});
            break;
        case tkr::kCmdBootMemRead: {
            const uint32_t address = BigEndian(frame, 2, 3);
            const uint32_t length = BigEndian(frame, 5, 3);
            std::vector<uint8_t> data;
            for (uint32_t i = 0; i < length; ++i) {
                auto byte = board.flash.find(address + i);
                data.push_back(byte == board.flash.end() ? 0xFF : byte->second);
            }
            replies_.push_back(std::move(data));
            break;  // the status byte below answers the closing read
        }
        default:
            reply[0] = 0x01;
            break;
    }
    replies_.push_back(std::move(reply));
}

}  // namespace tkbctl::test
