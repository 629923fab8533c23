#include "ui/Readouts.h"
#include "ui/EditorFile.h"

#include <gtest/gtest.h>

using namespace tarveno;
using namespace tarveno::ui;

namespace {

std::string bitsText(const ControlPath& m) {
    const auto bits = instructionBits(m);
    return std::string(bits.begin(), bits.end());
}

} // namespace

TEST(Readouts, ValuesInBothRadixesWithNAndZAlwaysDecimal) {
    ControlPath m;
    m.registers[H] = 255;
    m.registers[MAR] = -1;
    m.registers[MBR] = 7;
    m.bBus = -2;
    m.cBus = 255;
    m.n = 1;
    m.mpc = 112;

    const ValueTexts dec = valueTexts(m, 10);
    EXPECT_EQ(dec.registers[0], "-1");  // Label11 MAR
    EXPECT_EQ(dec.registers[3], "7");   // Label14 MBR, the fourth readout
    EXPECT_EQ(dec.registers[9], "255"); // Label20 H
    EXPECT_EQ(dec.bBus, "-2");
    EXPECT_EQ(dec.mpc, "112");

    const ValueTexts hex = valueTexts(m, 16);
    EXPECT_EQ(hex.registers[9], "0xFF");
    EXPECT_EQ(hex.registers[0], "0xFFFFFFFF");
    EXPECT_EQ(hex.cBus, "0xFF");
    EXPECT_EQ(hex.mpc, "0x70");
    EXPECT_EQ(hex.n, "1");
    EXPECT_EQ(hex.z, "0");
    EXPECT_EQ(busText(-2), "-2");
}

TEST(Readouts, InstructionBitsComeFromTheRecordAtThePreviousMpc) {
    ControlPath m;
    EXPECT_EQ(bitsText(m), std::string(36, '0')); // no record at 0 yet
    m.loadMicroinstruction(5, Mic{0x4000001u | (1u << 15), 0x101, "x"});
    m.previousMpc = 5;
    m.mpc = 9; // the next one does not matter
    const std::string bits = bitsText(m);
    EXPECT_EQ(bits.substr(0, 9), "100000001"); // L1 is bit 8 of the next address
    std::string word(27, '0');                 // L10 is JMPC (bit 26), L36 bit 0
    word[0] = word[26 - 15] = word[26] = '1';
    EXPECT_EQ(bits.substr(9), word);
    EXPECT_EQ(executedWord(m), 0x4000001u | (1u << 15));
}

TEST(Readouts, AluCaptionShowsTheShiftedResultInDecimal) {
    struct Case {
        uint32_t function;
        int32_t c;
        std::string caption;
    };
    for (const Case& k : {Case{60, 10, "H + B = 10"}, Case{17, 1, "1"},        // the constants have no prefix
                          Case{59, -3, "-H = -3"}, Case{24, 0x100, "H = 256"}, // H = 1 shifted left by 8
                          Case{3, 0, "0"}}) {                                  // no function
        ControlPath m;
        m.aluFunction = k.function;
        m.cBus = k.c;
        EXPECT_EQ(aluCaption(m), k.caption) << k.function;
    }
}

// Which register readout is marked for each B code and C bit.
TEST(Readouts, BSourceAndCWriteMarks) {
    const std::vector<std::pair<uint32_t, int>> sources{{B_MDR, 12}, {B_PC, 13},   {B_SP, 15},  {B_TOS, 18},
                                                        {B_OPC, 19}, {B_MBRU, 14}, {B_MBR, 14}, {0, 0},
                                                        {8, 0},      {11, 0},      {15, 0}};
    for (const auto& [code, label] : sources)
        EXPECT_EQ(bSourceLabel(code), label) << code;
    EXPECT_EQ(cWriteLabels(0), std::vector<int>{});
    EXPECT_EQ(cWriteLabels((1u << MAR) | (1u << SP) | (1u << H)), (std::vector<int>{11, 15, 20}));
    EXPECT_EQ(cWriteLabels(0x1FF).size(), 9u);
}

TEST(EditorFile, DecodesBothEncodingsAndSavesThemBack) {
    // Windows-1252 with CR LF: "è" is one byte 0xE8.
    const std::string cp1252 = "// caff\xE8\r\nH = 1\r\n";
    EditorFile f = decodeFile(cp1252);
    EXPECT_EQ(f.encoding, TextEncoding::Windows1252);
    EXPECT_TRUE(f.crlf);
    EXPECT_EQ(f.text, "// caff\xC3\xA8\nH = 1\n");
    EXPECT_EQ(encodeFile(f.text, f), cp1252);

    // UTF-8 with line feeds, an empty last line kept; a last line without its end gets one.
    const std::string utf8 = "// caff\xC3\xA8\n\n";
    f = decodeFile(utf8);
    EXPECT_EQ(f.encoding, TextEncoding::Utf8);
    EXPECT_FALSE(f.crlf);
    EXPECT_EQ(f.text, utf8);
    EXPECT_EQ(encodeFile(f.text, f), utf8);
    EXPECT_EQ(encodeFile("H = 1", f), "H = 1\n");

    // A character Windows-1252 cannot hold turns the file into UTF-8 rather than lose it.
    f = decodeFile("x\xE8\n");
    const std::string withArrow = "x\xC3\xA8 \xE2\x86\x92";
    EXPECT_EQ(encodeFile(withArrow, f), withArrow + "\n");
    EXPECT_EQ(f.encoding, TextEncoding::Utf8);

    // A new, empty file stays empty; a lone CR ends a line too.
    EditorFile empty;
    EXPECT_EQ(encodeFile("", empty), "");
    EXPECT_EQ(decodeFile("a\rb").text, "a\nb");
}

TEST(EditorFile, ByteOffsetsLandOnTheEditorsCharacters) {
    // UTF-8: "è" is two bytes and one character, a character beyond 0xFFFF is four bytes
    // and two UTF-16 units, CR LF is one line break.
    const std::string text = "\xC3\xA8\xF0\x9F\x98\x80x\r\nH = 1\r\n";
    const EditorPositions p(text);
    EXPECT_EQ(p.at(0), 0);
    EXPECT_EQ(p.at(2), 1);   // the emoji
    EXPECT_EQ(p.at(6), 3);   // "x"
    EXPECT_EQ(p.at(7), 4);   // CR
    EXPECT_EQ(p.at(9), 5);   // "H" of the second line
    EXPECT_EQ(p.at(16), 11); // the end
    EXPECT_EQ(p.at(1000), 11);
    EXPECT_EQ(p.at(-1), 0);
    // The same with Windows-1252: one byte, one character.
    const EditorPositions q("caff\xE8\r\nH");
    EXPECT_EQ(q.at(7), 6);
    // decodeFile and the positions count the same characters.
    EXPECT_EQ(static_cast<size_t>(p.at(static_cast<int64_t>(text.size()))),
              std::u16string(u"è😀x\nH = 1\n").size());
}

TEST(EditorFile, DialogFiltersAsNameFilters) {
    EXPECT_EQ(nameFilters("MAL files (*.mal) | *.mal | All files (*.*)|*.*"),
              (std::vector<std::string>{"MAL files (*.mal)", "All files (*)"}));
    EXPECT_EQ(nameFilters("IJVM files (*.jvm)|*.jvm |JAS files (*.jas) |*.jas |All files (*.*)   |*.*"),
              (std::vector<std::string>{"IJVM files (*.jvm)", "JAS files (*.jas)", "All files (*)"}));
}
