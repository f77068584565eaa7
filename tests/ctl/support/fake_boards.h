// A small stand-in for the boards' driver: a few boards that answer the command frames the control
// program sends (version, FPGA registers, flash, I2C registers, boot memory) from plain tables, and
// a log of every frame, for tests that check what reaches a board byte for byte and how the program
// reacts to boards that fail.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tkr/driver.h"

namespace tkbctl::test {

struct FakeBoard {
    // Opens left before the board stops opening; -1 means it always opens.
    int opensLeft = -1;
    std::array<uint8_t, 10> version{};
    // FPGA registers, the value with its first wire byte most significant.
    std::map<uint32_t, uint32_t> fpga;
    // Flash bytes by address; unset bytes read 0xFF.
    std::map<uint32_t, uint8_t> flash;
    // I2C registers by (7-bit slave, 8-bit register).
    std::map<std::pair<uint8_t, uint8_t>, uint8_t> i2c;
    // Status bytes for commands by their command code (0 = success when absent).
    std::map<uint8_t, uint8_t> statusFor;

    // Fills the flash from `address` on.
    void PutFlash(uint32_t address, const std::vector<uint8_t>& bytes);
    // The FPGA version qualifies and the identification letters A and B are set.
    static FakeBoard WithLetters(uint8_t fx3, char a, char b);
};

class FakeBoards : public tkr::Driver {
public:
    // One frame as a board received it; a boot-memory image arrives as one frame however the
    // library split it.
    struct Frame {
        int board = 0;
        std::vector<uint8_t> bytes;
    };

    explicit FakeBoards(std::vector<FakeBoard> boards) : boards_(std::move(boards)) {}

    FakeBoard& Board(int index) { return boards_.at(index); }
    const std::vector<Frame>& Frames() const { return frames_; }
    // The frames of one command code, in order.
    std::vector<std::vector<uint8_t>> FramesOf(uint8_t command) const;
    // Opens that succeeded, per board.
    int Opens(int board) const { return opens_.count(board) ? opens_.at(board) : 0; }

    // Makes a driver for `boards` the process's way to the boards (until tkr::SetDriver(nullptr)).
    static std::shared_ptr<FakeBoards> Install(std::vector<FakeBoard> boards);

    uint32_t Enumerate(std::vector<std::string>& paths) override;
    uint32_t Open(const std::string& path, tkr::DeviceHandle& handle) override;
    void Close(tkr::DeviceHandle handle) override;
    uint32_t Control(tkr::DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize, uint32_t& returned) override;

private:
    void Receive(int board, const uint8_t* bytes, uint32_t length);
    void Answer(FakeBoard& board, const std::vector<uint8_t>& frame);

    std::vector<FakeBoard> boards_;
    std::vector<Frame> frames_;
    std::map<int, int> opens_;
    std::deque<std::vector<uint8_t>> replies_;
    // I2C register pointer per slave, set by a write without data.
    std::map<uint8_t, uint8_t> pointer_;
    // Bytes of a boot-memory image still to come after its header.
    uint32_t imageBytesDue_ = 0;
};

}  // namespace tkbctl::test
