#include "workbench/EditorFile.h"

#include "support/Encoding.h"

#include <algorithm>

namespace tarveno {

namespace {

// Length of the UTF-8 sequence that starts with b (1 for a byte that starts none).
size_t sequenceLength(uint8_t b) {
    if (b >= 0xF0) return 4;
    if (b >= 0xE0) return 3;
    if (b >= 0xC0) return 2;
    return 1;
}

} // namespace

EditorFile decodeFile(std::string_view bytes) {
    EditorFile file;
    file.encoding = isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    const std::string utf8 =
        file.encoding == TextEncoding::Utf8 ? std::string(bytes) : windows1252ToUtf8(bytes);
    bool seenLineEnd = false;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c != '\r' && c != '\n') {
            file.text += c;
            continue;
        }
        const bool pair = c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n';
        if (!seenLineEnd) file.crlf = pair;
        seenLineEnd = true;
        if (pair) ++i;
        file.text += '\n';
    }
    return file;
}

std::string encodeFile(std::string_view text, EditorFile& file) {
    // Every line is written with its line end, the last one too.
    std::string lines(text);
    if (!lines.empty() && lines.back() != '\n') lines += '\n';
    std::string body;
    if (file.encoding == TextEncoding::Windows1252) {
        for (size_t i = 0; i < lines.size();) {
            const auto b = static_cast<uint8_t>(lines[i]);
            const size_t len = std::min(sequenceLength(b), lines.size() - i);
            uint32_t cp = len == 1 ? b : b & (0xFFu >> (len + 1));
            for (size_t k = 1; k < len; ++k)
                cp = (cp << 6) | (static_cast<uint8_t>(lines[i + k]) & 0x3Fu);
            const int out = windows1252Byte(cp);
            if (out < 0) {
                file.encoding = TextEncoding::Utf8;
                break;
            }
            body += static_cast<char>(out);
            i += len;
        }
    }
    if (file.encoding == TextEncoding::Utf8) body = lines;
    if (!file.crlf) return body;
    std::string withCr;
    withCr.reserve(body.size() + body.size() / 16);
    for (char c : body) {
        if (c == '\n') withCr += '\r';
        withCr += c;
    }
    return withCr;
}

EditorPositions::EditorPositions(std::string_view bytes) {
    const bool utf8 = isValidUtf8(bytes);
    positions_.resize(bytes.size() + 1);
    int32_t pos = 0;
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        size_t len = utf8 ? std::min(sequenceLength(b), bytes.size() - i) : 1;
        const int32_t units = utf8 && len == 4 ? 2 : 1; // beyond the first 65536 code points: a pair
        if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') len = 2;
        for (size_t k = 0; k < len; ++k)
            positions_[i + k] = pos;
        i += len;
        pos += units;
    }
    positions_[bytes.size()] = pos;
}

int32_t EditorPositions::at(int64_t byteOffset) const {
    if (positions_.empty() || byteOffset < 0) return 0;
    if (byteOffset >= static_cast<int64_t>(positions_.size())) return positions_.back();
    return positions_[static_cast<size_t>(byteOffset)];
}

} // namespace tarveno
