#include "tkbsim/board_folder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "board_file.h"
#include "platform.h"
#include "tkbsim/error.h"

namespace tkbsim {
namespace {

constexpr const char* kPrefix = "board-";
constexpr const char* kSuffix = ".tkb";

}  // namespace

std::string BoardFolder::FileName(uint32_t number) {
    return kPrefix + std::to_string(number) + kSuffix;
}

bool BoardFolder::ParseFileName(const std::string& name, uint32_t& number) {
    const std::string prefix = kPrefix;
    const std::string suffix = kSuffix;
    if (name.size() < prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    return ParseNumber(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()), number);
}

bool BoardFolder::ParseNumber(const std::string& digits, uint32_t& number) {
    // Exactly the numbers FileName writes: no sign, no leading zero, no overflow.
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        (digits.size() > 1 && digits[0] == '0')) {
        return false;
    }
    number = static_cast<uint32_t>(std::stoul(digits));
    return true;
}

std::string BoardFolder::PathOf(uint32_t number) const {
    return (std::filesystem::path(path_) / FileName(number)).string();
}

std::vector<uint32_t> BoardFolder::Create(const std::vector<NewBoard>& newBoards) const {
    std::error_code error;
    std::filesystem::create_directories(path_, error);
    if (error) {
        throw Error(path_ + ": cannot create the folder: " + error.message());
    }
    uint32_t next = 0;
    for (const Entry& entry : List()) {
        next = std::max(next, entry.number + 1);
    }
    std::vector<uint32_t> numbers;
    for (const NewBoard& newBoard : newBoards) {
        // Built under a name no reader takes for a board, then given its own name only if no other
        // creator took that number meanwhile: readers never see a half-made board.
        static std::atomic<uint32_t> creations{0};
        const std::string temporary =
            (std::filesystem::path(path_) /
             ("creating-" + std::to_string(CurrentProcessId()) + "-" + std::to_string(creations++) + ".tmp"))
                .string();
        RemoveFile(temporary);
        BoardFile::Create(temporary, newBoard);
        while (!RenameNoReplace(temporary, PathOf(next))) {
            ++next;
        }
        numbers.push_back(next++);
    }
    return numbers;
}

std::vector<BoardFolder::Entry> BoardFolder::List() const {
    std::vector<Entry> entries;
    std::error_code error;
    if (!std::filesystem::is_directory(path_, error)) {
        return entries;
    }
    std::filesystem::directory_iterator it(path_, error);
    if (error) {
        throw Error(path_ + ": cannot read the folder: " + error.message());
    }
    for (const auto& file : it) {
        Entry entry;
        if (!ParseFileName(file.path().filename().string(), entry.number)) {
            continue;
        }
        entry.path = file.path().string();
        try {
            entry.board = std::make_shared<Board>(BoardFile::Open(entry.path));
        } catch (const Error& refused) {
            entry.error = refused.what();
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.number < b.number; });
    return entries;
}

std::shared_ptr<Board> BoardFolder::Open(uint32_t number) const {
    const std::string path = PathOf(number);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw Error(path_ + ": there is no board " + std::to_string(number));
    }
    return std::make_shared<Board>(BoardFile::Open(path));
}

}  // namespace tkbsim
