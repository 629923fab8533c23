#include "support/Conversions.h"
#include "common/RunProgram.h"
#include "support/Encoding.h"

#include <gtest/gtest.h>

using namespace tarveno;

using testutil::fatalOf;

TEST(Conversions, RadixTexts) {
    EXPECT_EQ(toRadixText(255, 16), "0xFF");
    EXPECT_EQ(toRadixText(-1, 16), "0xFFFFFFFF");
    EXPECT_EQ(toRadixText(5, 2), "0b101");
    EXPECT_EQ(toRadixText(8, 8), "0o10");
    EXPECT_EQ(toRadixText(INT32_MIN, 10), "-2147483648");
    EXPECT_EQ(toRadixTextPadded(255, 16, 8), "0x000000FF");
    EXPECT_EQ(toRadixTextPadded(-5, 10, 4), "00-5"); // padding counts the sign as a digit
    EXPECT_EQ(toRadixTextPadded(123456, 10, 3), "123456");
    EXPECT_EQ(padZeros("1234", 3), "1234");
    EXPECT_EQ(digitCount(0, 10), 1u);
    EXPECT_EQ(digitCount(0xFFFFFFFFu, 2), 32u);
}

TEST(Conversions, AtolongAcceptedForms) {
    // Digits count at their value whatever the radix ("0n12"), the first digit need not
    // be 0 ("7x10"), and the value wraps at 32 bits.
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"5", 5},          {"-5", -5},
        {"+5", 5},         {"12abc", 12},
        {"0x1F", 31},      {"0X1f", 31},
        {"0o17", 15},      {"0n101", 5},
        {"-0x10", -16},    {"0n12", 4},
        {"7x10", 16},      {"0xFFFFFFFF", -1},
        {"4294967297", 1}, {"-2147483648", INT32_MIN}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(parseNumber(text), value) << text;
}

TEST(Conversions, AtolongFailuresCarryBothMessages) {
    auto number = [](const std::string& shown, const std::string& boxed) {
        return std::pair("Errore nella funzione atolong(char): Numero " + shown + " non valido",
                         "Errore: il numero " + boxed +
                             " non \xE8 valido. Il programma sar\xE0 adesso terminato.");
    };
    const std::vector<std::pair<std::string, std::pair<std::string, std::string>>> cases = {
        {"0b101", number("0b101", "0b101")},
        {"0x", number("0x", "0x")},
        {" 5", number(" 5", " 5")},
        {"-abc", number("abc", "-abc")}, // the message drops the sign, the box keeps it
        {"", number("", "")},
        {"-", number("", "-")},
        // A bad digit after the radix letter is digitValue's failure, with its own message.
        {"0xG1", {"Errore nella funzione getnum(char): Il carattere G non \x8A valido", ""}},
    };
    // A case by its members: the WebAssembly build's compiler captures no structured binding.
    for (const auto& c : cases)
        EXPECT_EQ(fatalOf([&] { parseNumber(c.first); }), c.second) << c.first;
}

TEST(Encoding, Windows1252MessagesReadAsUtf8) {
    EXPECT_EQ(windows1252ToUtf8("sar\xE0 non \xE8 gi\xE0"), "sarà non è già");
    EXPECT_EQ(windows1252ToUtf8("\x8A\x80\x9F"), "Š€Ÿ");
    EXPECT_EQ(windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_TRUE(isValidUtf8("plain \"quoted\" è €"));
    EXPECT_FALSE(isValidUtf8("\xE8"));         // a Windows-1252 è
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));     // cut short
    EXPECT_EQ(displayText("caf\xE9"), "café");
    EXPECT_EQ(displayText("café"), "café");
    EXPECT_EQ(messageToUtf8("Il carattere G non \x8A valido"), "Il carattere G non è valido");
    // Every byte decodes to a code point that encodes back to it; a character the page
    // lacks has no byte.
    for (int b = 1; b < 256; ++b) {
        const std::string utf8 = windows1252ToUtf8(std::string(1, static_cast<char>(b)));
        uint32_t cp = static_cast<uint8_t>(utf8[0]);
        if (utf8.size() == 2) cp = ((cp & 0x1F) << 6) | (static_cast<uint8_t>(utf8[1]) & 0x3F);
        if (utf8.size() == 3)
            cp = ((cp & 0x0F) << 12) | ((static_cast<uint8_t>(utf8[1]) & 0x3F) << 6) |
                 (static_cast<uint8_t>(utf8[2]) & 0x3F);
        EXPECT_EQ(windows1252Byte(cp), b) << b;
    }
    EXPECT_EQ(windows1252Byte(0x3B1), -1); // Greek alpha
}
