#include "Commands.h"
#include "Files.h"

#include "core/History.h"
#include "core/Machine.h"
#include "ijvm/Disassembly.h"
#include "support/Conversions.h"
#include "support/Encoding.h"
#include "workbench/Trace.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

namespace mic1 {

namespace {

using tarveno::ExecutionCounts;
using tarveno::Machine;
using tarveno::RunLimits;
using tarveno::StepObserver;
using tarveno::StopReason;

// A dump wider than this is refused: it would print for hours.
constexpr uint64_t maxDumpCount = 1u << 20;

struct DumpRange {
    uint32_t start = 0;
    uint64_t count = 0;
};

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Parses START:COUNT; numbers in the user-number syntax. Answers false on a usage error.
bool parseDump(const std::string& text, DumpRange& range) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        std::cerr << "mic1: --dump needs START:COUNT, got \"" << text << "\"\n";
        return false;
    }
    range.start = static_cast<uint32_t>(tarveno::parseNumber(text.substr(0, colon)));
    const int32_t count = tarveno::parseNumber(text.substr(colon + 1));
    if (count < 0 || static_cast<uint64_t>(count) > maxDumpCount) {
        std::cerr << "mic1: --dump COUNT must be 0 to " << maxDumpCount << '\n';
        return false;
    }
    range.count = static_cast<uint64_t>(count);
    return true;
}

// Loads the program into a new machine: a ".bin" file as it is, anything else as MAL
// source compiled into a private temporary file first.
bool loadProgram(const RunOptions& options, tarveno::Workbench& bench, int& status) {
    if (const std::string why = unreadableReason(options.program); !why.empty()) {
        std::cerr << "mic1: " << why << '\n';
        status = ExitFatal;
        return false;
    }
    if (endsWith(options.program, ".bin")) {
        bench.loadMicroprogramFile(options.program);
        return true;
    }
    TempDir temp;
    const auto outcome = bench.compileAndLoad(options.program, temp.path() + "/program.bin",
                                              options.noCheck ? tarveno::Check::Skip : tarveno::Check::Run);
    if (!reportCompile(outcome, options.program)) {
        status = ExitIncomplete;
        return false;
    }
    return true;
}

// Assembles the IJVM program and places its image in the loaded machine. Reports its
// diagnostics on standard error as FILE:LINE:COLUMN; with errors (warnings too under
// werror) answers false.
bool placeIjvmProgram(const std::string& source, tarveno::Workbench& bench, int& status, bool werror) {
    if (const std::string why = unreadableReason(source); !why.empty()) {
        std::cerr << "mic1: " << why << '\n';
        status = ExitFatal;
        return false;
    }
    bench.openIjvmProgram(source, tarveno::Workbench::Image::Place);
    if (!reportIjvmDiagnostics(bench.ijvmProgram(), source, readBytes(source), werror)) return true;
    status = ExitIncomplete;
    return false;
}

// What an IJVM program left: its output and the word on top of its stack (nothing when
// that cell was never made).
struct IjvmResult {
    const tarveno::OutputRecord& output;
    std::optional<int32_t> top;
};

void traceStep(const Machine& m) {
    std::string line = std::to_string(m.previousMpc) + '\t' + m.currentMic().text + '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

// How the command advances the machine: by the machine's own steps, or through a History
// that can go back on them; counting what it executes when asked (a History always does).
// Without either, it is the machine's plain Run.
class Stepper {
  public:
    Stepper(Machine& m, bool count, bool history) : m_(m), count_(count || history) {
        counts.start(m.registers[tarveno::PC], m.registers[tarveno::MBR]);
        if (history) {
            history_ = std::make_unique<tarveno::History>();
            history_->start(m, counts);
        }
    }

    StopReason run(RunLimits limits, const StepObserver& observe) {
        if (history_) return history_->run(m_, counts, limits, observe);
        if (!count_) return m_.run(limits, observe);
        return observe ? m_.run(limits, tarveno::countingFirst(counts, observe)) : m_.run(limits, counts);
    }
    StopReason ijvmStep(RunLimits limits, const StepObserver& observe) {
        if (history_) return history_->ijvmStep(m_, counts, limits, observe);
        if (!count_) return m_.ijvmStep(limits, observe);
        return observe ? m_.ijvmStep(limits, tarveno::countingFirst(counts, observe))
                       : m_.ijvmStep(limits, counts);
    }
    void microStep() {
        if (history_)
            history_->microStep(m_, counts);
        else if (count_)
            m_.microStep(counts);
        else
            m_.microStep();
    }
    Machine& machine() { return m_; }
    tarveno::History* history() { return history_.get(); }

    ExecutionCounts counts;

  private:
    Machine& m_;
    bool count_;
    std::unique_ptr<tarveno::History> history_;
};

// The CSV trace: a header, then a row per microinstruction with its statement's text
// from the MAL source that was assembled (none for a .bin file).
class CsvTrace {
  public:
    CsvTrace(const std::string& source, const tarveno::SourceMap& map)
        : statements_(tarveno::statementTexts(source, map)) {
        const std::string header = tarveno::traceCsvHeader() + '\n';
        std::fwrite(header.data(), 1, header.size(), stdout);
    }
    void operator()(const Machine& m) {
        const uint32_t a = m.previousMpc;
        std::string line = tarveno::traceCsvRow(++step_, m, a < statements_.size() ? statements_[a] : "");
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }

  private:
    std::vector<std::string> statements_;
    uint64_t step_ = 0;
};

std::optional<int32_t> wordAt(const Machine& m, uint32_t address) {
    const int32_t* w = m.peekWord(address);
    return w ? std::optional<int32_t>(*w) : std::nullopt;
}

std::optional<int32_t> stackTop(const Machine& m) {
    return wordAt(m, static_cast<uint32_t>(m.registers[tarveno::SP]));
}

// What one IJVM step did, for --trace with --ijvm in mode ijvm: the method-area offset
// of the opcode it dispatched on (PC as the step began), the instruction with its
// operands named, and the word on top of the stack after it.
struct IjvmStep {
    int32_t offset = 0;
    tarveno::DecodedInstruction instruction;
    std::optional<int32_t> top;
};

// The name of a step whose dispatch landed on the main loop again: MBR held 0, as at the
// start, so the step only fetched the next byte.
constexpr const char* fetchOnly = "(fetch)";

std::string ijvmStepText(const IjvmStep& s) {
    std::string line = std::to_string(s.offset) + '\t' + tarveno::displayText(s.instruction.mnemonic);
    for (const std::string& operand : s.instruction.operands)
        line += ' ' + tarveno::displayText(operand);
    return line + "\ttos=" + (s.top ? std::to_string(*s.top) : std::string("?")) + '\n';
}

nlohmann::ordered_json ijvmStepJson(const IjvmStep& s) {
    nlohmann::ordered_json operands = nlohmann::ordered_json::array();
    for (const std::string& operand : s.instruction.operands)
        operands.push_back(tarveno::displayText(operand));
    return {{"offset", s.offset},
            {"mnemonic", tarveno::displayText(s.instruction.mnemonic)},
            {"operands", operands},
            {"tos", s.top ? nlohmann::ordered_json(*s.top) : nlohmann::ordered_json(nullptr)}};
}

// One IJVM step of m, described when it began at the main loop (a step at the halt
// address only stays there).
StopReason tracedIjvmStep(Stepper& stepper, RunLimits limits, tarveno::Disassembler& program,
                          const std::function<void(const IjvmStep&)>& report) {
    const Machine& m = stepper.machine();
    const bool atMainLoop = m.mpc == tarveno::machine::mainLoopAddress;
    IjvmStep step;
    step.offset = m.registers[tarveno::PC];
    std::optional<uint32_t> dispatched;
    const StopReason why = stepper.ijvmStep(limits, [&](const Machine& c) {
        if (!dispatched) dispatched = c.mpc;
    });
    if (!atMainLoop) return why;
    if (dispatched == tarveno::machine::mainLoopAddress) {
        step.instruction.mnemonic = fetchOnly;
    } else {
        step.instruction = program.decode(static_cast<uint32_t>(step.offset), [&](uint32_t b) -> uint8_t {
            const auto w = wordAt(m, b >> 2).value_or(0);
            return static_cast<uint8_t>(static_cast<uint32_t>(w) >> (8 * (3 - (b & 3u))));
        });
    }
    step.top = stackTop(m);
    report(step);
    return why;
}

// The bound on main memory in bytes, from --max-memory in MB (0: none).
size_t memoryBound(uint64_t megabytes) {
    return megabytes > (SIZE_MAX >> 20) ? SIZE_MAX : static_cast<size_t>(megabytes) << 20;
}

// Executes what the options ask for; answers Halted when it completed, or the bound that
// stopped it (--max-steps counts every microinstruction of the command). trace watches
// every microinstruction; with ijvmTrace, the IJVM steps are described to it instead.
// afterStep hears the number of each step done (mode ijvm or mic).
StopReason execute(const RunOptions& options, Stepper& stepper, const tarveno::IjvmProgram& program,
                   const StepObserver& trace, const std::function<void(const IjvmStep&)>& ijvmTrace,
                   const std::function<void(uint64_t)>& afterStep) {
    const Machine& m = stepper.machine();
    const size_t memory = memoryBound(options.maxMemory);
    if (options.mode == "run") return stepper.run({options.maxSteps, nullptr, memory}, trace);
    const uint64_t steps = options.steps.value_or(1);
    uint64_t done = 0;
    tarveno::Disassembler disassembler(program);
    for (uint64_t i = 0; i < steps; ++i) {
        uint64_t remaining = 0; // no bound
        if (options.maxSteps) {
            if (done >= options.maxSteps) return StopReason::Bound;
            remaining = options.maxSteps - done;
        }
        const uint32_t before = m.microCounter;
        if (options.mode == "mic") {
            if (memory && m.mainMemory.bytesUsed() > memory) return StopReason::MemoryBound;
            stepper.microStep();
            if (trace) trace(m);
        } else if (const StopReason why = ijvmTrace ? tracedIjvmStep(stepper, {remaining, nullptr, memory},
                                                                     disassembler, ijvmTrace)
                                                    : stepper.ijvmStep({remaining, nullptr, memory}, trace);
                   why != StopReason::Halted) {
            return why;
        }
        done += static_cast<uint32_t>(m.microCounter - before);
        if (afterStep) afterStep(i + 1);
    }
    return StopReason::Halted;
}

// Goes back k of the steps run through stepper's history: microinstructions, or IJVM
// steps. ijvmEnd is where the run stood k - 1 IJVM steps before its end; the last step
// back is taken from there with History::ijvmBack, as the window's step back is. The
// ones before it are not taken one at a time: each would execute again from the nearest
// state kept (a few ms), and a million of them would take an hour.
void goBack(Stepper& stepper, uint64_t k, bool ijvm, uint64_t ijvmEnd) {
    tarveno::History& history = *stepper.history();
    Machine& m = stepper.machine();
    if (k == 0) return;
    if (!ijvm) {
        history.goTo(m, stepper.counts, stepper.counts.micro - k);
        return;
    }
    history.goTo(m, stepper.counts, ijvmEnd);
    history.goTo(m, stepper.counts, tarveno::History::ijvmBack(stepper.counts));
}

// --stats: what the run executed, the IJVM instructions by opcode.
void printStatsText(const ExecutionCounts& counts, const tarveno::InstructionSet& instructions) {
    std::string out =
        "EXECUTED MICRO=" + std::to_string(counts.micro) + " IJVM=" + std::to_string(counts.ijvm) + '\n';
    for (const tarveno::OpcodeCount& c : tarveno::opcodeCounts(counts, instructions)) {
        char average[32];
        std::snprintf(average, sizeof average, "%.2f", c.average);
        char opcode[8];
        std::snprintf(opcode, sizeof opcode, "0x%02X", c.opcode);
        out += std::string(opcode) + ' ' + c.mnemonic + " COUNT=" + std::to_string(c.count) +
               " MICRO=" + std::to_string(c.micro) + " AVERAGE=" + average + '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

nlohmann::ordered_json statsJson(const ExecutionCounts& counts, const tarveno::InstructionSet& set) {
    nlohmann::ordered_json instructions = nlohmann::ordered_json::array();
    for (const tarveno::OpcodeCount& c : tarveno::opcodeCounts(counts, set))
        instructions.push_back({{"opcode", c.opcode},
                                {"mnemonic", c.mnemonic},
                                {"count", c.count},
                                {"micro", c.micro},
                                {"average", c.average}});
    return {{"micro", counts.micro}, {"ijvm", counts.ijvm}, {"instructions", std::move(instructions)}};
}

void printText(const Machine& m, bool halted, const std::optional<DumpRange>& dump,
               const std::optional<IjvmResult>& ijvm) {
    std::string out;
    for (int i = 0; i < tarveno::RegisterCount; ++i) {
        const int32_t value = i == tarveno::MBR ? m.registers[i] & 0xFF : m.registers[i];
        if (i) out += ' ';
        out += tarveno::registerNames[static_cast<size_t>(i)];
        out += '=';
        out += std::to_string(value);
    }
    out += '\n';
    out += "MPC=" + std::to_string(m.mpc) + " N=" + std::to_string(m.n) + " Z=" + std::to_string(m.z) +
           " B=" + std::to_string(m.bBus) + " C=" + std::to_string(m.cBus) +
           " ALU=" + std::to_string(m.aluFunction) + " SHIFT=" + std::to_string(m.shifterCode) +
           " STEPS=" + std::to_string(m.microCounter) + " HALTED=" + (halted ? "yes" : "no") + '\n';
    if (ijvm) {
        out += "STACK TOP=" + (ijvm->top ? std::to_string(*ijvm->top) : std::string("?")) + " OUTPUT=";
        for (size_t i = 0; i < ijvm->output.values.size(); ++i) {
            if (i) out += ',';
            out += std::to_string(ijvm->output.values[i]);
        }
        if (ijvm->output.count > ijvm->output.values.size())
            out += " (and " + std::to_string(ijvm->output.count - ijvm->output.values.size()) + " more)";
        out += '\n';
    }
    if (dump) {
        for (uint64_t i = 0; i < dump->count; ++i) {
            const uint32_t a = static_cast<uint32_t>(dump->start + i);
            const auto w = wordAt(m, a);
            out += std::to_string(a) + ": " + (w ? std::to_string(*w) : "?") + '\n';
            if (out.size() > 1 << 16) {
                std::fwrite(out.data(), 1, out.size(), stdout);
                out.clear();
            }
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// The JSON text of the memory cells: a dump range in its order, or every cell in
// ascending address order. Written directly, one cell at a time: an object that looked
// up each new key among those before it would cost the square of the cells.
std::string memoryJson(const Machine& m, const std::optional<DumpRange>& dump) {
    std::string out = "{";
    auto cell = [&](uint32_t address, const std::string& value) {
        if (out.size() > 1) out += ',';
        out += '"' + std::to_string(address) + "\":" + value;
    };
    if (dump) {
        for (uint64_t i = 0; i < dump->count; ++i) {
            const uint32_t a = static_cast<uint32_t>(dump->start + i);
            const auto w = wordAt(m, a);
            cell(a, w ? std::to_string(*w) : "null");
        }
    } else {
        m.mainMemory.forEach([&](uint32_t a, int32_t v) { cell(a, std::to_string(v)); });
    }
    return out + '}';
}

void printJson(const Machine& m, bool halted, const std::optional<DumpRange>& dump,
               const std::optional<IjvmResult>& ijvm, const std::vector<IjvmStep>* steps,
               const ExecutionCounts* stats, const tarveno::InstructionSet& instructions) {
    using nlohmann::ordered_json;
    ordered_json regs = ordered_json::object();
    for (int i = 0; i < tarveno::MBR; ++i)
        regs[std::string(tarveno::registerNames[static_cast<size_t>(i)])] = m.registers[i];
    regs["MBR"] = m.registers[tarveno::MBR] & 0xFF;
    ordered_json out = {{"registers", regs},
                        {"MPC", m.mpc},
                        {"N", m.n},
                        {"Z", m.z},
                        {"B", m.bBus},
                        {"C", m.cBus},
                        {"ALU", m.aluFunction},
                        {"shift", m.shifterCode},
                        {"steps", m.microCounter},
                        {"halted", halted}};
    if (ijvm) {
        out["output"] = ijvm->output.values;
        out["tos"] = ijvm->top ? ordered_json(*ijvm->top) : ordered_json(nullptr);
    }
    if (steps) {
        ordered_json trace = ordered_json::array();
        for (const IjvmStep& s : *steps)
            trace.push_back(ijvmStepJson(s));
        out["trace"] = std::move(trace);
    }
    if (stats) out["stats"] = statsJson(*stats, instructions);
    // The memory object is the last member: the object's closing brace goes after it.
    std::string text = out.dump();
    text.pop_back();
    text += ",\"memory\":" + memoryJson(m, dump) + "}\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
}

} // namespace

int runRun(const RunOptions& options) {
    if (options.mode != "run" && options.mode != "ijvm" && options.mode != "mic") {
        std::cerr << "mic1: --mode must be run, ijvm or mic\n";
        return ExitUsage;
    }
    if (options.steps && options.mode == "run") {
        std::cerr << "mic1: --steps counts IJVM instructions or microinstructions: use it with --mode ijvm "
                     "or mic\n";
        return ExitUsage;
    }
    if (options.back && options.mode == "run") {
        std::cerr << "mic1: --back goes back over the steps of --steps: use it with --mode ijvm or mic\n";
        return ExitUsage;
    }
    if (options.back && *options.back > options.steps.value_or(1)) {
        std::cerr << "mic1: --back " << *options.back << " goes back beyond the start: the run has "
                  << options.steps.value_or(1) << " steps (--steps)\n";
        return ExitUsage;
    }
    std::optional<DumpRange> dump;
    if (options.dump) {
        DumpRange range;
        if (!parseDump(*options.dump, range)) return ExitUsage;
        dump = range;
    }
    // Memory words are parsed before anything runs, so a typo stops the command early.
    std::vector<std::pair<uint32_t, int32_t>> words;
    for (const std::string& item : options.mem) {
        const auto eq = item.find('=');
        if (eq == std::string::npos) {
            std::cerr << "mic1: --mem needs WORD=VALUE, got \"" << item << "\"\n";
            return ExitUsage;
        }
        words.emplace_back(static_cast<uint32_t>(tarveno::parseNumber(item.substr(0, eq))),
                           tarveno::parseNumber(item.substr(eq + 1)));
    }
    const bool hasInput = options.stdinValue.has_value();
    const int32_t input = hasInput ? tarveno::parseNumber(*options.stdinValue) : 0;

    tarveno::Workbench bench;
    int status = ExitOk;
    if (!loadProgram(options, bench, status)) return status;
    if (options.ijvm && !placeIjvmProgram(*options.ijvm, bench, status, options.werror)) return status;
    Machine* machine = &bench.machine();
    for (const auto& [address, value] : words)
        machine->memoryWord(address) = value;
    if (hasInput) machine->memoryWord(Machine::standardInputAddress) = input;

    // IJVM steps of a placed program are traced as instructions; in JSON as an array
    // member of the final object. The CSV trace always has a row per microinstruction.
    const bool csv = options.trace && options.format == "csv";
    const bool traceIjvm = options.trace && !csv && options.ijvm && options.mode == "ijvm";
    std::optional<CsvTrace> csvTrace;
    StepObserver trace;
    if (csv) {
        csvTrace.emplace(endsWith(options.program, ".bin") ? std::string() : readBytes(options.program),
                         bench.sourceMap());
        trace = std::ref(*csvTrace);
    } else if (options.trace && !traceIjvm) {
        trace = traceStep;
    }
    std::vector<IjvmStep> steps;
    std::function<void(const IjvmStep&)> ijvmTrace;
    if (traceIjvm && options.json)
        ijvmTrace = [&](const IjvmStep& s) { steps.push_back(s); };
    else if (traceIjvm)
        ijvmTrace = [](const IjvmStep& s) {
            const std::string line = ijvmStepText(s);
            std::fwrite(line.data(), 1, line.size(), stdout);
        };

    // The counts start here, after placing; --back goes through a history.
    Stepper stepper(*machine, options.stats, options.history || options.back);
    // The end of the IJVM step that --back lands one step after.
    uint64_t ijvmEnd = 0;
    std::function<void(uint64_t)> afterStep;
    if (options.back && options.mode == "ijvm")
        afterStep = [&, at = options.steps.value_or(1) - *options.back + 1](uint64_t step) {
            if (step == at) ijvmEnd = stepper.counts.micro;
        };
    const StopReason stop = execute(options, stepper, bench.ijvmProgram(), trace, ijvmTrace, afterStep);
    // A run that a bound stopped is shown where it stopped, as without --back.
    if (options.back && stop == StopReason::Halted)
        goBack(stepper, *options.back, options.mode == "ijvm", ijvmEnd);
    const bool halted = machine->mpc == Machine::haltAddress;
    std::optional<IjvmResult> ijvm;
    if (options.ijvm) ijvm.emplace(IjvmResult{machine->output, stackTop(*machine)});
    const ExecutionCounts* stats = options.stats ? &stepper.counts : nullptr;
    if (csv) {
        // Standard output is the CSV alone, for a spreadsheet or a script to read whole.
    } else if (options.json) {
        printJson(*machine, halted, dump, ijvm, traceIjvm ? &steps : nullptr, stats,
                  bench.ijvmProgram().instructions);
    } else {
        printText(*machine, halted, dump, ijvm);
        if (stats) printStatsText(*stats, bench.ijvmProgram().instructions);
    }
    if (stop == StopReason::Halted) return ExitOk;
    std::fflush(stdout);
    if (stop == StopReason::MemoryBound)
        std::cerr << "mic1: stopped: main memory passed its bound of " << options.maxMemory
                  << " MB (raise --max-memory)\n";
    else
        std::cerr << "mic1: stopped after " << options.maxSteps
                  << " microinstructions without reaching the end (raise --max-steps)\n";
    return ExitIncomplete;
}

} // namespace mic1
