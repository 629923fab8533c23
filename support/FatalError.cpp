#include "support/FatalError.h"

#include <cstdio>

namespace tarveno {

void fatal(std::string message, std::string userMessage, UserTextSpan userText) {
    throw FatalError(std::move(message), std::move(userMessage), userText);
}

int reportFatal(const FatalError& error) {
    std::fwrite(error.message().data(), 1, error.message().size(), stdout);
    std::fflush(stdout);
    return 1;
}

} // namespace tarveno
