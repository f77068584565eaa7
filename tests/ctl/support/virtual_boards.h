// Virtual boards for the control-core tests: a board folder of its own per test, made the library's
// way to the boards for the test's length and removed with its boards at the end. Faults and the
// frame log are reached through Board().
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "tkbsim/board_folder.h"

namespace tkbctl::test {

class VirtualBoards {
public:
    // One board per model name, numbered from 0 in this order.
    explicit VirtualBoards(const std::vector<const char*>& models);
    // One board per description, numbered from 0 in this order.
    VirtualBoards(std::initializer_list<tkbsim::NewBoard> boards);
    ~VirtualBoards();
    VirtualBoards(const VirtualBoards&) = delete;
    VirtualBoards& operator=(const VirtualBoards&) = delete;

    std::shared_ptr<tkbsim::Board> Board(size_t index);
    const std::filesystem::path& Path() const { return path_; }

    // The command frames a board received, in order, as far as the log keeps their first bytes.
    std::vector<std::vector<uint8_t>> Frames(size_t index);
    // The logged frames of one command code a board received, in order, as far as the log keeps
    // their first bytes.
    std::vector<std::vector<uint8_t>> FramesOf(size_t index, uint8_t command);
    // The FPGA registers a board was asked to read, in order.
    std::vector<uint32_t> FpgaReads(size_t index);
    // Handles opened on a board.
    uint32_t Opens(size_t index);

private:
    void Attach(const std::vector<tkbsim::NewBoard>& boards);

    std::filesystem::path path_;
    std::optional<tkbsim::BoardFolder> folder_;
    std::vector<uint32_t> numbers_;
};

}  // namespace tkbctl::test
