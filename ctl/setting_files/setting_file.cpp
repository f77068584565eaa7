#include "setting_files/setting_file.h"
#include "text/characters.h"

#include <string_view>

namespace tkbctl {
namespace {

constexpr int kHexBase = 16;

struct Number {
    uint32_t value = 0;  // low 32 bits of the number written, two's complement when negative
    bool negative = false;
};

int DecimalDigit(char c) {
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

// Reads the leading number of `item` the way the C conversions "%x" (base 16) and "%d" (any other
// base) do: white space, an optional sign, for hexadecimal an optional "0x", then the longest run
// of digits; whatever follows is ignored, so "1G" is 1. Digits beyond 32 bits wrap, keeping the low
// 32 bits, rather than depending on what a C library does on overflow.
std::optional<Number> ReadNumber(std::string_view item, int base) {
    std::size_t pos = 0;
    while (pos < item.size() && IsCSpace(item[pos]))
        ++pos;
    bool negative = false;
    if (pos < item.size() && (item[pos] == '+' || item[pos] == '-')) {
        negative = item[pos] == '-';
        ++pos;
    }
    const bool hex = base == kHexBase;
    bool sawDigit = false;
    if (hex && pos + 1 < item.size() && item[pos] == '0' && (item[pos + 1] == 'x' || item[pos + 1] == 'X')) {
        // "0x" with nothing after it still read its 0.
        sawDigit = true;
        pos += 2;
    }
    uint32_t value = 0;
    for (; pos < item.size(); ++pos) {
        const int digit = hex ? HexDigit(item[pos]) : DecimalDigit(item[pos]);
        if (digit < 0)
            break;
        value = value * (hex ? 16u : 10u) + static_cast<uint32_t>(digit);
        sawDigit = true;
    }
    if (!sawDigit)
        return std::nullopt;
    return Number{negative ? 0u - value : value, negative && value != 0};
}

bool StartsWith(std::string_view item, std::string_view prefix) {
    return item.substr(0, prefix.size()) == prefix;
}

bool IsSeparator(char c) {
    return c == ',' || c == ' ' || c == '\t';
}
bool EndsLine(char c) {
    return c == ';' || c == '#' || c == '\0';
}
bool IsCommentLine(std::string_view line) {
    return line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '/';
}

// The non-empty items of a line, up to its comment.
std::vector<std::string_view> SplitItems(std::string_view line) {
    std::vector<std::string_view> items;
    std::size_t start = 0;
    std::size_t pos = 0;
    for (; pos < line.size() && !EndsLine(line[pos]); ++pos) {
        if (IsSeparator(line[pos])) {
            if (pos > start)
                items.push_back(line.substr(start, pos - start));
            start = pos + 1;
        }
    }
    if (pos > start)
        items.push_back(line.substr(start, pos - start));
    return items;
}

// State that lives across lines: a keyword at the end of one line takes the first item of the next.
class Interpreter {
public:
    explicit Interpreter(uint32_t initialSlave) : slave_(initialSlave) {}

    // Appends the steps of one line; returns an error and leaves the steps alone when the line is bad.
    std::optional<SettingFileError> TakeLine(int lineNumber, std::string_view line,
                                             std::vector<SettingFileStep>& steps) {
        if (line.size() > kSettingFileMaxLineLength)
            return SettingFileError{SettingFileFault::kLineTooLong, lineNumber, {}};
        if (IsCommentLine(line))
            return std::nullopt;

        std::vector<uint32_t> values;
        for (std::string_view item : SplitItems(line)) {
            if (StartsWith(item, "UNIT")) {
                basePending_ = true;
                continue;
            }
            if (StartsWith(item, "wt") || StartsWith(item, "WT")) {
                waitPending_ = true;
                continue;
            }
            if (StartsWith(item, "SLAVE")) {
                slavePending_ = true;
                continue;
            }
            // The base is always written in decimal, whatever the current base.
            const std::optional<Number> number = ReadNumber(item, basePending_ ? 10 : base_);
            if (!number)
                return SettingFileError{SettingFileFault::kNotANumber, lineNumber, std::string(item)};
            if (basePending_) {
                base_ = static_cast<int32_t>(number->value);
                basePending_ = false;
            } else if (waitPending_) {
                if (number->negative)
                    return SettingFileError{SettingFileFault::kNegativeWait, lineNumber, std::string(item)};
                steps.push_back(SettingFileWait{lineNumber, number->value});
                waitPending_ = false;
            } else if (slavePending_) {
                slave_ = number->value;
                slavePending_ = false;
            } else {
                if (values.size() == kSettingFileMaxNumbersPerLine) {
                    return SettingFileError{SettingFileFault::kTooManyNumbers, lineNumber, {}};
                }
                values.push_back(number->value);
            }
        }
        if (!values.empty()) {
            SettingFileWrite write{lineNumber, slave_, values.front(), {}};
            for (std::size_t i = 1; i < values.size(); ++i)
                write.data.push_back(static_cast<uint8_t>(values[i]));
            steps.push_back(std::move(write));
        }
        return std::nullopt;
    }

private:
    int32_t base_ = kHexBase;
    uint32_t slave_;
    bool basePending_ = false;
    bool waitPending_ = false;
    bool slavePending_ = false;
};

}  // namespace

SettingFileParse ParseSettingFile(std::span<const uint8_t> bytes, uint32_t initialSlave) {
    SettingFileParse result;
    if (bytes.empty() || bytes.front() == 0) {
        result.error = SettingFileError{SettingFileFault::kEmpty, 0, {}};
        return result;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    Interpreter interpreter(initialSlave);
    int lineNumber = 1;
    for (std::size_t start = 0; start <= text.size(); ++lineNumber) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        if (std::optional<SettingFileError> error =
                interpreter.TakeLine(lineNumber, text.substr(start, end - start), result.steps)) {
            result.steps.clear();
            result.error = std::move(error);
            return result;
        }
        start = end + 2;
    }
    return result;
}

std::string SettingFileErrorText(const SettingFileError& error) {
    const std::string where = "Setting file line " + std::to_string(error.line);
    std::string text;
    switch (error.fault) {
        case SettingFileFault::kEmpty:
            text = "The setting file is empty.";
            break;
        case SettingFileFault::kLineTooLong:
            text = where + " is longer than " + std::to_string(kSettingFileMaxLineLength) + " characters.";
            break;
        case SettingFileFault::kTooManyNumbers:
            text = where + " holds more than " + std::to_string(kSettingFileMaxNumbersPerLine) +
                   " numbers (an address and at most " + std::to_string(kSettingFileMaxNumbersPerLine - 1) +
                   " data bytes).";
            break;
        case SettingFileFault::kNotANumber:
            text = where + ": \"" + error.item + "\" is not a number.";
            break;
        case SettingFileFault::kNegativeWait:
            text = where + ": the wait \"" + error.item + "\" is negative.";
            break;
    }
    return text + "\nNothing was written.";
}

}  // namespace tkbctl
