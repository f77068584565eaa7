#include "main_window/register_fields.h"

#include <cstdio>

#include "text/characters.h"

namespace tkbctl {

namespace {

bool IsAsciiAlphanumeric(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsValueSeparator(char c) {
    return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string_view StripField(std::string_view text) {
    while (!text.empty() && IsCSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsCSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsAlphanumeric(std::string_view text) {
    for (char c : text) {
        if (!IsAsciiAlphanumeric(c))
            return false;
    }
    return true;
}

bool IsAlphanumericOrComma(std::string_view text) {
    for (char c : text) {
        if (!IsAsciiAlphanumeric(c) && c != ',')
            return false;
    }
    return true;
}

uint32_t ParseHex(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // "0x" counts as a prefix only before a digit: "0x" alone is the number 0.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigit(text[i + 2]) >= 0)
        i += 2;
    uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
        value = value * 16 + uint64_t(HexDigit(text[i]));
        if (value > 0xFFFFFFFFu) {
            overflow = true;
            value = 0xFFFFFFFFu;
        }
    }
    if (overflow)
        return 0xFFFFFFFFu;
    return negative ? uint32_t(0u - uint32_t(value)) : uint32_t(value);
}

std::vector<uint8_t> ParseValueList(std::string_view text) {
    std::vector<uint8_t> bytes;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && !IsValueSeparator(text[end]))
            ++end;
        if (end > start)
            bytes.push_back(uint8_t(ParseHex(text.substr(start, end - start)) & 0xFF));
        start = end + 1;
    }
    return bytes;
}

std::optional<uint32_t> ParseFpgaValue(std::string_view text) {
    std::string_view rest = StripField(text);
    if (rest.empty())
        return std::nullopt;
    size_t digits = 0;
    if (rest[0] == '+' || rest[0] == '-')
        digits = 1;
    if (digits >= rest.size() || HexDigit(rest[digits]) < 0)
        return std::nullopt;
    return ParseHex(rest);
}

bool IsNoneValue(std::string_view text) {
    static constexpr std::string_view kNone = "none";
    if (text.size() != kNone.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != kNone[i])
            return false;
    }
    return true;
}

std::string FormatReadLine(const uint8_t* bytes, size_t count) {
    if (count == 0)
        return "(No Data)";
    std::string line;
    for (size_t i = 0; i < count; ++i) {
        char item[4];
        std::snprintf(item, sizeof item, "%02X", bytes[i]);
        if (i > 0)
            line += ',';
        line += item;
    }
    return line;
}

}  // namespace tkbctl
