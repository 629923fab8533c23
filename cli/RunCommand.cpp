#include "Commands.h"
#include "Files.h"

#include "core/ControlPath.h"
#include "ijvm/Disassembly.h"
#include "support/Conversions.h"
#include "support/Encoding.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

namespace mic1 {

namespace {

using tarveno::ControlPath;
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
    range.start = static_cast<uint32_t>(tarveno::atolong(text.substr(0, colon)));
    const int32_t count = tarveno::atolong(text.substr(colon + 1));
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

// Assembles the IJVM program and places its image in the loaded machine. With
// diagnostics, reports them on standard error as FILE:LINE:COLUMN and answers false.
bool placeIjvmProgram(const std::string& source, tarveno::Workbench& bench, int& status) {
    if (const std::string why = unreadableReason(source); !why.empty()) {
        std::cerr << "mic1: " << why << '\n';
        status = ExitFatal;
        return false;
    }
    bench.openIjvmProgram(source, tarveno::Workbench::Image::Place);
    const auto& diagnostics = bench.ijvmProgram().diagnostics;
    if (diagnostics.count() == 0) return true;
    const std::string text = readBytes(source);
    diagnostics.forEach([&](const tarveno::Diagnostic& e) {
        const TextPlace at = placeIn(text, e.start);
        std::cerr << source << ':' << at.line << ':' << at.column
                  << ": error: " << tarveno::messageToUtf8(e.message) << '\n';
    });
    status = ExitIncomplete;
    return false;
}

// What an IJVM program left: its output and the word on top of its stack (nothing when
// that cell was never made).
struct IjvmResult {
    const tarveno::OutputRecord& output;
    std::optional<int32_t> top;
};

void traceStep(const ControlPath& m) {
    std::string line = std::to_string(m.previousMpc) + '\t' + m.currentMic().text + '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

std::optional<int32_t> wordAt(const ControlPath& m, uint32_t address) {
    const int32_t* w = m.peekWord(address);
    return w ? std::optional<int32_t>(*w) : std::nullopt;
}

std::optional<int32_t> stackTop(const ControlPath& m) {
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
StopReason tracedIjvmStep(ControlPath& m, tarveno::RunLimits limits, tarveno::Disassembler& program,
                          const std::function<void(const IjvmStep&)>& report) {
    const bool atMainLoop = m.mpc == tarveno::machine::mainLoopAddress;
    IjvmStep step;
    step.offset = m.registers[tarveno::PC];
    std::optional<uint32_t> dispatched;
    const StopReason why = m.ijvmStep(limits, [&](const ControlPath& c) {
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
// stopped it (--max-steps counts every microinstruction of the command). With ijvmTrace,
// the IJVM steps are described to it instead of tracing microinstructions.
StopReason execute(const RunOptions& options, ControlPath& m, const tarveno::IjvmProgram& program,
                   const std::function<void(const IjvmStep&)>& ijvmTrace) {
    const tarveno::StepObserver trace =
        options.trace && !ijvmTrace ? tarveno::StepObserver(traceStep) : nullptr;
    const size_t memory = memoryBound(options.maxMemory);
    if (options.mode == "run") return m.run({options.maxSteps, nullptr, memory}, trace);
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
            m.microStep();
            if (trace) trace(m);
        } else if (const StopReason why =
                       ijvmTrace ? tracedIjvmStep(m, {remaining, nullptr, memory}, disassembler, ijvmTrace)
                                 : m.ijvmStep({remaining, nullptr, memory}, trace);
                   why != StopReason::Halted) {
            return why;
        }
        done += static_cast<uint32_t>(m.microCounter - before);
    }
    return StopReason::Halted;
}

void printText(const ControlPath& m, bool halted, const std::optional<DumpRange>& dump,
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
std::string memoryJson(const ControlPath& m, const std::optional<DumpRange>& dump) {
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

void printJson(const ControlPath& m, bool halted, const std::optional<DumpRange>& dump,
               const std::optional<IjvmResult>& ijvm, const std::vector<IjvmStep>* steps) {
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
        words.emplace_back(static_cast<uint32_t>(tarveno::atolong(item.substr(0, eq))),
                           tarveno::atolong(item.substr(eq + 1)));
    }
    const bool hasInput = options.stdinValue.has_value();
    const int32_t input = hasInput ? tarveno::atolong(*options.stdinValue) : 0;

    tarveno::Workbench bench;
    int status = ExitOk;
    if (!loadProgram(options, bench, status)) return status;
    if (options.ijvm && !placeIjvmProgram(*options.ijvm, bench, status)) return status;
    ControlPath* machine = &bench.machine();
    for (const auto& [address, value] : words)
        machine->memoryWord(address) = value;
    if (hasInput) machine->memoryWord(ControlPath::standardInputAddress) = input;

    // IJVM steps of a placed program are traced as instructions; in JSON as an array
    // member of the final object.
    const bool traceIjvm = options.trace && options.ijvm && options.mode == "ijvm";
    std::vector<IjvmStep> steps;
    std::function<void(const IjvmStep&)> ijvmTrace;
    if (traceIjvm && options.json)
        ijvmTrace = [&](const IjvmStep& s) { steps.push_back(s); };
    else if (traceIjvm)
        ijvmTrace = [](const IjvmStep& s) {
            const std::string line = ijvmStepText(s);
            std::fwrite(line.data(), 1, line.size(), stdout);
        };
    const StopReason stop = execute(options, *machine, bench.ijvmProgram(), ijvmTrace);
    const bool halted = machine->mpc == ControlPath::haltAddress;
    std::optional<IjvmResult> ijvm;
    if (options.ijvm) ijvm.emplace(IjvmResult{machine->output, stackTop(*machine)});
    if (options.json)
        printJson(*machine, halted, dump, ijvm, traceIjvm ? &steps : nullptr);
    else
        printText(*machine, halted, dump, ijvm);
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
