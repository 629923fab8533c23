#pragma once
// Breakpoints by line: on the statement a line of the microprogram holds, and before the
// instruction a line of the IJVM program holds. The lines are kept over a new compile or
// placing while a statement or an instruction stands on them; the machine's addresses
// are worked out from the source map and the IJVM program's map each time.

#include "core/Machine.h"
#include "workbench/Outcome.h"

#include <set>
#include <string>
#include <vector>

namespace tarveno {

class Workbench;
class IjvmDocument;

// Which editor a line is of.
enum class Source { Microprogram, Ijvm };

class BreakpointMap {
  public:
    BreakpointMap(CommandGate& gate, const Workbench& workbench, const IjvmDocument& ijvm)
        : gate_(gate), workbench_(workbench), ijvm_(ijvm) {}

    // A breakpoint on line (0-based) of an editor is set or cleared.
    Outcome toggle(Source source, int line);
    Outcome clear();

    const std::set<int>& lines(Source source) const {
        return source == Source::Microprogram ? malLines_ : ijvmLines_;
    }
    // One line per breakpoint, for a menu: "MAL line 12: H = H + 1", "IJVM line 5: BIPUSH 1".
    std::vector<std::string> list() const;
    // What stopped a Run at a breakpoint, for the status line.
    std::string stopStatus() const;
    // The machine's addresses of the breakpoints.
    const Breakpoints& addresses() const { return addresses_; }

    // The sources the lines refer to: the microprogram loaded and the IJVM program placed.
    void setMicroprogramSource(std::string bytes) { malSource_ = std::move(bytes); }
    void setIjvmSource(std::string bytes) { ijvmSource_ = std::move(bytes); }
    const std::string& microprogramSource() const { return malSource_; }
    // Works the addresses out again, dropping the lines that hold nothing any more.
    void place();

  private:
    CommandGate& gate_;
    const Workbench& workbench_;
    const IjvmDocument& ijvm_;
    std::set<int> malLines_, ijvmLines_;
    Breakpoints addresses_;
    std::string malSource_;  // the bytes of the microprogram loaded, which its source map spans
    std::string ijvmSource_; // the bytes of the IJVM program placed
};

} // namespace tarveno
