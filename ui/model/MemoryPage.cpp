#include "ui/model/MemoryPage.h"

#include "support/Conversions.h"

#include <algorithm>

namespace tarveno::ui {

std::string FormatWordBytes(const int32_t* word, int radix) {
    if (!word) return "?";
    const int width = static_cast<int>(digitCount(255, static_cast<uint32_t>(radix)));
    const auto bits = static_cast<uint32_t>(*word);
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += toRadixTextPadded(static_cast<int32_t>((bits >> shift) & 0xFFu), radix, width);
        text += ' ';
    }
    return text;
}

std::string memoryLine(uint32_t wordAddress, const int32_t* word, int radix) {
    const int width = static_cast<int>(digitCount(0xFFFFFFFFu, static_cast<uint32_t>(radix)));
    const uint32_t byteAddress = wordAddress * 4u;
    // The chosen decimal form of a byte address of 2^31 and above: a minus sign before the
    // zero-padded magnitude ("-0000000024"), so the input and output cells read as the -24
    // and -20 a student types in "Go at".
    std::string line;
    if (radix == 10 && byteAddress >= 0x80000000u) {
        line = '-';
        line += padZeros(std::to_string(0u - byteAddress), width);
    } else {
        line = toRadixTextPadded(static_cast<int32_t>(byteAddress), radix, width);
    }
    line += ": ";
    line += FormatWordBytes(word, radix);
    return line;
}

std::vector<std::string> memoryLines(const Datapath& machine, uint32_t firstWord, int radix) {
    // A page near the top stops at the last word rather than wrapping to word 0.
    const auto count =
        static_cast<uint32_t>(std::min<uint64_t>(memoryPageWords, (uint64_t{1} << 32) - firstWord));
    std::vector<std::string> lines;
    lines.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        lines.push_back(memoryLine(firstWord + i, machine.peekWord(firstWord + i), radix));
    return lines;
}

uint32_t nextPage(uint32_t firstWord) {
    return firstWord + memoryPageWords;
}

uint32_t previousPage(uint32_t firstWord) {
    return firstWord < memoryPageWords ? 0 : firstWord - memoryPageWords;
}

uint32_t typedWordAddress(std::string_view text) {
    return static_cast<uint32_t>(parseNumber(text) / 4);
}

MemoryWrite wordWrite(std::string_view address, std::string_view word) {
    const int32_t value = parseNumber(word);
    return {typedWordAddress(address), value};
}

MemoryWrite byteWrite(std::string_view address, const std::array<std::string_view, 4>& bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        value |= static_cast<uint32_t>(parseNumber(bytes[i])) << (24 - 8 * i);
    return {typedWordAddress(address), static_cast<int32_t>(value)};
}

} // namespace tarveno::ui
