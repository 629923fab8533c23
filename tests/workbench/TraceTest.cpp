// What traces and counts show: a statement's text from the source map, CSV rows of the
// microinstructions a small program executes, and opcodes by name.

#include "workbench/Trace.h"

#include "common/RunProgram.h"

#include <gtest/gtest.h>

using namespace tarveno;

TEST(Trace, StatementsRowsAndOpcodes) {
    const std::string source = "// adds 1 to word 1\n"
                               "main mar = 1; rd   // ask for it\n"
                               "\t h = 1 \r\n"
                               "\n"
                               "  // then\n"
                               "  mdr = mdr + h; wr; fetch\n" +
                               testutil::repeat("  h = h\n", 109) + "done goto done";
    testutil::TempDir dir;
    Workbench bench;
    ASSERT_TRUE(
        bench.compileAndLoad(dir.write("inc.mal", source), (dir / "inc.bin").string(), Check::Skip).loaded);
    const SourceMap& map = bench.sourceMap();
    EXPECT_EQ(statementText(source, map, 0), "main mar = 1; rd");
    EXPECT_EQ(statementText(source, map, 1), "h = 1");
    EXPECT_EQ(statementText(source, map, 2), "mdr = mdr + h; wr; fetch");
    EXPECT_EQ(statementText(source, map, 112), "done goto done");
    EXPECT_EQ(statementText(source, map, 300), "");
    EXPECT_EQ(statementText(source.substr(0, 30), map, 2), ""); // a span beyond the text

    ControlPath& m = bench.machine();
    m.memoryWord(1) = 41;
    std::vector<std::string> rows;
    for (uint64_t step = 1; step <= 3; ++step) {
        m.microStep();
        rows.push_back(traceCsvRow(step, m, statementText(source, map, m.previousMpc)));
    }
    EXPECT_EQ(traceCsvHeader(), "step,address,statement,written,memory,n,z");
    EXPECT_EQ(rows, (std::vector<std::string>{"1,0,main mar = 1; rd,MAR=1,rd 1,0,0", "2,1,h = 1,H=1,,0,0",
                                              "3,2,mdr = mdr + h; wr; fetch,MDR=42,wr 1=42 fetch 0,0,0"}));
    EXPECT_EQ(traceCsvRow(4, m, "a, \"b\""), "4,2,\"a, \"\"b\"\"\",MDR=42,wr 1=42 fetch 0,0,0");

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
