#include "ui/model/JsonValue.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

namespace tarveno::ui {

namespace {

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

class JsonParser {
  public:
    explicit JsonParser(std::string_view text) : s_(text) {}

    std::optional<JsonValue> document() {
        JsonValue v;
        if (!value(v, 0)) return std::nullopt;
        blanks();
        if (at_ != s_.size()) return std::nullopt;
        return v;
    }

  private:
    void blanks() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    bool take(char c) {
        blanks();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool word(std::string_view w) {
        if (s_.substr(at_, w.size()) != w) return false;
        at_ += w.size();
        return true;
    }

    bool value(JsonValue& v, int depth) {
        if (depth > JsonValue::maxDepth) return false;
        blanks();
        if (at_ >= s_.size()) return false;
        using K = JsonValue::Kind;
        switch (s_[at_]) {
        case '{': {
            ++at_;
            v.kind_ = K::Object;
            if (take('}')) return true;
            do {
                blanks();
                std::string key;
                if (!string(key) || !take(':')) return false;
                JsonValue member;
                if (!value(member, depth + 1)) return false;
                v.keys_.push_back(std::move(key));
                v.items_.push_back(std::move(member));
            } while (take(','));
            return take('}');
        }
        case '[': {
            ++at_;
            v.kind_ = K::Array;
            if (take(']')) return true;
            do {
                JsonValue element;
                if (!value(element, depth + 1)) return false;
                v.items_.push_back(std::move(element));
            } while (take(','));
            return take(']');
        }
        case '"':
            v.kind_ = K::String;
            return string(v.text_);
        case 't':
            v.kind_ = K::Boolean;
            v.boolean_ = true;
            return word("true");
        case 'f':
            v.kind_ = K::Boolean;
            return word("false");
        case 'n':
            return word("null");
        default:
            return number(v);
        }
    }

    bool number(JsonValue& v) {
        const size_t start = at_;
        while (at_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[at_])) || s_[at_] == '-' ||
                                   s_[at_] == '+' || s_[at_] == '.' || s_[at_] == 'e' || s_[at_] == 'E'))
            ++at_;
        if (at_ == start) return false;
        // strtod needs a terminated text; a number is short.
        const std::string digits(s_.substr(start, at_ - start));
        char* end = nullptr;
        v.number_ = std::strtod(digits.c_str(), &end);
        v.kind_ = JsonValue::Kind::Number;
        return end == digits.c_str() + digits.size();
    }

    bool hex4(uint32_t& out) {
        if (s_.size() - at_ < 4) return false;
        const auto r = std::from_chars(s_.data() + at_, s_.data() + at_ + 4, out, 16);
        if (r.ec != std::errc() || r.ptr != s_.data() + at_ + 4) return false;
        at_ += 4;
        return true;
    }

    bool string(std::string& out) {
        if (at_ >= s_.size() || s_[at_] != '"') return false;
        ++at_;
        while (at_ < s_.size()) {
            const char c = s_[at_++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= s_.size()) return false;
            switch (s_[at_++]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                uint32_t c1 = 0;
                if (!hex4(c1)) return false;
                // A surrogate pair is one character; a lone half stands as the replacement.
                if (c1 >= 0xD800 && c1 < 0xDC00 && s_.substr(at_, 2) == "\\u") {
                    at_ += 2;
                    uint32_t c2 = 0;
                    if (!hex4(c2)) return false;
                    c1 = c2 >= 0xDC00 && c2 < 0xE000 ? 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00)
                                                     : 0xFFFD;
                } else if (c1 >= 0xD800 && c1 < 0xE000) {
                    c1 = 0xFFFD;
                }
                appendUtf8(out, c1);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    std::string_view s_;
    size_t at_ = 0;
};

std::optional<JsonValue> JsonValue::parse(std::string_view text) {
    return JsonParser(text).document();
}

const JsonValue& JsonValue::operator[](std::string_view key) const {
    static const JsonValue none;
    if (kind_ != Kind::Object) return none;
    for (size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i] == key) return items_[i];
    return none;
}

const JsonValue& JsonValue::operator[](size_t index) const {
    static const JsonValue none;
    return kind_ == Kind::Array && index < items_.size() ? items_[index] : none;
}

std::string JsonValue::text(std::string_view fallback) const {
    return kind_ == Kind::String ? text_ : std::string(fallback);
}

} // namespace tarveno::ui
