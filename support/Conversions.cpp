#include "support/Conversions.h"

#include "support/Ascii.h"
#include "support/Catalogue.h"
#include "support/FatalError.h"

#include <algorithm>

namespace tarveno {

namespace {

using ascii::isDigit;
constexpr char upper(char c) {
    return ascii::toUpper(c);
}

// The digits of the usual long-to-text conversion. A radix outside 2..36 is taken
// as 10 (no caller passes one).
std::string radixDigits(int32_t value, int radix) {
    if (radix < 2 || radix > 36) radix = 10;
    bool negative = radix == 10 && value < 0;
    uint32_t v = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    std::string digits;
    do {
        uint32_t d = v % static_cast<uint32_t>(radix);
        digits += static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
        v /= static_cast<uint32_t>(radix);
    } while (v != 0);
    if (negative) digits += '-';
    std::reverse(digits.begin(), digits.end());
    return digits;
}

const char* radixPrefix(int radix) {
    switch (radix) {
    case 2:
        return "0b";
    case 8:
        return "0o";
    case 16:
        return "0x";
    default:
        return "";
    }
}

} // namespace

std::string toRadixText(int32_t value, int radix) {
    return radixPrefix(radix) + radixDigits(value, radix);
}

std::string toRadixTextPadded(int32_t value, int radix, int width) {
    return radixPrefix(radix) + padZeros(radixDigits(value, radix), width);
}

std::string padZeros(std::string_view text, int width) {
    std::string out;
    if (width > 0 && text.size() < static_cast<size_t>(width))
        out.append(static_cast<size_t>(width) - text.size(), '0');
    out.append(text);
    return out;
}

uint32_t digitCount(uint32_t value, uint32_t base) {
    uint32_t count = 1;
    if (base < 2) return count; // no caller divides by 0 or 1; one digit is the defined answer
    while (value / base != 0) {
        value /= base;
        ++count;
    }
    return count;
}

std::string decimalText(int32_t value) {
    return radixDigits(value, 10);
}

void removeChars(std::string& text, std::string_view set) {
    text.erase(std::remove_if(text.begin(), text.end(),
                              [&](char c) { return set.find(c) != std::string_view::npos; }),
               text.end());
}

int digitValue(char c) {
    char u = upper(c);
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (isDigit(u)) return u - '0';
    fatal(message(Text::BadDigit, {.text = std::string(1, u)}));
}

int32_t parseNumber(std::string_view text) {
    const std::string userMessage = message(Text::BadNumberBox, {.text = text});
    const size_t at = textPlaceholderOffset(Text::BadNumberBox, {.text = text});
    auto fail = [&](std::string_view shown) {
        fatal(message(Text::BadNumber, {.text = shown}), userMessage, {at, text.size()});
    };

    uint32_t sign = 1;
    size_t i = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        if (text[0] == '-') sign = 0xFFFFFFFFu;
        i = 1;
    }
    if (i >= text.size() || !isDigit(text[i])) fail(text.substr(i));

    const size_t first = i;
    if (first + 1 >= text.size() || isDigit(text[first + 1])) {
        uint32_t value = 0;
        for (size_t k = first; k < text.size() && isDigit(text[k]); ++k)
            value = value * 10u + static_cast<uint32_t>(text[k] - '0');
        return static_cast<int32_t>(value * sign);
    }

    uint32_t radix = 0;
    switch (upper(text[first + 1])) {
    case 'X':
        radix = 16;
        break;
    case 'O':
        radix = 8;
        break;
    case 'N':
        radix = 2;
        break;
    default:
        break;
    }
    if (radix == 0 || first + 2 >= text.size()) fail(text.substr(first));

    // From the last character back to the radix letter; any hexadecimal digit counts
    // at its value, whatever the radix.
    uint32_t value = 0;
    uint32_t weight = 1;
    for (size_t k = text.size(); k-- > first + 1;) {
        char u = upper(text[k]);
        if (u == 'X' || u == 'N' || u == 'O') break;
        value += static_cast<uint32_t>(digitValue(text[k])) * weight;
        weight *= radix;
    }
    return static_cast<int32_t>(value * sign);
}

} // namespace tarveno
