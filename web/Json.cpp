#include "web/Json.h"

namespace tarveno::web {

void Json::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (first_.empty()) return;
    if (!first_.back()) text_ += ',';
    first_.back() = false;
}

Json& Json::open(char bracket) {
    separate();
    text_ += bracket;
    first_.push_back(true);
    return *this;
}

Json& Json::close(char bracket) {
    text_ += bracket;
    if (!first_.empty()) first_.pop_back();
    return *this;
}

Json& Json::key(std::string_view name) {
    value(name);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

Json& Json::value(std::string_view s) {
    separate();
    text_ += '"';
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            text_ += "\\\"";
            break;
        case '\\':
            text_ += "\\\\";
            break;
        case '\n':
            text_ += "\\n";
            break;
        case '\r':
            text_ += "\\r";
            break;
        case '\t':
            text_ += "\\t";
            break;
        default:
            if (u < 0x20) {
                static constexpr char hex[] = "0123456789abcdef";
                text_ += "\\u00";
                text_ += hex[u >> 4];
                text_ += hex[u & 15];
            } else {
                text_ += c;
            }
        }
    }
    text_ += '"';
    return *this;
}

Json& Json::value(int64_t number) {
    separate();
    text_ += std::to_string(number);
    return *this;
}

Json& Json::value(uint64_t number) {
    separate();
    text_ += std::to_string(number);
    return *this;
}

Json& Json::value(bool flag) {
    separate();
    text_ += flag ? "true" : "false";
    return *this;
}

Json& Json::null() {
    separate();
    text_ += "null";
    return *this;
}

} // namespace tarveno::web
