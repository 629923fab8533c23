// The image the assembler produces: method area, constant pool, both maps and the
// symbol tables, for well-formed programs; loading it into the machine.

#include "AssembleHelper.h"

#include "ijvm/LoadProgram.h"
#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

using namespace ijvmtest;

namespace {

const std::string& workedExample = testutil::workedIjvm;
const std::string workedArea =
    "52 00 01 00 01 00 01 19 03 21 01 1C 01 44 00 09 34 01 FF 3A FF F8 30 00 00 70";

// The source offset of each mnemonic, byte by byte, as the source map must hold it.
std::vector<std::pair<uint32_t, uint32_t>> expectedSourceMap(const std::string& src) {
    const std::vector<std::pair<std::string, int>> words{{"BIPUSH", 2}, {"ISTORE", 2}, {"ILOAD", 2},
                                                         {"IFEQ", 3},   {"IINC", 3},   {"GOTO", 3},
                                                         {"LDCW", 3},   {"HALT", 1}};
    std::vector<std::pair<uint32_t, uint32_t>> out;
    uint32_t key = 7;
    for (const auto& [w, n] : words)
        for (int k = 0; k < n; ++k)
            out.emplace_back(key++, static_cast<uint32_t>(src.find(w)));
    return out;
}

} // namespace

TEST(IjvmImage, WorkedExampleByteForByte) {
    auto a = assembleText(workedExample);
    const IjvmProgram& c = a->program;
    EXPECT_EQ(hex(c.methodArea), workedArea);
    EXPECT_EQ(pool(c), (std::vector<int32_t>{1, 3}));
    EXPECT_TRUE(diagnostics(c).empty());

    EXPECT_EQ(sortedEntries(c.sourceMap), expectedSourceMap(workedExample));
    for (const auto& [key, value] : sortedEntries(c.methodMap))
        EXPECT_EQ(value, 1u) << key;
    EXPECT_EQ(keys(c.methodMap), keys(c.sourceMap));

    ASSERT_EQ(std::tuple(c.methods.count(), c.constants.count()), std::tuple(1, 1));
    const Method& m = c.methods[0];
    EXPECT_EQ(std::tie(m.name, m.number, m.parameters, m.variables, m.length),
              std::make_tuple("main", 0, 1, 1, 19));
    EXPECT_EQ(std::tie(c.constants[0].name, c.constants[0].index, c.constants[0].value),
              std::make_tuple("one", 0, 1));
}

TEST(IjvmImage, CrLfLowerCaseCommentsAndTextInMemoryGiveTheSameImage) {
    IjvmAssembler inMemory("no/such/file.jvm", workedExample); // the name only names it
    inMemory.assemble();
    EXPECT_EQ(hex(inMemory.program.methodArea), workedArea);
    EXPECT_EQ(sortedEntries(inMemory.program.sourceMap), expectedSourceMap(workedExample));

    const std::string crlf = std::regex_replace(workedExample, std::regex("\n"), "\r\n");
    auto a = assembleText(crlf);
    EXPECT_EQ(hex(a->program.methodArea), workedArea);
    EXPECT_TRUE(diagnostics(a->program).empty());
    EXPECT_EQ(sortedEntries(a->program.sourceMap), expectedSourceMap(crlf)); // positions count the CRs

    std::string lower = workedExample;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char ch) { return std::tolower(ch); });
    auto b = assembleText(lower);
    EXPECT_EQ(hex(b->program.methodArea), workedArea);

    auto c = assembleText("// heading\n.main //after the directive\n/* a block\n   comment */ BIPUSH 1\n"
                          "//no blank\n/*/ POP\nIADD // trailing, IADD\n.end-main\n");
    EXPECT_EQ(hex(c->program.methodArea), "52 00 00 00 01 00 00 19 01 10 02");
    EXPECT_TRUE(diagnostics(c->program).empty());
}

TEST(IjvmImage, BranchOffsetsForwardSelfAndBackward) {
    auto a = assembleText(".main\n"
                          "    GOTO fwd\n"         // 0 -> 3
                          "fwd: GOTO fwd\n"        // 3 -> 3
                          "back: BIPUSH 200\n"     // 6
                          "POP\nDUP\nNOP\n"        // 8, 9, 10
                          "IFICMPEQ back\n"        // 11 -> 6
                          "IFLT end\nIFEQ end\n"   // 14, 17 -> 20
                          "end: BIPUSH -1\nHALT\n" // 20
                          ".end-main\n");
    EXPECT_EQ(hex(a->program.methodArea),
              "52 00 00 00 01 00 00 3A 00 03 3A 00 00 19 C8 10 0E 01 48 FF FB 40 00 06 44 00 03 19 FF 70");
    EXPECT_EQ(a->program.errorCount(), 0); // BIPUSH 200 only warns
}

TEST(IjvmImage, MethodsLocalsAndInvokevirtual) {
    auto a = assembleText(".constant\na 1\nb 2\nc 3\n.end-constant\n"
                          ".method first()\nIRETURN\n.end-method\n"
                          ".method second(p, q)\n.var\nr\n.end-var\nILOAD p\nILOAD r\nIRETURN\n.end-method\n"
                          ".main\nINVOKEVIRTUAL second\nINVOKEVIRTUAL first\nLDCW c\nHALT\n.end-main\n");
    IjvmProgram& c = a->program;
    EXPECT_EQ(hex(c.methodArea), "52 00 05 "
                                 "00 01 00 00 68 "
                                 "00 03 00 01 1C 01 1C 03 68 "
                                 "00 01 00 00 52 00 04 52 00 03 30 00 02 70");
    // Constants, then one entry per method: the offset of its header.
    EXPECT_EQ(pool(c), (std::vector<int32_t>{1, 2, 3, 3, 8, 17}));
    EXPECT_EQ(std::tuple(c.methodMap.lookup(7), c.methodMap.lookup(12), c.methodMap.lookup(16),
                         c.methodMap.lookup(21)),
              std::tuple(3u, 4u, 4u, 5u));
    EXPECT_EQ(keys(c.sourceMap).size(), 1u + 5u + 10u);
    EXPECT_EQ(std::tie(c.methods[1].name, c.methods[1].parameters), std::make_tuple("second", 3));
    EXPECT_TRUE(diagnostics(c).empty());
}

TEST(IjvmImage, WideForms) {
    auto a = assembleText(".main\n.var\nx\n.end-var\n"
                          "WIDE ILOAD x\n"  // 0
                          "wide istore x\n" // 3
                          "Wide Iload x\n"  // 6
                          "WIDE IADD\n"     // refused; IADD at 9
                          "WIDE ILOAD y\n"  // 10, unknown local
                          "WIDEILOAD x\n"   // not a mnemonic written as one word
                          "GOTO end\n"      // 13 -> 16
                          "end: HALT\n.end-main\n");
    const IjvmProgram& c = a->program;
    EXPECT_EQ(hex(c.methodArea), "52 00 00 00 01 00 01 28 00 01 2C 00 01 28 00 01 02 28 00 00 3A 00 03 70");
    EXPECT_EQ(c.methods[0].code[1].mnemonic, "WIDEISTORE");
    EXPECT_EQ(
        diagnostics(c),
        (std::vector<Diag>{
            at(*a, "Errore nel metodo main in prossimit\xE0 dell'istruzione 3: WIDE non esiste.", "WIDE", 1),
            at(*a, "Errore nel metodo main in prossimit\xE0 dell'istruzione 5: WIDEILOAD non esiste.",
               "WIDEILOAD"),
            at(*a, "Errore nel metodo main in prossimit\xE0 dell'istruzione 5: X non esiste.", "x", 4),
            at(*a, "Errore nel metodo main. La variabile y non esiste.", "y"),
        }));
}

TEST(IjvmLoad, AnswersTheProgramAndResetsTheMachine) {
    testutil::TempDir dir;
    const std::string first = dir.write(
        "first.jvm", ".constant\none 1\n.end-constant\n.main\nLDCW one\nLDCW two\nHALT\n.end-main\n");
    const std::string second = (dir / "missing.jvm").string();

    Machine machine;
    machine.registers[SP] = 99;
    machine.mpc = 5;
    machine.microCounter = 7;
    machine.memoryWord(12) = 34;
    machine.loadMicroinstruction(3, Microinstruction{0, 4, ""});

    IjvmProgram p = loadProgram(machine, first);
    EXPECT_EQ(std::tuple(p.poolWords(), p.methodAreaSize(), p.methods.count(), p.sourceMap.count(),
                         p.methodMap.lookup(13)),
              std::tuple(2, 3 + 4 + 7, 1, 7, 1u));
    EXPECT_EQ(p.constants[0].name, "one");
    ASSERT_EQ(p.diagnostics.count(), 1);
    EXPECT_EQ(p.diagnostics[0].message, "Errore nel metodo main. La costante two non esiste.");
    // Reset: registers and sequencer to 0; the image is not placed in memory, which
    // keeps its words, like the control store.
    EXPECT_EQ(std::tuple(machine.registers[SP], machine.mpc, machine.microCounter, machine.memoryWord(12),
                         machine.controlStore().search(3)->nextAddress),
              std::tuple(0, 0u, 0u, 34, 4u));

    // A fatal error leaves the machine as it was.
    machine.registers[TOS] = 3;
    EXPECT_THROW(loadProgram(machine, second), FatalError);
    EXPECT_EQ(machine.registers[TOS], 3);
}
