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
#include <vector>

namespace mic1 {

// A mistake in a suite, at its place in the file.
class SuiteError : public std::runtime_error {
  public:
    SuiteError(const std::string& file, int64_t line, int64_t column, const std::string& what)
        : std::runtime_error(file + ':' + std::to_string(line) + ':' + std::to_string(column) +
                             ": error: " + what) {}
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
};

// The programs of every suite, each file once, so that tests running the same file
// share its assembly.
class ProgramTable {
  public:
    size_t file(const std::string& path);
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
    std::vector<int32_t> output;
    std::optional<int32_t> top;
    uint64_t maxSteps = 0;
    uint64_t maxMemoryMb = 0;
    double weight = 1;
};

struct Suite {
    std::string file;
    std::string name; // `name`, or the file's name without its extension
    std::vector<TestCase> tests;
};

// Bounds of a test that neither it nor its suite's defaults set.
inline constexpr uint64_t defaultMaxSteps = 10'000'000;
inline constexpr uint64_t defaultMaxMemoryMb = 64;

// Reads and checks a suite; its programs go into programs. Raises SuiteError.
Suite readSuite(const std::string& file, ProgramTable& programs);

} // namespace mic1
