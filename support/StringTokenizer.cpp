#include "support/StringTokenizer.h"

#include "support/Ascii.h"

namespace tarveno {

namespace {

using ascii::isDigit;
using ascii::isLetter;

} // namespace

StringTokenizer::StringTokenizer(std::string_view text, std::string_view delimiters) {
    // The text ends at its end, at a NUL byte or at a line feed.
    size_t end = text.find_first_of(std::string_view("\0\n", 2));
    if (end == std::string_view::npos) end = text.size();
    size_t i = 0;
    while (i < end) {
        const char c = text[i];
        if (c == ' ') {
            ++i;
            continue;
        }
        Elem e;
        if (delimiters.find(c) != std::string_view::npos) {
            e.text.assign(1, c);
            e.kind = Delimiter;
            ++i;
        } else if (isLetter(c)) {
            const size_t from = i;
            while (i < end && (isLetter(text[i]) || isDigit(text[i])))
                ++i;
            e.text.assign(text.substr(from, i - from));
            e.kind = Word;
        } else if (isDigit(c)) {
            const size_t from = i;
            while (i < end && isDigit(text[i]))
                ++i;
            e.text.assign(text.substr(from, i - from));
            e.kind = Number;
        } else {
            // Matches no rule: skipped, so that scanning always moves on.
            ++i;
            continue;
        }
        tokens_.insertTail(e);
        ++count_;
    }
}

const StringTokenizer::Elem* StringTokenizer::get(int32_t offset, int32_t advance, bool makeCurrent) {
    const int64_t position = cursor_ + offset;
    if (position < 0 || position >= count_) return nullptr;
    cursor_ = position;
    const Elem& e = tokens_[static_cast<int32_t>(position)];
    if (makeCurrent) currentIndex_ = static_cast<int32_t>(position);
    cursor_ += advance;
    return &e;
}

} // namespace tarveno
