#pragma once
// The subcommands of mic1. Each answers the process exit status:
// 0 success, 1 fatal error (its message already written), 2 usage or a malformed suite,
// 3 a run stopped by a bound (steps or memory) or a source with errors or diagnostics,
// 4 tests that failed, 5 a microprogram under test that does not assemble; a test run
// stopped by SIGINT or SIGTERM answers 128 plus the signal (130, 143), as a shell reports a
// process that signal ended.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mic1 {

enum Exit : int {
    ExitOk = 0,
    ExitFatal = 1,
    ExitUsage = 2,
    ExitIncomplete = 3,
    ExitFailed = 4,
    ExitDoesNotAssemble = 5
};

struct AsmOptions {
    std::string source;
    std::string output; // empty: the source with its extension replaced by ".bin"
    bool noCheck = false;
};

struct RunOptions {
    std::string program;
    std::vector<std::string> mem; // WORD=VALUE
    std::optional<std::string> stdinValue;
    std::optional<std::string> ijvm; // an IJVM program to place in memory and interpret
    std::string mode = "run";        // run | ijvm | mic
    std::optional<uint64_t> steps;
    uint64_t maxSteps = 100'000'000;
    uint64_t maxMemory = 512;        // MB (2^20 bytes) of main memory's store; 0: no bound
    std::optional<std::string> dump; // START:COUNT
    bool trace = false;
    std::string format = "text"; // of the trace: text | csv
    bool json = false;
    bool noCheck = false;
    bool stats = false;
    bool history = false;
    std::optional<uint64_t> back; // steps to go back after --steps
    bool werror = false;          // the IJVM program's warnings count as errors
};

struct IjvmOptions {
    std::string source;
    bool json = false;
    bool werror = false; // warnings count as errors
};

// Default of --max-memory: the main memory of all the tests that run at once, in MB.
inline constexpr uint64_t defaultRunMemoryMb = 2048;

struct TestOptions {
    std::string program;             // the interpreter: a .bin file or MAL source
    std::vector<std::string> suites; // TOML files
    std::optional<std::string> junit;
    bool json = false;
    unsigned jobs = 0;                       // 0: one per CPU this process may use
    uint64_t maxMemory = defaultRunMemoryMb; // MB; 0: no bound
    bool noCheck = false;
    std::optional<std::string> reference; // a microprogram that passes every test
    std::string name;                     // the submission's, for the reports
};

struct GradeOptions {
    std::string reference;           // the teacher's interpreter
    std::vector<std::string> suites; // TOML files
    std::string submissions;         // a folder
    std::string out = "grades";
    unsigned jobs = 0;
    uint64_t maxMemory = defaultRunMemoryMb;
    bool noCheck = false;
};

int runAsm(const AsmOptions& options);
int runRun(const RunOptions& options);
int runIjvm(const IjvmOptions& options);
int runTest(const TestOptions& options);
int runGrade(const GradeOptions& options);

} // namespace mic1
