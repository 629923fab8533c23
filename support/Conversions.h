#pragma once
// Number and text conversions shared by the assemblers, the readouts and the memory
// dialogs. getnum and atolong are the only way user-written numbers become integers;
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
// Position of the first character of text that is not c (text.size() at the end).
size_t skipChar(std::string_view text, char c);
// Position of the first character of text that is not in set (text.size() at the end).
size_t skipChars(std::string_view text, std::string_view set);
// Ends text at its first character that is in set and answers true; answers false and
// leaves text unchanged when it holds none of them.
bool cutAt(std::string& text, std::string_view set);
// text up to, not including, the first c (or all of it).
std::string copyUntil(std::string_view text, char c);
// base raised to exponent (0 or more), wrapping at 32 bits.
int32_t power(int32_t base, int32_t exponent);
// The digit value 0-15 of c, any letter case.
int getnum(char c);
// A user-written number: optional sign, then decimal digits, or a digit, a radix
// letter (x, o, n) and digits. Wraps at 32 bits.
int32_t atolong(std::string_view text);

} // namespace tarveno
