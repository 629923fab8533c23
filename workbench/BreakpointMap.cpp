#include "workbench/BreakpointMap.h"

#include "support/Encoding.h"
#include "support/LineIndex.h"
#include "workbench/IjvmDocument.h"
#include "workbench/Trace.h"
#include "workbench/Workbench.h"

namespace tarveno {

namespace {

// A line of text as code, without its comment.
std::string lineText(std::string_view text, int line) {
    const LineIndex lines(text);
    if (line < 0 || static_cast<size_t>(line) >= lines.count()) return {};
    return codeOfLine(lines.line(static_cast<size_t>(line)));
}

// The line a statement stands on: its span holds the comments before it, then its line.
int statementLine(std::string_view source, const LineIndex& lines, SourceSpan span) {
    if (span.length <= 0 || span.start < 0 || static_cast<size_t>(span.start) >= source.size()) return -1;
    size_t last =
        std::min(source.size(), static_cast<size_t>(span.start) + static_cast<size_t>(span.length)) - 1;
    while (last > static_cast<size_t>(span.start) && (source[last] == '\n' || source[last] == '\r'))
        --last;
    return static_cast<int>(lines.lineOf(last));
}

} // namespace

void BreakpointMap::place() {
    addresses_.clear();
    if (workbench_.hasMachine() && !malSource_.empty()) {
        const LineIndex lines(malSource_);
        std::set<int> statements;
        for (uint32_t address = 0; address < Breakpoints::addresses; ++address) {
            const int line = statementLine(malSource_, lines, workbench_.sourceMap().at(address));
            if (line < 0) continue;
            statements.insert(line);
            if (malLines_.count(line)) addresses_.micro.set(address);
        }
        std::erase_if(malLines_, [&](int line) { return !statements.count(line); });
    }
    if (ijvm_.placed && !ijvmSource_.empty()) {
        const LineIndex lines(ijvmSource_);
        std::set<int> instructions;
        workbench_.ijvmProgram().sourceMap.forEach([&](uint32_t offset, uint32_t at) {
            const int line = static_cast<int>(lines.lineOf(at));
            instructions.insert(line);
            if (!ijvmLines_.count(line)) return;
            if (addresses_.ijvm.size() <= offset) addresses_.ijvm.resize(offset + 1);
            addresses_.ijvm[offset] = true;
        });
        std::erase_if(ijvmLines_, [&](int line) { return !instructions.count(line); });
    }
}

Outcome BreakpointMap::toggle(Source source, int line) {
    return gate_.run([&](Outcome& o) {
        if (line < 0) return;
        std::set<int>& lines = source == Source::Microprogram ? malLines_ : ijvmLines_;
        if (!lines.erase(line)) lines.insert(line);
        place();
        if (!lines.count(line)) {
            if (source == Source::Ijvm)
                o.tell.status = "No IJVM instruction placed on line " + std::to_string(line + 1);
            else if (!malSource_.empty())
                o.tell.status = "No statement on line " + std::to_string(line + 1);
        }
        o.redraw.add(View::Breakpoints);
    });
}

Outcome BreakpointMap::clear() {
    return gate_.run([&](Outcome& o) {
        malLines_.clear();
        ijvmLines_.clear();
        place();
        o.redraw.add(View::Breakpoints);
    });
}

std::vector<std::string> BreakpointMap::list() const {
    std::vector<std::string> list;
    for (int line : malLines_)
        list.push_back("MAL line " + std::to_string(line + 1) + ": " +
                       displayText(lineText(malSource_, line)));
    for (int line : ijvmLines_)
        list.push_back("IJVM line " + std::to_string(line + 1) + ": " +
                       displayText(lineText(ijvmSource_, line)));
    return list;
}

std::string BreakpointMap::stopStatus() const {
    const Machine& m = workbench_.machine();
    if (m.mpc < Breakpoints::addresses && addresses_.micro[m.mpc]) {
        const int line = statementLine(malSource_, LineIndex(malSource_), workbench_.sourceMap().at(m.mpc));
        return "Stopped at the breakpoint on MAL line " + std::to_string(line + 1);
    }
    const uint32_t* at = workbench_.ijvmProgram().sourceMap.search(static_cast<uint32_t>(m.registers[PC]));
    const int line = at ? static_cast<int>(LineIndex(ijvmSource_).lineOf(*at)) : -1;
    return "Stopped at the breakpoint on IJVM line " + std::to_string(line + 1);
}

} // namespace tarveno
