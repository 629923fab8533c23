#pragma once
// What `mic1 test` and `mic1 grade` report: a line per test and a summary, one JSON object,
// JUnit XML for a continuous-integration server, and a student's report in Markdown.

#include "Grading.h"
#include "SuiteSet.h"

#include <optional>
#include <string>
#include <vector>

namespace mic1 {

// The weighted score and the counts of a run.
struct Summary {
    size_t tests = 0, passed = 0, failed = 0, errors = 0, skipped = 0;
    size_t tooSlow = 0; // failed tests over their budget
    double score = 0, maxScore = 0;
    // The microinstructions of the tests that ran to an end or a bound, and the reference's
    // on those of them it ran.
    uint64_t steps = 0, referenceSteps = 0;
    bool assembles = true;
    double seconds = 0; // the whole run, wall clock

    void add(const TestCase& t, const TestResult& r);
    // The submission's microinstructions over the reference's, when there is a reference.
    std::optional<double> ratio() const;
};

Summary summarize(const SuiteSet& set, const std::vector<TestResult>& results, bool assembles);

// The score as a percentage of the most, to the nearest tenth: 17 of 27 is "63.0".
std::string percentText(const Summary& s);

// The lines of one test: the verdict line, then its reason and details indented; nothing
// for a test that was skipped.
std::string testLines(const Suite& suite, const TestCase& test, const TestResult& result);
// The report of a microprogram that does not assemble: its verdict and its diagnostics.
std::string assemblyLines(const Interpreter& interpreter);
// The last lines: the microinstructions of the run, then the score.
std::string summaryLines(const Summary& summary);

// results hold the tests of the set in its order, as runSuites answers them. name, when not
// empty, names the submission: the JUnit report's name and the start of each classname.
std::string reportJson(const SuiteSet& set, const Interpreter& interpreter,
                       const std::vector<TestResult>& results, const Summary& summary,
                       const std::string& name);
std::string reportJunit(const SuiteSet& set, const Interpreter& interpreter,
                        const std::vector<TestResult>& results, const Summary& summary,
                        const std::string& name);
// A student's report: the score, then what failed and why, then what passed.
std::string reportMarkdown(const SuiteSet& set, const Interpreter& interpreter,
                           const std::vector<TestResult>& results, const Summary& summary,
                           const std::string& name);

} // namespace mic1
