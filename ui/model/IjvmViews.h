#pragma once
// What the IJVM views of the window show at each step, without Qt: the method area as a
// listing, the constant pool, the stack cut into the frames of the methods running, and
// the output. Each view is computed whole from the program and the machine in time linear
// in its rows; names are views into the program, which must outlive the rows.

#include "core/Machine.h"
#include "ijvm/Program.h"
#include "workbench/Trace.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno::ui {

// One line of the method area: a method's header word or one instruction.
struct ListingLine {
    uint32_t offset = 0;      // method-area byte offset
    int32_t length = 0;       // in bytes
    std::string bytes;        // its bytes in hex, "52 00 01"
    std::string text;         // "INVOKEVIRTUAL sumsq", or "method sumsq: 3 parameters, 1 variable"
    bool header = false;      // a method's header word
    int32_t sourceStart = -1; // byte offset of the instruction in the source, -1 for none
    int32_t sourceLength = 0; // from its mnemonic to the end of its last operand
};

// The bytes of the method area as the machine holds them: byte b in word b/4, the first
// byte in the top bits; a word never written reads as 0.
std::function<uint8_t(uint32_t)> methodAreaBytes(const Machine& machine);

// The opening call of main, then each method's header and instructions in the order the
// assembler laid them out. The layout is the program's; the bytes and what they decode to
// are read through byteAt, so an overwritten byte shows as what the machine will execute.
std::vector<ListingLine> methodAreaListing(const IjvmProgram& program,
                                           const std::function<uint8_t(uint32_t)>& byteAt);

// The row of the line whose bytes hold pcOffset (the opcode the interpreter executes next
// when MPC is 0), or -1 when no line does (PC = -1 before the first fetch). After main
// returns, PC is 3, in main's header, and that line is the one marked.
int32_t listingRowOf(const std::vector<ListingLine>& listing, int32_t pcOffset);

struct PoolLine {
    int32_t index = 0;
    int32_t value = 0;
    std::string what; // the constant's name, or "method NAME" for a method's entry
};

// The constants, then one entry per method, as the program's pool holds them.
std::vector<PoolLine> constantPoolLines(const IjvmProgram& program);

enum class StackRole : uint8_t {
    Operand,       // an operand word, or a word of no frame (main's object reference)
    Link,          // local 0 of a frame: the address of its saved caller's LV
    Parameter,     // locals 1 .. parameters - 1
    Variable,      // the locals after the parameters
    Local,         // a local of a frame whose method is not known, or does not fit it
    CallerLv,      // the saved LV of the caller
    ReturnAddress, // the saved PC: the caller's next opcode
};

struct StackFrame {
    uint32_t lv = 0;
    uint32_t link = 0;
    int32_t pc = 0;                 // the PC the method runs at (or returns to)
    const Method* method = nullptr; // whose code holds pc; nullptr when none does
};

struct StackRow {
    uint32_t address = 0;
    int32_t value = 0;
    int32_t frame = -1; // index into StackView::frames, -1 for a word of no frame
    StackRole role = StackRole::Operand;
    bool known = false; // the word exists in memory (value is 0 otherwise)
    bool sp = false;
    bool lv = false;
    std::string_view name; // a parameter's or variable's name, when the method has one
};

struct StackView {
    std::vector<StackRow> rows;     // ascending addresses, the stack base (or the oldest shown) first
    std::vector<StackFrame> frames; // the current frame first, then its callers
};

// The PC of the instruction the machine stands at: PC itself, but once it has halted the
// PC the HALT began at (PC has moved past it, maybe into the next method's header).
int32_t instructionPc(const Machine& machine, const ExecutionCounts& counts);

// The words from the stack base (CPP + the pool's entries) up to SP, at most the top
// maxWords of them; empty when SP is below the base. The frames are walked from LV
// through the saved links while each link lies inside the stack and each caller's LV
// below its callee's, so memory that holds anything ends the walk rather than it. The
// current frame's method is the one whose code holds pc (-1: the machine's PC).
StackView stackView(const Machine& machine, const IjvmProgram& program, uint32_t maxWords = 1u << 20,
                    int32_t pc = -1);
// The same into view, whose rows keep their memory: a window refreshed at every step of a
// deep stack writes its rows again instead of allocating and clearing them.
void stackView(const Machine& machine, const IjvmProgram& program, StackView& view,
               uint32_t maxWords = 1u << 20, int32_t pc = -1);

// The character a value OUT wrote stands for: itself for a printable code (32..126),
// "" otherwise. The Output table shows it in a column of its own, beside the number.
std::string outputCharacter(int32_t value);

// The IJVM window's tables as texts (the counts: per opcode, how many ran and their
// microinstructions in all and on average), each cell made when it is shown. The listing and the
// pool are taken when an image is placed (the interpreter never writes its method area);
// the PC row, the stack and the output are taken again after every step.
enum class IjvmTable { MethodArea, ConstantPool, Stack, Output, Counts };

class IjvmWindowView {
  public:
    void place(const IjvmProgram& program, const Machine& machine);
    void clear();
    void refresh(const Machine& machine, const IjvmProgram& program, const ExecutionCounts& counts);

    int32_t rows(IjvmTable table) const;
    static int32_t columns(IjvmTable table);
    static const char* heading(IjvmTable table, int32_t column);
    // A column's width in digits of the table's font; the last column takes the rest.
    static int32_t columnChars(IjvmTable table, int32_t column);
    std::string cell(IjvmTable table, int32_t row, int32_t column) const;
    // The row a register points at: PC's instruction, CPP's first entry, SP's word.
    bool marked(IjvmTable table, int32_t row) const;
    // A stack row's frame counted from the oldest (0), -1 for a word of no frame: frames
    // are told apart by shading.
    int32_t frameOf(int32_t row) const;
    // A row's background as 0xRRGGBB: a register's row yellow, the stack's frames in two
    // alternating tints, other rows white.
    uint32_t background(IjvmTable table, int32_t row) const;
    int32_t pcRow() const { return pcRow_; }
    // The line PC's instruction stands on, when PC lies in the code.
    const ListingLine* pcLine() const {
        return pcRow_ < 0 ? nullptr : &listing_[static_cast<size_t>(pcRow_)];
    }
    // The registers an IJVM program is followed by, one line: "PC 5  SP 1027 ...", and
    // whether the machine is between two IJVM instructions; "" before a program is placed.
    const std::string& registers() const { return registers_; }
    // "1234 microinstructions, 56 IJVM instructions" executed since the program began.
    static std::string executed(const ExecutionCounts& counts);

  private:
    const StackRow& stackRow(int32_t row) const; // top first

    std::vector<ListingLine> listing_;
    std::vector<PoolLine> pool_;
    StackView stack_;
    std::vector<int32_t> output_; // a copy: the machine may be replaced before the next refresh
    std::vector<OpcodeCount> counts_;
    int32_t pcRow_ = -1;
    std::string registers_;
};

} // namespace tarveno::ui
