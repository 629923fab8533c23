#pragma once
// Character classes of the ASCII range, the same whatever the locale (a window program
// changes the locale; source text and numbers must read the same everywhere). Bytes
// from 0x80 up belong to no class.

namespace tarveno::ascii {

constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
// Blank, tab, carriage return, line feed, vertical tab, form feed.
constexpr bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
constexpr char toUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace tarveno::ascii
