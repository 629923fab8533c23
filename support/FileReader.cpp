#include "support/FileReader.h"

#include "support/Catalogue.h"
#include "support/Conversions.h"
#include "support/FatalError.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <limits>

namespace tarveno {

void FileReader::setFileName(std::string name) {
    fileName = std::move(name);
    mark = 0;
}

void FileReader::Bytes::assign(std::string bytes) {
    bytes_ = std::move(bytes);
    beyond_ = -1;
    setg(bytes_.data(), bytes_.data(), bytes_.data() + bytes_.size());
}

FileReader::Bytes::pos_type FileReader::Bytes::seekoff(off_type offset, std::ios::seekdir dir,
                                                       std::ios::openmode which) {
    if (!(which & std::ios::in)) return pos_type(off_type(-1));
    const auto end = static_cast<off_type>(bytes_.size());
    const off_type current = beyond_ >= 0 ? beyond_ : gptr() - eback();
    const off_type base = dir == std::ios::beg ? 0 : dir == std::ios::cur ? current : end;
    const off_type target = base + offset;
    if (target < 0) return pos_type(off_type(-1));
    beyond_ = target > end ? target : -1;
    setg(eback(), eback() + std::min(target, end), egptr());
    return pos_type(target);
}

FileReader::Bytes::pos_type FileReader::Bytes::seekpos(pos_type position, std::ios::openmode which) {
    return seekoff(off_type(position), std::ios::beg, which);
}

bool FileReader::open() {
    close();
    const std::string tooLarge =
        message(Text::FileTooLarge, {.file = fileName, .number = static_cast<int64_t>(maxFileBytes)});
    if (text_) {
        if (text_->size() > maxFileBytes) fatal(tooLarge);
        return serve(std::string(*text_));
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    // A directory opens as a stream on some systems and then reads as nothing; it is
    // no source file, so it fails like a missing one.
    if (fs::is_directory(fileName, ec))
        fatal(message(Text::FileOpen, {.text = systemReason(EISDIR), .file = fileName}));
    errno = 0;
    std::ifstream in(fileName, std::ios::in | std::ios::binary);
    if (!in.is_open())
        fatal(message(Text::FileOpen, {.text = systemReason(errno ? errno : ENOENT), .file = fileName}));
    // A regular file is measured first; whatever the file, no more than the limit and one
    // block is read.
    std::string bytes;
    if (fs::is_regular_file(fileName, ec)) {
        const std::uintmax_t size = fs::file_size(fileName, ec);
        if (!ec && size > maxFileBytes) fatal(tooLarge);
        if (!ec) bytes.reserve(static_cast<size_t>(size));
    }
    char block[65536];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        bytes.append(block, static_cast<size_t>(in.gcount()));
        if (bytes.size() > maxFileBytes) fatal(tooLarge);
    }
    return serve(std::move(bytes));
}

bool FileReader::serve(std::string bytes) {
    bytes_.assign(std::move(bytes));
    stream_.clear();
    open_ = true;
    lastDelimiter_ = -1;
    return true;
}

void FileReader::close() {
    bytes_.assign({});
    open_ = false;
}

int32_t FileReader::position() {
    if (!open_) return 0;
    if (!stream_.fail()) return static_cast<int32_t>(stream_.tellg());
    const auto state = stream_.rdstate();
    stream_.clear();
    const auto p = static_cast<int32_t>(stream_.tellg());
    stream_.setstate(state);
    // The end of the input stands for the delimiter that a last word lacks.
    return (state & std::ios::eofbit) ? p + 1 : p;
}

void FileReader::seek(int32_t offset) {
    stream_.seekg(offset);
}

void FileReader::clearState() {
    stream_.clear();
}

const std::string* FileReader::readToken(int32_t maxLength, std::string_view delimiters) {
    mark = position();
    word.clear();
    if (maxLength < 0) maxLength = 0;
    lastDelimiter_ = -1;
    int c = readChar();
    while (static_cast<int32_t>(word.size()) < maxLength && c >= 0) {
        const char ch = static_cast<char>(c);
        if (ch == '\0' || delimiters.find(ch) != std::string_view::npos) {
            lastDelimiter_ = c;
            break;
        }
        word += ch;
        c = readChar();
    }
    // At the length limit the character just read (c) was consumed and is lost.
    if (c < 0 && word.empty()) return nullptr;
    removeChars(word, "\r\n");
    return &word;
}

const std::string* FileReader::nextWord() {
    // A loop rather than a call per comment: a file of many comments must not deepen
    // the stack.
    for (;;) {
        const std::string* w = nullptr;
        do {
            w = readToken(maxWord, wordDelimiters);
        } while (w && w->empty());
        if (!w) return nullptr;
        if (word.compare(0, 2, "//") == 0) {
            // A line comment: the rest of its line is skipped (at most 100 characters
            // and the one after them).
            if (lastDelimiter_ != '\n' && !atEnd()) readToken(maxWord, "\n");
            continue;
        }
        if (word.compare(0, 2, "/*") == 0) {
            // A block comment: searched for its end from the opening slash, so that
            // "/*/" is a complete comment.
            const int32_t wordMark = mark;
            // A comment word that ran into the end of the input left the stream failed;
            // it must be rescanned all the same, since a word may follow its end.
            if (atEnd()) clearState();
            seek(wordMark);
            skipPast(300, "*/");
            continue;
        }
        return &word;
    }
}

void FileReader::skipPast(int32_t maxCount, std::string_view text) {
    mark = position();
    if (text.empty()) return;
    int32_t matched = 0;
    int32_t consumed = 0;
    int c = readChar();
    while (consumed < maxCount && c >= 0) {
        if (static_cast<char>(c) == text[static_cast<size_t>(matched)]) {
            ++matched;
        } else if (matched > 0) {
            // Restart the search at the character after the first one of the abandoned
            // partial match.
            seek(position() - matched);
            consumed -= matched;
            matched = 0;
        }
        if (matched == static_cast<int32_t>(text.size())) return;
        c = readChar();
        ++consumed;
    }
}

std::string FileReader::readLine(size_t maxLength) {
    std::string line;
    for (int c = readChar(); c >= 0 && c != '\n'; c = readChar())
        if (line.size() < maxLength) line += static_cast<char>(c);
    return line;
}

} // namespace tarveno
