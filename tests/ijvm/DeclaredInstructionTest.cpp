// A program's own instructions: declared with .instruction, encoded with their operands,
// named by the disassembly, refused where a name or an opcode is taken, and the program's
// alone.

#include "AssembleHelper.h"

#include "ijvm/Disassembly.h"

#include <gtest/gtest.h>

using namespace ijvmtest;

namespace {
using Diags = std::vector<Diag>;

std::string decoded(const IjvmProgram& p, uint32_t offset) {
    return decodeInstruction(p, offset,
                             [&](uint32_t b) {
                                 return b < static_cast<uint32_t>(p.methodArea.count())
                                            ? p.methodArea.at(static_cast<int32_t>(b))
                                            : uint8_t{0};
                             })
        .text();
}
} // namespace

TEST(DeclaredInstructions, AssembleWithTheirOperandsAndAreNamedBack) {
    auto a = assembleText(".instruction ineg 0x74 // pops a word, pushes its negation\n"
                          ".instruction ADDB 120 byte\n"
                          ".instruction BUMP 0x79 var byte\n"
                          ".instruction JNZ 0x7A label\n"
                          ".main\n.var\nx\n.end-var\n"
                          "top: INEG\nADDB -2\nBUMP x 3\nJNZ top\nHALT\n.end-main\n");
    EXPECT_EQ(diagnostics(a->program), Diags{});
    EXPECT_EQ(hex(a->program.methodArea), "52 00 00 00 01 00 01 74 78 FE 79 01 03 7A FF FA 70");
    EXPECT_EQ(decoded(a->program, 7), "INEG");
    EXPECT_EQ(decoded(a->program, 8), "ADDB -2");
    EXPECT_EQ(decoded(a->program, 10), "BUMP x 3");
    EXPECT_EQ(decoded(a->program, 13), "JNZ top");
    // The set is the program's: the standard one and other programs do not know INEG.
    EXPECT_NE(a->program.instructions.at(0x74), nullptr);
    EXPECT_EQ(standardInstructions().find("INEG"), nullptr);
    auto other = assembleText(".main\nINEG\nHALT\n.end-main\n");
    EXPECT_EQ(other->program.errorCount(), 1);
}

TEST(DeclaredInstructions, TakenNamesAndOpcodesAndMalformedDeclarationsAreRefused) {
    auto a = assembleText(".instruction BAD 0x70\n"
                          ".instruction IADD 0x75\n"
                          ".instruction wide 0x76\n"
                          ".instruction NEG 0x74\n"
                          ".instruction NEG2 116\n"
                          ".instruction 9x 0x77\n"
                          ".instruction FOO 0\n"
                          ".instruction FOO 0x78 var short\n"
                          ".instruction\n"
                          ".main\nNEG\nBAD\nHALT\n.end-main\n");
    const std::string d = "Errore nella dichiarazione ";
    EXPECT_EQ(
        diagnostics(a->program),
        (Diags{
            at(*a, d + "dell'istruzione BAD: il codice 0x70 \xE8 gi\xE0 dell'istruzione HALT", "0x70"),
            at(*a, d + "delle istruzioni: IADD gi\xE0 esistente", "IADD"),
            at(*a, d + "delle istruzioni: WIDE gi\xE0 esistente", "wide"),
            at(*a, d + "dell'istruzione NEG2: il codice 116 \xE8 gi\xE0 dell'istruzione NEG", "116"),
            at(*a, d + "delle istruzioni: 9x non \xE8 un nome valido", "9x"),
            {d + "dell'istruzione FOO: il codice 0 non \xE8 valido (da 1 a 255)", 150, 1},
            at(*a, d + "dell'istruzione FOO: gli operandi var short non sono validi", "var short"),
            {d + "delle istruzioni: manca il nome", 184, 12},
            at(*a, "Errore nel metodo main in prossimit\xE0 dell'istruzione 1: BAD non esiste.", "BAD", 1),
        }));
    for (const Diag& diag : diagnostics(a->program))
        EXPECT_NE(diag.length, 0) << diag;
}
