#pragma once
// A small writer of JSON text, for the answers the page reads: objects, arrays, strings
// (UTF-8, escaped), integers, booleans and null, written in order with the commas placed
// by the writer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno::web {

class Json {
  public:
    Json& beginObject() { return open('{'); }
    Json& endObject() { return close('}'); }
    Json& beginArray() { return open('['); }
    Json& endArray() { return close(']'); }

    // The key of the next value in an object.
    Json& key(std::string_view name);

    Json& value(std::string_view text);
    Json& value(const char* text) { return value(std::string_view(text)); }
    Json& value(const std::string& text) { return value(std::string_view(text)); }
    Json& value(int64_t number);
    Json& value(int32_t number) { return value(int64_t{number}); }
    Json& value(uint32_t number) { return value(int64_t{number}); }
    // Counts beyond 2^53 lose precision in the page, where numbers are doubles.
    Json& value(uint64_t number);
    Json& value(bool flag);
    Json& null();

    // A key and its value at once.
    template <class T> Json& field(std::string_view name, const T& v) {
        key(name);
        return value(v);
    }

    const std::string& text() const { return text_; }

  private:
    Json& open(char bracket);
    Json& close(char bracket);
    // A comma before every value but the first of its object or array.
    void separate();

    std::string text_;
    std::vector<bool> first_; // per open object or array: nothing written in it yet
    bool afterKey_ = false;
};

} // namespace tarveno::web
