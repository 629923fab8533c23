#include "core/ControlPath.h"
#include "mal/MicroAssembler.h"
#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace tarveno;

namespace {

// Files are named after the running test, so that tests run in parallel never share one.
std::string testName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

std::string tempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("tarveno_load_" + testName() + "_" + name)).string();
}

std::string writeFile(const std::string& name, const std::string& bytes) {
    const std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

const Mic* record(ControlPath& m, uint32_t address) {
    const auto* e = m.controlStore.search(address);
    return e ? &e->second : nullptr;
}

// Assembles a MAL file, loads it into a new machine and resets it.
void assembleAndLoad(ControlPath& m, const std::string& source,
                     std::vector<std::string>* warnings = nullptr) {
    const std::string bin = tempPath(std::filesystem::path(source).stem().string() + ".bin");
    MicroAssembler a(source, bin);
    a.assemble();
    if (warnings) *warnings = a.warnings();
    m.loadMicroprogram(bin);
    m.reset();
}

} // namespace

TEST(LoadMicroprogram, FillsTheControlStore) {
    ControlPath m;
    assembleAndLoad(
        m, writeFile("three.mal", "h = 1\nz = tos; if (z) goto a; else goto b\na h = 0\nb tos = h\n"));
    EXPECT_EQ(m.controlStore.count(), 5);
    const Mic* r = record(m, 0);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->word, 0x118000u);
    EXPECT_EQ(r->nextAddress, 1u);
    EXPECT_EQ(r->text, "ek9218a: H = 1;");
    r = record(m, 1);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->word, 0x1140006u);
    EXPECT_EQ(r->nextAddress, 3u);
    // The jump placed for the IF: else address 3 + 256, to the then address 2.
    r = record(m, 259);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->word, 0u);
    EXPECT_EQ(r->nextAddress, 2u);
    EXPECT_EQ(r->text, "ek9218a: Z = TOS; IF (Z) GOTO A; ELSE GOTO B;");
    EXPECT_EQ(record(m, 3)->text, "B: TOS = H;");
}

TEST(LoadMicroprogram, FileFormat) {
    ControlPath m;
    const std::string text69(69, 't');
    m.loadMicroprogram(writeFile("format.bin", "7 8 9\tfirst\n"
                                               "7 1 1\tsecond\n"
                                               "5,,6   3\t" +
                                                   text69 +
                                                   "\n"
                                                   "6 0 2\t" +
                                                   text69 + "xyz\n" +
                                                   "10 11 12\n"
                                                   "12x 1 junk\tcrlf\r\n"
                                                   "20 21 22\tlast"));
    EXPECT_EQ(m.controlStore.count(), 6);
    // The first line of an address wins.
    EXPECT_EQ(record(m, 7)->text, "first");
    EXPECT_EQ(record(m, 7)->nextAddress, 8u);
    EXPECT_EQ(record(m, 7)->word, 9u);
    // Commas and several blanks separate alike; 69 characters load completely.
    EXPECT_EQ(record(m, 5)->nextAddress, 6u);
    EXPECT_EQ(record(m, 5)->word, 3u);
    EXPECT_EQ(record(m, 5)->text, text69);
    // A longer text is cut, and the lines after it still load.
    EXPECT_EQ(record(m, 6)->text, text69);
    // A line without text does not take the next line as its text.
    EXPECT_EQ(record(m, 10)->text, "");
    EXPECT_EQ(record(m, 10)->word, 12u);
    // Leading digits count, a word without digits is 0.
    EXPECT_EQ(record(m, 12)->word, 0u);
    EXPECT_EQ(record(m, 12)->text, "crlf");
    EXPECT_EQ(record(m, 20)->text, "last");

    ControlPath empty;
    empty.loadMicroprogram(writeFile("empty.bin", ""));
    EXPECT_EQ(empty.controlStore.count(), 0);
    try {
        empty.loadMicroprogram(tempPath("missing.bin"));
        FAIL() << "loaded a missing file";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message(), "Errore nel metodo FileReader::open(): impossibile aprire il file");
    }
    // Binary garbage loads something or nothing, and ends.
    std::string garbage;
    for (int i = 0; i < 50000; ++i)
        garbage += static_cast<char>((i * 131 + i / 7) % 256);
    ControlPath g;
    EXPECT_NO_THROW(g.loadMicroprogram(writeFile("garbage.bin", garbage)));
}

TEST(LoadAndRun, Examples) {
    const std::string dir = TARVENO_EXAMPLES_DIR;
    const RunLimits bound{100000, nullptr};
    std::vector<std::string> warnings;

    ControlPath count;
    assembleAndLoad(count, dir + "/count.mal", &warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(count.run(bound), StopReason::Halted);
    EXPECT_EQ(count.mpc, 112u);
    EXPECT_EQ(count.registers[TOS], 15);
    EXPECT_EQ(count.registers[LV], 0);
    EXPECT_EQ(count.registers[H], 1);

    ControlPath mem;
    assembleAndLoad(mem, dir + "/memloop.mal", &warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(mem.run(bound), StopReason::Halted);
    EXPECT_EQ(mem.registers[TOS], 30);
    EXPECT_EQ(mem.registers[SP], 0);
    for (uint32_t w = 1; w <= 5; ++w) {
        ASSERT_TRUE(mem.peekWord(w));
        EXPECT_EQ(*mem.peekWord(w), static_cast<int32_t>(2 * w));
    }
    EXPECT_EQ(mem.peekWord(0), nullptr);

    ControlPath branch;
    assembleAndLoad(branch, dir + "/branch.mal", &warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(branch.run(bound), StopReason::Halted);
    EXPECT_EQ(branch.registers[TOS], 1);
    EXPECT_EQ(branch.registers[OPC], 1);
    EXPECT_EQ(branch.registers[LV], 4);
    EXPECT_EQ(*branch.peekWord(0), 0x02030103);
    EXPECT_EQ(*branch.peekWord(1), 0x01030400);
    EXPECT_EQ(*branch.peekWord(2), -1);
    EXPECT_EQ(*branch.peekWord(3), 0);
    EXPECT_EQ(*branch.peekWord(4), 1);
}
