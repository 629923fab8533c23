#pragma once
// File helpers of mic1: readable checks, a private temporary folder, and the report
// of a compile.

#include "ijvm/Program.h"
#include "workbench/Workbench.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace mic1 {

// An English message saying why path cannot be read, or empty when it can.
std::string unreadableReason(const std::string& path);
// An English message saying why a file cannot be written at path, or empty when it can
// (its folder takes a new file, or the file itself is writable).
std::string unwritableReason(const std::string& path);
// The bytes of a file; empty when it cannot be read.
std::string readBytes(const std::string& path);
// The line and column (in characters), from 1, of a byte offset in text (clamped to the
// text).
struct TextPlace {
    size_t line = 1;
    size_t column = 1;
};
TextPlace placeIn(std::string_view text, int32_t offset);
// Reports an IJVM program's diagnostics on standard error as compilers do:
// FILE:LINE:COLUMN: error: MESSAGE (or warning:), the source line and a caret, placed in
// text, the source's bytes. Answers whether there were errors; with werror, warnings
// count as errors.
bool reportIjvmDiagnostics(const tarveno::IjvmProgram& program, const std::string& source,
                           std::string_view text, bool werror = false);
// Reports a compile on standard error: the checker's report when it found anything,
// then the micro-assembler's warnings. Answers whether the check passed.
bool reportCompile(const tarveno::CompileOutcome& outcome, const std::string& source);

// A folder of its own under the system's temporary folder, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace mic1
