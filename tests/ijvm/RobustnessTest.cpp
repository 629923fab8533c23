// Choices made where the language leaves room, mended faults, and hostile input.

#include "AssembleHelper.h"

#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace ijvmtest;

TEST(IjvmChoices, LongNamesAreCutAndStillReached) {
    auto a = assembleText(".constant\nbiggestConstant 7\n.end-constant\n"
                          ".method abcdefghijklmnopqrstuv(x)\n" // 20 characters kept, "u" lost
                          ".var\ncounterVariable\n.end-var\n"
                          "ILOAD counterVariable\nIRETURN\n.end-method\n"
                          ".main\nLDCW biggestConstant\nINVOKEVIRTUAL abcdefghijklmnopqrstuv\n"
                          "aVeryLongLabelNameIndeed: GOTO aVeryLongLabelNameIndeed\nHALT\n.end-main\n");
    IJVMC& c = *a->ijvmc;
    EXPECT_TRUE(diagnostics(c).empty());
    EXPECT_EQ(c.constants[0].name, "biggestCo");
    const Method& m = c.methods[0];
    EXPECT_EQ(m.name, "abcdefghijklmnopqrst");
    // The parameter text runs on from the lost character: "v(x" names v and x.
    EXPECT_EQ(m.parameters, 3);
    EXPECT_EQ(m.locals[2].name, "counterVa");
    EXPECT_EQ(c.methods[1].labels[0].name, "aVeryLongLabelNameI");
    EXPECT_EQ(hex(c.methodArea), "52 00 02 00 03 00 01 1C 03 68 00 01 00 00 30 00 00 52 00 01 3A 00 00 70");
}

TEST(IjvmChoices, ParameterTextsSectionsAndMessages) {
    // Characters that are neither letters, digits, blanks nor commas are passed over.
    auto odd =
        assembleText(".method f(a$b, c;d\t e)\nILOAD e\nIRETURN\n.end-method\n.main\nHALT\n.end-main\n");
    EXPECT_EQ(odd->ijvmc->methods[0].parameters, 6);
    EXPECT_TRUE(diagnostics(*odd->ijvmc).empty());

    // Constants are numbered over the whole program, so LDCW reaches the entry it names.
    auto two = assembleText(".constant\na 5\n.end-constant\n.main\nLDCW b\nLDCW a\nHALT\n.end-main\n"
                            ".constant\nb 6\n.end-constant");
    EXPECT_EQ(two->ijvmc->constants[1].index, 1);
    EXPECT_EQ(pool(*two->ijvmc), (std::vector<int32_t>{5, 6, 3}));
    EXPECT_EQ(hex(two->ijvmc->methodArea), "52 00 02 00 01 00 00 30 00 01 30 00 00 70");
    EXPECT_TRUE(diagnostics(*two->ijvmc).empty());

    // A message longer than 100 characters is kept whole.
    const std::string word(100, 'q');
    auto longer = assembleText(".main\n" + word + "\n.end-main");
    const auto d = diagnostics(*longer->ijvmc);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0], at(*longer,
                       "Errore nel metodo main in prossimit\xE0 dell'istruzione 0: " + std::string(100, 'Q') +
                           " non esiste.",
                       word));
}

TEST(IjvmBadInput, NeverCrashesOrHangs) {
    std::mt19937 random(42);
    std::string garbage(1 << 16, '\0');
    for (char& ch : garbage)
        ch = static_cast<char>(random());
    const std::string unterminated = ".main\nBIPUSH 1\n/* never closed " + std::string(400, '*') + " HALT\n";
    const std::string hugeWord = ".main\n" + std::string(100000, 'A') + "\n.end-main\n";
    for (const std::string& src : {garbage, ".main\n" + garbage, unterminated, hugeWord}) {
        try {
            auto a = assembleText(src);
            for (const Diag& d : diagnostics(*a->ijvmc)) {
                EXPECT_GE(d.start, 0);
                EXPECT_LE(d.start + d.length, static_cast<int32_t>(src.size()));
            }
        } catch (const FatalError&) {
            // A malformed number among the garbage is a clean failure too.
        }
    }
    // The word is read 100 characters at a time, the 101st lost each time.
    auto a = assembleText(hugeWord);
    EXPECT_EQ(a->ijvmc->errors.count(), 991);
    EXPECT_EQ(a->ijvmc->errors[990].length, 100000 - 990 * 101);
}

TEST(IjvmBadInput, MalformedNumbersAreFatalWithTheirMessage) {
    auto fatalOf = [](const std::string& src) -> FatalError {
        try {
            assembleText(src);
        } catch (const FatalError& e) {
            return e;
        }
        return FatalError("no error");
    };
    const FatalError bipush = fatalOf(".main\nBIPUSH x12\n.end-main\n");
    EXPECT_EQ(bipush.message(), "Errore nella funzione atolong(char): Numero x12 non valido");
    EXPECT_EQ(bipush.userMessage(),
              "Errore: il numero x12 non \xE8 valido. Il programma sar\xE0 adesso terminato.");
    EXPECT_EQ(fatalOf(".main\nIINC i 0xG1\n.end-main\n").message(),
              "Errore nella funzione getnum(char): Il carattere G non \x8A valido");
    // A constant without its value takes the closing word as its value.
    EXPECT_EQ(fatalOf(".constant\nk\n.end-constant\n").message(),
              "Errore nella funzione atolong(char): Numero .end-constant non valido");
    IJVMC missing("/nonexistent/program.jvm");
    EXPECT_THROW(missing.assemble(), FatalError);
}
