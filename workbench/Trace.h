#pragma once
// What a trace and the counts of a run show, as text that mic1 prints and the window
// shows alike: a microinstruction as a CSV line, the statement at a control-store
// address, and the IJVM instructions executed by opcode.

#include "core/Machine.h"
#include "ijvm/InstructionSet.h"
#include "workbench/Workbench.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno {

// "step,address,statement,written,memory,n,z"
std::string traceCsvHeader();

// One microinstruction as a CSV line (no line end): its step number, the control-store
// address it was executed from (after.previousMpc), the statement's text (quoted when it
// holds a comma, a quote or a line end), the registers its C bus wrote with their new
// values ("H=5 TOS=5", in register order), the memory operations it started ("rd 12",
// "wr 13=7", "fetch 5": word address, or byte address for fetch, and the value written),
// and N and Z as 0 or 1. Everything is read from the machine after the step; the control
// word executed is after.mir.
std::string traceCsvRow(uint64_t step, const Machine& after, std::string_view statement);

// A line of source as code: its comment (from the first '/') and the blanks around dropped.
std::string codeOfLine(std::string_view line);

// The text of the statement at each control-store address of map: its own line of the
// source (the last of its span), comment and surrounding blanks dropped; "" without one.
// It is UTF-8, the source read as the editor reads it (UTF-8 when valid, else
// Windows-1252), looked at once for all.
std::vector<std::string> statementTexts(std::string_view source, const SourceMap& map);

// The opcodes an IJVM program executed, in opcode order: the mnemonic from the program's
// instruction set (its own declared ones among them; "0x.." for a byte that is no
// opcode), how many ran, their microinstructions in all and on average.
struct OpcodeCount {
    uint8_t opcode;
    std::string mnemonic;
    uint64_t count;
    uint64_t micro;
    double average;
};
std::vector<OpcodeCount> opcodeCounts(const ExecutionCounts& counts,
                                      const InstructionSet& instructions = standardInstructions());

} // namespace tarveno
