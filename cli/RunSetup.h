#pragma once
// What `mic1 test` and `mic1 grade` do before their tests run: the suites read and checked,
// the reference run on them; and the interruption that stops a run.

#include "Grading.h"
#include "SuiteSet.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace mic1 {

// Reads and checks the suites and, with a reference, runs it on every test (which fills in
// the outputs the suites leave to it, and costs). Mistakes go to standard error; the answer
// is then the exit status, 2, and nothing may run.
std::optional<int> prepareRun(const std::vector<std::string>& files,
                              const std::optional<std::string>& reference, bool check,
                              const RunSettings& settings, SuiteSet& set, std::vector<ReferenceCost>& costs);

// An interruption (Ctrl+C, or a TERM from a CI server) sets the flag that the tests watch; a
// second one ends the process at once.
void catchInterruptions();
const std::atomic<bool>& interruption();
// The signal that interrupted the run, 0 for none.
int interruptionSignal();

} // namespace mic1
