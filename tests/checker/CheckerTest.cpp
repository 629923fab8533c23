#include "mal/CheckerReader.h"
#include "mal/FileReaderMic1.h"
#include "mal/MalChecker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <unistd.h>

using namespace tarveno;

namespace {

std::string errorsOf(const CheckResult& r) {
    std::string out;
    for (const CheckFinding& f : r.findings)
        if (f.isError)
            out += std::to_string(f.line) + ":" + std::to_string(f.column) + " " + f.message + "\n";
    return out;
}

std::string repeat(const std::string& line, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += line;
    return out;
}

struct Wrong {
    std::string source;
    int32_t line;
    int32_t column;
    std::string message; // a part of the message
};

} // namespace

// One fault per source: exactly one error, at the line and column of the fault.
TEST(Checker, EachFaultIsReportedOnceAtItsLineAndColumn) {
    const std::vector<Wrong> corpus = {
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
        // IF
        {"a z = tos; if (z) goto a else goto a\n", 1, 26, "expected ';'"},
        {"a z = tos; if (x) goto a; else goto a\n", 1, 16, "IF tests only Z or N"},
        {"a z = tos; if (z) goto a; else goto b\n", 1, 37, "undefined label B"},
        {"a h = 0\nb h = 0\n  z = tos; if (z) goto a; else goto b\n  n = tos; if (n) goto b; else goto b\n",
         4, 37, "already holds the jump of the IF at line 3"},
        // lengths
        {"  h = 0 // " + std::string(300, 'x') + "\n", 1, 255, "line is 311 characters long"},
        {"  h = tos" + std::string(40, ' ') + "+ 1\n", 1, 52, "statement of 51 characters"},
        {std::string("  h = 0\0 x\n", 11), 1, 8, "NUL byte"},
        // what the encoder would silently change
        {"  h = h + 1 << 8\n", 1, 3, "assembles as \"H = H + MAR + 1 << 8; GOTO 1\""},
        {"  h = 0 << 8\n", 1, 3, "assembles as \"H = MAR << 8; GOTO 1\""},
    };
    for (const Wrong& w : corpus) {
        const CheckResult r = checkMalSource(w.source);
        SCOPED_TRACE(w.source.substr(0, 80));
        ASSERT_EQ(r.errors, 1) << errorsOf(r);
        const CheckFinding& e = *std::find_if(r.findings.begin(), r.findings.end(),
                                              [](const CheckFinding& f) { return f.isError; });
        EXPECT_EQ(e.line, w.line) << e.message;
        EXPECT_EQ(e.column, w.column) << e.message;
        EXPECT_NE(e.message.find(w.message), std::string::npos) << e.message;
    }
}

// Faults that need a long microprogram: IF placement and the size of the control store.
TEST(Checker, IfPlacementAndControlStoreSize) {
    // The ELSE label at 260: the generated jump would be at 516.
    std::string far =
        "  z = tos; if (z) goto t; else goto e\nt h = 0\n" + repeat("  h = 0\n", 258) + "e h = 1\n";
    CheckResult r = checkMalSource(far);
    ASSERT_EQ(r.errors, 1) << errorsOf(r);
    EXPECT_EQ(r.findings[0].line, 1);
    EXPECT_EQ(r.findings[0].column, 37);
    EXPECT_NE(r.findings[0].message.find("address 260"), std::string::npos);

    // The ELSE label at 1 with 300 statements: the jump at 257 lands on statement 257.
    std::string clash =
        "  z = tos; if (z) goto t; else goto e\ne h = 0\nt h = 1\n" + repeat("  h = 0\n", 297);
    r = checkMalSource(clash);
    ASSERT_EQ(r.errors, 1) << errorsOf(r);
    EXPECT_EQ(r.findings[0].column, 37);
    EXPECT_NE(r.findings[0].message.find("statement at line 258"), std::string::npos);

    // Two IFs may share an ELSE label when they also share the THEN label.
    const std::string shared =
        "a h = 0\nb h = 0\n  z = tos; if (z) goto a; else goto b\n  n = h; if (n) goto a; else goto b\n";
    EXPECT_EQ(checkMalSource(shared).errors, 0);

    r = checkMalSource(repeat("  h = 0\n", 512));
    EXPECT_EQ(r.errors, 0);
    EXPECT_EQ(r.warnings, 0);
    r = checkMalSource(repeat("  h = 0\n", 513));
    ASSERT_EQ(r.errors, 1);
    EXPECT_EQ(r.findings[0].line, 513);
    EXPECT_EQ(r.findings[0].column, 3);
}

TEST(Checker, WarningsDoNotMakeErrors) {
    struct Case {
        std::string source;
        int32_t line;
        int32_t column;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"  mar = sp; rd\n  h = mdr\n", 2, 7, "MDR still holds its old value here: the RD at line 1"},
        {"  pc = pc + 1; fetch; goto a\n  h = 0\na h = mbru << 8\n", 3, 7, "MBRU still holds"},
        {"a mar = z = sp; rd; if (z) goto a; else goto b\nb h = mdr\n", 2, 7, "the RD at line 1"},
        {"  mar = mar = sp\n", 1, 9, "MAR is named twice"},
        {"  z = tos\n", 1, 3, "sets only the flags"},
        {"a if (z) goto a; else goto a\n", 1, 3, "computes nothing"},
        {"abcdefghijabcdefghijabcdefghi lv = mar = mdr = tos = opc = mdr + h; wr\n", 1, 31,
         "has 72 characters"},
        {"   loop h = 0; goto loop\n", 1, 4, "the label LOOP is indented"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const CheckResult r = checkMalSource(c.source);
        EXPECT_EQ(r.errors, 0) << errorsOf(r);
        const auto it = std::find_if(r.findings.begin(), r.findings.end(), [&](const CheckFinding& f) {
            return f.message.find(c.message) != std::string::npos;
        });
        ASSERT_NE(it, r.findings.end());
        EXPECT_FALSE(it->isError);
        EXPECT_EQ(it->line, c.line);
        EXPECT_EQ(it->column, c.column);
    }
    // Reading MDR two microinstructions after the RD sees the new word: no warning. A
    // label alone on its line is the empty microinstruction that waits.
    const CheckAnalysis a = analyzeMalSource("pop1 mar = sp; rd\npop2\npop3 h = mdr\n");
    // A short microprogram never reaches the halt address.
    ASSERT_EQ(a.result.findings.size(), 1u);
    EXPECT_NE(a.result.findings[0].message.find("none is at address 112"), std::string::npos);
    ASSERT_EQ(a.program.size(), 3u);
    EXPECT_EQ(a.program[1].word, 0u);
    EXPECT_EQ(a.program[1].next, 2);
}

// The worked statements and edge cases of the encoder, as a source: clean, and meaning
// the words the encoder makes of them.
TEST(Checker, WorkedStatementsPassCleanWithTheirWords) {
    const std::string source = "  h = mbr << 8; goto s5\n"                 // 0
                               "  mar = sp = sp + 1; rd; goto s7\n"        // 1
                               "  pc = pc + 1; fetch; goto (mbr)\n"        // 2
                               "  z = tos; if (z) goto t1; else goto s9\n" // 3
                               "  h = h + 1; goto s3 // comment\n"         // 4
                               "s5 h = mbru\n"                             // 5
                               "   tos = 0\n"                              // 6
                               "s7 tos = 1\n"                              // 7
                               "t1 mdr = -1\n"                             // 8
                               "s9 h = -h\n"                               // 9
                               "\tsp = sp - 1\n"                           // 10
                               "  MDR = TOS - H; WR\n"                     // 11
                               "  h = h + mdr + 1\n"                       // 12
                               "  h = mbr >> 1\n"                          // 13
                               "s3 goto (mbr or 0x100)\n"                  // 14
                               "  h = h and tos; goto s3\n"                // 15
                               "  opc = h or lv\n"                         // 16
                               "  cpp = not h\n"                           // 17
                               "  lv = lv + h\r\n";                        // 18
    const CheckAnalysis a = analyzeMalSource(source);
    ASSERT_EQ(a.result.errors, 0) << errorsOf(a.result);
    EXPECT_EQ(a.result.warnings, 1); // no statement at 112
    std::map<int32_t, std::pair<uint32_t, int32_t>> words;
    for (const CheckedMic& m : a.program)
        words.emplace(m.address, std::make_pair(m.word, m.next));
    const std::vector<std::tuple<int32_t, uint32_t, int32_t>> expected = {
        {0, 0x94800A, 5},     {1, 0x3504A3, 7},   {2, 0x4350212, 0},  {3, 0x1140006, 9},  {265, 0, 8},
        {4, 0x398000, 14},    {5, 0x148009, 6},   {6, 0x102000, 7},   {7, 0x112000, 8},   {8, 0x120100, 9},
        {9, 0x3B8000, 10},    {10, 0x370403, 11}, {11, 0x3F0146, 12}, {12, 0x3D8001, 13}, {13, 0x54800A, 14},
        {14, 0x4000000, 256}, {15, 0x0C8006, 14}, {16, 0x1C4004, 17}, {17, 0x1A1000, 18}, {18, 0x3C0804, 19},
    };
    ASSERT_EQ(words.size(), expected.size());
    for (const auto& [address, word, next] : expected) {
        SCOPED_TRACE(address);
        EXPECT_EQ(words[address].first, word);
        EXPECT_EQ(words[address].second, next);
    }
}

TEST(Checker, ExamplesPassWithoutErrors) {
    namespace fs = std::filesystem;
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(TARVENO_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".mal") continue;
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const CheckResult r = checkMalSource(text);
        EXPECT_EQ(r.errors, 0) << formatReport(r, entry.path().filename().string());
        // A warning an example keeps must be explained in its comments.
        if (r.warnings > 0) {
            EXPECT_NE(text.find("warning"), std::string::npos)
                << formatReport(r, entry.path().filename().string());
        }
        ++checked;
    }
    std::cout << "examples checked: " << checked << "\n";
}

TEST(Checker, ReportFormat) {
    const std::string source = "// adds one\n"
                               "main1\th = h + 1\n"
                               "\ttos = toss\n";
    const CheckResult r = checkMalSource(source);
    EXPECT_EQ(formatReport(r, "bad.mal"),
              "Errors: 1, warnings: 1\n"
              "bad.mal:3:1: warning: the microprogram has 2 statements, so none is at address 112, where Run "
              "stops: Run will not end by itself\n"
              "\ttos = toss\n"
              "^\n"
              "bad.mal:3:8: error: unknown word TOSS; did you mean TOS?\n"
              "\ttos = toss\n"
              "\t      ^\n");
    const CheckResult ok = checkMalSource(repeat("  h = 0\n", 113));
    EXPECT_EQ(formatReport(ok, "x"), "OK: no errors, warnings: 0\n");

    // A flood of findings is cut, and the report says how many it leaves out.
    const CheckResult flood = checkMalSource(repeat("  h = tos rd\n", 1500));
    EXPECT_EQ(flood.errors, 1501); // each statement, and the 513th for the size
    EXPECT_EQ(flood.findings.size(), 1000u);
    const std::string floodReport = formatReport(flood, "x");
    EXPECT_EQ(floodReport.substr(floodReport.size() - 32), "501 more findings are not shown\n");

    const CheckResult missing = checkMalFile("/nonexistent/dir/prog.mal");
    ASSERT_EQ(missing.errors, 1);
    EXPECT_EQ(
        formatReport(missing, "prog.mal"),
        "Errors: 1, warnings: 0\nprog.mal:1:1: error: cannot read the source file: it does not exist\n");
    EXPECT_EQ(checkMalFile(TARVENO_EXAMPLES_DIR).errors, 1); // a folder
}

// The checker's reader and the micro-assembler's read every source alike.
TEST(Checker, ReaderMatchesTheMicroAssemblersReader) {
    namespace fs = std::filesystem;
    const std::vector<std::string> pieces = {
        "main1", "loop", "h",    "=",     "tos",  "+",    "1",    ";",  " ",     "  ",
        "\t",    "/",    "// c", "fetch", "else", "mbru", "goto", "(",  ")",     "if",
        "z",     "<",    ">",    "\r",    "rd",   "Mar",  "x:",   "\v", "0x100", std::string(1, '\0'),
        "\xE8",  "abc1"};
    std::mt19937 random(42);
    const fs::path file =
        fs::temp_directory_path() / ("checker_reader_" + std::to_string(::getpid()) + ".mal");
    for (int round = 0; round < 300; ++round) {
        std::string source;
        const int lines = 1 + static_cast<int>(random() % 8);
        for (int l = 0; l < lines; ++l) {
            const int n = static_cast<int>(random() % 9);
            for (int p = 0; p < n; ++p)
                source += pieces[random() % pieces.size()];
            if (random() % 20 == 0) source += std::string(250 + random() % 10, 'a');
            if (l + 1 < lines || random() % 2) source += "\n";
        }
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out << source;
        }
        const checker::SourceReading mine = checker::readSource(source);
        FileReaderMic1 theirs;
        theirs.setName(file.string());
        theirs.open();
        size_t i = 0;
        while (const std::string* label = theirs.next()) {
            SCOPED_TRACE(source);
            ASSERT_LT(i, mine.statements.size());
            const checker::SourceStatement& s = mine.statements[i++];
            EXPECT_EQ(*label, s.label.empty() ? std::string(FileReaderMic1::noLabel) : s.label);
            EXPECT_EQ(theirs.statement, s.text);
            EXPECT_EQ(theirs.lineNumber, s.line);
        }
        // The micro-assembler stops at a line too long; the checker reads on and says so.
        if (theirs.lineTooLong()) {
            EXPECT_TRUE(std::any_of(mine.findings.begin(), mine.findings.end(),
                                    [](const CheckFinding& f) { return f.column == 255; }));
        } else {
            EXPECT_EQ(i, mine.statements.size()) << source;
        }
        theirs.close();
    }
    fs::remove(file);
}
