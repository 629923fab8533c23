#pragma once
// An assembled IJVM program: the records the assembler read (named numbers,
// instruction records, methods), its diagnostics, its image and the maps from the image
// back to the source. The machine never holds one: it runs the image once placed in
// main memory, and the front ends keep the rest to show it.

#include "core/SparseStore.h"
#include "ijvm/DiagnosticCode.h"
#include "ijvm/ImageBytes.h"
#include "ijvm/InstructionSet.h"
#include "support/List.h"

#include <cstdint>
#include <string>
#include <type_traits>

namespace tarveno {

// One named number: a constant, a parameter or variable, or a label.
struct Symbol {
    int32_t index = 0;
    std::string name;
    int32_t value = 0;

    // Names compare exactly, case counting, in ascending byte order.
    bool operator==(const Symbol& o) const { return name == o.name; }
    bool operator<(const Symbol& o) const { return name < o.name; }
};

// One instruction as read from the source.
struct InstructionRecord {
    std::string label;
    std::string mnemonic;
    std::string operand;
    std::string operand2;
    int32_t sourcePosition = 0;
    int32_t index = 0;
    int32_t offset = 0;
    int32_t length = 0;
    // Byte offset of the first operand word in the source, for the span of a failed
    // lookup; -1 when not known (the span then assumes one blank after the mnemonic).
    int32_t operandPosition = -1;
    // The same for the second operand (IINC's number).
    int32_t operand2Position = -1;
};

struct Method {
    std::string name;
    int32_t number = 0;
    int32_t parameters = 1;
    int32_t variables = 0;
    int32_t instructions = 0;
    int32_t length = 0;
    List<InstructionRecord> code;
    List<Symbol> labels;
    List<Symbol> locals;

    bool operator==(const Method& o) const { return name == o.name; }
};

// One diagnostic: its message (Windows-1252 bytes in the course texts), the byte span it
// concerns, and whether it only warns.
struct Diagnostic {
    std::string message;
    int32_t start = 0;
    int32_t length = 0;
    DiagnosticCode code = DiagnosticCode::None;
    bool warning = false;
};

// What the assembler hands on.
struct IjvmProgram {
    // The image: the opening call of main, then each method's header and code; and the
    // constants, then one entry per method, four bytes each, low byte first.
    ImageBytes methodArea;
    ImageBytes constantPool;
    SparseStore<uint32_t, uint32_t> sourceMap; // method-area offset -> source offset of the mnemonic
    SparseStore<uint32_t, uint32_t> methodMap; // method-area offset -> pool index of the method's entry
    List<Method> methods;
    List<Symbol> constants;
    List<Diagnostic> diagnostics; // in the order found; none of them prevents a load
    // The instructions it was assembled with: the standard ones and those it declares.
    InstructionSet instructions;

    int32_t methodAreaSize() const { return methodArea.count(); }
    int32_t poolWords() const { return constantPool.count() / 4; }
    // The constant-pool entry at index i.
    int32_t poolEntry(int32_t i) const { return constantPool.word32(i * 4); }
    // The diagnostics that are errors; warningsCount too makes warnings count as errors.
    int32_t errorCount(bool warningsCount = false) const {
        int32_t n = 0;
        diagnostics.forEach([&](const Diagnostic& d) { n += !d.warning || warningsCount; });
        return n;
    }
};

// Handing a program from the assembler to its holder is a move: no record is copied.
static_assert(std::is_nothrow_move_constructible_v<IjvmProgram> &&
              std::is_nothrow_move_assignable_v<IjvmProgram>);

} // namespace tarveno
