#pragma once
// What the window shows of a test suite run by the grading's own program (mic1 test
// --json): a row per test with its verdict, and what to place to step a failing one. When
// the program ended without a report (a suite with a mistake, a microprogram file it cannot
// read), why.

#include "workbench/Session.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno::ui {

struct TestRow {
    std::string suite;
    std::string name;
    std::string verdict; // PASS, FAIL, ERROR or SKIPPED
    uint64_t steps = 0;  // microinstructions executed
    std::string reason;  // why it did not pass
    std::vector<std::string> details;
    bool hidden = false;
    bool tooSlow = false;
    std::optional<TestProgram> program; // none for a hidden test

    bool failed() const { return verdict == "FAIL" || verdict == "ERROR"; }
    // The cells of the results list: verdict, suite, test, microinstructions, reason.
    std::string cell(int column) const;
    // The reason and its details, one line each, for the row chosen.
    std::string explanation() const;
};

struct SuiteReport {
    bool read = false; // the report was there and well formed
    bool assembles = true;
    std::vector<std::string> assemblyDiagnostics;
    std::vector<TestRow> tests;
    size_t passed = 0, failed = 0, errors = 0;
    double score = 0, maxScore = 0;
    uint64_t microinstructions = 0;

    // "9 of 12 tests passed, 2 failed, 1 error; score 75.0 %; 12,345 microinstructions".
    std::string summary() const;
};

inline constexpr int suiteResultColumns = 5;
const char* suiteResultHeading(int column);

// The report mic1 test --json wrote (UTF-8); read = false when it is none.
SuiteReport readSuiteReport(std::string_view json);

// Why a run gave no report, as the user reads it: the program's exit status and what it
// wrote to its standard error.
std::string suiteFailureText(int exitStatus, std::string_view errorOutput);

} // namespace tarveno::ui
