// The grading library without the program: reading suites, and the reports of their results.

#include "cli/Suite.h"
#include "cli/TestReports.h"
#include "common/RunProgram.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace mic1;

TEST(SuiteLibrary, ExampleSuitesReadAndAMistakeIsRefusedAtItsPlace) {
    ProgramTable programs;
    size_t tests = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TARVENO_EXAMPLES_DIR "/tests")) {
        const Suite s = readSuite(entry.path().string(), programs);
        EXPECT_FALSE(s.tests.empty()) << s.file;
        tests += s.tests.size();
    }
    EXPECT_GT(tests, 20u);
    EXPECT_FALSE(programs.all().empty());

    testutil::TempDir dir;
    const std::string bad = dir.write("bad.toml", "[[test]]\nname = \"x\"\nsource = 5\n");
    try {
        readSuite(bad, programs);
        FAIL() << "a suite with a number for its source was read";
    } catch (const SuiteError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(bad + ":3:", 0), 0u) << e.what();
    }
}
