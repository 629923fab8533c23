#include "mal/MalLineReader.h"

#include "support/Ascii.h"
#include "support/Catalogue.h"
#include "support/FatalError.h"

#include <array>
#include <cerrno>
#include <filesystem>

namespace tarveno {

namespace {

using ascii::isSpace;
constexpr char upper(char c) {
    return ascii::toUpper(c);
}

} // namespace

bool MalLineReader::open() {
    close();
    std::error_code ec;
    int reason = EISDIR;
    if (!std::filesystem::is_directory(name, ec)) {
        errno = 0;
        in_.open(name, std::ios::in | std::ios::binary);
        reason = errno ? errno : ENOENT;
    }
    if (!in_.is_open()) fatal(message(Text::MalFileOpen, {.text = systemReason(reason), .file = name}));
    linesRead_ = 0;
    lineTooLong_ = false;
    return true;
}

bool MalLineReader::openForWriting() {
    close();
    if (const int reason = out_.open(name); reason != 0)
        fatal(message(Text::MalFileOpen, {.text = systemReason(reason), .file = name}));
    written_.clear();
    return true;
}

void MalLineReader::close() {
    if (in_.is_open()) in_.close();
    if (out_.isOpen()) {
        // The file is replaced whole when it is complete, never left half written.
        out_.write(written_);
        written_.clear();
        if (const int reason = out_.commit(); reason != 0)
            fatal(message(Text::MalFileWrite, {.text = systemReason(reason), .file = name}));
    }
}

void MalLineReader::write(std::string_view text) {
    written_.append(text);
}

void MalLineReader::rewind() {
    in_.clear();
    in_.seekg(0);
    linesRead_ = 0;
    lineTooLong_ = false;
}

int32_t MalLineReader::position() {
    if (!in_.is_open()) return 0;
    if (!in_.fail() && !in_.eof()) return static_cast<int32_t>(in_.tellg());
    // At the end of a last line without a line feed the stream answers no position;
    // the end of the file is where that line ends.
    const auto state = in_.rdstate();
    in_.clear();
    const auto p = static_cast<int32_t>(in_.tellg());
    in_.setstate(state);
    return p;
}

bool MalLineReader::reservedFirstWord(std::string_view word) {
    static constexpr std::array<std::string_view, 16> words = {
        "MAR", "MBR", "MDR", "PC", "SP", "LV", "CPP", "TOS", "OPC", "H", "GOTO", "WR", "RD", "Z", "N", "IF"};
    for (std::string_view w : words)
        if (w == word) return true;
    return false;
}

std::string MalLineReader::normalise(std::string_view line) {
    std::string out;
    for (char c : line) {
        if (c == '\0' || c == '/') break;
        out += isSpace(c) ? ' ' : upper(c);
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    if (!out.empty() && out.back() != ';') out += ';';
    return out;
}

void MalLineReader::split(const std::string& line) {
    const size_t from = line.find_first_not_of(' ');
    std::string first;
    if (from != std::string::npos) {
        const size_t to = line.find_first_of(" ;=<>()", from);
        first = line.substr(from, to == std::string::npos ? std::string::npos : to - from);
    }
    if (first.empty() || reservedFirstWord(first)) {
        // A line opening with an operator has no first word to be a label; it is read
        // like a line without label.
        label.reset();
        statement = line;
    } else {
        label = first;
        // The statement follows the first blank of the line. A label alone on its line
        // has none: it labels an empty statement, which continues with the next one.
        const size_t blank = line.find(' ');
        statement = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    }
    statement.erase(0, statement.find_first_not_of(" \t\v\f"));
}

bool MalLineReader::next() {
    if (!in_.is_open()) return false;
    lineStart = position();
    std::array<char, maxLine + 1> buffer;
    std::string line;
    for (;;) {
        in_.getline(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in_.fail()) {
            // Either the end of the file with nothing read, or a line that does not fit.
            lineTooLong_ = !in_.eof();
            return false;
        }
        ++linesRead_;
        const auto count = static_cast<size_t>(in_.gcount());
        // gcount includes the line feed when one was consumed.
        const size_t length = count > 0 && !in_.eof() ? count - 1 : count;
        line = normalise(std::string_view(buffer.data(), std::min(length, maxLine)));
        if (!line.empty()) break;
        // An empty last line without a line feed is no statement.
        if (!in_.good()) return false;
    }
    lineNumber = linesRead_;
    split(line);
    return true;
}

} // namespace tarveno
