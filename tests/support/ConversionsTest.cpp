#include "support/Conversions.h"
#include "common/RunProgram.h"
#include "support/Array.h"
#include "support/Encoding.h"

#include <gtest/gtest.h>

using namespace tarveno;

using testutil::fatalOf;

TEST(Conversions, RadixTexts) {
    EXPECT_EQ(toRadixText(255, 16), "0xFF");
    EXPECT_EQ(toRadixText(-1, 16), "0xFFFFFFFF");
    EXPECT_EQ(toRadixText(5, 2), "0b101");
    EXPECT_EQ(toRadixText(8, 8), "0o10");
    EXPECT_EQ(toRadixText(-5, 10), "-5");
    EXPECT_EQ(toRadixText(INT32_MIN, 10), "-2147483648");
    EXPECT_EQ(toRadixTextPadded(255, 16, 8), "0x000000FF");
    EXPECT_EQ(toRadixTextPadded(-5, 10, 4), "00-5"); // padding counts the sign as a digit
    EXPECT_EQ(toRadixTextPadded(123456, 10, 3), "123456");
    EXPECT_EQ(padZeros("7", 3), "007");
    EXPECT_EQ(padZeros("1234", 3), "1234");
    EXPECT_EQ(decimalText(0), "0");
    EXPECT_EQ(decimalText(-42), "-42");
    EXPECT_EQ(digitCount(0, 10), 1u);
    EXPECT_EQ(digitCount(255, 16), 2u);
    EXPECT_EQ(digitCount(0xFFFFFFFFu, 2), 32u);
    EXPECT_EQ(power(2, 0), 1);
    EXPECT_EQ(power(16, 3), 4096);
    EXPECT_EQ(power(2, 32), 0); // wraps
}

TEST(Conversions, TextHelpers) {
    std::string t = "a\r\nb\nc";
    removeChars(t, "\r\n");
    EXPECT_EQ(t, "abc");
    EXPECT_EQ(skipChar("   x", ' '), 3u);
    EXPECT_EQ(skipChars(" \t x", " \t"), 3u);
    EXPECT_EQ(skipChars(" \t ", " \t"), 3u); // stops at the end
    std::string c = "GOTO LOOP;";
    EXPECT_TRUE(cutAt(c, " ;"));
    EXPECT_EQ(c, "GOTO");
    std::string none = "ABC";
    EXPECT_FALSE(cutAt(none, ";"));
    EXPECT_EQ(none, "ABC");
    EXPECT_EQ(copyUntil("name(args)", '('), "name");
    EXPECT_EQ(copyUntil("name", '('), "name");
}

TEST(Conversions, AtolongAcceptedForms) {
    EXPECT_EQ(atolong("5"), 5);
    EXPECT_EQ(atolong("-5"), -5);
    EXPECT_EQ(atolong("+5"), 5);
    EXPECT_EQ(atolong("0"), 0);
    EXPECT_EQ(atolong("12abc"), 12);
    EXPECT_EQ(atolong("0x1F"), 31);
    EXPECT_EQ(atolong("0X1f"), 31);
    EXPECT_EQ(atolong("0o17"), 15);
    EXPECT_EQ(atolong("0n101"), 5);
    EXPECT_EQ(atolong("-0x10"), -16);
    EXPECT_EQ(atolong("0n12"), 4);  // digits are taken at their value whatever the radix
    EXPECT_EQ(atolong("7x10"), 16); // the first digit need not be 0
    EXPECT_EQ(atolong("0xFFFFFFFF"), -1);
    EXPECT_EQ(atolong("4294967297"), 1); // wraps at 32 bits
    EXPECT_EQ(atolong("-2147483648"), INT32_MIN);
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
        // A bad digit after the radix letter is getnum's failure, with its own message.
        {"0xG1", {"Errore nella funzione getnum(char): Il carattere G non \x8A valido", ""}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(fatalOf([&] { atolong(text); }), expected) << text;
    EXPECT_EQ(fatalOf([] { getnum('z'); }).first,
              "Errore nella funzione getnum(char): Il carattere Z non \x8A valido");
    EXPECT_EQ(getnum('f'), 15);
    EXPECT_EQ(getnum('9'), 9);
}

TEST(Array, ReversedAccessDigitsAndText) {
    Array<int> a(3);
    a[0] = 1;
    a[2] = 3;
    a.setReversed(true);
    EXPECT_EQ(a[0], 3);
    for (int outside : {3, -1})
        EXPECT_EQ(fatalOf([&] { a[outside]; }).first,
                  "Errore nella funzione Array::operator[](int)\nIndice fuori limite");

    Array<int> d = toDigits(1234, 10);
    ASSERT_EQ(d.size(), 4);
    EXPECT_FALSE(d.reversed());
    EXPECT_EQ(std::tuple(d[0], d[1], d[2], d[3]), std::tuple(1, 2, 3, 4));

    EXPECT_EQ(toText(5, 2, 9), "000000101");
    EXPECT_EQ(toText(255, 16, 2), "FF");
    EXPECT_EQ(toText(0, 2, 3), "000");
    EXPECT_EQ(toText(0x4350212u, 2, 27), "100001101010000001000010010");
    EXPECT_EQ(toText(0x4142, 256, 0), "AB");
    EXPECT_EQ(toText(123, 10, 1), "123"); // never cut to the width
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
}
