#pragma once
// The checker's view of a MAL source: the same statements the micro-assembler reads
// (lines of at most 254 characters, folded to upper case, "/" comments dropped, ";"
// appended, a first word that is not reserved taken as a label), each with the line
// and columns it came from so that findings can point at the text.

#include "checker/MalChecker.h"
#include "core/MachineDescription.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno::checker {

// Longest line the micro-assembler reads; a longer one ends its reading.
constexpr size_t maxLineLength = 254;
// Longest label that reaches the label list uncut.
constexpr size_t maxLabelLength = 29;
inline constexpr size_t maxShownText = machine::shownTextLimit;
inline constexpr int32_t controlStoreSize = static_cast<int32_t>(machine::sourceMapSize);
inline constexpr int32_t haltAddress = static_cast<int32_t>(machine::haltAddress);
using machine::unlabelledShownLabel;

// One statement as the micro-assembler reads it.
struct SourceStatement {
    int32_t line = 0;       // 1-based
    std::string display;    // the line as the report shows it
    std::string normalized; // folded line, comment dropped, ending in ";"
    std::string label;      // empty when the line has none
    int32_t labelColumn = 0;
    bool indented = false;   // the first word did not start in column 1
    bool labelAlone = false; // a label alone on its line labels an empty statement
    char labelEnd = ' ';     // the character that ended the first word (' ' or a delimiter)
    std::string text;        // the statement field
    int32_t textColumn = 0;  // column of text[0] (the line's end + 1 for an empty text)
};

// Bounds that keep the check of a huge file cheap: far past what a control store holds.
constexpr size_t maxStoredStatements = 4096;
constexpr size_t maxFindings = 1000;

struct SourceReading {
    std::vector<SourceStatement> statements; // the first maxStoredStatements
    size_t statementCount = 0;               // all of them
    std::vector<CheckFinding> findings;      // line too long, NUL bytes (the first maxFindings)
};

// Reads every statement of the source bytes. A line too long for the micro-assembler
// is reported and read as its first 254 characters, so that the rest of the file is
// still checked.
SourceReading readSource(std::string_view bytes);

// The line as the report shows it: carriage return at its end dropped, other control
// characters but tab shown as "?", cut after a few hundred characters.
std::string displayLine(std::string_view raw);

} // namespace tarveno::checker
