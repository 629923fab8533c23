#include "ui/model/IjvmViews.h"

#include "ijvm/Disassembly.h"

#include <algorithm>
#include <cstdio>
#include <span>

namespace tarveno::ui {

namespace {

void appendHexBytes(std::string& out, const std::function<uint8_t(uint32_t)>& byteAt, uint32_t offset,
                    int32_t length) {
    static constexpr char digits[] = "0123456789ABCDEF";
    out.reserve(static_cast<size_t>(length) * 3);
    for (int32_t k = 0; k < length; ++k) {
        const uint8_t b = byteAt(offset + static_cast<uint32_t>(k));
        if (k) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
}

std::string counted(int64_t n, const char* noun) {
    std::string text = std::to_string(n);
    text += ' ';
    text += noun;
    if (n != 1) text += 's';
    return text;
}

// The source span of a record: from its mnemonic (WIDE included) to the end of its first
// operand, whose position the assembler kept; IINC's second operand is taken to follow
// after one blank, as conventionally written.
void sourceSpan(ListingLine& line, const InstructionRecord& record) {
    line.sourceStart = record.sourcePosition;
    if (record.operandPosition < 0) {
        line.sourceLength = static_cast<int32_t>(record.mnemonic.size());
        return;
    }
    int32_t end = record.operandPosition + static_cast<int32_t>(record.operand.size());
    if (!record.operand2.empty()) end += 1 + static_cast<int32_t>(record.operand2.size());
    line.sourceLength = end - record.sourcePosition;
}

} // namespace

std::function<uint8_t(uint32_t)> methodAreaBytes(const Machine& machine) {
    return [&machine](uint32_t b) -> uint8_t {
        const int32_t* word = machine.peekWord(b >> 2);
        if (!word) return 0;
        return static_cast<uint8_t>(static_cast<uint32_t>(*word) >> (8 * (3 - (b & 3u))));
    };
}

std::vector<ListingLine> methodAreaListing(const IjvmProgram& program,
                                           const std::function<uint8_t(uint32_t)>& byteAt) {
    std::vector<ListingLine> lines;
    const auto areaSize = static_cast<uint32_t>(program.methodAreaSize());
    if (areaSize < 3) return lines;
    int32_t count = 1;
    program.methods.forEach([&](const Method& m) { count += 1 + m.code.count(); });
    lines.reserve(static_cast<size_t>(count));

    auto add = [&](uint32_t offset, int32_t length) -> ListingLine& {
        ListingLine& line = lines.emplace_back();
        line.offset = offset;
        line.length = length;
        appendHexBytes(line.bytes, byteAt, offset, length);
        return line;
    };

    Disassembler names(program);
    // The opening call of main, which the assembler writes before every method.
    add(0, 3).text = names.decodeIn(nullptr, 0, byteAt).text();
    uint32_t offset = 3;
    program.methods.forEach([&](const Method& method) {
        if (offset + 4 > areaSize) return;
        ListingLine& header = add(offset, 4);
        header.header = true;
        const int32_t parameters = byteAt(offset) << 8 | byteAt(offset + 1);
        const int32_t variables = byteAt(offset + 2) << 8 | byteAt(offset + 3);
        header.text = "method " + method.name + ": " + counted(parameters, "parameter") + ", " +
                      counted(variables, "variable");
        offset += 4;
        method.code.forEach([&](const InstructionRecord& record) {
            const auto length = static_cast<uint32_t>(record.length);
            if (length == 0 || offset + length > areaSize) return;
            ListingLine& line = add(offset, record.length);
            line.text = names.decodeIn(&method, offset, byteAt).text();
            sourceSpan(line, record);
            offset += length;
        });
    });
    return lines;
}

int32_t listingRowOf(const std::vector<ListingLine>& listing, int32_t pcOffset) {
    if (pcOffset < 0) return -1;
    const auto pc = static_cast<uint32_t>(pcOffset);
    auto after = std::upper_bound(listing.begin(), listing.end(), pc,
                                  [](uint32_t at, const ListingLine& line) { return at < line.offset; });
    if (after == listing.begin()) return -1;
    const ListingLine& line = *(after - 1);
    if (pc - line.offset >= static_cast<uint32_t>(line.length)) return -1;
    return static_cast<int32_t>(after - 1 - listing.begin());
}

std::vector<PoolLine> constantPoolLines(const IjvmProgram& program) {
    std::vector<PoolLine> lines(static_cast<size_t>(program.poolWords()));
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i].index = static_cast<int32_t>(i);
        lines[i].value = program.poolEntry(static_cast<int32_t>(i));
    }
    const int32_t constants = program.constants.count();
    program.constants.forEach([&](const Symbol& c) {
        if (c.index >= 0 && static_cast<size_t>(c.index) < lines.size())
            lines[static_cast<size_t>(c.index)].what = c.name;
    });
    program.methods.forEach([&](const Method& m) {
        const auto i = static_cast<size_t>(constants) + static_cast<size_t>(m.number);
        if (m.number >= 0 && i < lines.size()) lines[i].what = "method " + m.name;
    });
    return lines;
}

int32_t instructionPc(const Machine& machine, const ExecutionCounts& counts) {
    return machine.mpc == Machine::haltAddress && counts.lastPc >= 0 ? counts.lastPc : machine.registers[PC];
}

StackView stackView(const Machine& machine, const IjvmProgram& program, uint32_t maxWords, int32_t pc) {
    StackView view;
    stackView(machine, program, view, maxWords, pc);
    return view;
}

void stackView(const Machine& machine, const IjvmProgram& program, StackView& view, uint32_t maxWords,
               int32_t currentPc) {
    view.rows.clear();
    view.frames.clear();
    const auto base =
        static_cast<uint32_t>(machine.registers[CPP]) + static_cast<uint32_t>(program.poolWords());
    const auto sp = static_cast<uint32_t>(machine.registers[SP]);
    const auto lvRegister = static_cast<uint32_t>(machine.registers[LV]);
    if (sp < base || maxWords == 0) return;
    const uint32_t first = sp - base >= maxWords ? sp - maxWords + 1 : base;

    view.rows.reserve(static_cast<size_t>(sp - first) + 1);
    for (uint32_t a = first;; ++a) {
        StackRow& row = view.rows.emplace_back();
        row.address = a;
        if (const int32_t* word = machine.peekWord(a)) {
            row.value = *word;
            row.known = true;
        }
        row.sp = a == sp;
        row.lv = a == lvRegister;
        if (a == sp) break;
    }

    std::vector<const Method*> byNumber(static_cast<size_t>(program.methods.count()), nullptr);
    program.methods.forEach([&](const Method& m) {
        if (m.number >= 0 && static_cast<size_t>(m.number) < byNumber.size())
            byNumber[static_cast<size_t>(m.number)] = &m;
    });
    auto methodAt = [&](int32_t pc) -> const Method* {
        const uint32_t* pool = program.methodMap.search(static_cast<uint32_t>(pc));
        if (!pool) return nullptr;
        const int64_t number = static_cast<int64_t>(*pool) - program.constants.count();
        return number >= 0 && static_cast<size_t>(number) < byNumber.size()
                   ? byNumber[static_cast<size_t>(number)]
                   : nullptr;
    };
    auto row = [&](uint32_t a) -> StackRow& { return view.rows[a - first]; };

    // Each frame owns the words from its LV up to the word below its callee's LV (up to
    // SP for the current one). The walk goes on only while LV falls strictly and every
    // word it reads lies in the view, so it ends after at most one frame per word.
    uint32_t lv = lvRegister;
    uint32_t upper = sp;
    int32_t pc = currentPc >= 0 ? currentPc : machine.registers[PC];
    bool current = true;
    while (lv >= first && lv <= upper) {
        const StackRow& linkRow = row(lv);
        const auto link = static_cast<uint32_t>(linkRow.value);
        if (!linkRow.known || link <= lv || link >= upper) break;
        // A saved PC is the byte after the caller's INVOKEVIRTUAL, which may be the next
        // method's header; the call's own last byte is always the caller's.
        const Method* method = methodAt(current ? pc : pc - 1);
        const auto k = static_cast<int32_t>(view.frames.size());
        view.frames.push_back({lv, link, pc, method});

        row(lv).role = StackRole::Link;
        const uint32_t locals = link - lv; // local 0 included
        const bool fits = method && static_cast<int64_t>(method->parameters) + method->variables == locals;
        for (uint32_t a = lv + 1; a < link; ++a)
            row(a).role = !fits                                                ? StackRole::Local
                          : a - lv < static_cast<uint32_t>(method->parameters) ? StackRole::Parameter
                                                                               : StackRole::Variable;
        if (fits)
            method->locals.forEach([&](const Symbol& s) {
                if (s.index > 0 && static_cast<uint32_t>(s.index) < locals)
                    row(lv + static_cast<uint32_t>(s.index)).name = s.name;
            });
        row(link).role = StackRole::CallerLv;
        row(link + 1).role = StackRole::ReturnAddress;
        for (uint32_t a = lv; a <= upper; ++a)
            row(a).frame = k;

        const StackRow& savedLv = row(link);
        const StackRow& savedPc = row(link + 1);
        if (!savedLv.known || !savedPc.known || static_cast<uint32_t>(savedLv.value) >= lv) break;
        upper = lv - 1;
        lv = static_cast<uint32_t>(savedLv.value);
        pc = savedPc.value;
        current = false;
    }
}

std::string outputCharacter(int32_t value) {
    return value >= 32 && value <= 126 ? std::string(1, static_cast<char>(value)) : std::string();
}

void IjvmWindowView::place(const IjvmProgram& program, const Machine& machine) {
    listing_ = methodAreaListing(program, methodAreaBytes(machine));
    pool_ = constantPoolLines(program);
    refresh(machine, program, ExecutionCounts{});
}

void IjvmWindowView::clear() {
    *this = IjvmWindowView();
}

std::string IjvmWindowView::executed(const ExecutionCounts& counts) {
    return counted(static_cast<int64_t>(counts.micro), "microinstruction") + ", " +
           counted(static_cast<int64_t>(counts.ijvm), "IJVM instruction");
}

void IjvmWindowView::refresh(const Machine& machine, const IjvmProgram& program,
                             const ExecutionCounts& counts) {
    counts_ = opcodeCounts(counts, program.instructions);
    output_ = machine.output.values;
    if (listing_.empty()) return;
    const int32_t pc = instructionPc(machine, counts);
    pcRow_ = listingRowOf(listing_, pc);
    stackView(machine, program, stack_, 1u << 20, pc);
    registers_.clear();
    for (const auto& [name, r] :
         {std::pair{"PC ", PC}, {"SP ", SP}, {"LV ", LV}, {"CPP ", CPP}, {"TOS ", TOS}}) {
        registers_ += name;
        registers_ += std::to_string(machine.registers[r]);
        registers_ += "   ";
    }
    registers_ += "MPC " + std::to_string(machine.mpc);
    if (machine.mpc == 0) registers_ += ": between two IJVM instructions";
    if (machine.mpc == Machine::haltAddress) registers_ += ": halted";
}

int32_t IjvmWindowView::rows(IjvmTable table) const {
    switch (table) {
    case IjvmTable::MethodArea:
        return static_cast<int32_t>(listing_.size());
    case IjvmTable::ConstantPool:
        return static_cast<int32_t>(pool_.size());
    case IjvmTable::Stack:
        return static_cast<int32_t>(stack_.rows.size());
    case IjvmTable::Output:
        return static_cast<int32_t>(output_.size());
    case IjvmTable::Counts:
        return static_cast<int32_t>(counts_.size());
    }
    return 0;
}

namespace {

struct Column {
    const char* heading;
    int32_t chars; // the width in digits; 0: the rest (the last column)
};

// Marks ("SP LV"), offsets and addresses, up to four bytes, values with their sign, the
// stack's word descriptions, the longest mnemonic.
constexpr Column listingColumns[] = {{"", 4}, {"Offset", 6}, {"Bytes", 12}, {"Instruction", 0}};
constexpr Column poolColumns[] = {{"", 5}, {"Index", 6}, {"Value", 12}, {"Name", 0}};
constexpr Column stackColumns[] = {{"", 6}, {"Address", 8}, {"Value", 11}, {"Word", 15}, {"Frame", 0}};
constexpr Column outputColumns[] = {{"Value", 12}, {"char", 0}};
constexpr Column countsColumns[] = {{"Instruction", 14}, {"Count", 8}, {"Micro", 9}, {"Average", 0}};

std::span<const Column> columnsOf(IjvmTable table) {
    switch (table) {
    case IjvmTable::MethodArea:
        return listingColumns;
    case IjvmTable::ConstantPool:
        return poolColumns;
    case IjvmTable::Stack:
        return stackColumns;
    case IjvmTable::Output:
        return outputColumns;
    case IjvmTable::Counts:
        return countsColumns;
    }
    return {};
}

} // namespace

int32_t IjvmWindowView::columns(IjvmTable table) {
    return static_cast<int32_t>(columnsOf(table).size());
}

const char* IjvmWindowView::heading(IjvmTable table, int32_t column) {
    if (column < 0 || column >= columns(table)) return "";
    return columnsOf(table)[static_cast<size_t>(column)].heading;
}

int32_t IjvmWindowView::columnChars(IjvmTable table, int32_t column) {
    if (column < 0 || column >= columns(table)) return 0;
    return columnsOf(table)[static_cast<size_t>(column)].chars;
}

const StackRow& IjvmWindowView::stackRow(int32_t row) const {
    return stack_.rows[stack_.rows.size() - 1 - static_cast<size_t>(row)];
}

namespace {

std::string stackWord(const StackRow& row) {
    const std::string name(row.name);
    switch (row.role) {
    case StackRole::Operand:
        return "operand";
    case StackRole::Link:
        return "link";
    case StackRole::Parameter:
        return name.empty() ? "parameter" : "parameter " + name;
    case StackRole::Variable:
        return name.empty() ? "variable" : "variable " + name;
    case StackRole::Local:
        return "local";
    case StackRole::CallerLv:
        return "caller's LV";
    case StackRole::ReturnAddress:
        return "return address";
    }
    return "";
}

} // namespace

std::string IjvmWindowView::cell(IjvmTable table, int32_t row, int32_t column) const {
    if (row < 0 || row >= rows(table)) return "";
    const auto r = static_cast<size_t>(row);
    switch (table) {
    case IjvmTable::MethodArea: {
        const ListingLine& line = listing_[r];
        switch (column) {
        case 0:
            return row == pcRow_ ? "PC" : "";
        case 1:
            return std::to_string(line.offset);
        case 2:
            return line.bytes;
        case 3:
            return line.text;
        }
        return "";
    }
    case IjvmTable::ConstantPool: {
        const PoolLine& line = pool_[r];
        switch (column) {
        case 0:
            return row == 0 ? "CPP" : "";
        case 1:
            return std::to_string(line.index);
        case 2:
            return std::to_string(line.value);
        case 3:
            return line.what;
        }
        return "";
    }
    case IjvmTable::Stack: {
        const StackRow& word = stackRow(row);
        switch (column) {
        case 0:
            return word.sp && word.lv ? "SP LV" : word.sp ? "SP" : word.lv ? "LV" : "";
        case 1:
            return std::to_string(word.address);
        case 2:
            return word.known ? std::to_string(word.value) : "?";
        case 3:
            return stackWord(word);
        case 4: {
            // The method's name on its frame's link word: the frame starts there.
            if (word.role != StackRole::Link || word.frame < 0) return "";
            const Method* m = stack_.frames[static_cast<size_t>(word.frame)].method;
            return m ? m->name : "?";
        }
        }
        return "";
    }
    case IjvmTable::Output:
        return column == 0 ? std::to_string(output_[r]) : column == 1 ? outputCharacter(output_[r]) : "";
    case IjvmTable::Counts: {
        const OpcodeCount& c = counts_[r];
        switch (column) {
        case 0:
            return c.mnemonic;
        case 1:
            return std::to_string(c.count);
        case 2:
            return std::to_string(c.micro);
        case 3: {
            char average[32];
            std::snprintf(average, sizeof average, "%.2f", c.average);
            return average;
        }
        }
        return "";
    }
    }
    return "";
}

bool IjvmWindowView::marked(IjvmTable table, int32_t row) const {
    if (row < 0 || row >= rows(table)) return false;
    switch (table) {
    case IjvmTable::MethodArea:
        return row == pcRow_;
    case IjvmTable::ConstantPool:
        return row == 0;
    case IjvmTable::Stack:
        return stackRow(row).sp || stackRow(row).lv;
    case IjvmTable::Output:
    case IjvmTable::Counts:
        return false;
    }
    return false;
}

int32_t IjvmWindowView::frameOf(int32_t row) const {
    if (row < 0 || row >= rows(IjvmTable::Stack)) return -1;
    const int32_t frame = stackRow(row).frame;
    // frames holds the current one first: counted from the oldest, a frame keeps its
    // shade while calls come and go above it.
    return frame < 0 ? -1 : static_cast<int32_t>(stack_.frames.size()) - 1 - frame;
}

uint32_t IjvmWindowView::background(IjvmTable table, int32_t row) const {
    if (marked(table, row)) return 0xFFF59D;
    if (table != IjvmTable::Stack) return 0xFFFFFF;
    const int32_t frame = frameOf(row);
    if (frame < 0) return 0xFFFFFF;
    return frame % 2 ? 0xFFE9CC : 0xDCEBFA;
}

} // namespace tarveno::ui
