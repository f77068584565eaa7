// The file-open dialog's filter, written as one string of '|'-ended parts:
// "Text File (*.txt)|*.txt|ALL File (*.*)|*.*||". Each description is followed by its patterns
// (';'-separated); an empty part ends the list, as a doubled '|' does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct FileFilter {
    std::string description;
    std::string patterns;
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Throws std::invalid_argument for a description without patterns: the filter is part of the
// program, and a broken one must fail where it is written, not show a dialog with shifted choices.
std::vector<FileFilter> ParseFileFilter(std::string_view filter);

}  // namespace ui
