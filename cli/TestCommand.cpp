// mic1 test: runs a microprogram as the interpreter of the IJVM programs of test suites
// and grades what they print.

#include "Commands.h"
#include "Files.h"
#include "Grading.h"
#include "Suite.h"
#include "TestReports.h"

#include "core/ControlPath.h"
#include "support/Encoding.h"
#include "support/FatalError.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <thread>

namespace mic1 {

namespace {

ControlStoreImage storeOf(const tarveno::ControlPath& m) {
    ControlStoreImage out;
    m.controlStore().forEach(
        [&](uint32_t address, const tarveno::Mic& mic) { out.emplace_back(address, mic); });
    return out;
}

// Loads the interpreter once. MAL source is checked and assembled; when it does not
// assemble, its report goes to standard error and every test reports the error. A
// microprogram file that cannot be read or loaded is a fatal error (FatalError).
Interpreter loadInterpreter(const TestOptions& options) {
    Interpreter interpreter;
    tarveno::ControlPath m;
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
    std::ofstream junit;
    if (options.junit) {
        junit.open(*options.junit, std::ios::binary | std::ios::trunc);
        if (!junit) {
            std::cerr << "mic1: cannot write " << *options.junit << ": " << std::strerror(errno) << '\n';
            return ExitFatal;
        }
    }

    const auto start = std::chrono::steady_clock::now();
    const Interpreter interpreter = loadInterpreter(options);
    const unsigned jobs = options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    Summary summary;
    const auto results = runSuites(interpreter, suites, programs, jobs,
                                   [&](const Suite& s, const TestCase& t, const TestResult& r) {
                                       summary.add(t, r);
                                       if (options.json) return;
                                       const std::string lines = testLines(s, t, r);
                                       std::fwrite(lines.data(), 1, lines.size(), stdout);
                                   });
    summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const std::string out = options.json ? reportJson(suites, results, summary) : summaryLine(summary);
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (options.junit) {
        junit << reportJunit(suites, results, summary);
        junit.close();
        if (!junit) {
            std::cerr << "mic1: cannot write " << *options.junit << '\n';
            return ExitFatal;
        }
    }
    return summary.passed == summary.tests ? ExitOk : ExitFailed;
}

} // namespace mic1
