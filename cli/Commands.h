#pragma once
// The subcommands of mic1. Each answers the process exit status:
// 0 success, 1 fatal error (message already on standard output), 2 usage,
// 3 a run stopped by a bound (steps or memory) or a source with errors or diagnostics,
// 4 tests that failed; a test run stopped by SIGINT or SIGTERM answers 128 plus the signal
// (130, 143), as a shell reports a process that signal ended.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mic1 {

enum Exit : int { ExitOk = 0, ExitFatal = 1, ExitUsage = 2, ExitIncomplete = 3, ExitFailed = 4 };

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
};

struct IjvmOptions {
    std::string source;
    bool json = false;
};

struct TestOptions {
    std::string program;             // the interpreter: a .bin file or MAL source
    std::vector<std::string> suites; // TOML files
    std::optional<std::string> junit;
    bool json = false;
    unsigned jobs = 0; // 0: one per core
    bool noCheck = false;
};

int runAsm(const AsmOptions& options);
int runRun(const RunOptions& options);
int runIjvm(const IjvmOptions& options);
int runTest(const TestOptions& options);

} // namespace mic1
