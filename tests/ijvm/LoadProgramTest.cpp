// Loading a program into the machine, and the example programs shipped with the system.

#include "AssembleHelper.h"

#include "ijvm/LoadProgram.h"
#include "support/FatalError.h"

#include <gtest/gtest.h>

using namespace ijvmtest;

TEST(IjvmLoad, HandsTheTablesToTheMachineAndResetsIt) {
    testutil::TempDir dir;
    const std::string first = (dir / "first.jvm").string(), second = (dir / "second.jvm").string();
    testutil::writeFile(first,
                        ".constant\none 1\n.end-constant\n.main\nLDCW one\nLDCW two\nHALT\n.end-main\n");
    testutil::writeFile(second, ".method f()\nIRETURN\n.end-method\n");

    ControlPath machine;
    machine.registers[SP] = 99;
    machine.mpc = 5;
    machine.microCounter = 7;
    machine.memoryWord(12) = 34;
    machine.controlStore.lookup(3).nextAddress = 4;

    loadProgram(machine, first);
    EXPECT_EQ(std::tuple(machine.poolWords, machine.methodAreaSize, machine.methods.count(),
                         machine.sourceMap.count(), machine.methodMap.lookup(13)),
              std::tuple(2, 3 + 4 + 7, 1, 7, 1u));
    EXPECT_EQ(machine.constants[0].name, "one");
    ASSERT_EQ(machine.errors.count(), 1);
    EXPECT_EQ(machine.errors[0].message, "Errore nel metodo main. La costante two non esiste.");
    // Reset: registers and sequencer to 0; the image is not placed in memory, which
    // keeps its words, like the control store.
    EXPECT_EQ(std::tuple(machine.registers[SP], machine.mpc, machine.microCounter, machine.memoryWord(12),
                         machine.controlStore.lookup(3).nextAddress),
              std::tuple(0, 0u, 0u, 34, 4u));

    // A second load replaces the tables.
    loadProgram(machine, second);
    EXPECT_EQ(machine.methods[0].name, "f");
    EXPECT_EQ(std::tuple(machine.constants.count(), machine.errors.count(), machine.sourceMap.count(),
                         machine.poolWords, machine.methodAreaSize),
              std::tuple(0, 1, 1, 1, 8)); // the error: no main

    // A fatal error leaves the machine as it was.
    testutil::writeFile(second, ".main\nBIPUSH zz\n.end-main\n");
    machine.registers[TOS] = 3;
    EXPECT_THROW(loadProgram(machine, second), FatalError);
    EXPECT_EQ(machine.methods[0].name, "f");
    EXPECT_EQ(machine.registers[TOS], 3);
}

TEST(IjvmExamples, AssembleToTheirImages) {
    struct Example {
        const char* file;
        const char* area;
        std::vector<int32_t> pool;
    };
    const Example examples[] = {
        {"arithmetic.jvm",
         "52 00 04 00 01 00 00 30 00 00 30 00 01 02 30 00 02 05 30 00 03 08 0E 71 70",
         {32, 10, -2, 15, 3}},
        {"loop.jvm",
         "52 00 00 00 01 00 02 19 0A 21 01 19 00 21 02 1C 01 44 00 10 1C 02 1C 01 02 21 02 34 01 FF 3A FF F1 "
         "1C 02 70",
         {3}},
        {"call.jvm",
         "52 00 01 00 01 00 00 30 00 00 19 06 19 07 52 00 02 70 "
         "00 03 00 01 19 00 21 03 1C 02 44 00 10 1C 03 1C 01 02 21 03 34 02 FF 3A FF F1 1C 03 68",
         {0xCAFE, 3, 18}},
    };
    for (const Example& e : examples) {
        IJVMC c(std::string(TARVENO_EXAMPLES_DIR) + "/" + e.file);
        c.assemble();
        EXPECT_EQ(hex(c.methodArea), e.area) << e.file;
        EXPECT_EQ(pool(c), e.pool) << e.file;
        EXPECT_TRUE(diagnostics(c).empty()) << e.file;
    }
}
