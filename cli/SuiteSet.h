#pragma once
// The suites of one run, read and checked together before any test runs: every file read
// (each bad one reported), every IJVM program of theirs assembled once, and names that tell
// the suites apart.

#include "Suite.h"

#include "ijvm/Program.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mic1 {

// An IJVM program of the suites, assembled without diagnostics, with its source text.
struct AssembledProgram {
    tarveno::IjvmProgram program;
    std::string text;
};

// A test of the set: its suite and its place there.
struct TestRef {
    size_t suite = 0;
    size_t test = 0;
};

struct SuiteSet {
    std::vector<Suite> suites;
    ProgramTable programs;
    std::vector<std::shared_ptr<const AssembledProgram>> assembled; // by program of the table
    std::vector<TestRef> order;                                     // every test, suite after suite

    size_t size() const { return order.size(); }
    const Suite& suiteOf(size_t i) const { return suites[order[i].suite]; }
    const TestCase& test(size_t i) const { return suites[order[i].suite].tests[order[i].test]; }
    TestCase& test(size_t i) { return suites[order[i].suite].tests[order[i].test]; }
    const AssembledProgram& programOf(size_t i) const { return *assembled[test(i).program]; }
    const ProgramSource& sourceOf(size_t i) const { return programs.all()[test(i).program]; }
};

// What reading the suites found besides the set: mistakes (nothing may run when there is
// one) and notes, each a message with its place.
struct SuiteFindings {
    std::vector<std::string> errors;
    std::vector<std::string> notes;
};

// Reads every file (a file named twice is read once), then assembles every program of the
// suites that read well. A suite name that two files share gets their paths added.
SuiteSet readSuites(const std::vector<std::string>& files, bool outputRequired, SuiteFindings& findings);

// Where a byte of a program's text stands: FILE:LINE:COLUMN, or for a text whose lines are
// not the suite's, SUITE:LINE: program line L, column C.
std::string programPlace(const ProgramSource& source, const std::string& text, int32_t offset);

} // namespace mic1
