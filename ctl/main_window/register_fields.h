// The main window's register fields as the engineer types them: slave address, sub-address and
// Write Value, all hexadecimal.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tkbctl {

// The text without leading and trailing white space (the C library's isspace).
std::string_view StripField(std::string_view text);

// Only letters and digits (ASCII); true for an empty text.
bool IsAlphanumeric(std::string_view text);
// Only letters, digits and commas.
bool IsAlphanumericOrComma(std::string_view text);

// The C library's strtoul with base 16 on a 32-bit unsigned long: leading white space, an optional
// sign and "0x", the longest run of hexadecimal digits; 0 when there is none; 0xFFFFFFFF when the
// digits exceed 32 bits.
uint32_t ParseHex(std::string_view text);

// The bytes of a value list: items separated by commas, blanks, tabs, CRs and LFs, empty items
// skipped, each read by ParseHex and cut to its low 8 bits.
std::vector<uint8_t> ParseValueList(std::string_view text);

// An FPGA value without commas as one 32-bit number (the C "%x" conversion); nothing when the text
// does not begin with a number.
std::optional<uint32_t> ParseFpgaValue(std::string_view text);

// "none" in any letter case: a write of the sub-address alone.
bool IsNoneValue(std::string_view text);

// A read's result as the Read Value box shows it: "%02X" bytes joined by ",", or "(No Data)".
std::string FormatReadLine(const uint8_t* bytes, size_t count);

}  // namespace tkbctl
