#include "mal/MicroAssembler.h"
#include "common/RunProgram.h"
#include "support/FatalError.h"

#include <gtest/gtest.h>

using namespace tarveno;
using testutil::repeat;

TEST(MicroAssembler, FileAndWarnings) {
    struct Case {
        std::string source;
        std::string output; // the whole microprogram file, or a part of it when whole is false
        bool whole;
        std::vector<std::string> warnings = {};
    };
    const std::string ifText = "ek9218a: Z = TOS; IF (Z) GOTO T; ELSE GOTO F;\n";
    const std::vector<Case> cases = {
        // Placement by position; a statement without a jump goes on with the next one.
        {"h = 0\ntos = h\n\n// comment\nopc = tos\n",
         "0 1 1081344\tek9218a: H = 0;\n1 2 1581056\tek9218a: TOS = H;\n2 3 1327110\tek9218a: OPC = TOS;\n",
         true},
        {"", "", true},
        {"// nothing\n\n", "", true},
        // The example line of the microprogram file; a jump through MBR gets no default jump.
        {repeat("h = 0\n", 12) + "main1 pc = pc + 1; fetch; goto (mbr)\n",
         "\n12 0 70582802\tMAIN1: PC = PC + 1; FETCH; GOTO (MBR);\n", false},
        {"goto (mbr or 0x100)\n", "0 256 67108864\tek9218a: GOTO (MBR OR 0X100);\n", true},
        {repeat("h = 0\n", 4) + "loop h = h + 1; goto loop\n", "\n4 4 3768320\tLOOP: H = H + 1; GOTO LOOP;\n",
         false},
        // IF: the jump to the THEN label at the ELSE address + 256 comes first, with the IF's text.
        {"h = 0\nh = 0\nh = 0\nz = tos; if (z) goto t; else goto f\nh = 0\nf h = 1\nh = 0\nh = 0\nh = 0\nt h "
         "= -1\n",
         "2 3 1081344\tek9218a: H = 0;\n261 9 0\t" + ifText + "3 5 18087942\t" + ifText + "4 5 ", false},
        {"n = h; if (n) goto a; else goto b\na h = 0\n" + repeat("h = 0\n", 255) + "b h = 1\n",
         "513 1 0\tek9218a: N = H; IF (N) GOTO A; ELSE GOTO B;\n0 257 35127296\t", false},
        // labels: two alike (jumps go to the later), undefined ones and numbers, a label alone
        {"goto twin\ntwin h = 0\ntwin h = 1\n",
         "0 2 0\tek9218a: GOTO TWIN;\n1 2 1081344\tTWIN: H = 0;\n2 3 1146880\tTWIN: H = 1;\n",
         true,
         {"line 3: label TWIN is also on line 2; jumps to it go to this later statement, address 2"}},
        {"h = 0\n\nh = 1; goto loopx\ngoto 5\n",
         "0 1 1081344\tek9218a: H = 0;\n1 0 1146880\tek9218a: H = 1; GOTO LOOPX;\n2 0 0\tek9218a: GOTO 5;\n",
         true,
         {"line 3: GOTO LOOPX: undefined label, jumps to address 0",
          "line 4: GOTO 5: undefined label, jumps to address 0"}},
        {"goto here\nhere\nh = 1\n",
         "0 1 0\tek9218a: GOTO HERE;\n1 2 0\tHERE: \n2 3 1146880\tek9218a: H = 1;\n", true},
        // Label names count to 29 characters, where they are defined and where they are used.
        {"goto " + std::string(40, 'L') + "\n" + std::string(40, 'L') + " h = 0\n",
         "0 1 0\t",
         false,
         {"line 2: label " + std::string(40, 'L') + ": only its first 29 characters count (" +
          std::string(29, 'L') + ")"}},
        // A statement of any length is encoded whole: this IF keeps its ELSE label.
        {"z = tos; if (z) goto thenthenthenthenxx; else goto b\nb\nthenthenthenthenxx\n",
         "257 2 0\tek9218a: Z = TOS; IF (Z) GOTO THENTHENTHENTHENXX; ELSE GOTO B;\n"
         "0 1 18087942\tek9218a: Z = TOS; IF (Z) GOTO THENTHENTHENTHENXX; ELSE GOTO B;\n1 2 0\tB: \n"
         "2 3 0\tTHENTHENTHENTHENXX: \n",
         true,
         {}},
        {"h = h, + 1\n",
         "0 1 3768320\tek9218a: H = H, + 1;\n",
         true,
         {"line 1: character ',' is not part of MAL and is ignored"}},
        {"z = h; if (z) goto a; else goto b\nz = h; if (z) goto c; else goto b\na\nb\nc\n",
         "",
         false,
         {"line 2: the IF of line 1 already placed its jump at address 259 (same else label); this IF's then "
          "branch goes to address 2, not 4"}},
        {"z = h; if (z) goto a; else goto b\nb\na\n" + repeat("h = 0\n", 300),
         "",
         false,
         {"line 1: the jump of this IF is placed at address 257, which is also the statement of line 258; "
          "the "
          "line written first is the one loaded"}},
        // A line of 10,000 characters ends the reading there.
        {"h = 0\n" + std::string(10000, 'x') + "\nh = 1\n",
         "0 1 1081344\tek9218a: H = 0;\n",
         true,
         {"line 2: line longer than 254 characters; the source is read only up to the line before it"}},
        // More than 512 statements: all are assembled.
        {repeat("h = h + 1\n", 600),
         "\n599 600 ",
         false,
         {"line 513: more than 512 statements; from address 512 on the statements are assembled but have no "
          "source selection"}},
    };
    testutil::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source.substr(0, 60));
        MicroAssembler a(dir.write("src.mal", c.source), (dir / "src.bin").string());
        a.assemble();
        const std::string out = testutil::readFile(dir / "src.bin");
        EXPECT_TRUE(c.whole ? out == c.output : out.find(c.output) != std::string::npos) << out;
        EXPECT_EQ(a.warnings(), c.warnings);
    }
}

TEST(MicroAssembler, SourceMapAndLabels) {
    testutil::TempDir dir;
    MicroAssembler a(dir.write("map.mal", "// head\r\nh = 0\r\n\r\nloop goto loop\r\nh = 1"),
                     (dir / "map.bin").string());
    a.assemble();
    EXPECT_EQ(a.statementCount(), 3);
    // From the end of the previous statement's line: the comment line and "h = 0", CR LF
    // included; a last line without a line end; nothing past the statements.
    const std::vector<std::pair<int32_t, int32_t>> map = {{0, 16}, {16, 18}, {34, 5}, {0, 0}};
    for (uint32_t i = 0; i < map.size(); ++i)
        EXPECT_EQ(std::make_pair(a.sourceStart(i), a.sourceLength(i)), map[i]) << i;
    EXPECT_EQ(a.sourceStart(100000), 0);
    EXPECT_EQ(a.labelAddress("LOOP"), 1);

    // Of three statements with one label the last one is found, whatever the order of
    // the names around it.
    MicroAssembler twins(dir.write("twins.mal", "b h = 0\na h = 1\nb h = 2\nab goto b\nb goto a\n"),
                         (dir / "twins.bin").string());
    twins.assemble();
    EXPECT_EQ(std::tuple(twins.labelAddress("B"), twins.labelAddress("A"), twins.labelAddress("AB"),
                         twins.labelAddress("C")),
              std::tuple(4, 1, 3, -1));

    // The map is bounded at 512 statements.
    MicroAssembler many(dir.write("many.mal", repeat("h = h + 1\n", 600)), (dir / "many.bin").string());
    many.assemble();
    EXPECT_EQ(many.statementCount(), 600);
    EXPECT_EQ(std::make_pair(many.sourceStart(511), many.sourceLength(511)), std::make_pair(511 * 10, 10));
    EXPECT_EQ(many.sourceStart(512), 0);
}

TEST(MicroAssembler, FilesAndFailures) {
    testutil::TempDir dir;
    // The old output is gone as soon as the assembler is made, even if assembling fails.
    const std::string out = dir.write("old.bin", "stale");
    MicroAssembler a((dir / "missing.mal").string(), out);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(testutil::fatalOf([&] { a.assemble(); }).first,
              "Errore nel metodo FileReaderMic1::open(): impossibile aprire il file");
    // An output that cannot be made.
    MicroAssembler b(dir.write("ok.mal", "h = 0\n"), "/nonexistent/dir/ok.bin");
    EXPECT_THROW(b.assemble(), FatalError);
    // The output may not be the source itself: the source is left as it was.
    const std::string self = dir.write("self.mal", "h = 0\n");
    MicroAssembler c(self, self);
    EXPECT_THROW(c.assemble(), FatalError);
    EXPECT_EQ(testutil::readFile(self), "h = 0\n");
}
