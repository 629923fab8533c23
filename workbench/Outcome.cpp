#include "workbench/Outcome.h"

#include "support/Encoding.h"
#include "support/FatalError.h"

namespace tarveno {

namespace {
const std::string windowCaption = "TARVENO";
} // namespace

std::string loadedNotice(int warnings) {
    std::string notice(hasBeenLoadedNotice);
    if (warnings == 1) notice += ", with 1 warning";
    if (warnings > 1) notice += ", with " + std::to_string(warnings) + " warnings";
    return notice;
}

FailureText failureText(const std::exception& failure) {
    if (const auto* fatal = dynamic_cast<const FatalError*>(&failure)) {
        if (const std::string& m = fatal->userMessage(); !m.empty()) {
            // The system's words are Windows-1252, the number the user typed is the user's.
            const auto [at, length] = fatal->userText();
            if (at + length > m.size()) return {"IJVM Error:", messageToUtf8(m)};
            return {"IJVM Error:", messageToUtf8(m.substr(0, at)) + displayText(m.substr(at, length)) +
                                       messageToUtf8(m.substr(at + length))};
        }
        return {windowCaption, messageToUtf8(fatal->message())};
    }
    return {windowCaption, displayText(failure.what())};
}

void failWith(const std::string& message) {
    throw CommandFailure(message);
}

void CommandGate::failed(Outcome& o, const std::exception& e) {
    FailureText f = failureText(e);
    o.redraw.pictures = Refresh::None;
    o.tell.notice.clear();
    o.ask = {};
    if (onFailure) onFailure();
    o.tell.failureCaption = std::move(f.caption);
    o.tell.failure = std::move(f.text);
}

} // namespace tarveno
