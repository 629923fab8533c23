#pragma once
// The MAL checker: reads a microprogram source exactly as the micro-assembler does,
// parses every statement with the grammar of MAL, computes the microinstruction each
// statement means and compares it with what the micro-assembler produces for it. Any
// source that would not run as written gets an error naming the line, the column and,
// where there is one, the fix. Shared by quorc, mic1 and the window.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno {

struct CheckFinding {
    int32_t line = 0;   // 1-based
    int32_t column = 0; // 1-based, in bytes of the line
    bool isError = true;
    std::string message;
    std::string sourceLine; // the line as shown under the finding
};

struct CheckResult {
    std::vector<CheckFinding> findings; // in source order
    int32_t errors = 0;
    int32_t warnings = 0;
};

// One microinstruction of the microprogram the source means, in the order the
// micro-assembler writes them (the jump of an IF before the IF itself).
struct CheckedMic {
    int32_t address = 0;
    uint32_t word = 0;
    int32_t next = 0;
    int32_t line = 0;
};

struct CheckAnalysis {
    CheckResult result;
    // Complete only when the result holds no error.
    std::vector<CheckedMic> program;
};

CheckResult checkMalSource(std::string_view bytes);
// A file that cannot be read gives one error finding saying why.
CheckResult checkMalFile(const std::string& path);
// The report: "Errors: N, warnings: M" or "OK: no errors, warnings: M", then each
// finding as FILE:LINE:COLUMN: error|warning: MESSAGE, its source line and a caret.
std::string formatReport(const CheckResult& result, const std::string& fileName);

// As checkMalSource, also answering the intended microprogram.
CheckAnalysis analyzeMalSource(std::string_view bytes);

} // namespace tarveno
