// Every diagnostic of the assembler, with its exact message bytes and the span it selects;
// choices made where the language leaves room, mended faults, and hostile input.

#include "AssembleHelper.h"

#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <random>

using namespace ijvmtest;
using namespace std::string_literals;

namespace {
using Diags = std::vector<Diag>;
const std::string noMain = "Errore: Ogni programma deve contenere il metodo main";
} // namespace

TEST(IjvmDiagnostics, LabelsAndInstructions) {
    auto a = assembleText(".main\n"
                          "dup: NOP\n"
                          "dup: NOP\n"     // 0: duplicate; branches reach this one
                          "GOTO dup\n"     // 2 -> 1
                          "foo\n"          // 4, shown upper-cased
                          "x: y: IADD\n"   // the second label is an instruction word
                          "GOTO nowhere\n" // 6
                          "GOTO   y\n"     // 6, the span finds the operand past the blanks
                          "ILOAD v\nISTORE v\nIINC v 1\n"
                          "LDCW nope\nINVOKEVIRTUAL ghost\n"
                          ".end-main\n");
    EXPECT_EQ(hex(a->program.methodArea), "52 00 00 00 01 00 00 01 01 3A FF FF 02 3A FF FA 3A FF F7 "
                                          "1C 00 21 00 34 00 01 30 00 00 52 00 00");
    const std::string m = "Errore nel metodo main";
    EXPECT_EQ(diagnostics(a->program),
              (Diags{
                  at(*a, m + ". L'etichetta dup: esiste gi\xE0", "dup:", 1),
                  at(*a, m + " in prossimit\xE0 dell'istruzione 3: FOO non esiste.", "foo"),
                  at(*a, m + " in prossimit\xE0 dell'istruzione 3: Y: non esiste.", "y:"),
                  at(*a, m + ". L'etichetta nowhere non esiste.", "nowhere"),
                  at(*a, m + ". L'etichetta y non esiste.", "y", 1),
                  at(*a, m + ". La variabile v non esiste.", "v"),
                  at(*a, m + ". La variabile v non esiste.", "v", 1),
                  at(*a, m + ". La variabile v non esiste.", "v", 2),
                  at(*a, m + ". La costante nope non esiste.", "nope"),
                  at(*a, m + "All'istruzione INVOKEVIRTUAL. Il metodo ghost non esiste.", "ghost"),
              }));
}

TEST(IjvmDiagnostics, Declarations) {
    auto a = assembleText(".constant\nk 1\nk 2\n.end-constant\n"
                          ".method f(a, a)\n.var\nb\nb\n.end-var\nIRETURN\n.end-method\n"
                          ".method f()\nIRETURN\n.end-method\n"
                          ".main\nLDCW k\nHALT\n.end-main\n"
                          ".main\nHALT\n.end-main\n");
    const IjvmProgram& c = a->program;
    // Both constants stay in the pool; a reference reaches the first.
    EXPECT_EQ(pool(c), (std::vector<int32_t>{1, 2, 3, 8, 13, 21}));
    EXPECT_EQ(hex(c.methodArea).substr(3 * 17, 8), "30 00 00");
    EXPECT_EQ(
        diagnostics(c),
        (Diags{
            at(*a, "Errore nella dichiarazione delle costanti: k gi\xE0 esistente", "2"),
            at(*a, "Errore nella dichiarazione delle variabili nel metodo f: a: gi\xE0 esistente", "a, a"),
            at(*a, "Errore nella dichiarazione delle variabili nel metodo f: b: gi\xE0 esistente", "b", 1),
            at(*a, "Errore. Metodo f gi\xE0 esistente.", ".end-method", 1),
            at(*a, "Errore. Metodo main gi\xE0 esistente.", ".end-main", 1),
        }));
}

TEST(IjvmDiagnostics, UnclosedSections) {
    // A body that runs into the end of the input, and a section inside a body.
    auto a = assembleText(".method f()\nNOP\n.method g()\nIADD\n.end-method\n.main\nBIPUSH 1\n");
    EXPECT_EQ(diagnostics(a->program),
              (Diags{{"Errore: Il metodo f deve terminare con .end-method", 0, 0},
                     at(*a, "Errore nel metodo f in prossimit\xE0 dell'istruzione 1: .METHOD non esiste.",
                        ".method", 1),
                     at(*a, "Errore nel metodo f in prossimit\xE0 dell'istruzione 1: G() non esiste.", "g()"),
                     {"Errore: Il metodo main deve terminare con .end-main", 0, 0}}));
    // The unfinished main is recorded, so its code is in the image.
    EXPECT_EQ(hex(a->program.methodArea), "52 00 01 00 01 00 00 01 02 00 01 00 00 19 01");

    auto constants = assembleText(".constant\na 1\n.main\nHALT\n.end-main\n");
    EXPECT_EQ(diagnostics(constants->program),
              (Diags{{"Errore: L'area delle costanti deve terminare con .end-constant", 10, 2},
                     {noMain, static_cast<int32_t>(constants->source.size()), 0}}));
    EXPECT_EQ(hex(constants->program.methodArea), "52 00 00");

    auto vars = assembleText(
        ".method f()\n.var\nx\n.end-method\n.main\n.var\ny\n.end-main\n.main\nHALT\n.end-main\n");
    EXPECT_EQ(diagnostics(vars->program),
              (Diags{{"Errore nel metodo f: L'area delle variabili deve terminare con .end-var", 17, 2},
                     {"Errore nel metodo main: L'area delle variabili deve terminare con .end-var",
                      static_cast<int32_t>(vars->source.find(".main\n.var\n") + 11), 2}}));
    EXPECT_EQ(vars->program.methods.count(), 1);

    auto open = assembleText(".method f(a, b\n");
    EXPECT_EQ(diagnostics(open->program),
              (Diags{at(*open, "Errore nel metodo : La parentesi \xE8 stata aperta ma non chiusa.", "a, b\n"),
                     {noMain, 15, 0}}));
    auto unopened = assembleText(".method f\n");
    EXPECT_EQ(diagnostics(unopened->program),
              (Diags{at(*unopened, "Errore nel metodo : La parentesi tonda non \xE8 stata aperta", "f\n"),
                     {noMain, 10, 0}}));

    auto empty = assembleText("");
    EXPECT_EQ(hex(empty->program.methodArea), "52 00 00");
    EXPECT_TRUE(pool(empty->program).empty());
    EXPECT_EQ(diagnostics(empty->program), (Diags{{noMain, 0, 0}}));

    // A label before the end makes the end an instruction word, and the body runs on.
    auto label = assembleText(".main\nend: .end-main\nHALT\n.end-main\n");
    EXPECT_EQ(
        diagnostics(label->program),
        (Diags{at(*label, "Errore nel metodo main in prossimit\xE0 dell'istruzione 0: .END-MAIN non esiste.",
                  ".end-main")}));
    EXPECT_EQ(hex(label->program.methodArea), "52 00 00 00 01 00 00 70");
}

TEST(IjvmChoices, LongNamesAreCutAndStillReached) {
    auto a = assembleText(".constant\nbiggestConstant 7\n.end-constant\n"
                          ".method abcdefghijklmnopqrstuv(x)\n" // 20 characters kept, "u" lost
                          ".var\ncounterVariable\n.end-var\n"
                          "ILOAD counterVariable\nIRETURN\n.end-method\n"
                          ".main\nLDCW biggestConstant\nINVOKEVIRTUAL abcdefghijklmnopqrstuv\n"
                          "aVeryLongLabelNameIndeed: GOTO aVeryLongLabelNameIndeed\nHALT\n.end-main\n");
    const IjvmProgram& c = a->program;
    EXPECT_TRUE(diagnostics(c).empty());
    const Method& m = c.methods[0];
    // The parameter text runs on from the lost character: "v(x" names v and x.
    EXPECT_EQ(
        std::tie(c.constants[0].name, m.name, m.parameters, m.locals[2].name, c.methods[1].labels[0].name),
        std::make_tuple("biggestCo", "abcdefghijklmnopqrst", 3, "counterVa", "aVeryLongLabelNameI"));
    EXPECT_EQ(hex(c.methodArea), "52 00 02 00 03 00 01 1C 03 68 00 01 00 00 30 00 00 52 00 01 3A 00 00 70");
}

TEST(IjvmChoices, ParameterTextsSectionsAndMessages) {
    // Characters that are neither letters, digits, blanks nor commas are passed over.
    auto odd =
        assembleText(".method f(a$b, c;d\t e)\nILOAD e\nIRETURN\n.end-method\n.main\nHALT\n.end-main\n");
    EXPECT_EQ(odd->program.methods[0].parameters, 6);
    EXPECT_TRUE(diagnostics(odd->program).empty());

    // Constants are numbered over the whole program, so LDCW reaches the entry it names.
    auto two = assembleText(".constant\na 5\n.end-constant\n.main\nLDCW b\nLDCW a\nHALT\n.end-main\n"
                            ".constant\nb 6\n.end-constant");
    EXPECT_EQ(two->program.constants[1].index, 1);
    EXPECT_EQ(pool(two->program), (std::vector<int32_t>{5, 6, 3}));
    EXPECT_EQ(hex(two->program.methodArea), "52 00 02 00 01 00 00 30 00 01 30 00 00 70");
    EXPECT_TRUE(diagnostics(two->program).empty());
}

TEST(IjvmBadInput, NeverCrashesOrHangs) {
    std::mt19937 random(42);
    std::string garbage(1 << 16, '\0');
    for (char& ch : garbage)
        ch = static_cast<char>(random());
    const std::string unterminated = ".main\nBIPUSH 1\n/* never closed " + std::string(400, '*') + " HALT\n";
    const std::string hugeWord = ".main\n" + std::string(100000, 'A') + "\n.end-main\n";
    for (const std::string& src : {garbage, ".main\n" + garbage, unterminated, hugeWord}) {
        // Garbage gives diagnostics inside the source, never a failure.
        auto a = assembleText(src);
        for (const Diag& d : diagnostics(a->program)) {
            EXPECT_GE(d.start, 0);
            EXPECT_LE(d.start + d.length, static_cast<int32_t>(src.size()));
        }
    }
    // The word is read 100 characters at a time, the 101st lost each time; a message longer
    // than 100 characters is kept whole.
    auto a = assembleText(hugeWord);
    EXPECT_EQ(a->program.diagnostics.count(), 991);
    EXPECT_EQ(diagnostics(a->program)[0],
              (Diag{"Errore nel metodo main in prossimit\xE0 dell'istruzione 0: " + std::string(100, 'A') +
                        " non esiste.",
                    6, 100}));
    EXPECT_EQ(a->program.diagnostics[990].length, 100000 - 990 * 101);
}

TEST(IjvmBadInput, MalformedNumbersAreDiagnosticsOnTheirWords) {
    const auto bad = [](const std::string& number) {
        return "Errore: il numero " + number + " non \xE8 valido.";
    };
    // IINC without its number, BIPUSH without its operand: the next word is read as the
    // number, and refused there; the assembly goes on.
    auto a = assembleText(".main\n.var\ni\n.end-var\nIINC i\nGOTO end\nBIPUSH\nHALT\nend: BIPUSH x12\n"
                          "IINC i 0xG1\nHALT\n.end-main\n");
    EXPECT_EQ(
        diagnostics(a->program),
        (Diags{at(*a, "Errore nel metodo main in prossimit\xE0 dell'istruzione 1: END non esiste.", "end", 1),
               at(*a, bad("GOTO"), "GOTO"), at(*a, bad("HALT"), "HALT"), at(*a, bad("x12"), "x12"),
               at(*a, bad("0xG1"), "0xG1")}));
    // A constant without its value: refused on its name, and the section ends there.
    auto c = assembleText(".constant\nk\n.end-constant\n.main\nLDCW k\nHALT\n.end-main\n");
    EXPECT_EQ(diagnostics(c->program), (Diags{at(*c, bad(".end-constant"), "k")}));
    // At the end of the input the mnemonic is the place.
    auto e = assembleText(".main\nBIPUSH\n");
    EXPECT_EQ(diagnostics(e->program), (Diags{{"Errore: Il metodo main deve terminare con .end-main", 0, 0},
                                              at(*e, bad(""), "BIPUSH")}));
    // What is not a source stays fatal.
    IjvmAssembler missing("/nonexistent/program.jvm");
    EXPECT_THROW(missing.assemble(), FatalError);
}

TEST(IjvmWarnings, OperandsTheMachineSeesOtherwiseAreWarnedAndPlaced) {
    setLanguage(Language::English);
    std::string source = ".constant\n";
    for (int i = 0; i < 65536; ++i)
        source.append("c").append(std::to_string(i)).append(" 1\n");
    source += ".end-constant\n.main\n.var\n";
    for (int i = 0; i < 300; ++i)
        source.append("v").append(std::to_string(i)).append("\n");
    source += ".end-var\nBIPUSH -200\nBIPUSH 127\nBIPUSH -128\nIINC v0 128\nILOAD v299\nWIDE ILOAD v299\n"
              "LDC_W c65535\nINVOKEVIRTUAL m\nGOTO far\n";
    for (int i = 0; i < 40000; ++i)
        source += "NOP\n";
    source += "far: IF_ICMPEQ far\nHALT\n.end-main\n.method m()\nBIPUSH 0\nIRETURN\n.end-method\n";
    auto a = assembleText(source);
    setLanguage(Language::Course);
    std::vector<std::pair<DiagnosticCode, std::string>> found;
    a->program.diagnostics.forEach([&](const Diagnostic& d) {
        EXPECT_TRUE(d.warning);
        found.emplace_back(d.code, d.message);
    });
    using D = DiagnosticCode;
    EXPECT_EQ(
        found,
        (std::vector<std::pair<D, std::string>>{
            {D::BipushOutOfRange,
             "BIPUSH -200 does not fit a signed byte: the machine pushes 56 (method main)"},
            {D::IincOutOfRange, "IINC 128 does not fit a signed byte: the machine adds -128 (method main)"},
            {D::LocalIndexOutOfRange,
             "variable v299 has index 300, over 255: without WIDE the machine uses index 44 (method main)"},
            {D::PoolIndexOutOfRange,
             "m has constant-pool index 65537, over 65535: the machine uses index 1 (method main)"},
            {D::BranchOutOfRange, "the jump to far spans 40003 bytes, more than 16 bits hold: the machine "
                                  "jumps -25533 bytes (method main)"}}));
    EXPECT_EQ(a->program.errorCount(), 0);
    EXPECT_EQ(a->program.errorCount(true), 5);
    // The bytes are what the warnings say; the textbook's spellings are the same opcodes.
    EXPECT_EQ(hex(a->program.methodArea).substr(0, 89),
              "52 00 00 00 01 01 2C 19 38 19 7F 19 80 34 01 80 1C 2C 28 01 2C "
              "30 FF FF 52 00 01 3A 9C 43");
}
