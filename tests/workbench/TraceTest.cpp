// What traces and counts show: a statement's text from the source map, a quoted CSV field,
// and opcodes by name (the rows of a run are tested with mic1 run --format csv).

#include "workbench/Trace.h"

#include "common/RunProgram.h"

#include <gtest/gtest.h>

using namespace tarveno;

TEST(Trace, StatementsQuotingAndOpcodes) {
    const std::string source = "// adds 1 to word 1\n"
                               "main mar = 1; rd   // ask for it\n"
                               "\t h = 1 \xC3\xA8\r\n"
                               "\n"
                               "  // then\n"
                               "  mdr = mdr + h; wr; fetch\n" +
                               testutil::repeat("  h = h\n", 109) + "done goto done";
    testutil::TempDir dir;
    Workbench bench;
    ASSERT_TRUE(
        bench.compileAndLoad(dir.write("inc.mal", source), (dir / "inc.bin").string(), Check::Skip).loaded);
    const SourceMap& map = bench.sourceMap();
    const std::vector<std::string> texts = statementTexts(source, map);
    EXPECT_EQ(texts[0], "main mar = 1; rd");
    // UTF-8, as the editor reads the file: the same statement in a Windows-1252 source.
    EXPECT_EQ(texts[1], "h = 1 \xC3\xA8");
    std::string windows1252 = source;
    windows1252[8] = '\xE8'; // in the first comment
    EXPECT_EQ(statementTexts(windows1252, map)[1], "h = 1 \xC3\x83\xC2\xA8");
    EXPECT_EQ(texts[2], "mdr = mdr + h; wr; fetch");
    EXPECT_EQ(texts[112], "done goto done");
    EXPECT_EQ(texts[300], "");
    EXPECT_EQ(statementTexts(source.substr(0, 30), map)[2], ""); // a span beyond the text

    // The rows of a run are held to what mic1 prints; here, a statement that needs quoting.
    EXPECT_EQ(traceCsvRow(4, Machine(), "a, \"b\""), "4,0,\"a, \"\"b\"\"\",,,0,0");

    ExecutionCounts counts;
    counts.instructions[0x10] = 2;
    counts.microOfInstructions[0x10] = 5;
    counts.instructions[0xFF] = 1;
    counts.microOfInstructions[0xFF] = 3;
    const auto named = opcodeCounts(counts);
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(
        std::tuple(named[0].opcode, named[0].mnemonic, named[0].count, named[0].micro, named[0].average),
        std::tuple(0x10, "POP", 2u, 5u, 2.5));
    EXPECT_EQ(std::tuple(named[1].mnemonic, named[1].average), std::tuple("0xFF", 3.0));
}
