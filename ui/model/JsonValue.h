#pragma once
// A JSON text read into values: the report `mic1 test --json` writes, which the window
// reads when it runs a suite. Any text is read without harm: a malformed one, or one nested
// deeper than maxDepth, reads as nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarveno::ui {

class JsonValue {
  public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    static constexpr int maxDepth = 64;

    static std::optional<JsonValue> parse(std::string_view text);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    // A member of an object, an element of an array; a null value where there is none.
    const JsonValue& operator[](std::string_view key) const;
    const JsonValue& operator[](size_t index) const;
    // The elements of an array or the values of an object, in order.
    const std::vector<JsonValue>& items() const { return items_; }
    // The value as each kind, or the fallback when it is of another kind.
    std::string text(std::string_view fallback = {}) const;
    double number(double fallback = 0) const { return kind_ == Kind::Number ? number_ : fallback; }
    bool boolean(bool fallback = false) const { return kind_ == Kind::Boolean ? boolean_ : fallback; }

  private:
    friend class JsonParser;
    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    double number_ = 0;
    std::string text_;
    std::vector<JsonValue> items_;
    std::vector<std::string> keys_; // an object's, one for each of items_
};

} // namespace tarveno::ui
