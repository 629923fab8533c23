#pragma once
// Opening an IJVM program: assemble a source file for a machine; and, for running it,
// placing its image in main memory.

#include "core/Machine.h"
#include "ijvm/ImageBytes.h"
#include "ijvm/Program.h"

#include <cstdint>
#include <string>

namespace tarveno {

// Assembles fileName: the program with its diagnostics. Raises FatalError for an
// unreadable file or exhausted memory.
IjvmProgram assembleProgram(const std::string& fileName);

// Assembles fileName, resets the machine and answers the program, its diagnostics
// among it. Main memory and the control store keep their contents: the image is not
// placed in memory. Diagnostics do not prevent the load. A FatalError (unreadable file,
// exhausted memory) leaves the machine untouched.
IjvmProgram loadProgram(Machine& machine, const std::string& fileName);

// Where placeImage put a program, in word addresses. The three regions follow each
// other without a gap and never overlap:
//   0 .. cpp-1          the method area, four bytes to a word, the first byte in the
//                       word's top bits (the order in which a fetch reads them)
//   cpp .. stackBase-1  the constant pool, one entry to a word
//   stackBase ..        the stack, growing upwards; stackBase holds main's object
//                       reference, 0
struct ImageLayout {
    uint32_t cpp = 0;
    uint32_t stackBase = 0;
};

// Writes an image into main memory as ImageLayout describes and sets the registers an
// interpreter starts from: PC = -1, one byte before the opening call of main, so that
// the main loop's first "PC = PC + 1; FETCH" reads it; CPP = the pool; SP = stackBase
// and TOS = 0, the object reference on the stack; LV = 0, no frame yet. The other
// registers keep their values (0 after a load). Other cells of main memory, the
// standard-input cell among them, are left as they are.
ImageLayout placeImage(Machine& machine, const ImageBytes& methodArea, const ImageBytes& constantPool);

// loadProgram followed by placeImage of the same program: ready to run from MPC 0.
IjvmProgram loadRunnableProgram(Machine& machine, const std::string& fileName);

} // namespace tarveno
