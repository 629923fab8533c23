#include "RunSetup.h"
#include "Commands.h"

#include <algorithm>
#include <csignal>
#include <iostream>

namespace mic1 {

namespace {

std::atomic<bool> interrupted{false};
volatile std::sig_atomic_t signalSeen = 0;

static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onInterruption(int signal) {
    signalSeen = signal;
    interrupted = true;
}

} // namespace

void catchInterruptions() {
    struct sigaction action {};
    action.sa_handler = onInterruption;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

const std::atomic<bool>& interruption() {
    return interrupted;
}

int interruptionSignal() {
    return interrupted ? static_cast<int>(signalSeen) : 0;
}

std::optional<int> prepareRun(const std::vector<std::string>& files,
                              const std::optional<std::string>& reference, bool check,
                              const RunSettings& settings, SuiteSet& set, std::vector<ReferenceCost>& costs) {
    SuiteFindings findings;
    set = readSuites(files, !reference, findings);
    for (const std::string& note : findings.notes)
        std::cerr << note << '\n';
    const auto refuse = [](const std::vector<std::string>& errors) {
        for (const std::string& e : errors)
            std::cerr << e << '\n';
        return ExitUsage;
    };
    if (!findings.errors.empty()) return refuse(findings.errors);
    if (!reference) {
        const bool budgets = std::any_of(set.order.begin(), set.order.end(), [&](const TestRef& r) {
            return set.suites[r.suite].tests[r.test].budget;
        });
        if (budgets) std::cerr << "mic1: note: without --reference, no test's budget is checked\n";
        return std::nullopt;
    }
    const Interpreter ref = loadInterpreter(*reference, check);
    if (!ref.assembles) {
        std::cerr << "mic1: the reference " << *reference << " does not assemble\n";
        return refuse(ref.diagnostics);
    }
    std::vector<std::string> errors;
    costs = runReference(ref, set, settings, errors);
    if (!errors.empty()) return refuse(errors);
    return std::nullopt;
}

} // namespace mic1
