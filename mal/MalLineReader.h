#pragma once
// The line reader of the micro-assembler. It reads a MAL source one statement at a
// time: the line is folded to upper case, its comment (from the first "/") dropped,
// trailing blanks trimmed and a ";" appended, and it is split into a label and a
// statement text. Blank and comment lines are skipped. A second reader on the output
// file writes the microprogram file.
//
// A line whose first word is a register or keyword (reservedFirstWord) has no label.

#include "core/MachineDescription.h"
#include "support/ReplacingFile.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace tarveno {

class MalLineReader {
  public:
    // A line of more characters than this ends the reading of the file.
    static constexpr size_t maxLine = 254;

    MalLineReader() = default;
    MalLineReader(const MalLineReader&) = delete;
    MalLineReader& operator=(const MalLineReader&) = delete;

    void setName(std::string fileName) { name = std::move(fileName); }

    // Opens the named file read-only in binary mode, for next(). Raises
    // "Errore nel metodo FileReaderMic1::open(): impossibile aprire il file".
    bool open();
    // Starts the named file anew for write(); it takes the place of the old one at
    // close(), whole. Same failure as open().
    bool openForWriting();
    // Closes whatever is open. A write that failed raises
    // "Errore nel metodo FileReaderMic1::write(): impossibile scrivere il file".
    void close();

    // Reads the next statement: false when the file is exhausted or a line longer than
    // maxLine stopped the reading (lineTooLong() then tells). Afterwards label, statement, lineStart and
    // lineNumber describe the statement and the position is just past its line.
    bool next();
    // Back to the start of the file, with the state cleared and the line count at 0.
    void rewind();
    // Offset in the file of the next character to read.
    int32_t position();
    // True when the last next() stopped at a line longer than maxLine.
    bool lineTooLong() const { return lineTooLong_; }
    // Lines read since open() or rewind().
    int32_t linesRead() const { return linesRead_; }

    void write(std::string_view text);

    // The normalised form of one line, as next() makes it (exposed for the checker and
    // the tests): upper case, white space as blanks, cut at the first "/" or NUL,
    // trailing blanks trimmed, ";" appended when not empty and not already last.
    static std::string normalise(std::string_view line);
    // True for the words that open a statement without a label.
    static bool reservedFirstWord(std::string_view word);

    std::string name;
    // Offset taken just before the last statement was searched for: its span covers the
    // blank and comment lines before it.
    int32_t lineStart = 0;
    // 1-based number of the line the last statement was read from.
    int32_t lineNumber = 0;
    std::optional<std::string> label; // none: the statement has no label
    std::string statement;

  private:
    void split(const std::string& line);

    std::ifstream in_;
    ReplacingFile out_;
    std::string written_;
    int32_t linesRead_ = 0;
    bool lineTooLong_ = false;
};

} // namespace tarveno
