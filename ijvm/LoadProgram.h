#pragma once
// Opening an IJVM program: assemble a source file and hand its tables to the machine.

#include "core/ControlPath.h"

#include <string>

namespace tarveno {

// Assembles fileName and replaces the machine's assembler tables (sourceMap,
// methodMap, methods, constants, errors) by the program's, sets poolWords and
// methodAreaSize, and resets the machine. Main memory and the control store keep their
// contents: the image itself is not placed in memory. Diagnostics do not prevent the
// load. A FatalError (unreadable file, malformed number, exhausted memory) leaves the
// machine untouched.
void loadProgram(ControlPath& machine, const std::string& fileName);

} // namespace tarveno
