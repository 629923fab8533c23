#pragma once
// The MAL micro-assembler. It reads a MAL source twice and writes the microprogram
// file, one text line per microinstruction:
//   address, blank, next address, blank, control word, tab, shown text, line feed
// with decimal numbers; the shown text is the label (or "ek9218a"), ": " and the
// statement as read (upper case, comment removed, ending in ";").
//
// Placement is positional: statement n (blank and comment lines do not count) is the
// microinstruction at address n, and a label stands for the address of its statement.
// A statement without a jump continues with the next one (" GOTO n+1;" is added). For
//   IF (Z) GOTO then; ELSE GOTO else;
// the statement jumps to the else address with JAMZ (or JAMN), and a jump to the then
// label is written at the else address + 256, where the sequencer lands when the flag
// is set; that line comes just before the IF statement's own line.
//
// The source is expected to have passed the MAL checker; the assembler issues no
// errors, but it records warnings (English, one line each, with the 1-based source
// line) where it had to choose: an undefined label, text it had to cut or ignore,
// placements that collide.

#include "core/MachineDescription.h"
#include "mal/Label.h"
#include "mal/MalLineReader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno {

// Which label of a statement is being looked up.
enum class LabelUse { Goto, Else, Then };

// A statement text as the encoder receives it, and the IF it holds, if any.
struct ResolvedStatement {
    enum class If { None, Complete, NoElse };
    std::string text;   // labels replaced by addresses, the default jump added
    If form = If::None; // Complete: a jump to thenAddress goes at elseAddress + 256
    int32_t elseAddress = 0;
    int32_t thenAddress = 0;
};

// Resolves one statement text: the first GOTO to a
// label gets its address; an IF gets its else address, and the then address for the
// jump placed at else + 256; a statement without GOTO continues with index + 1. The
// micro-assembler and the checker share it, so they hand the encoder the same text.
ResolvedStatement
resolveStatement(const std::string& text, int32_t index,
                 const std::function<int32_t(const std::string& name, LabelUse use)>& address);

class MicroAssembler {
  public:
    // Addresses with a source-map entry; a microprogram holds at most this many
    // statements with a source selection.
    static constexpr int32_t mapSize = static_cast<int32_t>(machine::sourceMapSize);

    // Removes the file named outputName at once (a missing file is no error); opens
    // nothing yet.
    MicroAssembler(std::string sourceName, std::string outputName);
    MicroAssembler(const MicroAssembler&) = delete;
    MicroAssembler& operator=(const MicroAssembler&) = delete;

    // Both passes; on return the output file is complete and both files are closed.
    // Raises FatalError when the source or the output cannot be opened (the output may
    // not be the source file itself) or the output cannot be written.
    void assemble();

    // The source map: file offset where the search for the statement at address began
    // (the end of the previous statement's line), and the number of bytes from there to
    // the end of the statement's line, line feed included. 0 and 0 for an address with
    // no statement or outside the map.
    int32_t sourceStart(uint32_t address) const;
    int32_t sourceLength(uint32_t address) const;
    // Number of statements of the source (after assemble).
    int32_t statementCount() const { return statements_; }
    // The address a label stands for, or -1 when no statement carries it.
    int32_t labelAddress(std::string_view name) const;
    const std::vector<std::string>& warnings() const { return warnings_; }

    const std::string& sourceName() const { return sourceName_; }
    const std::string& outputName() const { return outputName_; }

  private:
    void pass1();
    void pass2();
    // Resolves labels in text and adds the default jump; may write the generated jump
    // of an IF.
    void resolve(std::string& text, int32_t index, const std::string& shown);
    int32_t lookup(const std::string& name, const char* how);
    void emit(int32_t address, const std::string& text, const std::string& shown);
    void warn(const std::string& message);

    std::string sourceName_;
    std::string outputName_;
    int32_t outputMode_ = 0; // 0: the text form of the microprogram file
    std::array<int32_t, mapSize> sourceStart_{};
    std::array<int32_t, mapSize> sourceLength_{};
    MalLineReader source_;
    MalLineReader output_;
    // Label name -> statement index, names in ascending byte order. A later statement
    // with the same label takes the name over, so jumps reach the later one.
    std::map<std::string, int32_t, std::less<>> labels_;
    std::vector<int32_t> statementLines_;
    int32_t statements_ = 0;
    int32_t line_ = 0; // source line of the statement being assembled
    // The generated IF jumps written so far: address, then address, source line.
    struct Placed {
        int32_t address;
        int32_t target;
        int32_t line;
    };
    std::vector<Placed> placed_;
    std::vector<std::string> warnings_;
};

} // namespace tarveno
