#pragma once
// The editors' files as bytes: which encoding and line ends a file has, its text as the
// editor holds it, the bytes it is saved back as, and where a byte offset of the file
// lies in the editor's text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno {

enum class TextEncoding { Utf8, Windows1252 };

// A file's text as the editor holds it: UTF-8 with every line end as "\n", and the
// encoding and line end to save it back in.
struct EditorFile {
    std::string text;
    TextEncoding encoding = TextEncoding::Utf8;
    bool crlf = false;
};

// Reads a file's bytes: UTF-8 when they are valid UTF-8, Windows-1252 otherwise; a line
// ends at LF, CR LF or a lone CR. The file has CR LF line ends when its first line end is
// one.
EditorFile decodeFile(std::string_view bytes);

// The bytes of text (UTF-8, lines ended by "\n") in file.encoding with file.crlf, each
// line followed by its line end (a last line without one gets one). Text that Windows-1252 cannot hold is
// written as UTF-8, and file.encoding becomes Utf8, so no character is ever lost.
std::string encodeFile(std::string_view text, EditorFile& file);

// Where each byte offset of a file lies in the editor's text, counted in UTF-16 units
// (the editor's positions): a character of several bytes, and a CR LF pair, count once.
class EditorPositions {
  public:
    EditorPositions() = default;
    explicit EditorPositions(std::string_view bytes);

    // The editor position of byte offset; offsets beyond the file answer the end of the
    // text, negative ones 0.
    int32_t at(int64_t byteOffset) const;

  private:
    std::vector<int32_t> positions_; // per byte offset 0 to the file's size
};

} // namespace tarveno
