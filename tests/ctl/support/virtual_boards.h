// A folder of virtual boards for one test, the process's driver pointed at it, removed at the end.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tkbsim/board_folder.h"
#include "tkbsim/virtual_driver.h"

namespace tkbctl::test {

class VirtualBoardFolder {
public:
    explicit VirtualBoardFolder(const std::vector<const char*>& models) {
        static std::atomic<int> counter{0};
        path_ =
            std::filesystem::temp_directory_path() /
            ("tkbctl-windows-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
             "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
        std::vector<tkbsim::NewBoard> newBoards;
        for (const char* model : models)
            newBoards.push_back({tkbsim::FindModel(model)});
        folder_.emplace(path_.string());
        numbers_ = folder_->Create(newBoards);
        tkr::SetDriver(std::make_shared<tkbsim::VirtualDriver>(path_.string()));
    }
    ~VirtualBoardFolder() {
        tkr::SetDriver(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    VirtualBoardFolder(const VirtualBoardFolder&) = delete;
    VirtualBoardFolder& operator=(const VirtualBoardFolder&) = delete;

    std::shared_ptr<tkbsim::Board> Board(size_t index) { return folder_->Open(numbers_.at(index)); }
    const std::filesystem::path& Path() const { return path_; }

    // The heads of the frames logged on board `index` whose command byte is `command`.
    std::vector<std::vector<uint8_t>> Frames(size_t index, uint8_t command) {
        uint64_t overwritten = 0;
        std::vector<std::vector<uint8_t>> heads;
        for (const tkbsim::LoggedFrame& frame : Board(index)->Log(overwritten)) {
            if (!frame.imageData && !frame.head.empty() && frame.head[0] == command)
                heads.push_back(frame.head);
        }
        return heads;
    }

private:
    std::filesystem::path path_;
    std::optional<tkbsim::BoardFolder> folder_;
    std::vector<uint32_t> numbers_;
};

}  // namespace tkbctl::test
