// mic1 test: runs a microprogram as the interpreter of the IJVM programs of test suites
// and grades what they print.

#include "Commands.h"
#include "Files.h"
#include "Grading.h"
#include "RunSetup.h"
#include "TestReports.h"

#include "support/ReplacingFile.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace mic1 {

namespace {

// Standard output at once: a CI log shows each verdict as it comes.
void show(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

} // namespace

int runTest(const TestOptions& options) {
    for (const std::string* program : {&options.program, options.reference ? &*options.reference : nullptr})
        if (program)
            if (const std::string why = unreadableReason(*program); !why.empty()) {
                std::cerr << "mic1: " << why << '\n';
                return ExitFatal;
            }
    catchInterruptions();
    const auto start = std::chrono::steady_clock::now();
    const RunSettings settings{options.jobs ? options.jobs : availableCpus(), options.maxMemory,
                               &interruption()};
    // Every suite is read and checked, and its programs assembled, before anything runs.
    SuiteSet set;
    std::vector<ReferenceCost> costs;
    if (const auto status =
            prepareRun(options.suites, options.reference, !options.noCheck, settings, set, costs))
        return *status;
    // The report is written whole at the end, beside the old one and renamed over it; a
    // place it cannot go is found before the run.
    if (options.junit)
        if (const std::string why = unwritableReason(*options.junit); !why.empty()) {
            std::cerr << "mic1: " << why << '\n';
            return ExitFatal;
        }

    const Interpreter interpreter = loadInterpreter(options.program, !options.noCheck);
    std::cerr << interpreter.warnings;
    if (!options.json) show(assemblyLines(interpreter));
    const auto results = runSuites(interpreter, set, costs, settings, [&](size_t i, const TestResult& r) {
        if (!options.json) show(testLines(set.suiteOf(i), set.test(i), r));
    });
    Summary summary = summarize(set, results, interpreter.assembles);
    summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    show(options.json ? reportJson(set, interpreter, results, summary, options.name) : summaryLines(summary));
    if (options.junit)
        if (const int error = tarveno::writeFileReplacing(
                *options.junit, reportJunit(set, interpreter, results, summary, options.name))) {
            std::cerr << "mic1: cannot write " << *options.junit << ": " << std::strerror(error) << '\n';
            return ExitFatal;
        }
    if (const int signal = interruptionSignal()) {
        std::cerr << "mic1: interrupted; the tests that did not finish are reported as errors\n";
        return 128 + signal;
    }
    if (!interpreter.assembles) return ExitDoesNotAssemble;
    return summary.passed == summary.tests ? ExitOk : ExitFailed;
}

} // namespace mic1
