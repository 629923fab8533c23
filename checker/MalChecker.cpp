#include "checker/MalChecker.h"

#include "checker/CheckerGrammar.h"
#include "checker/CheckerReader.h"
#include "mal/MicroAssembler.h"
#include "mal/StatementEncoder.h"
#include "support/FatalError.h"
#include "support/StringTokenizer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <set>

namespace tarveno {

using namespace checker;

namespace {

// A source larger than this is no microprogram; reading it whole would only cost memory.
constexpr std::uintmax_t maxSourceBytes = 16u << 20;

std::string hex(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
    return buffer;
}

struct LabelEntry {
    int32_t index = 0;
    int32_t line = 0;
};

struct Entry {
    const SourceStatement* source = nullptr;
    int32_t index = 0;
    StatementParse parse;
    bool parsed = false;
    bool failed = false; // an error was found on this statement
    int32_t next = 0;
    int32_t thenAddress = -1;
};

class Checker {
  public:
    CheckAnalysis run(std::string_view bytes) {
        SourceReading reading = readSource(bytes);
        statementCount_ = reading.statementCount;
        for (CheckFinding& f : reading.findings) {
            failedLines_.insert(f.line);
            result_.findings.push_back(std::move(f));
        }
        entries_.reserve(reading.statements.size());
        for (const SourceStatement& s : reading.statements) {
            Entry e;
            e.source = &s;
            e.index = static_cast<int32_t>(entries_.size());
            e.failed = failedLines_.count(s.line) > 0;
            entries_.push_back(std::move(e));
        }
        for (Entry& e : entries_)
            readLabel(e);
        for (Entry& e : entries_)
            parse(e);
        checkCount();
        for (Entry& e : entries_)
            resolve(e);
        checkBranches();
        compareWithAssembler();
        warnings();

        std::stable_sort(result_.findings.begin(), result_.findings.end(),
                         [](const CheckFinding& a, const CheckFinding& b) {
                             return a.line != b.line ? a.line < b.line : a.column < b.column;
                         });
        for (const CheckFinding& f : result_.findings)
            (f.isError ? result_.errors : result_.warnings)++;
        if (result_.findings.size() > maxFindings) result_.findings.resize(maxFindings);
        CheckAnalysis analysis;
        analysis.result = std::move(result_);
        analysis.program = std::move(program_);
        return analysis;
    }

  private:
    void add(Entry& e, int32_t column, bool isError, std::string message) {
        if (isError) e.failed = true;
        result_.findings.push_back({e.source->line, column, isError, std::move(message), e.source->display});
    }

    int32_t statementColumn(const Entry& e) const {
        return e.source->label.empty() ? e.source->textColumn : e.source->labelColumn;
    }

    std::vector<std::string> labelNames() const {
        std::vector<std::string> names;
        for (const auto& [name, entry] : labels_)
            names.push_back(name);
        return names;
    }

    // The label of a line: what the micro-assembler makes of the first word.
    void readLabel(Entry& e) {
        const SourceStatement& s = *e.source;
        if (s.label.empty()) return;
        const std::string& w = s.label;
        if (s.indented && isMalWord(w)) return; // the word stays in the statement too
        if (!s.indented) {
            if (w == "FETCH" || w == "ELSE" || w == "MBRU") {
                std::string fix = w == "ELSE"    ? "write the whole IF on one line"
                                  : w == "FETCH" ? "write FETCH after another part of the statement, or "
                                                   "put a label or a blank before it"
                                                 : "MBRU is only read, through the B bus";
                return labelError(e, s.labelColumn,
                                  "a line beginning with " + w + " takes " + w +
                                      " as its label, so the statement loses it: " + fix);
            }
            if (isMalWord(w)) return labelError(e, s.labelColumn, w + " is a MAL word and cannot be a label");
            if (s.labelEnd == '=') return unknownDestination(e);
        }
        for (size_t i = 0; i < w.size(); ++i) {
            const char c = w[i];
            const bool letter = c >= 'A' && c <= 'Z';
            const bool digit = c >= '0' && c <= '9';
            if (letter || (digit && i > 0)) continue;
            const int32_t column = s.labelColumn + static_cast<int32_t>(i);
            if (digit) return labelError(e, column, "a label begins with a letter");
            if (c == ':') return labelError(e, column, "a label is followed by a blank, not ':'");
            return labelError(e, column, "a label holds only letters and digits");
        }
        if (!s.indented && !s.labelAlone && s.labelEnd != ' ')
            return labelError(e, s.labelColumn + static_cast<int32_t>(w.size()),
                              "put a blank after the label " + w +
                                  ": the micro-assembler starts the statement after the first blank");
        if (!s.indented && s.text.find_first_not_of(' ') != std::string::npos &&
            s.text[s.text.find_first_not_of(' ')] == '=')
            return unknownDestination(e);
        if (w.size() > maxLabelLength)
            return labelError(e, s.labelColumn,
                              "label of " + std::to_string(w.size()) +
                                  " characters; the micro-assembler keeps 29: shorten it");
        auto [it, inserted] = labels_.try_emplace(w, LabelEntry{e.index, s.line});
        if (!inserted) {
            add(e, s.labelColumn, true,
                "label " + w + " is already defined at line " + std::to_string(it->second.line) +
                    "; jumps to it would go to this later statement: rename one of them");
            it->second = LabelEntry{e.index, s.line};
        }
    }

    // A first word followed by "=" was meant as a destination.
    void unknownDestination(Entry& e) {
        const std::string& w = e.source->label;
        std::string message = "unknown word " + w;
        std::vector<std::string> registers(registerNames.begin(), registerNames.begin() + H + 1);
        registers.insert(registers.end(), {"Z", "N"});
        const std::string guess = closestWord(w, registers);
        if (!guess.empty()) message += "; did you mean " + guess + "?";
        message += " (a first word that is no register or keyword is taken as a label)";
        labelError(e, e.source->labelColumn, message);
    }

    // An error in the label. When the statement text is no use on its own (the label is
    // part of it, or the first word was meant as a destination), it is not parsed.
    void labelError(Entry& e, int32_t column, std::string message) {
        add(e, column, true, std::move(message));
        const SourceStatement& s = *e.source;
        const size_t first = s.text.find_first_not_of(' ');
        if (s.indented || s.labelAlone || s.labelEnd != ' ' ||
            (first != std::string::npos && s.text[first] == '='))
            skipParse_.insert(e.index);
    }

    void parse(Entry& e) {
        const SourceStatement& s = *e.source;
        if (skipParse_.count(e.index)) return;
        e.parse =
            parseStatement(s.text, s.textColumn, s.indented ? std::string_view(s.label) : std::string_view());
        e.parsed = true;
        if (e.parse.error) add(e, e.parse.error->column, true, e.parse.error->message);
        for (const Diagnostic& w : e.parse.warnings)
            add(e, w.column, false, w.message);
    }

    void checkCount() {
        if (entries_.size() <= static_cast<size_t>(controlStoreSize)) return;
        Entry& e = entries_[controlStoreSize];
        add(e, statementColumn(e), true,
            "statement " + std::to_string(controlStoreSize + 1) + " of " + std::to_string(statementCount_) +
                ": the control store holds 512 statements; shorten the microprogram");
    }

    // The address of a label, or -1 after reporting it.
    int32_t lookup(Entry& e, const std::string& name, int32_t column) {
        const auto it = labels_.find(name);
        if (it != labels_.end()) return it->second.index;
        std::string message = "undefined label " + name;
        const std::string guess = closestWord(name, labelNames());
        if (!guess.empty()) message += "; did you mean " + guess + "?";
        add(e, column, true, message);
        return -1;
    }

    void resolve(Entry& e) {
        if (!e.parsed || e.parse.error) return;
        const StatementMeaning& m = e.parse.meaning;
        switch (m.jump) {
        case JumpKind::Next:
            e.next = e.index + 1;
            break;
        case JumpKind::Mbr:
            e.next = 0;
            break;
        case JumpKind::MbrOr:
            e.next = 256;
            break;
        case JumpKind::Label:
            e.next = lookup(e, m.target, m.targetColumn);
            break;
        case JumpKind::If:
            e.thenAddress = lookup(e, m.thenTarget, m.thenColumn);
            e.next = lookup(e, m.target, m.targetColumn);
            break;
        }
    }

    void checkBranches() {
        struct Placed {
            int32_t then;
            int32_t line;
        };
        std::map<int32_t, Placed> placed;
        const auto count = static_cast<int32_t>(entries_.size());
        for (Entry& e : entries_) {
            if (e.failed || !e.parsed || e.parse.meaning.jump != JumpKind::If) continue;
            const StatementMeaning& m = e.parse.meaning;
            const int32_t elseAddress = e.next;
            if (elseAddress >= 256) {
                add(e, m.targetColumn, true,
                    "the ELSE label " + m.target + " is at address " + std::to_string(elseAddress) +
                        "; an IF needs it below 256, or both outcomes go to it: move " + m.target +
                        " before address 256");
                continue;
            }
            const int32_t jump = elseAddress + 256;
            if (jump < count) {
                add(e, m.targetColumn, true,
                    "this IF places its jump to " + m.thenTarget + " at address " + std::to_string(jump) +
                        " (ELSE address + 256), which is the statement at line " +
                        std::to_string(entries_[jump].source->line) +
                        ": use an ELSE label whose address + 256 is free");
                continue;
            }
            const auto [it, inserted] = placed.try_emplace(jump, Placed{e.thenAddress, e.source->line});
            if (!inserted && it->second.then != e.thenAddress)
                add(e, m.targetColumn, true,
                    "this IF places its jump to " + m.thenTarget + " at address " + std::to_string(jump) +
                        ", which already holds the jump of the IF at line " +
                        std::to_string(it->second.line) +
                        " to another label: give one of them another ELSE label");
        }
    }

    // The statement text the micro-assembler hands to the encoder, and the generated
    // jump of an IF, from the addresses this checker resolved.
    std::string resolvedText(const Entry& e, std::string& generatedJump) const {
        const ResolvedStatement r =
            resolveStatement(e.source->text, e.index, [&e](const std::string&, LabelUse use) {
                return use == LabelUse::Then ? e.thenAddress : e.next;
            });
        if (r.form == ResolvedStatement::If::Complete)
            generatedJump = " GOTO " + std::to_string(r.thenAddress) + ";";
        return r.text;
    }

    void compareWithAssembler() {
        bool complete = true;
        for (Entry& e : entries_) {
            if (e.failed || !e.parsed || e.parse.error) {
                complete = false;
                continue;
            }
            std::string generatedJump;
            const std::string text = resolvedText(e, generatedJump);
            if (!generatedJump.empty()) {
                StatementEncoder jump(generatedJump);
                jump.encode();
                program_.push_back({e.next + 256, jump.word(), jump.next(), e.source->line});
                if (jump.word() != 0 || jump.next() != e.thenAddress)
                    mismatch(e, jump.word(), jump.next(), 0, e.thenAddress, "its IF jump");
            }
            StatementEncoder encoder(text);
            encoder.encode();
            const uint32_t meant = e.parse.meaning.word;
            program_.push_back({e.index, meant, e.next, e.source->line});
            if (encoder.word() != meant || encoder.next() != e.next)
                mismatch(e, encoder.word(), encoder.next(), meant, e.next, "this statement");
        }
        if (!complete) program_.clear();
    }

    void mismatch(Entry& e, uint32_t word, int32_t next, uint32_t meant, int32_t meantNext,
                  const char* what) {
        add(e, e.source->textColumn, true,
            std::string(what) + " assembles as \"" + describeMicroinstruction(word, next) + "\" (word " +
                hex(word) + ", next " + std::to_string(next) + "), not as written, \"" +
                describeMicroinstruction(meant, meantNext) + "\" (word " + hex(meant) + ", next " +
                std::to_string(meantNext) +
                "): the micro-assembler cannot encode this form; write it another way" +
                (meant & (shiftLeft | shiftRight) ? " (it shifts only a register, a sum or a difference)"
                                                  : ""));
    }

    // The addresses executed right after a statement, where they are known.
    std::vector<int32_t> successors(const Entry& e) const {
        switch (e.parse.meaning.jump) {
        case JumpKind::Next:
        case JumpKind::Label:
        case JumpKind::If:
            return {e.next}; // the flag side first runs the generated jump
        default:
            return {};
        }
    }

    void warnings() {
        for (Entry& e : entries_) {
            const SourceStatement& s = *e.source;
            const std::string shown =
                (s.label.empty() ? std::string(unlabelledShownLabel) : s.label.substr(0, 70)) + ": " + s.text;
            if (shown.size() > maxShownText)
                add(e, s.textColumn, false,
                    "the shown text of this microinstruction (label, \": \" and statement) has " +
                        std::to_string(shown.size()) + " characters and the machine keeps 69: shorten it");
            if (e.failed || !e.parsed) continue;
            const StatementMeaning& m = e.parse.meaning;
            if (m.computes && m.flagsOnly && m.jump != JumpKind::If)
                add(e, m.assignmentColumn, false,
                    "this sets only the flags, and only an IF in the same statement tests them: add the IF "
                    "here");
            if (m.jump == JumpKind::If && !m.computes)
                add(e, m.ifColumn, false,
                    "this IF tests the flags of its own statement, which computes nothing (Z is 1, N is 0): "
                    "compute the value to test here, as in Z = TOS; IF (Z) ...");
            const bool reads = m.word & memRead, fetches = m.word & memFetch;
            if (!reads && !fetches) continue;
            for (int32_t address : successors(e)) {
                if (address < 0 || address >= static_cast<int32_t>(entries_.size())) continue;
                Entry& after = entries_[address];
                if (after.failed || !after.parsed) continue;
                for (const RegisterUse& use : after.parse.meaning.busReads) {
                    const bool mdr = use.name == "MDR";
                    if ((mdr && !reads) || (!mdr && !fetches)) continue;
                    if (!latencyWarned_.insert({after.source->line, use.column}).second) continue;
                    add(after, use.column, false,
                        use.name + " still holds its old value here: the " + (mdr ? "RD" : "FETCH") +
                            " at line " + std::to_string(s.line) +
                            " delivers the new one a microinstruction later (fine if the " +
                            "old value is the one meant)");
                }
            }
        }
        if (entries_.size() <= static_cast<size_t>(haltAddress)) {
            const int32_t line = entries_.empty() ? 1 : entries_.back().source->line;
            result_.findings.push_back(
                {line, 1, false,
                 "the microprogram has " + std::to_string(entries_.size()) +
                     (entries_.size() == 1 ? " statement" : " statements") +
                     ", so none is at address 112, where Run stops: Run will not end by itself",
                 entries_.empty() ? std::string() : entries_.back().source->display});
        }
    }

    CheckResult result_;
    size_t statementCount_ = 0;
    std::vector<Entry> entries_;
    std::set<int32_t> failedLines_;
    std::set<int32_t> skipParse_;
    std::map<std::string, LabelEntry> labels_;
    std::set<std::pair<int32_t, int32_t>> latencyWarned_;
    std::vector<CheckedMic> program_;
};

CheckResult oneError(std::string message) {
    CheckResult r;
    r.findings.push_back({1, 1, true, std::move(message), {}});
    r.errors = 1;
    return r;
}

} // namespace

CheckAnalysis analyzeMalSource(std::string_view bytes) {
    try {
        return Checker().run(bytes);
    } catch (const FatalError& e) {
        return {oneError("the check stopped: " + e.message()), {}};
    } catch (const std::bad_alloc&) {
        return {oneError("the check stopped: out of memory"), {}};
    }
}

CheckResult checkMalSource(std::string_view bytes) {
    return analyzeMalSource(bytes).result;
}

CheckResult checkMalFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) return oneError("cannot read the source file: it does not exist");
    if (fs::is_directory(status)) return oneError("cannot read the source file: it is a folder");
    if (fs::is_regular_file(status)) {
        const std::uintmax_t size = fs::file_size(path, ec);
        if (!ec && size > maxSourceBytes)
            return oneError("cannot read the source file: it has " + std::to_string(size) +
                            " bytes, far more than any microprogram");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return oneError("cannot read the source file: it cannot be opened (no permission?)");
    std::string bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<size_t>(in.gcount()));
        if (bytes.size() > maxSourceBytes)
            return oneError("cannot read the source file: it is far larger than any microprogram");
    }
    if (in.bad()) return oneError("cannot read the source file: reading it failed");
    return checkMalSource(bytes);
}

std::string formatReport(const CheckResult& result, const std::string& fileName) {
    std::string out = result.errors > 0 ? "Errors: " + std::to_string(result.errors) + ", warnings: "
                                        : std::string("OK: no errors, warnings: ");
    out += std::to_string(result.warnings) + "\n";
    const auto total = static_cast<size_t>(result.errors) + static_cast<size_t>(result.warnings);
    for (const CheckFinding& f : result.findings) {
        out += fileName + ":" + std::to_string(f.line) + ":" + std::to_string(f.column) + ": " +
               (f.isError ? "error: " : "warning: ") + f.message + "\n";
        if (f.sourceLine.empty()) continue;
        out += f.sourceLine + "\n";
        for (int32_t i = 0; i + 1 < f.column; ++i)
            out +=
                static_cast<size_t>(i) < f.sourceLine.size() && f.sourceLine[static_cast<size_t>(i)] == '\t'
                    ? '\t'
                    : ' ';
        out += "^\n";
    }
    if (total > result.findings.size())
        out += std::to_string(total - result.findings.size()) + " more findings are not shown\n";
    return out;
}

} // namespace tarveno
