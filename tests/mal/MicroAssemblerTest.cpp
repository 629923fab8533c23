#include "mal/MicroAssembler.h"

#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tarveno;

namespace {

// Files are named after the running test, so that tests run in parallel never share one.
std::string testName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

std::filesystem::path tempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("tarveno_asm_" + testName() + "_" + name);
}

std::string writeFile(const std::string& name, const std::string& bytes) {
    const auto path = tempPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Assembles source text; answers the microprogram file's bytes.
std::string assemble(const std::string& source, std::vector<std::string>* warnings = nullptr) {
    const std::string src = writeFile("src.mal", source);
    const std::string out = tempPath("src.bin").string();
    MicroAssembler a(src, out);
    a.assemble();
    if (warnings) *warnings = a.warnings();
    return readFile(out);
}

std::string repeat(const std::string& line, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += line;
    return s;
}

} // namespace

TEST(MicroAssembler, PlacementAndDefaultJumps) {
    EXPECT_EQ(assemble("h = 0\ntos = h\n\n// comment\nopc = tos\n"), "0 1 1081344\tek9218a: H = 0;\n"
                                                                     "1 2 1581056\tek9218a: TOS = H;\n"
                                                                     "2 3 1327110\tek9218a: OPC = TOS;\n");
    // The example line of the microprogram file, at address 12.
    const std::string out = assemble(repeat("h = 0\n", 12) + "main1 pc = pc + 1; fetch; goto (mbr)\n");
    EXPECT_EQ(out.substr(out.find("\n12 ") + 1), "12 0 70582802\tMAIN1: PC = PC + 1; FETCH; GOTO (MBR);\n");
    // A jump through MBR is a jump: no default is added.
    EXPECT_EQ(assemble("main1 pc = pc + 1; fetch; goto (mbr)\n"),
              "0 0 70582802\tMAIN1: PC = PC + 1; FETCH; GOTO (MBR);\n");
    EXPECT_EQ(assemble("goto (mbr or 0x100)\n"), "0 256 67108864\tek9218a: GOTO (MBR OR 0X100);\n");
    // A loop at statement 4 jumps to itself.
    const std::string loop = assemble(repeat("h = 0\n", 4) + "loop h = h + 1; goto loop\n");
    EXPECT_EQ(loop.substr(loop.find("\n4 ") + 1), "4 4 3768320\tLOOP: H = H + 1; GOTO LOOP;\n");
    EXPECT_EQ(assemble(""), "");
    EXPECT_EQ(assemble("// nothing\n\n"), "");
}

TEST(MicroAssembler, IfPlacesTheThenJumpAtElsePlus256) {
    const std::string source = "h = 0\nh = 0\nh = 0\n"
                               "z = tos; if (z) goto t; else goto f\n"
                               "h = 0\n"
                               "f h = 1\n"
                               "h = 0\nh = 0\nh = 0\n"
                               "t h = -1\n";
    const std::string out = assemble(source);
    // The generated jump comes first, carrying the IF statement's text.
    const std::string ifLines = "261 9 0\tek9218a: Z = TOS; IF (Z) GOTO T; ELSE GOTO F;\n"
                                "3 5 18087942\tek9218a: Z = TOS; IF (Z) GOTO T; ELSE GOTO F;\n";
    EXPECT_NE(out.find("2 3 1081344\tek9218a: H = 0;\n" + ifLines + "4 5 "), std::string::npos) << out;
    // IF on N, with the else address at 256 or above: the jump goes to else + 256.
    const std::string far =
        assemble("n = h; if (n) goto a; else goto b\na h = 0\n" + repeat("h = 0\n", 255) + "b h = 1\n");
    EXPECT_EQ(far.substr(0, far.find('\n')), "513 1 0\tek9218a: N = H; IF (N) GOTO A; ELSE GOTO B;");
    EXPECT_NE(far.find("\n0 257 35127296\t"), std::string::npos);
}

TEST(MicroAssembler, Labels) {
    std::vector<std::string> warnings;
    // Two statements labelled alike: jumps go to the later one.
    std::string out = assemble("goto twin\ntwin h = 0\ntwin h = 1\n", &warnings);
    EXPECT_EQ(out.substr(0, out.find('\n')), "0 2 0\tek9218a: GOTO TWIN;");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "line 3: label TWIN is also on line 2; jumps to it go to this later statement, address 2");

    // An undefined label jumps to 0, with a warning naming the line; so does a number,
    // which is a label name too.
    out = assemble("h = 0\n\nh = 1; goto loopx\ngoto 5\n", &warnings);
    EXPECT_NE(out.find("\n1 0 1146880\tek9218a: H = 1; GOTO LOOPX;\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n2 0 0\t"), std::string::npos);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "line 3: GOTO LOOPX: undefined label, jumps to address 0");
    EXPECT_EQ(warnings[1], "line 4: GOTO 5: undefined label, jumps to address 0");

    // A label alone labels an empty statement that goes on with the next one.
    out = assemble("goto here\nhere\nh = 1\n");
    EXPECT_EQ(out, "0 1 0\tek9218a: GOTO HERE;\n1 2 0\tHERE: \n2 3 1146880\tek9218a: H = 1;\n");

    // Label names count to 29 characters, where they are defined and where they are used.
    const std::string longName(40, 'L');
    MicroAssembler a(writeFile("long.mal", "goto " + longName + "\n" + longName + " h = 0\n"),
                     tempPath("long.bin").string());
    a.assemble();
    EXPECT_EQ(a.labelAddress(longName), 1);
    EXPECT_EQ(readFile(tempPath("long.bin").string()).substr(0, 4), "0 1 ");
}

TEST(MicroAssembler, SourceMap) {
    const std::string src = writeFile("map.mal", "// head\r\nh = 0\r\n\r\nloop goto loop\r\nh = 1");
    MicroAssembler a(src, tempPath("map.bin").string());
    a.assemble();
    EXPECT_EQ(a.statementCount(), 3);
    EXPECT_EQ(a.sourceStart(0), 0);
    EXPECT_EQ(a.sourceLength(0), 16); // the comment line and "h = 0", CR LF included
    EXPECT_EQ(a.sourceStart(1), 16);
    EXPECT_EQ(a.sourceLength(1), 18);
    EXPECT_EQ(a.sourceStart(2), 34);
    EXPECT_EQ(a.sourceLength(2), 5); // a last line without a line end
    EXPECT_EQ(a.sourceStart(3), 0);
    EXPECT_EQ(a.sourceLength(3), 0);
    EXPECT_EQ(a.sourceStart(100000), 0);
    EXPECT_TRUE(a.warnings().empty());
}

TEST(MicroAssembler, ChoicesAndWarnings) {
    std::vector<std::string> warnings;
    // The statement text is cut to 50 characters before resolving: this IF loses its
    // else label.
    std::string out =
        assemble("z = tos; if (z) goto thenthenthenthenxx; else goto b\nb\nthenthenthenthenxx\n", &warnings);
    EXPECT_EQ(out.substr(0, 4), "0 0 ");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].rfind("line 1: statement longer than 50 characters", 0), 0u);
    EXPECT_EQ(warnings[1].rfind("line 1: IF without an else label", 0), 0u);
    // A character that is no MAL is skipped.
    out = assemble("h = h, + 1\n", &warnings);
    EXPECT_EQ(out, "0 1 3768320\tek9218a: H = H, + 1;\n");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "line 1: character ',' is not part of MAL and is ignored");
    // Two IFs with one else label share one placed jump.
    out = assemble("z = h; if (z) goto a; else goto b\nz = h; if (z) goto c; else goto b\na\nb\nc\n",
                   &warnings);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("line 2: the IF of line 1 already placed its jump at address 259", 0), 0u);
    // An IF jump on the address of a real statement.
    assemble("z = h; if (z) goto a; else goto b\nb\na\n" + repeat("h = 0\n", 300), &warnings);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(
        warnings[0].rfind("line 1: the jump of this IF is placed at address 257, which is also the statement "
                          "of line 258",
                          0),
        0u);
}

TEST(MicroAssembler, ManyStatementsAndBadInput) {
    std::vector<std::string> warnings;
    // More than 512 statements: all are assembled, the source map stays bounded.
    const std::string src = writeFile("many.mal", repeat("h = h + 1\n", 600));
    MicroAssembler a(src, tempPath("many.bin").string());
    a.assemble();
    EXPECT_EQ(a.statementCount(), 600);
    EXPECT_EQ(a.sourceStart(511), 511 * 10);
    EXPECT_EQ(a.sourceLength(511), 10);
    EXPECT_EQ(a.sourceStart(512), 0);
    ASSERT_EQ(a.warnings().size(), 1u);
    EXPECT_EQ(a.warnings()[0].rfind("line 513: more than 512 statements", 0), 0u);
    EXPECT_NE(readFile(tempPath("many.bin").string()).find("\n599 600 "), std::string::npos);

    // A line of 10,000 characters ends the reading there, with a warning.
    std::string out = assemble("h = 0\n" + std::string(10000, 'x') + "\nh = 1\n", &warnings);
    EXPECT_EQ(out, "0 1 1081344\tek9218a: H = 0;\n");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("line 2: line longer than 254 characters", 0), 0u);

    // Binary garbage assembles to something, without a crash or a hang.
    std::string garbage;
    for (int i = 0; i < 20000; ++i)
        garbage += static_cast<char>((i * 7919 + i / 13) % 256);
    EXPECT_NO_THROW(assemble(garbage));
}

TEST(MicroAssembler, FilesAndFailures) {
    // The old output is gone as soon as the assembler is made, even if assembling fails.
    const std::string out = writeFile("old.bin", "stale");
    MicroAssembler a(tempPath("missing.mal").string(), out);
    EXPECT_FALSE(std::filesystem::exists(out));
    try {
        a.assemble();
        FAIL() << "assembled a missing source";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message(), "Errore nel metodo FileReaderMic1::open(): impossibile aprire il file");
    }
    // An output that cannot be made.
    MicroAssembler b(writeFile("ok.mal", "h = 0\n"), "/nonexistent/dir/ok.bin");
    EXPECT_THROW(b.assemble(), FatalError);
    // The output may not be the source itself: the source is left as it was.
    const std::string self = writeFile("self.mal", "h = 0\n");
    MicroAssembler c(self, self);
    EXPECT_THROW(c.assemble(), FatalError);
    EXPECT_EQ(readFile(self), "h = 0\n");
}
