#pragma once
// What `mic1 test` prints: a line per test and a summary, one JSON object, or JUnit XML
// for a continuous-integration server.

#include "Grading.h"
#include "Suite.h"

#include <string>
#include <vector>

namespace mic1 {

// The weighted score and the counts of a run.
struct Summary {
    size_t tests = 0, passed = 0, failed = 0, errors = 0;
    double score = 0, maxScore = 0;
    double seconds = 0; // the whole run, wall clock

    void add(const TestCase& t, const TestResult& r);
};

// The lines of one test: the verdict line, then its reason and details indented.
std::string testLines(const Suite& suite, const TestCase& test, const TestResult& result);
std::string summaryLine(const Summary& summary);

// results hold the tests of all suites one after the other, as runSuites answers them.
std::string reportJson(const std::vector<Suite>& suites, const std::vector<TestResult>& results,
                       const Summary& summary);
std::string reportJunit(const std::vector<Suite>& suites, const std::vector<TestResult>& results,
                        const Summary& summary);

} // namespace mic1
