#pragma once
// What the memory viewer and its two editors compute, without Qt: the lines of the list,
// the paging, and the word a typed address and value write. Typed numbers go through
// parseNumber, which raises FatalError (with the text of the "IJVM Error:" box) on a bad one.

#include "core/Datapath.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno::ui {

// Words in one page of the list.
inline constexpr uint32_t memoryPageWords = 100;

// The byte part of a line: the four bytes of word, most significant first, each
// zero-padded to the digits of 255 in radix and followed by a blank; "?" when the word
// does not exist (word is nullptr).
std::string FormatWordBytes(const int32_t* word, int radix);

// One line: the byte address of wordAddress (wrapping at 32 bits), zero-padded to the
// digits of 0xFFFFFFFF in radix, ": " and the byte part. radix is 10 or 16; in decimal an
// address of 2^31 and above is a minus sign and its zero-padded magnitude.
std::string memoryLine(uint32_t wordAddress, const int32_t* word, int radix);

// The lines of the 100 words from firstWord on, fewer when the last word 0xFFFFFFFF comes
// first. Searches the memory without creating any word.
std::vector<std::string> memoryLines(const Datapath& machine, uint32_t firstWord, int radix);

// "-->": one page on, without bound (wrapping). "<--": one page back, not below 0.
uint32_t nextPage(uint32_t firstWord);
uint32_t previousPage(uint32_t firstWord);

// How the viewer's addresses count: bytes (the course's list, which a word address times 4
// leads) or words (the word view, where addresses are those of the registers and the stack).
enum class AddressUnit { Byte, Word };

// The word address of a typed address: a byte address divided by 4, toward zero, or the
// word address itself.
uint32_t typedWordAddress(std::string_view text, AddressUnit unit = AddressUnit::Byte);

// One line of the word view.
struct WordLine {
    uint32_t address = 0;
    std::string text;     // "1027: 5  <- SP LV"
    bool changed = false; // the last command changed the word
    bool marked = false;  // a register points at it
};

// A word address as the word view writes it: in decimal the signed number (the input cell
// is -6, as typed), in hexadecimal its 32 bits ("0xFFFFFFFA").
std::string wordAddressText(uint32_t wordAddress, int radix);

// The registers that point at a word: SP, LV, CPP by word, and PC by the word holding its
// byte; "" for none.
std::string wordMarks(const Datapath& machine, uint32_t wordAddress);

// The 100 words from firstWord on (fewer at the top of memory): the address, the value in
// radix ("?" for a word never written or read), the marks after an arrow. changed tells
// which words the last command changed. Searches the memory without creating any word.
std::vector<WordLine> memoryWordLines(const Datapath& machine, uint32_t firstWord, int radix,
                                      const std::function<bool(uint32_t)>& changed);

// One word to store.
struct MemoryWrite {
    uint32_t wordAddress = 0;
    int32_t value = 0;
    bool operator==(const MemoryWrite&) const = default;
};

// "Write Word": the word is converted before the address.
MemoryWrite wordWrite(std::string_view address, std::string_view word, AddressUnit unit = AddressUnit::Byte);

// "Write Byte": four numbers, most significant first, each shifted into place and ORed,
// so a number beyond 8 bits (or a negative one) also sets the bits above its byte; they
// are converted in that order, then the address.
MemoryWrite byteWrite(std::string_view address, const std::array<std::string_view, 4>& bytes,
                      AddressUnit unit = AddressUnit::Byte);

} // namespace tarveno::ui
