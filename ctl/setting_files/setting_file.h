// Setting files: text files of register writes that engineers replay onto a board.
//
// The parser is pure: it turns a file's bytes and the slave address the run starts with into the
// ordered steps of the run (register writes and waits) without touching a board. A whole file is
// parsed before anything is written, so a file that breaks one of the format's limits is refused
// as a whole and never half-applied.
//
// Format, as engineers have written these files for years:
//  - Lines end with CR LF; a lone CR or LF is an ordinary character. The end of the file ends the
//    last line.
//  - An empty line, or one whose first character is '#', ';' or '/', is skipped whole.
//  - Items are separated by ',', space or tab; empty items are ignored. ';', '#' or a zero byte
//    ends the line: the rest is a comment.
//  - Keywords, case-sensitive, recognised by their leading characters: "UNIT" (the next item is
//    the number base, read as decimal), "wt" or "WT" (the next item is a wait in milliseconds),
//    "SLAVE" (the next item is the slave address). A keyword at the end of a line takes the first
//    item of the next line.
//  - Numbers are hexadecimal (an optional "0x") while the base is 16, signed decimal for any other
//    base. The first number of a line is the register address, each further number one data byte
//    (its low 8 bits).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace tkbctl {

// Longest line, in bytes without its CR LF, and most numbers on one line (address + 19 bytes).
inline constexpr std::size_t kSettingFileMaxLineLength = 255;
inline constexpr std::size_t kSettingFileMaxNumbersPerLine = 20;

struct SettingFileWrite {
    int line = 0;  // 1-based line of the file, for messages
    uint32_t slave = 0;
    uint32_t address = 0;
    std::vector<uint8_t> data;

    bool operator==(const SettingFileWrite&) const = default;
};

struct SettingFileWait {
    int line = 0;
    uint32_t milliseconds = 0;

    bool operator==(const SettingFileWait&) const = default;
};

using SettingFileStep = std::variant<SettingFileWrite, SettingFileWait>;

enum class SettingFileFault {
    kEmpty,           // no bytes, or the first byte is zero
    kLineTooLong,     // more than kSettingFileMaxLineLength bytes
    kTooManyNumbers,  // more than kSettingFileMaxNumbersPerLine numbers
    kNotANumber,      // an item where a number belongs that does not begin with one
    kNegativeWait,    // a wait below zero milliseconds
};

struct SettingFileError {
    SettingFileFault fault = SettingFileFault::kEmpty;
    int line = 0;      // 1-based; 0 for kEmpty
    std::string item;  // the offending item, for kNotANumber and kNegativeWait

    bool operator==(const SettingFileError&) const = default;
};

struct SettingFileParse {
    std::vector<SettingFileStep> steps;
    std::optional<SettingFileError> error;  // set: no steps, nothing may be written
};

// Parses a whole setting file. `initialSlave` is the slave address before any "SLAVE" keyword.
SettingFileParse ParseSettingFile(std::span<const uint8_t> bytes, uint32_t initialSlave);

// A message for the user that names the line and says that nothing was written.
std::string SettingFileErrorText(const SettingFileError& error);

}  // namespace tkbctl
