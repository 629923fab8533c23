#include "workbench/CheckerReport.h"

#include "support/Encoding.h"
#include "support/LineIndex.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>

namespace tarveno {

namespace {

bool isWordByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// A positive count written in decimal, or 0 for anything else.
int countIn(std::string_view digits) {
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    return error == std::errc() && end == digits.data() + digits.size() && n > 0 ? n : 0;
}

// "FILE:LINE:COLUMN: error: ..." or "...: warning: ...": false when the report line names
// no place.
bool parseFindingLine(std::string_view line, int& lineNumber, int& column, bool& error) {
    size_t kind = line.find(": error: ");
    error = kind != std::string_view::npos;
    if (!error) kind = line.find(": warning: ");
    if (kind == std::string_view::npos) return false;
    const std::string_view place = line.substr(0, kind);
    const size_t c = place.rfind(':');
    if (c == std::string_view::npos || c == 0) return false;
    const size_t l = place.rfind(':', c - 1);
    if (l == std::string_view::npos) return false;
    lineNumber = countIn(place.substr(l + 1, c - l - 1));
    column = countIn(place.substr(c + 1));
    return lineNumber > 0 && column > 0;
}

} // namespace

bool CheckerReport::reportsError(const std::string& reportFile) {
    std::ifstream report(reportFile, std::ios::binary);
    // A missing report ends the command, not the program.
    if (!report)
        failWith("The checker's report " + displayText(reportFile) +
                 " could not be read: " + std::strerror(errno));
    char first = 0;
    return report.get(first) && first == 'E';
}

void CheckerReport::read(const std::string& text, const std::string& source,
                         const EditorPositions& positions) {
    text_ = text;
    findings_.clear();
    const LineIndex lines(source);
    auto span = [&](size_t a, size_t b) {
        return EditorSpan{positions.at(static_cast<int64_t>(a)), positions.at(static_cast<int64_t>(b))};
    };
    const LineIndex reportLines(text_);
    for (size_t index = 0; index < reportLines.count(); ++index) {
        int line = 0, column = 0;
        bool error = true;
        if (!parseFindingLine(reportLines.line(index), line, column, error) ||
            static_cast<size_t>(line) > lines.count())
            continue;
        const size_t begin = lines.start(static_cast<size_t>(line) - 1);
        const size_t end = begin + lines.line(static_cast<size_t>(line) - 1).size();
        const size_t at = std::min(begin + static_cast<size_t>(column) - 1, end);
        size_t wordEnd = at;
        while (wordEnd < end && isWordByte(source[wordEnd]))
            ++wordEnd;
        if (wordEnd == at && at < end) ++wordEnd; // a mark, not a word: that one character
        findings_.push_back({static_cast<int>(index), error, span(at, wordEnd), span(begin, end)});
    }
}

void CheckerReport::showFailure(const std::string& errorOutput) {
    shown_ = !errorOutput.empty();
    text_ = displayText(errorOutput);
    note_.clear();
    findings_.clear();
}

int CheckerReport::warnings() const {
    // The report's first line ends in "warnings: N".
    const std::string_view first = std::string_view(text_).substr(0, text_.find('\n'));
    const size_t at = first.rfind("warnings: ");
    return at == std::string_view::npos ? 0 : countIn(first.substr(at + 10));
}

std::optional<EditorSpan> CheckerReport::lineSelection(int line) const {
    // The report pane shows the note line first, when there is one.
    if (!note_.empty()) --line;
    // A finding's line, and the source and caret lines under it, all stand for it.
    const Finding* chosen = nullptr;
    for (const Finding& f : findings_)
        if (f.reportLine <= line) chosen = &f;
    if (!chosen) return std::nullopt;
    return chosen->word;
}

} // namespace tarveno
