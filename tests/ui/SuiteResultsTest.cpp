// The report of a suite run, as the window reads what mic1 test --json writes; and JSON
// that is no report.

#include "ui/model/SuiteResults.h"

#include <gtest/gtest.h>

using namespace tarveno;
using namespace tarveno::ui;

TEST(SuiteResults, ReadsTheGradingReportAndTheProgramsOfItsTests) {
    const std::string json =
        R"({"assembly":{"ok":true,"diagnostics":[]},"suites":[{"name":"arith","tests":[)"
        R"({"name":"IADD","result":"fail","steps":1234,"hidden":false,"reason":"output[0]: expected 42, got -2",)"
        R"("details":["last IJVM instruction: IADD at a.toml:9: program line 3"],"program":null,)"
        R"("source":".main\n\tBIPUSH 1\n.end-main\n","stdin":7},)"
        R"({"name":"secret","result":"fail","steps":5,"hidden":true,"reason":"hidden test failed","details":[],)"
        R"("program":null,"source":null,"stdin":null},)"
        R"({"name":"file \u00e8","result":"pass","steps":12345,"hidden":false,"reason":"","details":[],)"
        R"("program":"/x/countup.jvm","source":null,"stdin":5}]}],)"
        R"("tests":3,"passed":1,"failed":2,"errors":0,"score":1,"max_score":3,"microinstructions":13584})";
    const SuiteReport r = readSuiteReport(json);
    ASSERT_TRUE(r.read);
    ASSERT_EQ(r.tests.size(), 3u);
    const TestRow& iadd = r.tests[0];
    EXPECT_EQ(
        std::vector<std::string>({iadd.cell(0), iadd.cell(1), iadd.cell(2), iadd.cell(3), iadd.cell(4)}),
        (std::vector<std::string>{"FAIL", "arith", "IADD", "1,234", "output[0]: expected 42, got -2"}));
    ASSERT_TRUE(iadd.program && iadd.program->source);
    EXPECT_EQ(*iadd.program->source, ".main\n\tBIPUSH 1\n.end-main\n");
    EXPECT_EQ(iadd.program->input, 7);
    EXPECT_NE(iadd.explanation().find("last IJVM instruction: IADD"), std::string::npos);
    EXPECT_FALSE(r.tests[1].program); // hidden: nothing to place
    EXPECT_EQ(r.tests[2].name, "file \xC3\xA8");
    EXPECT_EQ(r.tests[2].program->file, "/x/countup.jvm");
    EXPECT_EQ(r.summary(), "1 of 3 tests passed, 2 failed; score 33.3 %; 13,584 microinstructions");
}

TEST(SuiteResults, AnythingButAReportReadsAsNone) {
    for (const char* text : {"", "mic1: cannot open", "{", "[1,2", "{\"a\":}", "{\"a\":1}x", "\"\\u12\"",
                             "{\"suites\":[{\"tests\":[{\"steps\":-1e300}]}]}"}) {
        const SuiteReport r = readSuiteReport(text);
        if (r.read) {
            EXPECT_EQ(r.tests.size(), 1u) << text; // the last: well formed, its count taken as 0
            EXPECT_EQ(r.tests[0].steps, 0u);
        }
    }
    // Deep nesting is no report, and costs no stack; a name written with a surrogate pair
    // reads as its character, a lone surrogate as no report.
    EXPECT_FALSE(readSuiteReport(std::string(100000, '[') + std::string(100000, ']')).read);
    const SuiteReport pair = readSuiteReport(R"({"suites":[{"tests":[{"name":"\ud83d\ude00"}]}]})");
    ASSERT_TRUE(pair.read && pair.tests.size() == 1);
    EXPECT_EQ(pair.tests[0].name, "\xF0\x9F\x98\x80");
    EXPECT_FALSE(readSuiteReport(R"({"suites":[{"tests":[{"name":"\ud83d"}]}]})").read);
    EXPECT_EQ(suiteFailureText(2, "a.toml:3:1: error: x\n"),
              "The suite has a mistake, so no test ran:\na.toml:3:1: error: x\n");
}
