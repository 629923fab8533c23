#include "checker/CheckerReader.h"
#include "checker/MalChecker.h"
#include "common/RunProgram.h"
#include "mal/MalLineReader.h"

#include <gtest/gtest.h>

using namespace tarveno;
using testutil::repeat;

namespace {

struct Expected {
    std::string source;
    int32_t line;
    int32_t column;
    std::string message; // a part of the message
    bool isError = true;
};

} // namespace

// One fault per source: exactly one error, at the line and column of the fault; a
// warning alone leaves the source without errors.
TEST(Checker, EachFindingIsReportedAtItsLineAndColumn) {
    const std::vector<Expected> corpus = {
        // unknown words and characters, malformed statements
        {"main1 h = toss\n", 1, 11, "unknown word TOSS; did you mean TOS?"},
        {"  h = 0\n  h = tos, rd\n", 2, 10, "unknown character ','"},
        {"  h = tos rd\n", 1, 11, "expected ';' before RD"},
        {"  h = h & tos\n", 1, 9, "write AND"},
        {"  h = mbr; shl\n", 1, 12, "write the shift after the operand"},
        {"toss = h\n", 1, 1, "unknown word TOSS; did you mean TOS?"},
        {"  h = 0; else goto a\na h = 0\n", 1, 10, "ELSE must follow"},
        {"  h =\n", 1, 6, "expected H or a B-bus register before ';'"},
        {"  h = \x80\n", 1, 7, "unknown character byte 0x80"},
        // the B bus, the A side and the ALU
        {"  h = tos + mdr\n", 1, 13, "two B-bus sources, TOS and MDR"},
        {"  h = tos and opc\n", 1, 15, "two B-bus sources"},
        {"  h = tos - mdr\n", 1, 13, "the ALU subtracts only H"},
        {"  h = not tos\n", 1, 11, "NOT works on H only"},
        {"  h = -tos\n", 1, 8, "negates only H"},
        {"  h = h - tos\n", 1, 7, "cannot compute H - TOS"},
        {"  h = h - 1\n", 1, 7, "cannot compute H - 1"},
        {"  h = h + h\n", 1, 11, "H + H"},
        {"  h = h or h\n", 1, 12, "H OR H"},
        {"  h = mar\n", 1, 7, "MAR cannot be read"},
        {"  h = z\n", 1, 7, "Z is a flag"},
        {"  tos = 7\n", 1, 9, "constants 0, 1 and -1"},
        {"  h = tos + 2\n", 1, 13, "only 1 can be added"},
        {"  h = 1 + tos\n", 1, 7, "a constant stands alone or last"},
        {"  h = mbr << 4\n", 1, 14, "left by 8 only"},
        {"  h = mbr >> 1 << 8\n", 1, 16, "only one shift"},
        {"  h = tos; mdr = sp\n", 1, 12, "computes one value"},
        // memory and destinations
        {"  mbr = tos\n", 1, 3, "MBR cannot be written"},
        {"  mar = sp; rd; wr\n", 1, 17, "RD and WR"},
        // jumps and labels
        {"  goto main2\nmain1 h = 0\n", 1, 8, "undefined label MAIN2; did you mean MAIN1?"},
        {"  goto 5\n", 1, 8, "needs a label, not an address"},
        {"  goto mbr\n", 1, 8, "write GOTO (MBR)"},
        {"  goto (mbr or 0x200)\n", 1, 16, "OR 0x100"},
        {"a h = 0; goto a; goto a\n", 1, 18, "jumps only once"},
        {"l1 h = 0\nl1 h = 1\n", 2, 1, "label L1 is already defined at line 1"},
        {"loop: h = 0\n", 1, 5, "not ':'"},
        {"1abc h = 0\n", 1, 1, "begins with a letter"},
        {"and h = 0\n", 1, 1, "AND is a MAL word"},
        {"l1;h = 1\n", 1, 3, "put a blank after the label L1"},
        {"abcdefghijabcdefghijabcdefghij h = 0\n", 1, 1, "label of 30 characters"},
        {"fetch; goto a\na h = 0\n", 1, 1, "a line beginning with FETCH"},
        {"else goto a\na h = 0\n", 1, 1, "a line beginning with ELSE"},
        {"mbru h = 0\n", 1, 1, "a line beginning with MBRU"},
        // IF, and where its generated jump lands
        {"a z = tos; if (z) goto a else goto a\n", 1, 26, "expected ';'"},
        {"a z = tos; if (x) goto a; else goto a\n", 1, 16, "IF tests only Z or N"},
        {"a z = tos; if (z) goto a; else goto b\n", 1, 37, "undefined label B"},
        {"a h = 0\nb h = 0\n  z = tos; if (z) goto a; else goto b\n  n = tos; if (n) goto b; else goto b\n",
         4, 37, "already holds the jump of the IF at line 3"},
        {"  z = tos; if (z) goto t; else goto e\nt h = 0\n" + repeat("  h = 0\n", 258) + "e h = 1\n", 1, 37,
         "the ELSE label E is at address 260"},
        {"  z = tos; if (z) goto t; else goto e\ne h = 0\nt h = 1\n" + repeat("  h = 0\n", 297), 1, 37,
         "address 257 (ELSE address + 256), which is the statement at line 258"},
        // lengths and the size of the control store
        {"  h = 0 // " + std::string(300, 'x') + "\n", 1, 255, "line is 311 characters long"},
        {std::string("  h = 0\0 x\n", 11), 1, 8, "NUL byte"},
        {repeat("  h = 0\n", 513), 513, 3, "statement 513 of 513: the control store holds 512 statements"},
        // what the encoder would silently change
        {"  h = h + 1 << 8\n", 1, 3, "assembles as \"H = H + MAR + 1 << 8; GOTO 1\""},
        {"  h = 0 << 8\n", 1, 3, "assembles as \"H = MAR << 8; GOTO 1\""},
        // warnings
        {"", 1, 1, "the microprogram has 0 statements, so none is at address 112, where Run stops", false},
        {"  h = 0\n", 1, 1, "the microprogram has 1 statement, so none", false},
        {"  mar = sp; rd\n  h = mdr\n", 2, 7, "MDR still holds its old value here: the RD at line 1", false},
        {"  pc = pc + 1; fetch; goto a\n  h = 0\na h = mbru << 8\n", 3, 7, "MBRU still holds", false},
        {"a mar = z = sp; rd; if (z) goto a; else goto b\nb h = mdr\n", 2, 7, "the RD at line 1", false},
        {"  mar = mar = sp\n", 1, 9, "MAR is named twice", false},
        {"  z = tos\n", 1, 3, "sets only the flags", false},
        {"a if (z) goto a; else goto a\n", 1, 3, "computes nothing", false},
        {"abcdefghijabcdefghijabcdefghi lv = mar = mdr = tos = opc = mdr + h; wr\n", 1, 31,
         "has 72 characters", false},
        {"   loop h = 0; goto loop\n", 1, 4, "the label LOOP is indented", false},
    };
    for (const Expected& e : corpus) {
        SCOPED_TRACE(e.source.substr(0, 80));
        const CheckResult r = checkMalSource(e.source);
        EXPECT_EQ(r.errors, e.isError ? 1 : 0) << formatReport(r, "x");
        const auto f = std::find_if(r.findings.begin(), r.findings.end(), [&](const CheckFinding& found) {
            return found.isError == e.isError && found.message.find(e.message) != std::string::npos;
        });
        ASSERT_NE(f, r.findings.end()) << formatReport(r, "x");
        EXPECT_EQ(f->line, e.line);
        EXPECT_EQ(f->column, e.column);
    }
    // Two IFs may share an ELSE label when they also share the THEN label; a statement
    // longer than 50 characters is checked whole; 512 statements fit.
    for (const char* clean : {"a h = 0\nb h = 0\n  z = tos; if (z) goto a; else goto b\n"
                              "  n = h; if (n) goto a; else goto b\n",
                              "main h = mdr = tos = opc = sp = lv = cpp = h + 1; wr; goto main\n"})
        EXPECT_EQ(checkMalSource(clean).errors, 0) << clean;
    const CheckResult full = checkMalSource(repeat("  h = 0\n", 512));
    EXPECT_EQ(full.errors + full.warnings, 0);
    // Reading MDR two microinstructions after the RD sees the new word: no warning. A label
    // alone on its line is the empty microinstruction that waits. A short microprogram never
    // reaches the halt address.
    const CheckAnalysis a = analyzeMalSource("pop1 mar = sp; rd\npop2\npop3 h = mdr\n");
    ASSERT_EQ(a.result.findings.size(), 1u);
    EXPECT_NE(a.result.findings[0].message.find("none is at address 112"), std::string::npos);
    ASSERT_EQ(a.program.size(), 3u);
    EXPECT_EQ(a.program[1].word, 0u);
    EXPECT_EQ(a.program[1].next, 2);
}

TEST(Checker, ReportFormat) {
    const CheckResult r = checkMalSource("// adds one\nmain1\th = h + 1\n\ttos = toss\n");
    EXPECT_EQ(formatReport(r, "bad.mal"),
              "Errors: 1, warnings: 1\n"
              "bad.mal:3:1: warning: the microprogram has 2 statements, so none is at address 112, where Run "
              "stops: Run will not end by itself\n"
              "\ttos = toss\n"
              "^\n"
              "bad.mal:3:8: error: unknown word TOSS; did you mean TOS?\n"
              "\ttos = toss\n"
              "\t      ^\n");
    EXPECT_EQ(formatReport(checkMalSource(repeat("  h = 0\n", 113)), "x"), "OK: no errors, warnings: 0\n");

    // A flood of findings is cut, and the report says how many it leaves out.
    const CheckResult flood = checkMalSource(repeat("  h = tos rd\n", 1500));
    EXPECT_EQ(flood.errors, 1501); // each statement, and the 513th for the size
    EXPECT_EQ(flood.findings.size(), 1000u);
    const std::string floodReport = formatReport(flood, "x");
    EXPECT_EQ(floodReport.substr(floodReport.size() - 32), "501 more findings are not shown\n");

    EXPECT_EQ(
        formatReport(checkMalFile("/nonexistent/dir/prog.mal"), "prog.mal"),
        "Errors: 1, warnings: 0\nprog.mal:1:1: error: cannot read the source file: it does not exist\n");
    EXPECT_EQ(checkMalFile(TARVENO_EXAMPLES_DIR).errors, 1); // a folder
}
