// Loading a microprogram file into the control store.

#include "core/Machine.h"
#include "core/RunEngine.h"
#include "support/FileReader.h"

namespace tarveno {

namespace {

// The value of a word as the C library's decimal conversion reads it: an optional
// sign, then the leading digits; a word without digits is 0. Wraps at 32 bits.
uint32_t decimalValue(const std::string* word) {
    if (!word) return 0;
    size_t i = 0;
    bool negative = false;
    if (i < word->size() && ((*word)[i] == '-' || (*word)[i] == '+')) negative = (*word)[i++] == '-';
    uint32_t v = 0;
    for (; i < word->size() && (*word)[i] >= '0' && (*word)[i] <= '9'; ++i)
        v = v * 10u + static_cast<uint32_t>((*word)[i] - '0');
    return negative ? 0u - v : v;
}

} // namespace

// One line per microinstruction: address, next address, control word, then the text
// up to the line end. The first line of an address wins.
void Machine::loadMicroprogram(const std::string& fileName) {
    FileReader reader(fileName);
    reader.open();
    while (const std::string* first = reader.nextWord()) {
        const uint32_t address = decimalValue(first);
        const uint32_t next = decimalValue(reader.nextWord());
        const uint32_t word = decimalValue(reader.nextWord());
        // A line without text ends at its control word: the text must not be taken
        // from the line after it.
        std::string text;
        if (reader.lastDelimiter() != '\n' && !reader.atEnd()) {
            // A longer text is cut to what a record holds rather than ending the load.
            text = reader.readLine(Microinstruction::maxText);
            if (!text.empty() && text.back() == '\r') text.pop_back();
        }
        loadMicroinstruction(address, Microinstruction{word, next, text});
    }
    reader.close();
}

bool Machine::loadMicroinstruction(uint32_t address, const Microinstruction& mic) {
    if (controlStore_.contains(address)) return false;
    controlStore_.insert({address, mic});
    engine_->invalidate();
    return true;
}

} // namespace tarveno
