#include "support/LineIndex.h"

#include <algorithm>

namespace tarveno {

LineIndex::LineIndex(std::string_view text) : text_(text) {
    starts_.push_back(0);
    for (size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1))
        starts_.push_back(i + 1);
}

std::string_view LineIndex::line(size_t n) const {
    if (n >= starts_.size()) return {};
    const size_t begin = starts_[n];
    size_t end = n + 1 < starts_.size() ? starts_[n + 1] - 1 : text_.size();
    if (end > begin && text_[end - 1] == '\r') --end;
    return text_.substr(begin, end - begin);
}

size_t LineIndex::lineOf(size_t offset) const {
    offset = std::min(offset, text_.size());
    return static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin()) -
           1;
}

LineIndex::Place LineIndex::placeOf(size_t offset) const {
    offset = std::min(offset, text_.size());
    const size_t n = lineOf(offset);
    return {n + 1, offset - starts_[n] + 1};
}

} // namespace tarveno
