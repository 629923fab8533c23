#include "Grading.h"
#include "Files.h"

#include "core/Machine.h"
#include "ijvm/IjvmAssembler.h"
#include "ijvm/InstructionSet.h"
#include "ijvm/LoadProgram.h"
#include "support/Encoding.h"
#include "support/FatalError.h"
#include "support/FileBytes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace mic1 {

namespace {

using tarveno::Machine;
using tarveno::StopReason;

// The diagnostics of a program that does not assemble shown with its error; the rest
// are counted.
constexpr size_t shownDiagnostics = 5;

// An assembled program, or why it could not be.
struct Assembled {
    tarveno::IjvmProgram program;
    std::string text;
    std::string error;
    std::vector<std::string> diagnostics;
};

// Where a byte of a program's text stands: FILE:LINE:COLUMN, or for a text whose lines are
// not the file's, SUITE:LINE: program line L, column C.
std::string placeOf(const ProgramSource& source, const std::string& text, int32_t offset) {
    const TextPlace at = placeIn(text, offset);
    if (!source.linesInFile)
        return source.path + ':' + std::to_string(source.firstLine) + ": program line " +
               std::to_string(at.line) + ", column " + std::to_string(at.column);
    return source.path + ':' + std::to_string(static_cast<int64_t>(at.line) - 1 + source.firstLine) + ':' +
           std::to_string(at.column);
}

std::shared_ptr<const Assembled> assemble(const ProgramSource& source) {
    auto a = std::make_shared<Assembled>();
    if (source.text) {
        a->text = *source.text;
    } else {
        tarveno::FileBytes bytes = tarveno::readFileBytes(source.path);
        if (bytes.error) {
            a->error = "cannot read " + source.path + ": " + std::strerror(bytes.error);
            return a;
        }
        a->text = std::move(bytes.bytes);
    }
    try {
        tarveno::IjvmAssembler assembler(source.path, a->text);
        assembler.assemble();
        a->program = std::move(assembler.program);
    } catch (const tarveno::FatalError& e) {
        a->error = "the program does not assemble: " + tarveno::messageToUtf8(e.message());
        if (!e.userMessage().empty()) a->error += " (" + tarveno::displayText(e.userMessage()) + ")";
        return a;
    }
    const auto& found = a->program.diagnostics;
    if (found.count() == 0) return a;
    a->error = "the program does not assemble: " + std::to_string(found.count()) + " error" +
               (found.count() == 1 ? "" : "s");
    found.forEach([&](const tarveno::Diagnostic& d) {
        if (a->diagnostics.size() < shownDiagnostics)
            a->diagnostics.push_back(placeOf(source, a->text, d.start) +
                                     ": error: " + tarveno::messageToUtf8(d.message));
    });
    if (static_cast<size_t>(found.count()) > shownDiagnostics)
        a->diagnostics.push_back("and " + std::to_string(found.count() - shownDiagnostics) + " more");
    return a;
}

// The mnemonic of an opcode, the wide forms as they are written.
std::string mnemonicOf(uint8_t opcode) {
    for (const tarveno::InstructionInfo& i : tarveno::instructionSet()) {
        if (i.opcode != opcode) continue;
        const std::string m(i.mnemonic);
        return m.size() > 4 && m.compare(0, 4, "WIDE") == 0 ? "WIDE " + m.substr(4) : m;
    }
    return "no instruction (byte " + std::to_string(opcode) + ")";
}

// The IJVM instruction at byte address pc of the method area, where the interpreter
// dispatched last (on entry to the main loop, PC holds the address of the opcode).
std::string lastInstruction(const ProgramSource& source, const Assembled& a,
                            const tarveno::ExecutionCounts& counts) {
    const std::string lead = "last IJVM instruction: ";
    const int32_t pc = counts.dispatchPc;
    if (counts.returns == 0)
        return lead + "none (the interpreter never returned to its main loop at address 0)";
    const auto& area = a.program.methodArea;
    if (pc < 0 || pc >= area.count())
        return lead + "none at PC " + std::to_string(pc) + ", outside the method area (" +
               std::to_string(area.count()) + " bytes)";
    const std::string mnemonic = mnemonicOf(area.at(pc));
    if (const uint32_t* at = a.program.sourceMap.search(static_cast<uint32_t>(pc)))
        return lead + mnemonic + " at " + placeOf(source, a.text, static_cast<int32_t>(*at));
    return lead + mnemonic + ", the opening call of main, at PC " + std::to_string(pc);
}

// The first difference between the expected output and the one recorded, or nothing.
std::optional<std::string> outputDifference(const std::vector<int32_t>& expected,
                                            const tarveno::OutputRecord& got) {
    const size_t kept = got.values.size();
    for (size_t i = 0; i < std::min(expected.size(), kept); ++i)
        if (expected[i] != got.values[i])
            return "output[" + std::to_string(i) + "]: expected " + std::to_string(expected[i]) + ", got " +
                   std::to_string(got.values[i]);
    if (got.count < expected.size())
        return "output: expected " + std::to_string(expected.size()) + " values, got " +
               std::to_string(got.count) + "; the first missing is output[" + std::to_string(got.count) +
               "] = " + std::to_string(expected[got.count]);
    if (got.count > expected.size()) {
        std::string extra = "output: expected " + std::to_string(expected.size()) + " values, got " +
                            std::to_string(got.count);
        if (expected.size() < kept)
            extra += "; the first extra is output[" + std::to_string(expected.size()) +
                     "] = " + std::to_string(got.values[expected.size()]);
        return extra;
    }
    return std::nullopt;
}

// Runs one test on a machine of its own. A bound, or a fault of the machine, fails it.
TestResult runTest(const ControlStoreImage& store, const ProgramSource& source, const Assembled& a,
                   const TestCase& t, const std::atomic<bool>& interrupted) {
    TestResult r;
    auto m = std::make_unique<Machine>();
    for (const auto& [address, mic] : store)
        m->loadMicroinstruction(address, mic);
    m->reset();
    tarveno::placeImage(*m, a.program.methodArea, a.program.constantPool);
    m->memoryWord(Machine::standardInputAddress) = t.input;

    const size_t memory =
        t.maxMemoryMb > (SIZE_MAX >> 20) ? SIZE_MAX : static_cast<size_t>(t.maxMemoryMb) << 20;
    // The machine counts its steps in 32 bits: one run takes fewer than 2^31, and the
    // count here has 64.
    StopReason stop = StopReason::Halted;
    tarveno::ExecutionCounts counts;
    // The first thing wrong is the reason, the others explain it.
    const auto note = [&](std::string what) {
        if (r.reason.empty())
            r.reason = std::move(what);
        else
            r.details.push_back(std::move(what));
    };
    try {
        for (;;) {
            if (r.steps >= t.maxSteps) {
                stop = StopReason::Bound;
                break;
            }
            const uint64_t chunk = std::min<uint64_t>(t.maxSteps - r.steps, uint64_t{1} << 31);
            const uint32_t before = m->microCounter;
            stop = m->run({chunk, &interrupted, memory}, counts);
            r.steps += static_cast<uint32_t>(m->microCounter - before);
            if (stop != StopReason::Bound) break;
        }
        if (stop == StopReason::Stopped) {
            r.reason = "interrupted after " + std::to_string(r.steps) + " microinstructions";
            r.instructions = counts.returns;
            return r;
        }
        if (stop == StopReason::Bound)
            note("stopped by its bound of " + std::to_string(t.maxSteps) +
                 " microinstructions (max_steps) before the halt address");
        else if (stop == StopReason::MemoryBound)
            note("main memory passed its bound of " + std::to_string(t.maxMemoryMb) + " MB (max_memory_mb)");
    } catch (const tarveno::FatalError& e) {
        note("the machine stopped: " + tarveno::messageToUtf8(e.message()));
    }
    if (auto difference = outputDifference(t.output, m->output)) note(std::move(*difference));
    if (t.top) {
        const int32_t* top = m->peekWord(static_cast<uint32_t>(m->registers[tarveno::SP]));
        if (!top)
            note("stack top: expected " + std::to_string(*t.top) + ", got no word (SP " +
                 std::to_string(m->registers[tarveno::SP]) + ")");
        else if (*top != *t.top)
            note("stack top: expected " + std::to_string(*t.top) + ", got " + std::to_string(*top));
    }
    r.verdict = r.reason.empty() ? Verdict::Pass : Verdict::Fail;
    r.instructions = counts.returns;
    if (r.verdict == Verdict::Fail) r.details.push_back(lastInstruction(source, a, counts));
    return r;
}

// The assembled programs, each made by the first test that runs it and let go after
// the last, so that a suite of many programs does not hold them all.
class ProgramCache {
  public:
    ProgramCache(const ProgramTable& programs, const std::vector<const TestCase*>& tests)
        : sources_(programs.all()), slots_(sources_.size()) {
        for (const TestCase* t : tests)
            ++slots_[t->program].users;
    }

    std::shared_ptr<const Assembled> take(size_t program) {
        Slot& s = slots_[program];
        std::lock_guard lock(s.mutex);
        if (!s.assembled) s.assembled = assemble(sources_[program]);
        std::shared_ptr<const Assembled> a = s.assembled;
        if (--s.users == 0) s.assembled.reset();
        return a;
    }

  private:
    struct Slot {
        std::mutex mutex;
        std::shared_ptr<const Assembled> assembled;
        size_t users = 0;
    };
    const std::vector<ProgramSource>& sources_;
    std::vector<Slot> slots_;
};

} // namespace

std::vector<TestResult>
runSuites(const Interpreter& interpreter, const std::vector<Suite>& suites, const ProgramTable& programs,
          unsigned jobs, const std::atomic<bool>& interrupted,
          const std::function<void(const Suite&, const TestCase&, const TestResult&)>& report) {
    std::vector<std::pair<const Suite*, const TestCase*>> order;
    std::vector<const TestCase*> tests;
    for (const Suite& s : suites)
        for (const TestCase& t : s.tests) {
            order.emplace_back(&s, &t);
            tests.push_back(&t);
        }
    std::vector<TestResult> results(order.size());
    std::vector<char> done(order.size(), 0);
    ProgramCache cache(programs, tests);
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<size_t> next{0};

    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < order.size();) {
            const auto start = std::chrono::steady_clock::now();
            const TestCase& t = *order[i].second;
            TestResult r;
            // Whatever goes wrong stays with its test: the others run on.
            try {
                if (interrupted) {
                    r.reason = "not run: mic1 was interrupted";
                } else if (!interpreter.unusable.empty()) {
                    r.reason = interpreter.unusable;
                } else if (const auto a = cache.take(t.program); !a->error.empty()) {
                    r.reason = a->error;
                    r.details = a->diagnostics;
                } else {
                    r = runTest(interpreter.store, programs.all()[t.program], *a, t, interrupted);
                }
            } catch (const tarveno::FatalError& e) {
                r = TestResult{Verdict::Error,
                               0,
                               0,
                               0,
                               "the test could not run: " + tarveno::messageToUtf8(e.message()),
                               {}};
            } catch (const std::exception& e) {
                r = TestResult{
                    Verdict::Error, 0, 0, 0, std::string("the test could not run: ") + e.what(), {}};
            }
            r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::lock_guard lock(mutex);
            results[i] = std::move(r);
            done[i] = 1;
            finished.notify_one();
        }
    };
    const size_t threads = std::max<size_t>(1, std::min<size_t>(jobs, order.size()));
    std::vector<std::jthread> pool;
    for (size_t k = 0; k < threads; ++k)
        pool.emplace_back(work);
    for (size_t i = 0; i < order.size(); ++i) {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return done[i] != 0; });
        lock.unlock();
        report(*order[i].first, *order[i].second, results[i]);
    }
    return results;
}

} // namespace mic1
