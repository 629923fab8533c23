#pragma once
// The one error type of the library. A failing container, an unopenable file or a
// malformed number raises it with the exact message bytes the user must see; the
// programs catch it at their edge (see reportFatal) and nothing in the library
// writes to the screen or ends the process.

#include <stdexcept>
#include <string>

namespace tarveno {

// Where the user's own text stands inside a user message: UTF-8 as typed, while the rest
// of the message is the system's Windows-1252.
struct UserTextSpan {
    size_t start = 0;
    size_t length = 0;
};

class FatalError : public std::exception {
  public:
    explicit FatalError(std::string message, std::string userMessage = {}, UserTextSpan userText = {})
        : message_(std::move(message)), userMessage_(std::move(userMessage)), userText_(userText) {}

    // The message as written to standard output (Windows-1252 bytes, no line end).
    const std::string& message() const noexcept { return message_; }
    // For parseNumber: the text of the "IJVM Error:" box shown before the message. Empty otherwise.
    const std::string& userMessage() const noexcept { return userMessage_; }
    UserTextSpan userText() const noexcept { return userText_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
    std::string userMessage_;
    UserTextSpan userText_;
};

// Raises a FatalError; the only place that knows the convention.
[[noreturn]] void fatal(std::string message, std::string userMessage = {}, UserTextSpan userText = {});

// For a program's main: writes the message to standard output without a line end
// and answers the exit status, 1 (a failure must never read as success).
int reportFatal(const FatalError& error);

} // namespace tarveno
