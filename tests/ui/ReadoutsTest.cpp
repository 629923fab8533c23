#include "ui/model/Readouts.h"
#include "ui/model/FileDialogs.h"

#include <gtest/gtest.h>

using namespace tarveno;
using namespace tarveno::ui;

namespace {

std::string bitsText(const Machine& m) {
    const auto bits = instructionBits(m);
    return std::string(bits.begin(), bits.end());
}

} // namespace

TEST(Readouts, ValuesInBothRadixesWithNAndZAlwaysDecimal) {
    Machine m;
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
    Machine m;
    EXPECT_EQ(bitsText(m), std::string(36, '0')); // no record at 0 yet
    m.loadMicroinstruction(5, Microinstruction{0x4000001u | (1u << 15), 0x101, "x"});
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
        Machine m;
        m.aluFunction = k.function;
        m.cBus = k.c;
        EXPECT_EQ(aluCaption(m), k.caption) << k.function;
    }
}

// Which register readout (0 MAR to 9 H, top to bottom) is marked for each B code and C bit.
TEST(Readouts, BSourceAndCWriteMarks) {
    const std::vector<std::pair<uint32_t, std::optional<size_t>>> sources{
        {B_MDR, 1}, {B_PC, 2},         {B_SP, 4},         {B_TOS, 7},         {B_OPC, 8},        {B_MBRU, 3},
        {B_MBR, 3}, {0, std::nullopt}, {8, std::nullopt}, {11, std::nullopt}, {15, std::nullopt}};
    for (const auto& [code, readout] : sources)
        EXPECT_EQ(bSourceReadout(code), readout) << code;
    EXPECT_EQ(cWriteReadouts(0), std::vector<size_t>{});
    EXPECT_EQ(cWriteReadouts((1u << MAR) | (1u << SP) | (1u << H)), (std::vector<size_t>{0, 4, 9}));
    EXPECT_EQ(cWriteReadouts(0x1FF).size(), 9u);
}

TEST(FileDialogs, FiltersAsNameFilters) {
    EXPECT_EQ(nameFilters("MAL files (*.mal) | *.mal | All files (*.*)|*.*"),
              (std::vector<std::string>{"MAL files (*.mal)", "All files (*)"}));
    EXPECT_EQ(nameFilters("IJVM files (*.jvm)|*.jvm |JAS files (*.jas) |*.jas |All files (*.*)   |*.*"),
              (std::vector<std::string>{"IJVM files (*.jvm)", "JAS files (*.jas)", "All files (*)"}));
}
