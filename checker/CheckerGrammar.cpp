#include "checker/CheckerGrammar.h"

#include "checker/CheckerReader.h"
#include "mal/MalLineReader.h"
#include "support/Ascii.h"

#include <algorithm>
#include <array>
#include <set>

namespace tarveno::checker {

namespace {

constexpr std::string_view delimiters = "=+-~|&;<>()";

using Register = MalRegister;

const Register* findRegister(std::string_view name) {
    return findMalRegister(name);
}

using ascii::isDigit;
using ascii::isLetter;

std::string quoted(const Token& t) {
    return t.kind == Token::Delimiter ? "'" + t.text + "'" : t.text;
}

std::string characterName(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u < 0x7F) return std::string("'") + c + "'";
    static const char hex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

const std::vector<std::string>& malVocabulary() {
    static const std::vector<std::string> words{"MAR", "MDR", "PC",    "SP",  "LV", "CPP", "TOS",  "OPC",
                                                "H",   "MBR", "MBRU",  "Z",   "N",  "IF",  "GOTO", "ELSE",
                                                "RD",  "WR",  "FETCH", "AND", "OR", "NOT"};
    return words;
}

// Raised to end the parse of a statement at its first error.
struct Stop {};

class Parser {
  public:
    Parser(const std::vector<Token>& tokens, int32_t endColumn) : t_(tokens) {
        end_.kind = Token::Delimiter;
        end_.column = endColumn;
    }

    StatementParse run(std::string_view indentedLabel) {
        try {
            if (!indentedLabel.empty() && !t_.empty() && t_[0].kind == Token::Word &&
                t_[0].text == indentedLabel && !isMalWord(indentedLabel)) {
                if (is(1, "=")) unknownWord(t_[0]);
                warn(t_[0].column, "the label " + t_[0].text +
                                       " is indented, so the micro-assembler also keeps it at the head of "
                                       "the statement text: start labels in column 1");
                i_ = 1;
            }
            while (i_ < t_.size()) {
                if (is(i_, ";")) {
                    ++i_;
                    continue;
                }
                part();
                if (i_ < t_.size() && !is(i_, ";")) {
                    if (is(i_, "&") || is(i_, "|") || is(i_, "~")) unexpected(at(i_));
                    fail(at(i_).column, "expected ';' before " + quoted(at(i_)));
                }
            }
        } catch (const Stop&) {
        }
        return std::move(out_);
    }

  private:
    const Token& at(size_t k) const { return k < t_.size() ? t_[k] : end_; }
    bool is(size_t k, std::string_view text) const { return k < t_.size() && t_[k].text == text; }
    bool isWord(size_t k) const { return k < t_.size() && t_[k].kind == Token::Word; }

    [[noreturn]] void fail(int32_t column, std::string message) {
        out_.error = Diagnostic{column, std::move(message)};
        throw Stop{};
    }
    void warn(int32_t column, std::string message) {
        out_.warnings.push_back(Diagnostic{column, std::move(message)});
    }
    [[noreturn]] void unknownWord(const Token& t) {
        std::string message = "unknown word " + t.text;
        const std::string guess = closestWord(t.text, malVocabulary());
        if (!guess.empty()) message += "; did you mean " + guess + "?";
        fail(t.column, message);
    }
    [[noreturn]] void unexpected(const Token& t) {
        if (t.text == "&") fail(t.column, "'&' is not MAL: write AND");
        if (t.text == "|") fail(t.column, "'|' is not MAL: write OR");
        if (t.text == "~") fail(t.column, "'~' is not MAL: write NOT H");
        if (t.text.empty()) fail(t.column, "statement ends too early");
        fail(t.column, "unexpected " + quoted(t));
    }

    void part() {
        const Token& tok = at(i_);
        if (tok.kind == Token::Number) fail(tok.column, "a statement part cannot begin with a number");
        if (tok.kind == Token::Delimiter) unexpected(tok);
        const std::string& w = tok.text;
        if (w == "IF") return branch();
        if (w == "GOTO") return jump();
        if (w == "RD" || w == "WR" || w == "FETCH") return memory();
        if (w == "ELSE")
            fail(tok.column, "ELSE must follow IF (Z) GOTO label; in the same statement: write the whole "
                             "IF on one line");
        if (w == "SHL" || w == "SHR")
            fail(tok.column,
                 "write the shift after the operand instead: << 8 shifts left by 8, >> 1 right by 1");
        if (is(i_ + 1, "=")) return assignment();
        if (findRegister(w) || w == "Z" || w == "N") fail(at(i_ + 1).column, "expected '=' after " + w);
        if (w == "AND" || w == "OR" || w == "NOT")
            fail(tok.column,
                 w + " needs a destination first, as in H = " + (w == "NOT" ? "NOT H" : "H " + w + " TOS"));
        unknownWord(tok);
    }

    void noteJump(int32_t column) {
        if (jumped_) fail(column, "a statement jumps only once: it already has a GOTO or an IF");
        jumped_ = true;
    }

    void memory() {
        const Token& tok = at(i_++);
        uint32_t& word = out_.meaning.word;
        if ((tok.text == "RD" && (word & memWrite)) || (tok.text == "WR" && (word & memRead)))
            fail(tok.column, "RD and WR in one statement: the machine then reads and does not write; put "
                             "them in separate statements");
        word |= tok.text == "RD" ? memRead : tok.text == "WR" ? memWrite : memFetch;
    }

    void assignment() {
        if (assigned_)
            fail(at(i_).column, "a statement computes one value: chain the destinations instead, as in "
                                "MDR = TOS = MDR + H");
        assigned_ = true;
        StatementMeaning& m = out_.meaning;
        m.computes = true;
        m.assignmentColumn = at(i_).column;
        bool onlyFlags = true;
        std::set<std::string> named;
        while (isWord(i_) && is(i_ + 1, "=")) {
            const Token& d = at(i_);
            const Register* r = findRegister(d.text);
            if (d.text == "MBR" || d.text == "MBRU")
                fail(d.column, d.text + " cannot be written: only FETCH loads MBR");
            if (!r && d.text != "Z" && d.text != "N") {
                if (d.text == "IF" || d.text == "GOTO" || d.text == "RD" || d.text == "WR" ||
                    isMalWord(d.text))
                    fail(d.column, d.text + " cannot be assigned");
                unknownWord(d);
            }
            if (!named.insert(d.text).second) warn(d.column, d.text + " is named twice as a destination");
            if (r) {
                m.word |= r->cBit;
                onlyFlags = false;
            }
            i_ += 2;
        }
        m.flagsOnly = onlyFlags;
        expression();
    }

    struct Operand {
        bool h = false;
        uint32_t bus = 0;
        std::string name;
        int32_t column = 0;
    };

    Operand operand() {
        const Token& tok = at(i_);
        Operand o{false, 0, tok.text, tok.column};
        if (tok.kind == Token::Word) {
            if (tok.text == "H") {
                o.h = true;
            } else if (const Register* r = findRegister(tok.text); r && r->bCode) {
                o.bus = r->bCode;
                if (tok.text == "MDR" || tok.text == "MBR" || tok.text == "MBRU")
                    out_.meaning.busReads.push_back({tok.text, tok.column});
            } else if (tok.text == "MAR") {
                fail(tok.column, "MAR cannot be read: it is not a B-bus source");
            } else if (tok.text == "Z" || tok.text == "N") {
                fail(tok.column, tok.text + " is a flag, not a register: it cannot be read");
            } else if (std::find(malVocabulary().begin(), malVocabulary().end(), tok.text) !=
                       malVocabulary().end()) {
                fail(tok.column, "expected H or a B-bus register, found " + tok.text);
            } else {
                unknownWord(tok);
            }
        } else if (tok.text == ";" || tok.text.empty()) {
            fail(tok.column,
                 "expected H or a B-bus register before " + (tok.text.empty() ? "the end" : quoted(tok)));
        } else {
            fail(tok.column, "expected H or a B-bus register, found " + quoted(tok));
        }
        ++i_;
        return o;
    }

    [[noreturn]] void twoSources(const Operand& x, const Operand& y) {
        fail(y.column, "two B-bus sources, " + x.name + " and " + y.name +
                           ": the B bus carries one register; put one of them in H first");
    }

    // The checker encodes each statement itself, apart from the micro-assembler's encoder,
    // on purpose: the checker compares the two words, and a statement the encoder would
    // assemble as something else than it reads is reported. Only the codes are shared.
    void setAlu(uint32_t code, uint32_t bus) { out_.meaning.word |= (code << controlBit::aluShift) | bus; }

    void expression() {
        const Token& first = at(i_);
        if (first.text == "-") {
            ++i_;
            const Token& t = at(i_);
            if (t.text == "1") {
                setAlu(alu::minusOne, 0);
            } else if (t.text == "H") {
                setAlu(alu::minusH, 0);
            } else if (t.kind == Token::Number) {
                fail(t.column, "the ALU makes only the constants 0, 1 and -1");
            } else if (t.kind == Token::Word && findRegister(t.text)) {
                fail(t.column, "the ALU negates only H, its A side: copy " + t.text + " to H first, then -H");
            } else {
                operand(); // reports what is wrong
            }
            ++i_;
        } else if (first.kind == Token::Number) {
            if (first.text != "0" && first.text != "1")
                fail(first.column, "the ALU makes only the constants 0, 1 and -1");
            setAlu(first.text == "0" ? alu::zero : alu::one, 0);
            ++i_;
            if (is(i_, "+") || is(i_, "-") || is(i_, "AND") || is(i_, "OR"))
                fail(first.column, "a constant stands alone or last, as in TOS + 1");
        } else if (first.text == "NOT") {
            ++i_;
            const Token& t = at(i_);
            if (t.text == "H") {
                setAlu(alu::notH, 0);
                ++i_;
            } else if (t.kind == Token::Word && findRegister(t.text)) {
                fail(t.column,
                     "NOT works on H only, the ALU's A side: copy " + t.text + " to H first, then NOT H");
            } else {
                operand();
            }
        } else {
            binary();
        }
        shift();
    }

    void binary() {
        const Operand x = operand();
        const Token& op = at(i_);
        if (op.text == "AND" || op.text == "OR") {
            ++i_;
            const Operand y = operand();
            if (x.h && y.h) fail(y.column, "H " + op.text + " H: the other operand must be a B-bus register");
            if (!x.h && !y.h) twoSources(x, y);
            setAlu(op.text == "AND" ? alu::hAndB : alu::hOrB, x.bus | y.bus);
        } else if (op.text == "+") {
            ++i_;
            const Token& t = at(i_);
            if (t.kind == Token::Number) {
                if (t.text != "1") fail(t.column, "only 1 can be added as a constant: write + 1");
                setAlu(x.h ? alu::hPlusOne : alu::bPlusOne, x.bus);
                ++i_;
                if (is(i_, "+")) fail(at(i_).column, "write the constant last, as in H + TOS + 1");
                return;
            }
            const Operand y = operand();
            if (x.h && y.h) fail(y.column, "H + H: the ALU adds H to a B-bus register, not to itself");
            if (!x.h && !y.h) twoSources(x, y);
            if (is(i_, "+")) {
                ++i_;
                if (!is(i_, "1")) fail(at(i_).column, "only + 1 can follow a sum, as in H + TOS + 1");
                ++i_;
                setAlu(alu::hPlusBPlusOne, x.bus | y.bus);
            } else {
                setAlu(alu::hPlusB, x.bus | y.bus);
            }
        } else if (op.text == "-") {
            ++i_;
            const Token& t = at(i_);
            if (t.kind == Token::Number) {
                if (t.text != "1") fail(t.column, "only 1 can be subtracted as a constant: write - 1");
                if (x.h)
                    fail(x.column, "the ALU cannot compute H - 1, only a B-bus register minus 1: copy H to "
                                   "a B-bus register first");
                setAlu(alu::bMinusOne, x.bus);
                ++i_;
                return;
            }
            const Operand y = operand();
            if (x.h && y.h) fail(x.column, "H - H is always 0: write 0");
            if (x.h)
                fail(x.column, "the ALU cannot compute H - " + y.name + ", only " + y.name +
                                   " - H: compute " + y.name + " - H, then negate it with -H");
            if (!y.h)
                fail(y.column, "the ALU subtracts only H, its A side: put " + y.name + " in H first, then " +
                                   x.name + " - H");
            setAlu(alu::bMinusH, x.bus);
        } else {
            setAlu(x.h ? alu::h : alu::b, x.bus);
        }
    }

    void shift() {
        if (!is(i_, "<") && !is(i_, ">")) return;
        const Token& first = at(i_);
        const bool left = first.text == "<";
        if (!is(i_ + 1, first.text))
            fail(first.column, left ? "write << 8 to shift left" : "write >> 1 to shift right");
        i_ += 2;
        if (!is(i_, left ? "8" : "1"))
            fail(at(i_).column, left ? "the shifter shifts left by 8 only: write << 8"
                                     : "the shifter shifts right by 1 only: write >> 1");
        ++i_;
        out_.meaning.word |= left ? shiftLeft : shiftRight;
        if (is(i_, "<") || is(i_, ">")) fail(at(i_).column, "only one shift per statement");
    }

    // A label after GOTO; the checker looks it up later.
    const Token& labelReference() {
        const Token& t = at(i_);
        if (t.kind == Token::Number)
            fail(t.column, "GOTO needs a label, not an address: put a label on the target statement");
        if (t.kind != Token::Word) fail(t.column, "GOTO needs a label");
        if (t.text == "MBR" || t.text == "MBRU")
            fail(t.column, "write GOTO (MBR) to jump by the value of MBR");
        if (MalLineReader::reservedFirstWord(t.text) || isMalWord(t.text))
            fail(t.column, t.text + " is a MAL word, not a label");
        ++i_;
        return t;
    }

    void jump() {
        StatementMeaning& m = out_.meaning;
        noteJump(at(i_).column);
        ++i_;
        if (!is(i_, "(")) {
            const Token& label = labelReference();
            m.jump = JumpKind::Label;
            m.target = label.text;
            m.targetColumn = label.column;
            return;
        }
        ++i_;
        if (!is(i_, "MBR"))
            fail(at(i_).column, "GOTO ( ) takes MBR only: write GOTO (MBR) or GOTO (MBR OR 0x100)");
        ++i_;
        if (is(i_, "OR")) {
            ++i_;
            if (is(i_, "0") && is(i_ + 1, "X100")) {
                i_ += 2;
            } else if (is(i_, "256")) {
                ++i_;
            } else {
                fail(at(i_).column, "JMPC can only OR 0x100 into MBR: write GOTO (MBR OR 0x100)");
            }
            m.jump = JumpKind::MbrOr;
        } else {
            m.jump = JumpKind::Mbr;
        }
        if (!is(i_, ")")) fail(at(i_).column, "expected ')'");
        ++i_;
        m.word |= jmpc;
    }

    void expectIf(std::string_view text, std::string_view what) {
        if (!is(i_, text))
            fail(at(i_).column,
                 "expected " + std::string(what) + ": an IF reads IF (Z) GOTO label; ELSE GOTO label");
        ++i_;
    }

    void branch() {
        StatementMeaning& m = out_.meaning;
        m.ifColumn = at(i_).column;
        noteJump(m.ifColumn);
        ++i_;
        expectIf("(", "'('");
        const Token& flag = at(i_);
        if (flag.text != "Z" && flag.text != "N") fail(flag.column, "IF tests only Z or N");
        ++i_;
        expectIf(")", "')'");
        expectIf("GOTO", "GOTO");
        const Token& then = labelReference();
        expectIf(";", "';'");
        expectIf("ELSE", "ELSE");
        expectIf("GOTO", "GOTO");
        const Token& otherwise = labelReference();
        m.jump = JumpKind::If;
        m.word |= flag.text == "Z" ? jamZ : jamN;
        m.thenTarget = then.text;
        m.thenColumn = then.column;
        m.target = otherwise.text;
        m.targetColumn = otherwise.column;
    }

    const std::vector<Token>& t_;
    Token end_;
    size_t i_ = 0;
    bool assigned_ = false;
    bool jumped_ = false;
    StatementParse out_;
};

} // namespace

std::vector<Token> tokenize(std::string_view text, int32_t firstColumn, std::optional<Diagnostic>& error) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const int32_t column = firstColumn + static_cast<int32_t>(i);
        if (c == ' ') {
            ++i;
        } else if (delimiters.find(c) != std::string_view::npos) {
            tokens.push_back({Token::Delimiter, std::string(1, c), column});
            ++i;
        } else if (isLetter(c) || isDigit(c)) {
            const bool word = isLetter(c);
            const size_t from = i;
            while (i < text.size() && (isDigit(text[i]) || (word && isLetter(text[i]))))
                ++i;
            tokens.push_back(
                {word ? Token::Word : Token::Number, std::string(text.substr(from, i - from)), column});
        } else {
            std::string message = "unknown character " + characterName(c);
            if (c == ',') message += ": separate the parts of a statement with ';'";
            if (c == ':') message += ": a label is followed by a blank, not ':'";
            error = Diagnostic{column, message};
            return tokens;
        }
    }
    return tokens;
}

StatementParse parseStatement(std::string_view text, int32_t firstColumn, std::string_view indentedLabel) {
    std::optional<Diagnostic> error;
    const std::vector<Token> tokens = tokenize(text, firstColumn, error);
    if (error) {
        StatementParse p;
        p.error = error;
        return p;
    }
    Parser parser(tokens, firstColumn + static_cast<int32_t>(text.size()));
    return parser.run(indentedLabel);
}

bool isMalWord(std::string_view word) {
    static constexpr std::array<std::string_view, 8> words{"AND", "OR",    "NOT",  "SHL",
                                                           "SHR", "FETCH", "ELSE", "MBRU"};
    return std::find(words.begin(), words.end(), word) != words.end();
}

uint32_t busCode(std::string_view name) {
    const Register* r = findRegister(name);
    return r ? r->bCode : 0;
}

std::string describeMicroinstruction(uint32_t word, int32_t next) {
    const std::string b(bSourceNames[word & 0xF]);
    std::string expression;
    if (const AluFunction* f = findAluFunction((word >> 16) & 0x3F)) {
        // The MAL form names the B operand "B": put the bus source in its place.
        for (char c : f->malForm)
            expression += c == 'B' ? b : std::string(1, c);
    } else { // codes outside the ALU's table compute 0
        expression = "0 (ALU code " + std::to_string((word >> 16) & 0x3F) + ")";
    }
    const uint32_t shifter = (word >> 22) & 3;
    if (shifter == 1) expression += " >> 1";
    if (shifter == 2) expression += " << 8";

    std::vector<std::string> parts;
    std::string destinations;
    for (int i = 0; i < H + 1; ++i)
        if (word & (0x80u << i)) destinations += std::string(registerNames[static_cast<size_t>(i)]) + " = ";
    if (destinations.empty() && ((word >> 16) & 0xFF))
        destinations = (word & jamN) && !(word & jamZ) ? "N = " : "Z = ";
    if (!destinations.empty()) parts.push_back(destinations + expression);
    if (word & memRead) parts.push_back("RD");
    if (word & memWrite) parts.push_back("WR");
    if (word & memFetch) parts.push_back("FETCH");
    const std::string n = std::to_string(next);
    if (word & jmpc) {
        parts.push_back(next == 0     ? "GOTO (MBR)"
                        : next == 256 ? "GOTO (MBR OR 0x100)"
                                      : "GOTO (MBR OR " + n + ")");
    }
    if (word & (jamZ | jamN)) {
        const std::string flag = (word & jamZ) && (word & jamN) ? "Z OR N" : (word & jamZ) ? "Z" : "N";
        parts.push_back("IF (" + flag + ") GOTO " + std::to_string(next | 0x100) + "; ELSE GOTO " + n);
    } else if (!(word & jmpc)) {
        parts.push_back("GOTO " + n);
    }
    std::string text;
    for (const std::string& p : parts)
        text += (text.empty() ? "" : "; ") + p;
    return text;
}

std::string closestWord(std::string_view word, const std::vector<std::string>& candidates) {
    const size_t limit = word.size() <= 3 ? 1 : 2;
    std::string best;
    size_t bestDistance = limit + 1;
    std::vector<size_t> row, previous;
    for (const std::string& c : candidates) {
        if (c.size() > word.size() + limit || word.size() > c.size() + limit) continue;
        previous.resize(c.size() + 1);
        row.resize(c.size() + 1);
        for (size_t j = 0; j <= c.size(); ++j)
            previous[j] = j;
        for (size_t i = 1; i <= word.size(); ++i) {
            row[0] = i;
            for (size_t j = 1; j <= c.size(); ++j)
                row[j] =
                    std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + (word[i - 1] != c[j - 1])});
            std::swap(row, previous);
        }
        if (previous[c.size()] < bestDistance && previous[c.size()] > 0) {
            bestDistance = previous[c.size()];
            best = c;
        }
    }
    return best;
}

} // namespace tarveno::checker
