#pragma once
// The workbench core that every front end shares: compile-and-load of a MAL source
// (check, assemble to the microprogram file, new machine, load, reset) and opening an
// IJVM program, each as one operation. It holds the current machine with the source map
// of the microprogram loaded into it, and the IJVM program opened last; a compile whose
// check fails, or that raises a FatalError, leaves the machine and the map as they were.

#include "checker/MalChecker.h"
#include "core/Machine.h"
#include "ijvm/Program.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarveno {

// The byte span of one statement in its source file, as the micro-assembler recorded it.
struct SourceSpan {
    int32_t start = 0;
    int32_t length = 0;
};

// Per control-store address 0 to 511, the span of the statement placed there.
class SourceMap {
  public:
    static constexpr uint32_t size = 512;
    // The span at address; 0 and 0 for an address without a statement or of 512 and more.
    SourceSpan at(uint32_t address) const { return address < size ? spans_[address] : SourceSpan{}; }
    void set(uint32_t address, SourceSpan span) {
        if (address < size) spans_[address] = span;
    }

  private:
    std::array<SourceSpan, size> spans_{};
};

// The microprogram file of a source: its own extension replaced by ".bin" (appended when
// it has none; a leading dot belongs to the name).
std::string microprogramFileFor(const std::string& source);

struct CompileOutcome {
    CheckResult check;                 // the checker's findings (empty when not checked)
    std::vector<std::string> warnings; // the micro-assembler's, one line each
    bool loaded = false;               // a new machine was made, loaded and reset
};

// Whether a compile runs the MAL checker first: a front end that checks by other means
// (the window runs the checker program) or not at all passes Skip.
enum class Check { Run, Skip };

// Checks source and, without errors, assembles it into binary; outcome.loaded stays
// false (nothing is loaded). Raises FatalError as the assembler does.
CompileOutcome assembleMicroprogram(const std::string& source, const std::string& binary, Check check,
                                    SourceMap* map = nullptr);

class Workbench {
  public:
    // Checks source; with errors, stops there. Otherwise assembles it into binary, makes
    // a new machine, loads binary into its control store and resets it; only then are the
    // machine and the source map replaced. Raises FatalError as the assembler and the
    // loader do, leaving everything as it was.
    CompileOutcome compileAndLoad(const std::string& source, const std::string& binary,
                                  Check check = Check::Run);

    // A new machine with a microprogram file loaded and reset, and its source map (none
    // for a file without its source).
    void loadMicroprogramFile(const std::string& binary, const SourceMap& map = {});

    // Assembles an IJVM program, keeps it as ijvmProgram() and resets the current machine
    // (main memory and control store stay). With Image::Place its image is also written
    // into main memory and the registers are set to run it (placeImage); with
    // Image::Keep it stays in the program only. Answers false, and does nothing, when
    // there is no machine yet. A FatalError keeps the program opened before.
    enum class Image { Keep, Place };
    bool openIjvmProgram(const std::string& fileName, Image image = Image::Keep);
    // Keeps an assembled program as ijvmProgram(), resets the machine and places the
    // image (placeImage). Answers false, and does nothing, when there is no machine yet.
    bool placeIjvmProgram(IjvmProgram program);

    bool hasMachine() const { return machine_ != nullptr; }
    // The current machine; only valid while hasMachine().
    Machine& machine() { return *machine_; }
    const Machine& machine() const { return *machine_; }
    const SourceMap& sourceMap() const { return sourceMap_; }
    // The IJVM program opened last, with its diagnostics; an empty one before any. A new
    // machine (a compile, a microprogram file) keeps it.
    const IjvmProgram& ijvmProgram() const { return ijvmProgram_; }

  private:
    std::unique_ptr<Machine> machine_;
    SourceMap sourceMap_;
    IjvmProgram ijvmProgram_;
};

} // namespace tarveno
