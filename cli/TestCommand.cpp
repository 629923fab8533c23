// mic1 test: runs a microprogram as the interpreter of the IJVM programs of test suites
// and grades what they print.

#include "Commands.h"
#include "Files.h"
#include "Grading.h"
#include "Suite.h"
#include "TestReports.h"

#include "core/Machine.h"
#include "support/Encoding.h"
#include "support/FatalError.h"
#include "support/ReplacingFile.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <thread>

namespace mic1 {

namespace {

ControlStoreImage storeOf(const tarveno::Machine& m) {
    ControlStoreImage out;
    m.controlStore().forEach(
        [&](uint32_t address, const tarveno::Microinstruction& mic) { out.emplace_back(address, mic); });
    return out;
}

// Loads the interpreter once. MAL source is checked and assembled; when it does not
// assemble, its report goes to standard error and every test reports the error. A
// microprogram file that cannot be read or loaded is a fatal error (FatalError).
Interpreter loadInterpreter(const TestOptions& options) {
    Interpreter interpreter;
    tarveno::Machine m;
    const std::string& program = options.program;
    if (program.size() >= 4 && program.compare(program.size() - 4, 4, ".bin") == 0) {
        m.loadMicroprogram(program);
        interpreter.store = storeOf(m);
        return interpreter;
    }
    TempDir temp;
    const std::string binary = temp.path() + "/program.bin";
    try {
        const auto outcome = tarveno::assembleMicroprogram(
            program, binary, options.noCheck ? tarveno::Check::Skip : tarveno::Check::Run);
        if (!reportCompile(outcome, program)) {
            interpreter.unusable = "the microprogram " + program +
                                   " does not assemble (its report is on "
                                   "standard error)";
            return interpreter;
        }
    } catch (const tarveno::FatalError& e) {
        interpreter.unusable =
            "the microprogram " + program + " does not assemble: " + tarveno::messageToUtf8(e.message());
        std::cerr << "mic1: " << interpreter.unusable << '\n';
        return interpreter;
    }
    m.loadMicroprogram(binary);
    interpreter.store = storeOf(m);
    return interpreter;
}

// An interruption (Ctrl+C, or a TERM from a CI server) stops the run; what ran is still
// reported whole, and the exit status says which signal it was. A second one ends the
// process at once.
std::atomic<bool> interrupted{false};
volatile std::sig_atomic_t interruption = 0;

static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onInterruption(int signal) {
    interruption = signal;
    interrupted = true;
}

void catchInterruptions() {
    struct sigaction action {};
    action.sa_handler = onInterruption;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

} // namespace

int runTest(const TestOptions& options) {
    if (const std::string why = unreadableReason(options.program); !why.empty()) {
        std::cerr << "mic1: " << why << '\n';
        return ExitFatal;
    }
    // Every suite is read and checked before anything runs.
    ProgramTable programs;
    std::vector<Suite> suites;
    try {
        for (const std::string& file : options.suites)
            suites.push_back(readSuite(file, programs));
    } catch (const SuiteError& e) {
        std::cerr << e.what() << '\n';
        return ExitUsage;
    }
    // The report is written whole at the end, beside the old one and renamed over it; a
    // place it cannot go is found before the run.
    if (options.junit)
        if (const std::string why = unwritableReason(*options.junit); !why.empty()) {
            std::cerr << "mic1: " << why << '\n';
            return ExitFatal;
        }
    catchInterruptions();

    const auto start = std::chrono::steady_clock::now();
    const Interpreter interpreter = loadInterpreter(options);
    const unsigned jobs = options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    Summary summary;
    const auto results = runSuites(interpreter, suites, programs, jobs, interrupted,
                                   [&](const Suite& s, const TestCase& t, const TestResult& r) {
                                       summary.add(t, r);
                                       if (options.json) return;
                                       const std::string lines = testLines(s, t, r);
                                       std::fwrite(lines.data(), 1, lines.size(), stdout);
                                       // A CI log shows each verdict as it comes.
                                       std::fflush(stdout);
                                   });
    summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const std::string out = options.json ? reportJson(suites, results, summary) : summaryLine(summary);
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (options.junit)
        if (const int error =
                tarveno::writeFileReplacing(*options.junit, reportJunit(suites, results, summary))) {
            std::cerr << "mic1: cannot write " << *options.junit << ": " << std::strerror(error) << '\n';
            return ExitFatal;
        }
    if (interrupted) {
        std::cerr << "mic1: interrupted; the tests that did not finish are reported as errors\n";
        return 128 + interruption;
    }
    return summary.passed == summary.tests ? ExitOk : ExitFailed;
}

} // namespace mic1
