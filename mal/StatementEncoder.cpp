#include "mal/StatementEncoder.h"

#include "core/MachineDescription.h"

namespace tarveno {

namespace {

using controlBit::jmpc;
using controlBit::shiftLeft;
using controlBit::shiftRight;
constexpr uint32_t jamz = controlBit::jamZ;
constexpr uint32_t jamn = controlBit::jamN;

bool startsWith(const StringTokenizer::Elem* e, char c) {
    return e && !e->text.empty() && e->text[0] == c;
}
bool is(const StringTokenizer::Elem* e, std::string_view text) {
    return e && e->text == text;
}

// The value of the leading digits, as the C library's decimal conversion reads it; a
// text without digits is 0. Wraps at 32 bits instead of overflowing.
int32_t decimalValue(const std::string& text) {
    uint32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        v = v * 10u + static_cast<uint32_t>(c - '0');
    }
    return static_cast<int32_t>(v);
}

} // namespace

StatementEncoder::StatementEncoder(std::string_view statement) : tokens_(statement, delimiters) {}

uint32_t StatementEncoder::bValue(std::string_view name) {
    const MalRegister* r = findMalRegister(name);
    return r ? r->bCode : 0;
}

uint32_t StatementEncoder::cBit(std::string_view name) {
    const MalRegister* r = findMalRegister(name);
    return r ? r->cBit : 0;
}

const StringTokenizer::Elem* StatementEncoder::at(int32_t offset) {
    // The cursor stands one past k: k + offset is cursor + offset - 1. A look with the
    // opposite advance leaves the cursor where it was (and a miss changes nothing).
    return tokens_.get(offset - 1, -(offset - 1), false);
}

// The walk: every token in turn becomes the current one, and the ten rules are applied
// to it in order. The cursor is not set back between the rules, so a rule that consumes
// operands makes the walk skip them, and the later rules of the same step look at their
// neighbours from the moved cursor. A rule whose operand token is missing (an operator
// first or last in the statement) adds no bits; the walk moves on as usual.
void StatementEncoder::encode() {
    while (const StringTokenizer::Elem* e = tokens_.get(0, 1, true)) {
        const int32_t index = tokens_.currentIndex();
        const std::string& t = e->text;
        const int kind = e->kind;

        // 1. Branches.
        if (t == "IF" || t == "GOTO") branch(t);
        // 2. Shift words.
        if (t == "SHR") word_ |= shiftRight;
        if (t == "SHL") word_ |= shiftLeft;
        // 3. Shift operators.
        if (t == "<" || t == ">") shiftOperator(t);
        // 4. Memory words.
        if (t == "FETCH") word_ |= controlBit::fetch;
        if (t == "RD") word_ |= controlBit::read;
        if (t == "WR") word_ |= controlBit::write;
        // 5. Logic words.
        if (t == "AND" || t == "OR" || t == "NOT") logic(t);
        // 6. Assignment: the token before "=" is a destination.
        if (t == "=") {
            if (const auto* d = at(-1)) word_ |= cBit(d->text);
        }
        // 7, 8. Minus and plus.
        if (t == "-") minus();
        if (t == "+") plus();
        // 9, 10. A single operand after "=" and before ";".
        if ((kind == StringTokenizer::Word && index != 0) || kind == StringTokenizer::Number)
            singleOperand(*e);
    }
}

void StatementEncoder::branch(const std::string& t) {
    if (t == "IF") {
        const auto* flag = at(2);
        if (is(flag, "Z") || is(flag, "N")) {
            // IF ( flag ) GOTO then ; ELSE GOTO else ; : the else address is the ninth
            // token after IF; the then target is reached through else + 256.
            if (const auto* elseAddress = at(9)) {
                next_ = decimalValue(elseAddress->text);
                word_ |= is(flag, "Z") ? jamz : jamn;
            }
            resumeAt(10);
        } else {
            resumeAt(3);
        }
        return;
    }
    const auto* target = at(1);
    if (!target) return;
    if (target->kind == StringTokenizer::Number) {
        next_ = decimalValue(target->text);
        resumeAt(2);
        return;
    }
    word_ |= jmpc;
    if (is(at(3), "OR")) {
        // GOTO ( MBR OR value ): the sequencer ORs MBR into 256, whatever value is written.
        next_ = 256;
        resumeAt(7);
    } else {
        next_ = 0;
        resumeAt(4);
    }
}

void StatementEncoder::shiftOperator(const std::string& t) {
    if (const auto* operand = at(-1)) {
        word_ |= t == "<" ? shiftLeft : shiftRight;
        if (operand->text == "H") {
            setAlu(alu::h);
        } else {
            word_ |= bValue(operand->text);
            setAlu(alu::b);
        }
    }
    // The rest of "<< 8" or ">> 1" is skipped whatever it holds.
    resumeAt(3);
}

void StatementEncoder::logic(const std::string& t) {
    const auto* left = at(-1);
    const auto* right = at(1);
    if (t == "NOT") {
        if (right) {
            const uint32_t b = bValue(right->text);
            // NOT of a B-bus register computes NOT B with the register on the B bus;
            // NOT H (or of anything else) is NOT A.
            if (right->text != "H" && b != 0) {
                word_ |= b;
                setAlu(alu::notB);
            } else {
                setAlu(alu::notH);
            }
        }
    } else if (left && right) {
        word_ |= bValue(left->text) | bValue(right->text);
        setAlu(t == "AND" ? alu::hAndB : alu::hOrB);
    }
    resumeAt(2);
}

void StatementEncoder::minus() {
    const auto* left = at(-1);
    const auto* right = at(1);
    if (left && right) {
        if (left->text[0] == '=') {
            setAlu(right->text[0] == '1' ? alu::minusOne : alu::minusH); // = -1, = -H
        } else {
            word_ |= bValue(left->text);
            setAlu(right->text[0] == '1' ? alu::bMinusOne : alu::bMinusH); // B - 1, B - H
        }
    }
    resumeAt(2);
}

void StatementEncoder::plus() {
    const auto* left = at(-1);
    const auto* right = at(1);
    if (!left || !right) {
        resumeAt(2);
        return;
    }
    if (right->text[0] == '1') {
        if (left->text[0] == 'H') {
            setAlu(alu::hPlusOne); // H + 1
        } else {
            word_ |= bValue(left->text);
            setAlu(alu::bPlusOne); // B + 1
        }
        resumeAt(2);
        return;
    }
    word_ |= bValue(left->text) | bValue(right->text);
    if (startsWith(at(2), '+')) {
        setAlu(alu::hPlusBPlusOne); // x + y + 1
        resumeAt(4);
    } else {
        setAlu(alu::hPlusB); // x + y
        resumeAt(2);
    }
}

void StatementEncoder::singleOperand(const StringTokenizer::Elem& e) {
    if (!startsWith(at(-1), '=') || !startsWith(at(1), ';')) return;
    if (e.kind == StringTokenizer::Word) {
        if (e.text[0] == 'H') {
            setAlu(alu::h);
        } else {
            word_ |= bValue(e.text);
            setAlu(alu::b);
        }
    } else {
        setAlu(e.text[0] == '0' ? alu::zero : alu::one);
    }
}

} // namespace tarveno
