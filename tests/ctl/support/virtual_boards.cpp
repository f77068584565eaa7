#include "support/virtual_boards.h"

#include <atomic>
#include <chrono>
#include <string>
#include <utility>

#include "tkbsim/virtual_driver.h"

namespace tkbctl::test {

namespace fs = std::filesystem;

namespace {

std::vector<tkbsim::NewBoard> OfModels(const std::vector<const char*>& models) {
    std::vector<tkbsim::NewBoard> boards;
    for (const char* model : models)
        boards.push_back({tkbsim::FindModel(model)});
    return boards;
}

}  // namespace

VirtualBoards::VirtualBoards(const std::vector<const char*>& models) {
    Attach(OfModels(models));
}

VirtualBoards::VirtualBoards(std::initializer_list<tkbsim::NewBoard> boards) {
    Attach(boards);
}

void VirtualBoards::Attach(const std::vector<tkbsim::NewBoard>& boards) {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("tkbctl-boards-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
             "-" + std::to_string(counter++));
    folder_.emplace(path_.string());
    numbers_ = folder_->Create(boards);
    tkr::SetDriver(std::make_shared<tkbsim::VirtualDriver>(path_.string()));
}

VirtualBoards::~VirtualBoards() {
    tkr::SetDriver(nullptr);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::shared_ptr<tkbsim::Board> VirtualBoards::Board(size_t index) {
    return folder_->Open(numbers_.at(index));
}

uint32_t VirtualBoards::Opens(size_t index) {
    return Board(index)->Info().opens;
}

std::vector<std::vector<uint8_t>> VirtualBoards::Frames(size_t index) {
    uint64_t overwritten = 0;
    std::vector<std::vector<uint8_t>> frames;
    for (const tkbsim::LoggedFrame& frame : Board(index)->Log(overwritten)) {
        if (!frame.imageData)
            frames.push_back(frame.head);
    }
    return frames;
}

std::vector<std::vector<uint8_t>> VirtualBoards::FramesOf(size_t index, uint8_t command) {
    std::vector<std::vector<uint8_t>> frames;
    for (std::vector<uint8_t>& frame : Frames(index)) {
        if (!frame.empty() && frame[0] == command)
            frames.push_back(std::move(frame));
    }
    return frames;
}

std::vector<uint32_t> VirtualBoards::FpgaReads(size_t index) {
    std::vector<uint32_t> addresses;
    for (const std::vector<uint8_t>& head : FramesOf(index, 0x07)) {
        if (head.size() >= 6)
            addresses.push_back(uint32_t(head[2]) << 24 | head[3] << 16 | head[4] << 8 | head[5]);
    }
    return addresses;
}

}  // namespace tkbctl::test
