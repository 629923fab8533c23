#pragma once
// Test suites of `mic1 test`: TOML files that list IJVM programs with their input and
// the output they must print. Reading a suite checks all of it, so a mistake in a
// suite stops the command before any test runs.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mic1 {

// A mistake in a suite, at its place in the file: FILE:LINE:COLUMN: error: MESSAGE, and
// when the line is known, the line and a caret under the column (which counts characters).
class SuiteError : public std::runtime_error {
  public:
    SuiteError(const std::string& file, int64_t line, int64_t column, const std::string& what,
               std::string_view sourceLine = {});
};

// An IJVM program that tests run: a file, or source text written in the suite.
struct ProgramSource {
    std::string path;                // the file; for inline text, the suite file
    std::optional<std::string> text; // inline source
    int64_t firstLine = 1;           // the line of `path` where the text's first line stands
    // Whether the text's lines are lines of path, from firstLine on: a file, or a multi-line
    // string without escapes. Otherwise (a one-line string, "\n" written as an escape) a
    // place in it is the string's line in the suite and the line in the program.
    bool linesInFile = true;
    // For a file: where a suite names it first (file, line, column), for the note under its
    // diagnostics.
    std::string namedIn;
    int64_t namedLine = 1, namedColumn = 1;
};

// The programs of every suite, each file once, so that tests running the same file
// share its assembly.
class ProgramTable {
  public:
    size_t file(const std::string& path, const std::string& suite, int64_t line, int64_t column);
    size_t inlineText(ProgramSource source);
    const std::vector<ProgramSource>& all() const { return programs_; }

  private:
    std::vector<ProgramSource> programs_;
    std::map<std::string, size_t> files_; // by path as written
};

struct TestCase {
    std::string name;
    size_t program = 0; // in the ProgramTable
    int32_t input = 0;  // the standard-input cell
    // The values it must print. A test may leave them to the reference interpreter
    // (outputGiven false), which then fills them in before the tests run.
    std::vector<int32_t> output;
    bool outputGiven = false;
    std::optional<int32_t> top;
    uint64_t maxSteps = 0;
    uint64_t maxMemoryMb = 0;
    double weight = 1;
    // The most microinstructions it may take, as a multiple of the reference's.
    std::optional<double> budget;
    // Its values and places are never shown in reports: a failure says only that it failed.
    bool hidden = false;
    // Where the test's table begins, and its `output` (the table's place when there is none).
    int64_t line = 1, column = 1;
    int64_t outputLine = 1, outputColumn = 1;
};

struct Suite {
    std::string file;
    std::string name; // `name`, or the file's name without its extension
    std::vector<TestCase> tests;
};

// Bounds of a test that neither it nor its suite's defaults set.
inline constexpr uint64_t defaultMaxSteps = 10'000'000;
inline constexpr uint64_t defaultMaxMemoryMb = 64;
// The most main memory a test may be given.
inline constexpr uint64_t maxTestMemoryMb = 4096;

// Reads and checks a suite; its programs go into programs. Raises SuiteError. A test
// without `output` is a mistake when outputRequired (there is no reference to ask).
Suite readSuite(const std::string& file, ProgramTable& programs, bool outputRequired = true);

// Line number line (from 1) of text, without its line end; empty past the end.
std::string_view lineOf(std::string_view text, int64_t line);
// A mistake as compilers write it: PLACE: error: WHAT (or warning:, as severity says), then,
// when sourceLine is not empty, the line and a caret under its column (which counts
// characters).
std::string diagnosticText(const std::string& place, const std::string& what, std::string_view sourceLine,
                           int64_t column, std::string_view severity = "error");

} // namespace mic1
