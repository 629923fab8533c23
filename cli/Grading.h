#pragma once
// Running the tests of `mic1 test`: every test on a machine of its own, on several
// threads, with the results handed back in suite order.

#include "Suite.h"

#include "core/Microinstruction.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace mic1 {

// The records of the interpreter's control store, copied into each test's machine:
// loading them from the microprogram file again would read and parse it every time.
using ControlStoreImage = std::vector<std::pair<uint32_t, tarveno::Microinstruction>>;

enum class Verdict { Pass, Fail, Error };

struct TestResult {
    Verdict verdict = Verdict::Error;
    uint64_t steps = 0;        // microinstructions executed
    uint64_t instructions = 0; // returns of the interpreter to its main loop at address 0
    double seconds = 0;
    std::string reason;               // why it failed or could not run; empty for a pass
    std::vector<std::string> details; // the lines that explain the reason
};

// The interpreter the tests run: its control store, or why there is none (it did not
// assemble), which every test then reports as its error.
struct Interpreter {
    ControlStoreImage store;
    std::string unusable;
};

// Runs every test of the suites on `jobs` threads and answers the results in suite
// order, the tests of all suites one after the other. report is called on the calling
// thread with each result in that order as soon as it and those before it are done.
// Once interrupted is set (from a signal handler, say), the tests that run stop within a
// few thousand microinstructions and those not begun do not run: both are errors.
std::vector<TestResult>
runSuites(const Interpreter& interpreter, const std::vector<Suite>& suites, const ProgramTable& programs,
          unsigned jobs, const std::atomic<bool>& interrupted,
          const std::function<void(const Suite&, const TestCase&, const TestResult&)>& report);

} // namespace mic1
