#pragma once
// The system's messages are Windows-1252 bytes; screens and JSON want UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarveno {

// Decodes Windows-1252 bytes to UTF-8. The five bytes that code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same value.
std::string windows1252ToUtf8(std::string_view bytes);

// The Windows-1252 byte of a code point, or -1 when the page has none.
int windows1252Byte(uint32_t codePoint);

// True when bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view bytes);

// Text from a file or the user for display: kept when it is valid UTF-8, otherwise
// read as Windows-1252.
std::string displayText(std::string_view bytes);

// Decodes one of the system's own messages for display: Windows-1252, except that the
// byte 0x8A reads as "è", because the one message holding it is in the DOS code page.
std::string messageToUtf8(std::string_view bytes);

} // namespace tarveno
