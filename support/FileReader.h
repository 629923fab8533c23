#pragma once
// The word reader of the IJVM assembler and of the microprogram loader. It splits a
// file at a fixed set of delimiters, skips // and /* */ comments and remembers, for
// every read, the byte offset at which it began (`mark`), so that diagnostics can point
// at the text. Positions are byte offsets from the start of the file: the file is read
// in binary mode, so a CR LF line end counts as two positions.
//
// The file is opened read-only, so a write-protected source can be assembled. It is read
// whole at open, up to maxFileBytes: a larger file, or a special file that never ends
// (a FIFO, /dev/zero), is refused instead of being read forever.
// A word that ends at the end of the input, with no delimiter after it, is still a
// word: a file whose last line has no line end does not lose its last word.

#include <cstdint>
#include <istream>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>

namespace tarveno {

class FileReader {
  public:
    // The delimiters of nextWord: comma, blank, carriage return, tab, line feed.
    static constexpr std::string_view wordDelimiters = ", \r\t\n";
    // The longest word nextWord stores; longer runs are split (the character after the
    // first 100 is lost).
    static constexpr int32_t maxWord = 100;
    // The largest file read; no program comes near it.
    static constexpr size_t maxFileBytes = size_t{16} << 20;

    FileReader() = default;
    explicit FileReader(std::string name) : fileName(std::move(name)) {}
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Names the file (for a reader built empty) and sets mark to 0.
    void setFileName(std::string name);
    // Makes open() serve these bytes instead of reading fileName, which still names the
    // source: a program held in memory reads exactly as the same bytes in a file.
    void setText(std::string bytes) { text_ = std::move(bytes); }

    // Opens fileName read-only in binary mode and reads it. Raises
    // "Errore nel metodo FileReader::open(): impossibile aprire il file" when it cannot,
    // and a FatalError naming the file and the limit when it holds more than maxFileBytes.
    bool open();
    void close();
    // Number of bytes of the open file.
    int32_t size() const { return static_cast<int32_t>(bytes_.size()); }

    // The next word of the source, skipping delimiters and comments; nullptr at the end
    // of the input. The answer points at `word`.
    const std::string* nextWord();

    // One token ending at any of the delimiters (a NUL byte also ends it). Stores at most
    // maxLength characters; when that many are stored, the character after them is
    // consumed and lost. The ending character is consumed, not stored. Carriage returns
    // and line feeds are removed from the token. Answers nullptr when the input ended
    // before any character was stored; a token cut short by the end of the input is
    // answered (lastDelimiter() is then -1).
    const std::string* readToken(int32_t maxLength, std::string_view delimiters);

    // Consumes characters until text has been read (the stream then stands just after
    // it), at most maxCount characters; after maxCount without a match reading simply
    // continues from there.
    void skipPast(int32_t maxCount, std::string_view text);

    // Reads the rest of the current line: the line feed is consumed and not stored, and
    // only the first maxLength characters are kept (the rest of a longer line is
    // skipped, so one long line never ends the reading of the file).
    std::string readLine(size_t maxLength);

    // Byte offset of the next character to read. After a read that met the end of the
    // input, the end counts as one delimiter: the answer is the file size + 1, so that
    // position() - mark - 1 is the length of a last word that no delimiter follows.
    int32_t position();
    // Moves to a byte offset. Clears the end-of-input flag first; does nothing while the
    // stream is in a failed state (clearState() first), as file streams do.
    void seek(int32_t offset);
    // Clears every error and end flag.
    void clearState();
    // True once a read met the end of the input (until clearState or a seek).
    bool atEnd() const { return stream_.eof(); }

    // The character that ended the last readToken: a delimiter byte (0-255), or -1 when
    // the end of the input or the length limit ended it.
    int lastDelimiter() const { return lastDelimiter_; }

    std::string fileName;
    // Offset at which the most recent read operation began.
    int32_t mark = 0;
    // The last token read.
    std::string word;

  private:
    // Starts reading bytes as the open file's.
    bool serve(std::string bytes);
    // The next byte, or -1 at the end of the input (or on a read error).
    int readChar() { return stream_.get(); }

    // The bytes of the file, served as the file would serve them: a position may be set
    // past the end, and reading there meets the end of the input.
    class Bytes : public std::streambuf {
      public:
        void assign(std::string bytes);
        size_t size() const { return bytes_.size(); }

      protected:
        pos_type seekoff(off_type offset, std::ios::seekdir dir, std::ios::openmode which) override;
        pos_type seekpos(pos_type position, std::ios::openmode which) override;

      private:
        std::string bytes_;
        off_type beyond_ = -1; // a position past the end, or -1
    };

    Bytes bytes_;
    std::istream stream_{&bytes_};
    bool open_ = false;
    int lastDelimiter_ = -1;
    std::optional<std::string> text_; // setText's bytes
};

} // namespace tarveno
