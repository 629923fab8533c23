#include "checker/CheckerReader.h"

#include "mal/MalLineReader.h"

namespace tarveno::checker {

namespace {

constexpr size_t maxDisplay = 300;

void split(SourceStatement& s) {
    const std::string& n = s.normalized;
    const size_t first = n.find_first_not_of(' ');
    size_t end = n.find_first_of(" ;=<>()", first);
    if (end == std::string::npos) end = n.size();
    const std::string word = n.substr(first, end - first);
    s.indented = first > 0;
    // A line opening with an operator has no first word to be a label.
    if (word.empty() || MalLineReader::reservedFirstWord(word)) {
        s.text = n.substr(first);
        s.textColumn = static_cast<int32_t>(first) + 1;
        return;
    }
    s.label = word;
    s.labelColumn = static_cast<int32_t>(first) + 1;
    s.labelEnd = end < n.size() ? n[end] : ' ';
    // The statement starts after the first blank of the line, counted from column 1:
    // for an indented line that is the label word itself.
    const size_t blank = n.find(' ');
    if (blank == std::string::npos) {
        s.labelAlone = true;
        s.textColumn = static_cast<int32_t>(n.size()) + 1;
        return;
    }
    size_t from = n.find_first_not_of(' ', blank);
    if (from == std::string::npos) from = n.size();
    s.text = n.substr(from);
    s.textColumn = static_cast<int32_t>(from) + 1;
}

} // namespace

std::string displayLine(std::string_view raw) {
    const bool cut = raw.size() > maxDisplay;
    std::string_view shown = raw.substr(0, maxDisplay);
    while (!shown.empty() && (shown.back() == '\r' || shown.back() == '\n'))
        shown.remove_suffix(1);
    std::string out;
    out.reserve(shown.size() + 4);
    for (char c : shown) {
        const auto u = static_cast<unsigned char>(c);
        out.push_back((u < 0x20 && c != '\t') || u == 0x7F ? '?' : c);
    }
    if (cut) out += " ...";
    return out;
}

SourceReading readSource(std::string_view bytes) {
    SourceReading reading;
    size_t pos = 0;
    int32_t lineNumber = 0;
    while (pos < bytes.size()) {
        size_t eol = bytes.find('\n', pos);
        if (eol == std::string_view::npos) eol = bytes.size();
        const std::string_view raw = bytes.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNumber;

        std::string_view line = raw;
        std::string display;
        auto shown = [&]() -> const std::string& {
            if (display.empty()) display = displayLine(raw);
            return display;
        };
        const bool report = reading.findings.size() < maxFindings;
        if (raw.size() > maxLineLength && report) {
            reading.findings.push_back(
                {lineNumber, static_cast<int32_t>(maxLineLength) + 1, true,
                 "line is " + std::to_string(raw.size()) +
                     " characters long; the micro-assembler reads at most 254 and stops reading the file "
                     "here: split the line or shorten its comment",
                 shown()});
        }
        if (raw.size() > maxLineLength) line = raw.substr(0, maxLineLength);
        const size_t comment = line.find('/');
        const size_t nul = line.find('\0');
        if (report && nul != std::string_view::npos && (comment == std::string_view::npos || nul < comment)) {
            reading.findings.push_back({lineNumber, static_cast<int32_t>(nul) + 1, true,
                                        "NUL byte: the micro-assembler ends the line here; remove it",
                                        shown()});
        }

        SourceStatement s;
        s.normalized = MalLineReader::normalise(line);
        if (s.normalized.empty()) continue;
        if (++reading.statementCount > maxStoredStatements) continue;
        s.line = lineNumber;
        s.display = shown();
        split(s);
        reading.statements.push_back(std::move(s));
    }
    return reading;
}

} // namespace tarveno::checker
