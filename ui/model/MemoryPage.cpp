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

namespace {

// The words of a page from firstWord: a page near the top stops at the last word rather
// than wrapping to word 0.
uint32_t pageCount(uint32_t firstWord) {
    return static_cast<uint32_t>(std::min<uint64_t>(memoryPageWords, (uint64_t{1} << 32) - firstWord));
}

} // namespace

std::vector<std::string> memoryLines(const Datapath& machine, uint32_t firstWord, int radix) {
    const uint32_t count = pageCount(firstWord);
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

uint32_t typedWordAddress(std::string_view text, AddressUnit unit) {
    const int32_t n = parseNumber(text);
    return static_cast<uint32_t>(unit == AddressUnit::Byte ? n / 4 : n);
}

std::string wordAddressText(uint32_t wordAddress, int radix) {
    return radix == 16 ? toRadixTextPadded(static_cast<int32_t>(wordAddress), 16, 8)
                       : std::to_string(static_cast<int32_t>(wordAddress));
}

std::string wordMarks(const Datapath& machine, uint32_t wordAddress) {
    std::string marks;
    auto mark = [&](const char* name, uint32_t word) {
        if (word != wordAddress) return;
        if (!marks.empty()) marks += ' ';
        marks += name;
    };
    const auto r = [&](int reg) { return static_cast<uint32_t>(machine.registers[reg]); };
    mark("SP", r(SP));
    mark("LV", r(LV));
    mark("CPP", r(CPP));
    // PC holds a byte address: its word is the one a fetch reads the byte from. PC = -1,
    // before the first fetch of an IJVM program, points at no word.
    if (machine.registers[PC] >= 0) mark("PC", r(PC) / 4);
    return marks;
}

std::vector<WordLine> memoryWordLines(const Datapath& machine, uint32_t firstWord, int radix,
                                      const std::function<bool(uint32_t)>& changed) {
    const uint32_t count = pageCount(firstWord);
    std::vector<WordLine> lines(count);
    for (uint32_t i = 0; i < count; ++i) {
        WordLine& line = lines[i];
        line.address = firstWord + i;
        const int32_t* word = machine.peekWord(line.address);
        line.text = wordAddressText(line.address, radix) + ": " +
                    (word ? (radix == 16 ? toRadixTextPadded(*word, 16, 8) : std::to_string(*word)) : "?");
        if (const std::string marks = wordMarks(machine, line.address); !marks.empty()) {
            line.text += "  <- " + marks;
            line.marked = true;
        }
        line.changed = changed && changed(line.address);
    }
    return lines;
}

MemoryWrite wordWrite(std::string_view address, std::string_view word, AddressUnit unit) {
    const int32_t value = parseNumber(word);
    return {typedWordAddress(address, unit), value};
}

MemoryWrite byteWrite(std::string_view address, const std::array<std::string_view, 4>& bytes,
                      AddressUnit unit) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        value |= static_cast<uint32_t>(parseNumber(bytes[i])) << (24 - 8 * i);
    return {typedWordAddress(address, unit), static_cast<int32_t>(value)};
}

} // namespace tarveno::ui
