// Character classes the program's parsers share; each is the C library's in the "C" locale, without
// depending on the locale the program runs in.
#pragma once

namespace tkbctl {

// isspace: blank, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of a hexadecimal digit in either case; -1 for any other character.
constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace tkbctl
