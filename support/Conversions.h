#pragma once
// Number and text conversions shared by the assemblers, the readouts and the memory
// dialogs. digitValue and parseNumber are the only way user-written numbers become integers;
// a malformed number raises FatalError with its message.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarveno {

// The prefix of the radix ("0b", "0o", "0x", none for others) and the digits, upper
// case. Radix 10 is signed; other radixes write the 32 bits as unsigned.
std::string toRadixText(int32_t value, int radix);
// As toRadixText, the digits (minus sign included) zero-padded on the left to width.
std::string toRadixTextPadded(int32_t value, int radix, int width);
// width - length zeros in front of text (none when text is as long or longer).
std::string padZeros(std::string_view text, int width);
// Number of digits of value in base: 1 for 0.
uint32_t digitCount(uint32_t value, uint32_t base);
// Signed decimal text, no leading zeros.
std::string decimalText(int32_t value);
// Removes, in place, every character of text that is in set.
void removeChars(std::string& text, std::string_view set);
// The digit value 0-15 of c, any letter case.
int digitValue(char c);
// A user-written number: optional sign, then decimal digits, or a digit, a radix
// letter (x, o, n) and digits. Wraps at 32 bits.
int32_t parseNumber(std::string_view text);

} // namespace tarveno
