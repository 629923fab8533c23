#pragma once
// The watch list: words a student follows while stepping, given by word address or as an
// IJVM variable's name, found in the frame of the method running. Each line shows where
// the word is, its value in the readout radix and whether the last command changed it.

#include "core/Machine.h"
#include "ijvm/Program.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno::ui {

struct Watch {
    std::string text;                // as typed
    std::optional<uint32_t> address; // a word address; none: a variable's name
};

struct WatchLine {
    std::string watch;    // as typed
    std::string where;    // "word 1029", or "word 1029 (n in fact)"; "" when not found
    std::string value;    // in the radix; "?" for a word never written; "" when not found
    std::string note;     // why a name has no word now
    bool changed = false; // the last command changed the word
};

class WatchList {
  public:
    // A number (as the memory boxes read it: 25, -6, 0x1F) is a word address; a name is
    // a variable. Answers why text is refused, or "" once it is added. A watch given twice
    // is kept once.
    std::string add(std::string_view text);
    void remove(size_t index);
    void clear() { watches_.clear(); }
    const std::vector<Watch>& watches() const { return watches_; }

    // The lines now. A name is looked up among the locals of the method whose code holds pc
    // (program may be nullptr: no IJVM program), at LV plus its index.
    std::vector<WatchLine> lines(const Machine& machine, const IjvmProgram* program, int32_t pc, int radix,
                                 const std::function<bool(uint32_t)>& changed) const;

  private:
    std::vector<Watch> watches_;
};

} // namespace tarveno::ui
