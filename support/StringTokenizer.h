#pragma once
// A tokenizer over one text and a set of delimiter characters, with a cursor. Used by
// the statement encoder and the label resolution of the micro-assembler (delimiters
// "=+-~|&;()<>") and by the IJVM declaration parser (parameter lists, delimiter ",").
//
// Tokens, scanning from the start of the text to its end or its first line feed:
//   kind 1  one delimiter character
//   kind 2  a word: an ASCII letter followed by letters and digits ("MAIN1")
//   kind 3  a number: a run of decimal digits ("0X100" is 0 followed by X100)
// Blanks separate tokens. A NUL byte ends the text. Any other character (a tab, ",",
// ":" when not a delimiter, a byte above 127) matches no rule and is skipped.

#include "support/List.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarveno {

class StringTokenizer {
  public:
    enum Kind : int { None = 0, Delimiter = 1, Word = 2, Number = 3 };

    struct Elem {
        std::string text;
        int8_t kind = None;
    };

    StringTokenizer(std::string_view text, std::string_view delimiters);

    // Takes the token at cursor + offset. When that position holds no token, answers
    // nullptr and changes nothing. Otherwise the cursor moves to the position, the token
    // becomes the current one when makeCurrent is set, and then the cursor moves on by
    // advance. After a walk with get(0, 1, true) the cursor stands one past the current
    // token, so get(-2, ...) reaches the token before it and get(0, ...) the one after.
    const Elem* get(int32_t offset, int32_t advance, bool makeCurrent);
    // Moves the cursor without a check; past the end, the next get answers nullptr.
    void skip(int32_t n) { cursor_ += n; }

    int32_t count() const { return count_; }
    int32_t cursor() const { return static_cast<int32_t>(cursor_); }
    // The index of the current token, -1 for none.
    int32_t currentIndex() const { return currentIndex_; }

    // The token at index i; an index outside 0..count()-1 is the list's fatal error.
    const Elem& token(int32_t i) { return tokens_[i]; }

  private:
    List<Elem> tokens_;
    int32_t count_ = 0;
    int64_t cursor_ = 0; // wide: skip() has no check and must not overflow
    int32_t currentIndex_ = -1;
};

} // namespace tarveno
