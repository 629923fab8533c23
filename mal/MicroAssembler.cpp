#include "mal/MicroAssembler.h"

#include "mal/StatementEncoder.h"
#include "support/Catalogue.h"
#include "support/Conversions.h"
#include "support/FatalError.h"
#include "support/StringTokenizer.h"

#include <filesystem>
#include <map>

namespace tarveno {

namespace {

// Characters of the label kept in the shown text.
constexpr size_t maxShownLabel = 70;

bool tokenChar(char c) {
    return c == ' ' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           StatementEncoder::delimiters.find(c) != std::string_view::npos;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

} // namespace

MicroAssembler::MicroAssembler(std::string sourceName, std::string outputName)
    : sourceName_(std::move(sourceName)), outputName_(std::move(outputName)) {
    // Never the source itself: assemble refuses that output instead.
    if (!sameFile(sourceName_, outputName_)) {
        std::error_code ec;
        std::filesystem::remove(outputName_, ec);
    }
    source_.setName(sourceName_);
    output_.setName(outputName_);
    outputMode_ = 0;
}

int32_t MicroAssembler::sourceStart(uint32_t address) const {
    return address < static_cast<uint32_t>(mapSize) ? sourceStart_[address] : 0;
}

int32_t MicroAssembler::sourceLength(uint32_t address) const {
    return address < static_cast<uint32_t>(mapSize) ? sourceLength_[address] : 0;
}

int32_t MicroAssembler::labelAddress(std::string_view name) const {
    const auto l = labels_.find(name.substr(0, Label::maxName));
    return l != labels_.end() ? l->second : -1;
}

void MicroAssembler::warn(const std::string& message) {
    warnings_.push_back("line " + decimalText(line_) + ": " + message);
}

void MicroAssembler::assemble() {
    sourceStart_.fill(0);
    sourceLength_.fill(0);
    labels_.clear();
    statementLines_.clear();
    placed_.clear();
    warnings_.clear();
    statements_ = 0;
    if (sameFile(sourceName_, outputName_))
        fatal(message(Text::MalFileOpen,
                      {.text = "it is the microprogram being compiled", .file = outputName_}));
    pass1();
    pass2();
}

void MicroAssembler::pass1() {
    source_.open();
    std::map<std::string, int32_t> firstLine;
    int32_t i = 0;
    while (source_.next()) {
        line_ = source_.lineNumber;
        if (i < mapSize) {
            sourceStart_[static_cast<size_t>(i)] = source_.lineStart;
            sourceLength_[static_cast<size_t>(i)] = source_.position() - source_.lineStart;
        } else if (i == mapSize) {
            warn("more than 512 statements; from address 512 on the statements are assembled but have no "
                 "source "
                 "selection");
        }
        if (const std::optional<std::string>& label = source_.label) {
            const Label l{i, label->substr(0, Label::maxName)};
            if (label->size() > Label::maxName)
                warn("label " + *label + ": only its first 29 characters count (" + l.name + ")");
            auto [at, fresh] = firstLine.emplace(l.name, line_);
            if (!fresh)
                warn("label " + l.name + " is also on line " + decimalText(at->second) +
                     "; jumps to it go to this later statement, address " + decimalText(i));
            labels_.insert_or_assign(l.name, l.index);
        }
        statementLines_.push_back(line_);
        ++i;
    }
    statements_ = i;
    if (source_.lineTooLong()) {
        line_ = source_.linesRead() + 1;
        warn("line longer than 254 characters; the source is read only up to the line before it");
    }
    source_.close();
}

void MicroAssembler::pass2() {
    source_.open();
    output_.openForWriting();
    int32_t i = 0;
    while (source_.next()) {
        line_ = source_.lineNumber;
        const std::string& statement = source_.statement;
        const std::string label = source_.label ? source_.label->substr(0, maxShownLabel)
                                                : std::string(machine::unlabelledShownLabel);
        const std::string shown = label + ": " + statement;
        // Every statement is encoded whole, whatever its length.
        std::string text = statement;
        for (char c : text) {
            if (!tokenChar(c)) {
                warn(std::string("character '") + c + "' is not part of MAL and is ignored");
                break;
            }
        }
        resolve(text, i, shown);
        emit(i, text, shown);
        ++i;
    }
    source_.close();
    output_.close();
}

int32_t MicroAssembler::lookup(const std::string& name, const char* how) {
    const int32_t address = labelAddress(name);
    if (address >= 0) return address;
    // A label that no statement carries: a fixed, harmless target, and a warning.
    warn(std::string(how) + name + ": undefined label, jumps to address 0");
    return 0;
}

ResolvedStatement resolveStatement(const std::string& text, int32_t index,
                                   const std::function<int32_t(const std::string&, LabelUse)>& address) {
    StringTokenizer tokenizer(text, StatementEncoder::delimiters);
    std::vector<std::string> tokens;
    for (int32_t k = 0; k < tokenizer.count(); ++k)
        tokens.push_back(tokenizer.token(k).text);
    ResolvedStatement r;
    const auto rebuild = [&] {
        for (const std::string& t : tokens)
            r.text += " " + t;
        return r;
    };
    const size_t count = tokens.size();
    bool jump = false;
    for (size_t k = 0; k < count; ++k) {
        if (tokens[k] == "GOTO") {
            jump = true;
            // Only the first jump to a label is resolved.
            if (k + 1 < count && tokens[k + 1][0] != '(') {
                tokens[k + 1] = decimalText(address(tokens[k + 1], LabelUse::Goto));
                return rebuild();
            }
        }
        if (tokens[k] == "IF") {
            // IF ( flag ) GOTO then ; ELSE GOTO else ; counted from the IF.
            if (k + 9 < count) {
                r.form = ResolvedStatement::If::Complete;
                r.elseAddress = address(tokens[k + 9], LabelUse::Else);
                tokens[k + 9] = decimalText(r.elseAddress);
                r.thenAddress = address(tokens[k + 5], LabelUse::Then);
            } else {
                r.form = ResolvedStatement::If::NoElse;
            }
            return rebuild();
        }
    }
    r.text = text;
    // A statement without a jump continues with the next statement of the file.
    if (!jump) r.text += " GOTO " + decimalText(index + 1) + ";";
    return r;
}

void MicroAssembler::resolve(std::string& text, int32_t index, const std::string& shown) {
    static constexpr const char* how[] = {"GOTO ", "ELSE GOTO ", "IF GOTO "};
    const ResolvedStatement r = resolveStatement(text, index, [&](const std::string& name, LabelUse use) {
        return lookup(name, how[static_cast<int>(use)]);
    });
    text = r.text;
    if (r.form == ResolvedStatement::If::NoElse) {
        warn("IF without an else label; it goes to address 0");
    } else if (r.form == ResolvedStatement::If::Complete) {
        const int32_t address = r.elseAddress + 256;
        if (address < statements_)
            warn("the jump of this IF is placed at address " + decimalText(address) +
                 ", which is also the statement of line " +
                 decimalText(statementLines_[static_cast<size_t>(address)]) +
                 "; the line written first is the one loaded");
        for (const Placed& p : placed_) {
            if (p.address == address && p.target != r.thenAddress) {
                warn("the IF of line " + decimalText(p.line) + " already placed its jump at address " +
                     decimalText(address) + " (same else label); this IF's then branch goes to address " +
                     decimalText(p.target) + ", not " + decimalText(r.thenAddress));
                break;
            }
        }
        placed_.push_back({address, r.thenAddress, line_});
        emit(address, " GOTO " + decimalText(r.thenAddress) + ";", shown);
    }
}

void MicroAssembler::emit(int32_t address, const std::string& text, const std::string& shown) {
    StatementEncoder m(text);
    m.encode();
    std::string line = decimalText(address) + " " + decimalText(m.next()) + " ";
    if (outputMode_ == 0) line += decimalText(static_cast<int32_t>(m.word())) + "\t" + shown;
    line += "\n";
    output_.write(line);
}

} // namespace tarveno
