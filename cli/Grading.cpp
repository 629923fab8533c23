#include "Grading.h"
#include "Files.h"

#include "checker/MalChecker.h"
#include "core/Machine.h"
#include "ijvm/InstructionSet.h"
#include "ijvm/LoadProgram.h"
#include "support/Encoding.h"
#include "support/FatalError.h"
#include "workbench/Workbench.h"

#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <thread>

namespace mic1 {

unsigned availableCpus() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    // A machine of more CPUs than a cpu_set_t holds answers an error: then every core counts.
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0)
        return static_cast<unsigned>(CPU_COUNT(&cpus));
    return std::max(1u, std::thread::hardware_concurrency());
}

namespace {

using tarveno::Machine;
using tarveno::StopReason;

// The micro-assembler replaces its file through a helper that one thread uses at a time.
std::mutex assembling;

ControlStoreImage storeOf(const Machine& m) {
    ControlStoreImage out;
    m.controlStore().forEach(
        [&](uint32_t address, const tarveno::Microinstruction& mic) { out.emplace_back(address, mic); });
    return out;
}

// One finding as the checker's report shows it (its place, message, line and caret).
std::string findingText(const tarveno::CheckFinding& f, const std::string& file) {
    tarveno::CheckResult one;
    one.findings.push_back(f);
    (f.isError ? one.errors : one.warnings) = 1;
    std::string text = tarveno::formatReport(one, file);
    text.erase(0, text.find('\n') + 1);
    while (text.ends_with('\n'))
        text.pop_back();
    return text;
}

} // namespace

Interpreter loadInterpreter(const std::string& program, bool check) {
    Interpreter in;
    in.file = program;
    auto m = std::make_unique<Machine>();
    if (program.ends_with(".bin")) {
        m->loadMicroprogram(program);
        in.store = storeOf(*m);
        return in;
    }
    TempDir temp;
    const std::string binary = temp.path() + "/program.bin";
    try {
        std::lock_guard lock(assembling);
        const auto outcome = tarveno::assembleMicroprogram(
            program, binary, check ? tarveno::Check::Run : tarveno::Check::Skip);
        const tarveno::CheckResult& found = outcome.check;
        if (found.errors > 0) {
            in.assembles = false;
            for (const tarveno::CheckFinding& f : found.findings)
                in.diagnostics.push_back(findingText(f, program));
            const auto total = static_cast<size_t>(found.errors) + static_cast<size_t>(found.warnings);
            if (total > found.findings.size())
                in.diagnostics.push_back(std::to_string(total - found.findings.size()) +
                                         " more findings are not shown");
            return in;
        }
        if (found.warnings > 0) in.warnings = tarveno::formatReport(found, program);
        for (const std::string& w : outcome.warnings)
            in.warnings += program + ": warning: " + w + '\n';
        m->loadMicroprogram(binary);
    } catch (const tarveno::FatalError& e) {
        in.assembles = false;
        in.diagnostics.push_back(program + ": error: " + tarveno::messageToUtf8(e.message()));
        return in;
    }
    in.store = storeOf(*m);
    return in;
}

namespace {

// A count with its thousands apart: 9,583.
std::string grouped(uint64_t v) {
    std::string digits = std::to_string(v);
    for (auto at = static_cast<ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), 1, ',');
    return digits;
}

std::string values(uint64_t n) {
    return std::to_string(n) + (n == 1 ? " value" : " values");
}

// The mnemonic of an opcode in the program's set (its own instructions among them), the
// wide forms as they are written.
std::string mnemonicOf(const tarveno::InstructionSet& instructions, uint8_t opcode) {
    if (const tarveno::InstructionInfo* i = instructions.at(opcode)) return i->written();
    return "no instruction (byte " + std::to_string(opcode) + ")";
}

// The IJVM instruction at byte address pc of the method area, where the interpreter
// dispatched last (on entry to the main loop, PC holds the address of the opcode).
std::string lastInstruction(const ProgramSource& source, const AssembledProgram& a,
                            const tarveno::ExecutionCounts& counts) {
    const std::string lead = "last IJVM instruction: ";
    const int32_t pc = counts.dispatchPc;
    if (counts.returns == 0)
        return lead + "none (the interpreter never returned to its main loop at address 0)";
    const auto& area = a.program.methodArea;
    if (pc < 0 || pc >= area.count())
        return lead + "none at PC " + std::to_string(pc) + ", outside the method area (" +
               std::to_string(area.count()) + " bytes)";
    const std::string mnemonic = mnemonicOf(a.program.instructions, area.at(pc));
    if (const uint32_t* at = a.program.sourceMap.search(static_cast<uint32_t>(pc)))
        return lead + mnemonic + " at " + programPlace(source, a.text, static_cast<int32_t>(*at));
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
        return "output: expected " + values(expected.size()) + ", got " + std::to_string(got.count) +
               "; the first missing is output[" + std::to_string(got.count) +
               "] = " + std::to_string(expected[got.count]);
    if (got.count > expected.size()) {
        std::string extra =
            "output: expected " + values(expected.size()) + ", got " + std::to_string(got.count);
        if (expected.size() < kept)
            extra += "; the first extra is output[" + std::to_string(expected.size()) +
                     "] = " + std::to_string(got.values[expected.size()]);
        return extra;
    }
    return std::nullopt;
}

// Bounds the main memory of the tests that run at once: a test starts once its bound fits
// in what the running ones leave. Each test keeps its own bound, so a verdict does not
// depend on how many run beside it.
class MemoryPool {
  public:
    explicit MemoryPool(uint64_t totalMb) : free_(totalMb), bounded_(totalMb > 0) {}

    // Takes mb, at most the whole pool; false when interrupted before it was free.
    bool take(uint64_t mb, const std::atomic<bool>* interrupted) {
        if (!bounded_) return true;
        std::unique_lock lock(mutex_);
        while (free_ < mb) {
            if (interrupted && *interrupted) return false;
            freed_.wait_for(lock, std::chrono::milliseconds(20));
        }
        free_ -= mb;
        return true;
    }
    void give(uint64_t mb) {
        if (!bounded_) return;
        {
            std::lock_guard lock(mutex_);
            free_ += mb;
        }
        freed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable freed_;
    uint64_t free_;
    bool bounded_;
};

// What a test's run did.
struct Observed {
    StopReason stop = StopReason::Halted;
    std::string fault; // the machine's fatal error, if it raised one
    uint64_t steps = 0;
    uint64_t memoryMb = 0;    // its bound
    bool memoryOfRun = false; // the bound is the whole run's share, not the test's own
    tarveno::ExecutionCounts counts;
    tarveno::OutputRecord output;
    int32_t sp = 0;
    std::optional<int32_t> top; // the word at SP, if it was ever written
};

class Runner {
  public:
    Runner(const SuiteSet& set, const RunSettings& settings)
        : set_(set), settings_(settings), pool_(settings.maxMemoryMb) {}

    // Runs test i on a machine of its own; nothing when interrupted before it began.
    std::optional<Observed> observe(const ControlStoreImage& store, size_t i) {
        const TestCase& t = set_.test(i);
        Observed o;
        o.memoryMb = t.maxMemoryMb;
        if (settings_.maxMemoryMb > 0 && settings_.maxMemoryMb < o.memoryMb) {
            o.memoryMb = settings_.maxMemoryMb;
            o.memoryOfRun = true;
        }
        if (interrupted() || !pool_.take(o.memoryMb, settings_.interrupted)) return std::nullopt;
        struct Give {
            MemoryPool& pool;
            uint64_t mb;
            ~Give() { pool.give(mb); }
        } give{pool_, o.memoryMb};

        auto m = std::make_unique<Machine>();
        for (const auto& [address, mic] : store)
            m->loadMicroinstruction(address, mic);
        m->reset();
        const AssembledProgram& a = set_.programOf(i);
        tarveno::placeImage(*m, a.program.methodArea, a.program.constantPool);
        m->memoryWord(Machine::standardInputAddress) = t.input;
        o.counts.start(m->registers[tarveno::PC], m->registers[tarveno::MBR]);
        const size_t memory =
            o.memoryMb > (SIZE_MAX >> 20) ? SIZE_MAX : static_cast<size_t>(o.memoryMb) << 20;
        try {
            // The machine counts its steps in 32 bits: one run takes fewer than 2^31, and the
            // count here has 64.
            for (;;) {
                if (o.steps >= t.maxSteps) {
                    o.stop = StopReason::Bound;
                    break;
                }
                const uint64_t chunk = std::min<uint64_t>(t.maxSteps - o.steps, uint64_t{1} << 31);
                const uint32_t before = m->microCounter;
                o.stop = m->run({chunk, settings_.interrupted, memory}, o.counts);
                o.steps += static_cast<uint32_t>(m->microCounter - before);
                if (o.stop != StopReason::Bound) break;
            }
        } catch (const tarveno::FatalError& e) {
            o.fault = tarveno::messageToUtf8(e.message());
        }
        o.output = std::move(m->output);
        o.sp = m->registers[tarveno::SP];
        if (const int32_t* top = m->peekWord(static_cast<uint32_t>(o.sp))) o.top = *top;
        return o;
    }

    // The verdict on what test i did, its output compared with expected when given.
    TestResult judge(size_t i, const Observed& o, const std::vector<int32_t>* expected,
                     const ReferenceCost* reference) const {
        const TestCase& t = set_.test(i);
        TestResult r;
        r.steps = o.steps;
        r.returns = o.counts.returns;
        if (reference) {
            r.referenceSteps = reference->steps;
            r.instructions = reference->instructions;
        }
        if (o.stop == StopReason::Stopped) {
            r.reason = "interrupted after " + std::to_string(o.steps) + " microinstructions";
            return r;
        }
        // The first thing wrong is the reason, the others explain it.
        const auto note = [&](std::string what) {
            if (r.reason.empty())
                r.reason = std::move(what);
            else
                r.details.push_back(std::move(what));
        };
        if (!o.fault.empty())
            note("the machine stopped: " + o.fault);
        else if (o.stop == StopReason::Bound)
            note("stopped by its bound of " + std::to_string(t.maxSteps) +
                 " microinstructions (max_steps) before the halt address");
        else if (o.stop == StopReason::MemoryBound)
            note("main memory passed its bound of " + std::to_string(o.memoryMb) + " MB (" +
                 (o.memoryOfRun ? "--max-memory" : "max_memory_mb") + ")");
        if (expected)
            if (auto difference = outputDifference(*expected, o.output)) note(std::move(*difference));
        if (t.top) {
            if (!o.top)
                note("stack top: expected " + std::to_string(*t.top) + ", got no word (SP " +
                     std::to_string(o.sp) + ")");
            else if (*o.top != *t.top)
                note("stack top: expected " + std::to_string(*t.top) + ", got " + std::to_string(*o.top));
        }
        if (reference && t.budget) {
            // Rounded down, as a count of microinstructions; the small addend keeps 1.15 x 100
            // from coming out as 114.
            const auto limit =
                static_cast<uint64_t>(std::floor(*t.budget * static_cast<double>(reference->steps) + 1e-6));
            if (o.steps > limit) {
                r.tooSlow = true;
                note("too slow: " + grouped(o.steps) + " microinstructions, budget " + grouped(limit));
            }
        }
        r.verdict = r.reason.empty() ? Verdict::Pass : Verdict::Fail;
        if (r.verdict == Verdict::Fail)
            r.details.push_back(lastInstruction(set_.sourceOf(i), set_.programOf(i), o.counts));
        return r;
    }

    // Test i on interpreter, as its report shows it: whatever goes wrong stays with the test.
    TestResult run(const Interpreter& interpreter, size_t i, const std::vector<ReferenceCost>& reference) {
        const auto start = std::chrono::steady_clock::now();
        TestResult r;
        try {
            if (!interpreter.assembles) {
                r.verdict = Verdict::Skipped;
                r.reason = "not run: the microprogram does not assemble";
            } else if (const auto o = observe(interpreter.store, i)) {
                r = judge(i, *o, &set_.test(i).output, reference.empty() ? nullptr : &reference[i]);
            } else {
                r.reason = "not run: mic1 was interrupted";
            }
        } catch (const tarveno::FatalError& e) {
            r = TestResult{};
            r.reason = "the test could not run: " + tarveno::messageToUtf8(e.message());
        } catch (const std::exception& e) {
            r = TestResult{};
            r.reason = std::string("the test could not run: ") + e.what();
        }
        if (r.verdict == Verdict::Fail && set_.test(i).hidden) {
            r.reason = "hidden test failed";
            r.details.clear();
        }
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return r;
    }

    bool interrupted() const { return settings_.interrupted && *settings_.interrupted; }

  private:
    const SuiteSet& set_;
    const RunSettings& settings_;
    MemoryPool pool_;
};

// Threads that call task(0) to task(count - 1), each index once, and are joined when the
// object goes.
class Workers {
  public:
    Workers(size_t count, unsigned jobs, std::function<void(size_t)> task)
        : count_(count), task_(std::move(task)) {
        const size_t threads = std::max<size_t>(1, std::min<size_t>(jobs, count));
        for (size_t k = 0; k < threads; ++k)
            threads_.emplace_back([this] {
                for (size_t i; (i = next_.fetch_add(1)) < count_;)
                    task_(i);
            });
    }

  private:
    size_t count_;
    std::function<void(size_t)> task_;
    std::atomic<size_t> next_{0};
    std::vector<std::jthread> threads_; // last: joined before the rest goes
};

} // namespace

std::vector<ReferenceCost> runReference(const Interpreter& reference, SuiteSet& set,
                                        const RunSettings& settings, std::vector<std::string>& errors) {
    Runner runner(set, settings);
    std::vector<std::optional<Observed>> observed(set.size());
    std::vector<std::string> failures(set.size());
    {
        Workers workers(set.size(), settings.jobs, [&](size_t i) {
            try {
                observed[i] = runner.observe(reference.store, i);
            } catch (const std::exception& e) {
                failures[i] = e.what();
            }
        });
    }
    std::vector<ReferenceCost> costs(set.size());
    if (runner.interrupted()) return costs;
    for (size_t i = 0; i < set.size(); ++i) {
        TestCase& t = set.test(i);
        const auto wrong = [&](const std::string& what) {
            const std::string text = readBytes(set.suiteOf(i).file);
            const int64_t line = t.outputGiven ? t.outputLine : t.line;
            const int64_t column = t.outputGiven ? t.outputColumn : t.column;
            errors.push_back(diagnosticText(
                set.suiteOf(i).file + ':' + std::to_string(line) + ':' + std::to_string(column),
                "the reference " + reference.file + " does not pass the test \"" + t.name + "\": " + what,
                lineOf(text, line), column));
        };
        if (!observed[i]) {
            wrong(failures[i].empty() ? "it could not run" : failures[i]);
            continue;
        }
        const Observed& o = *observed[i];
        costs[i] = {o.steps, o.counts.ijvm};
        if (!t.outputGiven && o.stop == StopReason::Halted && o.fault.empty()) {
            if (o.output.count > o.output.values.size()) {
                wrong("it prints more than the " + std::to_string(o.output.values.size()) +
                      " values a run records");
                continue;
            }
            t.output = o.output.values;
        }
        const TestResult r = runner.judge(i, o, &t.output, nullptr);
        if (r.verdict != Verdict::Pass) wrong(r.reason);
    }
    return costs;
}

std::vector<TestResult> runSuites(const Interpreter& interpreter, const SuiteSet& set,
                                  const std::vector<ReferenceCost>& reference, const RunSettings& settings,
                                  const std::function<void(size_t, const TestResult&)>& report) {
    Runner runner(set, settings);
    std::vector<TestResult> results(set.size());
    std::vector<char> done(set.size(), 0);
    std::mutex mutex;
    std::condition_variable finished;
    Workers workers(set.size(), settings.jobs, [&](size_t i) {
        TestResult r = runner.run(interpreter, i, reference);
        std::lock_guard lock(mutex);
        results[i] = std::move(r);
        done[i] = 1;
        finished.notify_one();
    });
    for (size_t i = 0; i < set.size(); ++i) {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return done[i] != 0; });
        lock.unlock();
        report(i, results[i]);
    }
    return results;
}

void gradeAll(
    size_t count, const std::function<Interpreter(size_t)>& load, const SuiteSet& set,
    const std::vector<ReferenceCost>& reference, const RunSettings& settings,
    const std::function<void(size_t, const Interpreter&, const std::vector<TestResult>&)>& finished) {
    const size_t tests = set.size();
    if (tests == 0) {
        for (size_t k = 0; k < count; ++k)
            finished(k, load(k), {});
        return;
    }
    Runner runner(set, settings);
    struct Graded {
        std::once_flag loaded;
        Interpreter interpreter;
        std::vector<TestResult> results;
        size_t left = 0;
    };
    std::vector<Graded> graded(count);
    for (Graded& g : graded) {
        g.results.resize(tests);
        g.left = tests;
    }
    std::mutex mutex;
    std::condition_variable ended;
    std::vector<size_t> done; // interpreters whose tests are all done, not yet handed on
    Workers workers(count * tests, settings.jobs, [&](size_t j) {
        Graded& g = graded[j / tests];
        std::call_once(g.loaded, [&] {
            try {
                g.interpreter = load(j / tests);
            } catch (const std::exception& e) {
                g.interpreter.assembles = false;
                g.interpreter.diagnostics = {std::string("mic1: ") + e.what()};
            }
        });
        TestResult r = runner.run(g.interpreter, j % tests, reference);
        std::lock_guard lock(mutex);
        g.results[j % tests] = std::move(r);
        if (--g.left == 0) {
            done.push_back(j / tests);
            ended.notify_one();
        }
    });
    for (size_t handed = 0; handed < count; ++handed) {
        std::unique_lock lock(mutex);
        ended.wait(lock, [&] { return !done.empty(); });
        const size_t k = done.front();
        done.erase(done.begin());
        std::vector<TestResult> results = std::move(graded[k].results);
        lock.unlock();
        finished(k, graded[k].interpreter, results);
        graded[k].interpreter = Interpreter{};
    }
}

} // namespace mic1
