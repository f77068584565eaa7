// A board folder: one file per virtual board, named board-N.tkb with N its board number. Board
// numbers never change; the enumeration lists the plugged-in boards in number order. Files with
// other names are not boards and are left alone.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tkbsim/board.h"
#include "tkbsim/models.h"

namespace tkbsim {

struct NewBoard {
    const ModelInfo* model = nullptr;
    uint16_t usbRelease = 0;  // 0: the model's own
    // What the board answers to identification when that is not its model's, as boards with
    // firmware of another release do: the version bytes, and letters A to D (0 = none).
    std::optional<std::array<uint8_t, 10>> version{};
    std::optional<std::array<char, 4>> letters{};
};

class BoardFolder {
public:
    explicit BoardFolder(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // Adds one factory-fresh board per newBoard, numbered after the boards present, and creates the
    // folder if needed. Returns the new board numbers. Throws Error.
    std::vector<uint32_t> Create(const std::vector<NewBoard>& newBoards) const;

    struct Entry {
        uint32_t number = 0;
        std::string path;
        std::shared_ptr<Board> board;  // null when the file was refused
        std::string error;             // why it was refused
    };
    // Every board file in number order, opened or with the reason it was refused. A folder that
    // does not exist has no boards. Throws Error when the folder cannot be read.
    std::vector<Entry> List() const;
    std::shared_ptr<Board> Open(uint32_t number) const;

    static std::string FileName(uint32_t number);
    // The board number of a board file's name; false for other names.
    static bool ParseFileName(const std::string& name, uint32_t& number);
    // A board number as file names and device paths write it.
    static bool ParseNumber(const std::string& digits, uint32_t& number);
    std::string PathOf(uint32_t number) const;

private:
    std::string path_;
};

}  // namespace tkbsim
