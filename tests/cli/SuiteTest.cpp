// The grading library without the program: reading suites, running them, and the reports of
// their results.

#include "cli/Suite.h"
#include "cli/Grading.h"
#include "cli/TestReports.h"
#include "common/RunProgram.h"

#include <gtest/gtest.h>

#include <sched.h>

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

TEST(ReportLibrary, PercentagesAreRoundedToTheNearestTenthButNeverToAFullScore) {
    const auto percent = [](double score, double max) {
        Summary s;
        s.score = score;
        s.maxScore = max;
        return percentText(s);
    };
    EXPECT_EQ(percent(17, 27), "63.0");
    EXPECT_EQ(percent(1, 3), "33.3");
    EXPECT_EQ(percent(2, 3), "66.7");
    EXPECT_EQ(percent(9999, 10000), "99.9");
    EXPECT_EQ(percent(5, 5), "100.0");
    EXPECT_EQ(percent(0, 0), "100.0");
}

TEST(GradingLibrary, JobsFollowTheCpusTheProcessMayUse) {
    cpu_set_t all;
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    const unsigned pinned = availableCpus();
    ::sched_setaffinity(0, sizeof all, &all);
    EXPECT_EQ(pinned, 1u);
    EXPECT_EQ(availableCpus(), static_cast<unsigned>(CPU_COUNT(&all)));
}
