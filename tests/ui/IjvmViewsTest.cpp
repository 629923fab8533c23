// The IJVM views on programs placed and run by examples/ijvm.mal.

#include "ui/model/IjvmViews.h"
#include "ijvm/Disassembly.h"
#include "ijvm/LoadProgram.h"
#include "ui/model/Watches.h"
#include "workbench/Workbench.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

using namespace tarveno;
using namespace tarveno::ui;

namespace {

const std::string examples = TARVENO_EXAMPLES_DIR;

// The interpreter, assembled once for every test of this process (CTest runs the tests in
// processes side by side, so the file is this process's own, removed at its end).
const std::string& interpreter() {
    struct Binary {
        std::string file =
            testing::TempDir() + "/ijvm_views_interpreter_" + std::to_string(::getpid()) + ".bin";
        Binary() { assembleMicroprogram(examples + "/ijvm.mal", file, Check::Skip); }
        ~Binary() { std::remove(file.c_str()); }
    };
    static const Binary binary;
    return binary.file;
}

struct Running {
    Machine machine;
    IjvmProgram program;

    explicit Running(const std::string& name) {
        machine.loadMicroprogram(interpreter());
        program = loadRunnableProgram(machine, examples + "/" + name);
    }
    // Every step and Run of these tests has its bound: a fault must fail, not run away.
    static constexpr RunLimits bound{10'000'000, nullptr};
    void steps(int n) {
        for (int i = 0; i < n; ++i)
            machine.ijvmStep(bound);
    }
    void toHalt() { ASSERT_EQ(machine.run(bound), StopReason::Halted); }
};

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "name=value" for each named local of frame k, from its LV up.
std::string locals(const StackView& v, int32_t k) {
    std::string text;
    for (const StackRow& r : v.rows)
        if (r.frame == k && !r.name.empty())
            text += std::string(r.name) + "=" + std::to_string(r.value) + " ";
    return text;
}

std::vector<int32_t> operands(const StackView& v, int32_t k) {
    std::vector<int32_t> words;
    for (const StackRow& r : v.rows)
        if (r.frame == k && r.role == StackRole::Operand) words.push_back(r.value);
    return words;
}

} // namespace

TEST(IjvmViews, ListingReadsTheMachinesBytesAndPointsIntoTheSource) {
    Running run("calls.jvm");
    const auto listing = methodAreaListing(run.program, methodAreaBytes(run.machine));
    ASSERT_GE(listing.size(), 5u);
    EXPECT_EQ(listing[0].bytes, "52 00 00");
    EXPECT_EQ(listing[0].text, "INVOKEVIRTUAL main");
    EXPECT_EQ(listing[1].offset, 3u);
    EXPECT_TRUE(listing[1].header);
    EXPECT_EQ(listing[1].text, "method main: 1 parameter, 1 variable");
    EXPECT_EQ(listing.back().offset + static_cast<uint32_t>(listing.back().length), 95u);

    // Every instruction's span is its own text in the source, operands by name.
    const std::string source = fileText(examples + "/calls.jvm");
    std::vector<std::string> times;
    bool inTimes = false;
    for (const ListingLine& line : listing) {
        if (line.header)
            inTimes = line.text.starts_with("method times");
        else if (inTimes)
            times.push_back(
                source.substr(static_cast<size_t>(line.sourceStart), static_cast<size_t>(line.sourceLength)) +
                " | " + line.text);
    }
    ASSERT_EQ(times.size(), 10u);
    EXPECT_EQ(times[1], "IFEQ done | IFEQ done");
    EXPECT_EQ(times[6], "IINC q -1 | IINC q -1");
    EXPECT_EQ(times[9], "IRETURN | IRETURN");

    // The PC mark: any byte of an instruction finds its line, nothing before the first.
    const int32_t row = listingRowOf(listing, 16);
    ASSERT_GE(row, 0);
    EXPECT_EQ(listing[static_cast<size_t>(row)].text, "ISTORE total");
    EXPECT_EQ(listingRowOf(listing, 17), row);
    EXPECT_EQ(listingRowOf(listing, 4), 1); // main's header, where PC is after main returns
    EXPECT_EQ(listingRowOf(listing, -1), -1);
    EXPECT_EQ(listingRowOf(listing, 95), -1);

    // An overwritten opcode is listed as what the machine would execute.
    run.machine.memoryWord(0) = static_cast<int32_t>(0x99000000u);
    EXPECT_EQ(methodAreaListing(run.program, methodAreaBytes(run.machine))[0].text, "? 0x99");
}

// The listing takes each instruction's method from the layout, the disassembler from the
// assembler's map of offsets: the two agree on every example, and on bytes that are not
// the program's.
TEST(IjvmViews, ListingNamesOperandsAsTheDisassembler) {
    int programs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(examples)) {
        if (entry.path().extension() != ".jvm") continue;
        ++programs;
        Running run(entry.path().filename().string());
        auto byteAt = methodAreaBytes(run.machine);
        for (int round = 0; round < 2; ++round) {
            for (const ListingLine& line : methodAreaListing(run.program, byteAt)) {
                if (line.header) continue;
                const DecodedInstruction d = decodeInstruction(run.program, line.offset, byteAt);
                std::string text = d.mnemonic;
                for (const std::string& operand : d.operands)
                    text += " " + operand;
                ASSERT_EQ(line.text, text) << entry.path() << " at " << line.offset;
            }
            // Every operand byte turned to 0xFF: out-of-range indices, branches anywhere.
            std::set<uint32_t> opcodes;
            for (const ListingLine& line : methodAreaListing(run.program, byteAt))
                if (!line.header) opcodes.insert(line.offset);
            byteAt = [inner = byteAt, opcodes](uint32_t b) -> uint8_t {
                return opcodes.count(b) ? inner(b) : 0xFF;
            };
        }
    }
    EXPECT_GE(programs, 8);
}

TEST(IjvmViews, PoolNamesConstantsAndMethods) {
    Running run("bignumbers.jvm");
    const auto pool = constantPoolLines(run.program);
    ASSERT_EQ(pool.size(), 4u);
    EXPECT_EQ(pool[1].value, 2147483647);
    EXPECT_EQ(pool[1].what, "biggest");
    EXPECT_EQ(pool[3].value, 3);
    EXPECT_EQ(pool[3].what, "method main");
}

TEST(IjvmViews, StackFramesOfThreeLevelsOfCalls) {
    Running run("calls.jvm");
    // Before the first step and after the fetch: main's object reference, no frame.
    for (int step = 0; step < 2; ++step) {
        const StackView v = stackView(run.machine, run.program);
        ASSERT_EQ(v.rows.size(), 1u);
        EXPECT_EQ(v.rows[0].address, 28u);
        EXPECT_TRUE(v.rows[0].sp);
        EXPECT_EQ(v.rows[0].frame, -1);
        EXPECT_TRUE(v.frames.empty());
        run.steps(1);
    }

    // Inside times, after r = 3 (the frames the example's comment describes).
    run.steps(18);
    StackView v = stackView(run.machine, run.program);
    ASSERT_EQ(v.rows.size(), 21u);
    ASSERT_EQ(v.frames.size(), 4u);
    const char* names[] = {"times", "square", "sumsq", "main"};
    const uint32_t lvs[] = {43, 38, 32, 28};
    for (int32_t k = 0; k < 4; ++k) {
        ASSERT_NE(v.frames[static_cast<size_t>(k)].method, nullptr);
        EXPECT_EQ(v.frames[static_cast<size_t>(k)].method->name, names[k]);
        EXPECT_EQ(v.frames[static_cast<size_t>(k)].lv, lvs[k]);
        EXPECT_EQ(v.rows[lvs[k] - 28].role, StackRole::Link);
    }
    EXPECT_EQ(locals(v, 0), "p=3 q=2 r=3 ");
    EXPECT_EQ(locals(v, 1), "x=3 y=0 ");
    EXPECT_EQ(locals(v, 2), "a=3 b=4 s=0 ");
    EXPECT_EQ(locals(v, 3), "total=0 ");
    EXPECT_EQ(v.rows[44 - 28].role, StackRole::Parameter);
    EXPECT_EQ(v.rows[46 - 28].role, StackRole::Variable);
    EXPECT_EQ(v.rows[30 - 28].role, StackRole::CallerLv);
    EXPECT_EQ(v.rows[31 - 28].role, StackRole::ReturnAddress);
    EXPECT_EQ(v.rows[31 - 28].value, 3);
    EXPECT_TRUE(v.rows[43 - 28].lv);
    EXPECT_TRUE(v.rows.back().sp);
    EXPECT_EQ(v.rows.back().role, StackRole::ReturnAddress);

    // Five steps on, ILOAD r and ILOAD p have pushed times' operands; the frames below have none.
    run.steps(5);
    v = stackView(run.machine, run.program);
    ASSERT_EQ(v.frames.size(), 4u);
    EXPECT_EQ(operands(v, 0), (std::vector<int32_t>{3, 3}));
    EXPECT_TRUE(operands(v, 1).empty());

    // calls.jvm halts at the end of main: PC has moved on into sumsq's header, and the
    // frame and the PC mark are still main's and its HALT's, from the last instruction run.
    ExecutionCounts counts;
    counts.start(run.machine.registers[PC], run.machine.registers[MBR]);
    run.machine.run(Running::bound, counts);
    const int32_t pc = instructionPc(run.machine, counts);
    EXPECT_EQ(pc + 1, run.machine.registers[PC]);
    v = stackView(run.machine, run.program, 1u << 20, pc);
    ASSERT_EQ(v.frames.size(), 1u);
    ASSERT_NE(v.frames[0].method, nullptr);
    EXPECT_EQ(v.frames[0].method->name, "main");
    EXPECT_EQ(locals(v, 0), "total=25 ");
    EXPECT_EQ(operands(v, 0), std::vector<int32_t>{25});
    const auto listing = methodAreaListing(run.program, methodAreaBytes(run.machine));
    EXPECT_EQ(listing[static_cast<size_t>(listingRowOf(listing, pc))].text, "HALT");
}

TEST(IjvmViews, AfterMainReturnsOnlyItsResult) {
    Running run("factorial.jvm");
    run.toHalt();
    StackView v = stackView(run.machine, run.program);
    ASSERT_EQ(v.rows.size(), 1u);
    EXPECT_EQ(v.rows[0].value, 8);
    EXPECT_EQ(v.rows[0].frame, -1);
    EXPECT_TRUE(v.frames.empty());
    run.machine.registers[SP] -= 1;
    EXPECT_TRUE(stackView(run.machine, run.program).rows.empty());
}

TEST(IjvmViews, OperandWordsOfTheCallersUnderRecursion) {
    Running run("factorial.jvm");
    StackView v;
    for (int i = 0; i < 2000 && v.frames.size() < 4; ++i) {
        run.steps(1);
        v = stackView(run.machine, run.program);
    }
    ASSERT_EQ(v.frames.size(), 4u);
    // main's n = 2: fact(2) has called fact(1), which has called fact(0).
    EXPECT_EQ(v.frames[3].method->name, "main");
    for (int32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(v.frames[static_cast<size_t>(k)].method->name, "fact");
        EXPECT_EQ(locals(v, k), "k=" + std::to_string(k) + " ");
    }
    // Under each call, the object reference fact pushed for its later call of mul.
    EXPECT_TRUE(operands(v, 0).empty());
    EXPECT_EQ(operands(v, 1), std::vector<int32_t>{0});
    EXPECT_EQ(operands(v, 2), std::vector<int32_t>{0});
}

TEST(IjvmViews, GarbageOnTheStackEndsTheWalk) {
    Running run("calls.jvm");
    run.steps(20);
    std::mt19937 random(7);
    int deep = 0; // rounds where the garbage happened to chain two frames or more
    for (int round = 0; round < 3000; ++round) {
        // Words from just below the base to just above SP, LV anywhere among them.
        for (uint32_t a = 28; a <= 48; ++a)
            run.machine.memoryWord(a) = static_cast<int32_t>(random() % 24) + 26 - (round % 7 == 0 ? 60 : 0);
        run.machine.registers[LV] = static_cast<int32_t>(random() % 24) + 26;
        const StackView v = stackView(run.machine, run.program);
        ASSERT_EQ(v.rows.size(), 21u);
        for (size_t k = 1; k < v.frames.size(); ++k)
            ASSERT_LT(v.frames[k].link, v.frames[k - 1].lv);
        deep += v.frames.size() >= 2;
    }
    EXPECT_GT(deep, 10);
    // A link to itself.
    run.machine.registers[LV] = 43;
    run.machine.memoryWord(43) = 43;
    EXPECT_TRUE(stackView(run.machine, run.program).frames.empty());
}

TEST(IjvmViews, OutputCharactersOnlyForPrintableCodes) {
    std::vector<std::string> shown;
    for (int32_t v : {72, 10, -3, 32, 126, 127})
        shown.push_back(outputCharacter(v));
    EXPECT_EQ(shown, (std::vector<std::string>{"H", "", "", " ", "~", ""}));
}

TEST(Watches, AddressesAndVariablesOfTheRunningFrame) {
    Running run("factorial.jvm");
    WatchList watches;
    EXPECT_EQ(watches.add("k"), "");
    EXPECT_EQ(watches.add(" n "), "");
    EXPECT_EQ(watches.add("-5"), ""); // the output cell
    EXPECT_EQ(watches.add("0x-"), "0x- is neither a word address nor a variable's name");
    EXPECT_NE(watches.add(""), "");
    EXPECT_EQ(watches.add("k"), ""); // kept once
    ASSERT_EQ(watches.watches().size(), 3u);
    auto lines = [&](const std::function<bool(uint32_t)>& changed = {}) {
        return watches.lines(run.machine, &run.program, instructionPc(run.machine, ExecutionCounts{}), 10,
                             changed);
    };
    // Before main's frame there is none to look in.
    EXPECT_EQ(lines()[1].note, "no method runs here (between two instructions of a call or a return)");
    // In main: n is its variable, k is not.
    run.steps(3);
    const uint32_t lv = static_cast<uint32_t>(run.machine.registers[LV]);
    auto l = lines();
    EXPECT_EQ(l[0].note, "not a variable of main");
    EXPECT_EQ(l[0].where, "");
    EXPECT_EQ(l[1].where, "word " + std::to_string(lv + 1) + " (n in main)");
    EXPECT_EQ(l[1].value, "0");
    EXPECT_EQ(l[2].where, "word -5");
    // Inside fact, three calls deep, k is the innermost frame's; the output cell holds the
    // last value printed.
    for (int i = 0;
         i < 10000 && (run.machine.registers[LV] == static_cast<int32_t>(lv) || lines()[0].value != "2"); ++i)
        run.steps(1);
    l = lines([&](uint32_t w) { return w == static_cast<uint32_t>(run.machine.registers[LV]) + 1; });
    EXPECT_EQ(l[0].value, "2");
    EXPECT_TRUE(l[0].changed);
    EXPECT_NE(l[0].where.find(" (k in fact)"), std::string::npos);
    EXPECT_EQ(l[1].note, "not a variable of fact");
    EXPECT_EQ(l[2].value, "1");
    watches.remove(0);
    watches.remove(9); // nothing there
    EXPECT_EQ(watches.watches().size(), 2u);
}
