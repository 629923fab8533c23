#include "common/RunProgram.h"
#include "core/Machine.h"
#include "mal/MicroAssembler.h"
#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <optional>

using namespace tarveno;

namespace {

struct Record {
    uint32_t address;
    uint32_t next;
    uint32_t word;
    std::string text;
};

void expectRecords(const Machine& m, const std::vector<Record>& records) {
    for (const Record& r : records) {
        const Microinstruction* e = m.controlStore().search(r.address);
        ASSERT_TRUE(e) << r.address;
        EXPECT_EQ(std::tie(e->nextAddress, e->word, e->text), std::tie(r.next, r.word, r.text)) << r.address;
    }
}

// Assembles a MAL file, loads it into the machine and resets it; the assembler must not warn.
void assembleAndLoad(Machine& m, const std::string& source) {
    testutil::TempDir dir;
    MicroAssembler a(source, (dir / "prog.bin").string());
    a.assemble();
    EXPECT_TRUE(a.warnings().empty());
    m.loadMicroprogram((dir / "prog.bin").string());
    m.reset();
}

} // namespace

TEST(LoadMicroprogram, FileFormat) {
    testutil::TempDir dir;
    Machine m;
    const std::string text69(69, 't');
    m.loadMicroprogram(dir.write("format.bin", "7 8 9\tfirst\n7 1 1\tsecond\n5,,6   3\t" + text69 +
                                                   "\n6 0 2\t" + text69 +
                                                   "xyz\n10 11 12\n12x 1 junk\tcrlf\r\n20 21 22\tlast"));
    EXPECT_EQ(m.controlStore().count(), 6);
    expectRecords(m, {
                         {7, 8, 9, "first"},   // the first line of an address wins
                         {5, 6, 3, text69},    // commas and blanks separate alike; 69 characters load
                         {6, 0, 2, text69},    // a longer text is cut, and the lines after it load
                         {10, 11, 12, ""},     // a line without text does not take the next line's
                         {12, 1, 0, "crlf"},   // leading digits count, a word without digits is 0
                         {20, 21, 22, "last"}, // no line end
                     });

    Machine empty;
    empty.loadMicroprogram(dir.write("empty.bin", ""));
    EXPECT_EQ(empty.controlStore().count(), 0);
    EXPECT_THROW(empty.loadMicroprogram((dir / "missing.bin").string()), FatalError);
}

TEST(LoadAndRun, Examples) {
    struct Example {
        std::string name;
        std::vector<std::pair<Register, int32_t>> registers;
        std::vector<std::optional<int32_t>> words; // from word 0; none: never written
    };
    const std::vector<Example> examples = {
        {"count", {{TOS, 15}, {LV, 0}, {H, 1}}, {}},
        {"memloop", {{TOS, 30}, {SP, 0}}, {std::nullopt, 2, 4, 6, 8, 10}},
        {"branch", {{TOS, 1}, {OPC, 1}, {LV, 4}}, {0x02030103, 0x01030400, -1, 0, 1}},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(e.name);
        Machine m;
        assembleAndLoad(m, TARVENO_EXAMPLES_DIR "/" + e.name + ".mal");
        EXPECT_EQ(m.run(RunLimits{100000, nullptr}), StopReason::Halted);
        EXPECT_EQ(m.mpc, 112u);
        for (const auto& [r, value] : e.registers)
            EXPECT_EQ(m.registers[r], value) << registerNames[r];
        for (uint32_t w = 0; w < e.words.size(); ++w) {
            const int32_t* word = m.peekWord(w);
            EXPECT_EQ(word ? std::optional(*word) : std::nullopt, e.words[w]) << w;
        }
    }
}
