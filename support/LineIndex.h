#pragma once
// Where the lines of a text begin, to go from byte offsets to lines and columns and back.
// A line ends at "\n"; a "\r" before it belongs to the line end. The text must outlive the
// index.

#include <cstddef>
#include <string_view>
#include <vector>

namespace tarveno {

class LineIndex {
  public:
    explicit LineIndex(std::string_view text);

    // The lines: one more than the text's line feeds (an empty last line counts).
    size_t count() const { return starts_.size(); }
    // The offset where line n (from 0) begins; the text's size beyond the last.
    size_t start(size_t n) const { return n < starts_.size() ? starts_[n] : text_.size(); }
    // Line n without its line end; empty beyond the last.
    std::string_view line(size_t n) const;
    // The line (from 0) that holds byte offset (clamped to the text).
    size_t lineOf(size_t offset) const;

    // Line and column, both from 1, of a byte offset (clamped to the text).
    struct Place {
        size_t line = 1;
        size_t column = 1;
    };
    Place placeOf(size_t offset) const;

  private:
    std::string_view text_;
    std::vector<size_t> starts_;
};

} // namespace tarveno
