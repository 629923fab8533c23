#pragma once
// Running the tests of `mic1 test` and `mic1 grade`: every test on a machine of its own, on
// several threads, with the main memory of the tests that run at once bounded together.

#include "SuiteSet.h"

#include "core/Microinstruction.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace mic1 {

// The records of an interpreter's control store, copied into each test's machine:
// loading them from the microprogram file again would read and parse it every time.
using ControlStoreImage = std::vector<std::pair<uint32_t, tarveno::Microinstruction>>;

// A microprogram as the tests run it: its control store, or why it does not assemble.
struct Interpreter {
    std::string file;
    ControlStoreImage store;
    bool assembles = true;
    // When it does not assemble: the checker's or the micro-assembler's findings, each as
    // FILE:LINE:COLUMN: error: MESSAGE with its line and a caret.
    std::vector<std::string> diagnostics;
    // When it assembles: the checker's report of its warnings and the micro-assembler's.
    std::string warnings;
};

// Loads a microprogram: a .bin file (FatalError when it cannot be read or loaded), or MAL
// source, checked first unless check is false, then assembled.
Interpreter loadInterpreter(const std::string& program, bool check);

enum class Verdict { Pass, Fail, Error, Skipped };

struct TestResult {
    Verdict verdict = Verdict::Error;
    uint64_t steps = 0;   // microinstructions executed
    uint64_t returns = 0; // returns of the interpreter to its main loop at address 0
    // What the reference did on the test, 0 without one: its microinstructions, and the IJVM
    // instructions the test executes, which the reference's returns to its main loop count.
    uint64_t referenceSteps = 0;
    uint64_t instructions = 0;
    bool tooSlow = false; // took more than its budget
    double seconds = 0;
    std::string reason;               // why it failed or could not run; empty for a pass
    std::vector<std::string> details; // the lines that explain the reason
};

// What the reference interpreter took on a test.
struct ReferenceCost {
    uint64_t steps = 0;
    uint64_t instructions = 0;
};

struct RunSettings {
    unsigned jobs = 1;
    uint64_t maxMemoryMb = 0; // the main memory of the tests that run at once; 0: no bound
    const std::atomic<bool>* interrupted = nullptr;
};

// The CPUs this process may run on (its affinity), at least 1.
unsigned availableCpus();

// Runs the reference on every test first. A test without `output` takes the reference's; a
// test the reference does not pass is a mistake of its suite, appended to errors (with the
// test's place and the first difference). Answers the reference's cost of each test.
std::vector<ReferenceCost> runReference(const Interpreter& reference, SuiteSet& set,
                                        const RunSettings& settings, std::vector<std::string>& errors);

// Runs every test of the set on interpreter and answers the results in the set's order.
// report is called on the calling thread with each result in that order as soon as it and
// those before it are done. Once interrupted is set (from a signal handler, say), the tests
// that run stop within a few thousand microinstructions and those not begun do not run:
// both are errors. reference is empty, or the cost of each test on the reference.
std::vector<TestResult> runSuites(const Interpreter& interpreter, const SuiteSet& set,
                                  const std::vector<ReferenceCost>& reference, const RunSettings& settings,
                                  const std::function<void(size_t, const TestResult&)>& report);

// Grades count interpreters on the tests of the set, the tests of all of them sharing the
// threads. load(k) makes interpreter k, on a worker thread; finished(k, interpreter, results)
// is called on the calling thread as soon as every test of interpreter k is done.
void gradeAll(
    size_t count, const std::function<Interpreter(size_t)>& load, const SuiteSet& set,
    const std::vector<ReferenceCost>& reference, const RunSettings& settings,
    const std::function<void(size_t, const Interpreter&, const std::vector<TestResult>&)>& finished);

} // namespace mic1
