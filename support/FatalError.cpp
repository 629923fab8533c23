#include "support/FatalError.h"

#include "support/Catalogue.h"

#include <cstdio>

namespace tarveno {

void fatal(std::string message, std::string userMessage, UserTextSpan userText) {
    throw FatalError(std::move(message), std::move(userMessage), userText);
}

int reportFatal(const FatalError& error) {
    std::fwrite(error.message().data(), 1, error.message().size(), stdout);
    // The course texts end without a line end; English ends its line as other tools do.
    if (currentLanguage() == Language::English) std::fputc('\n', stdout);
    std::fflush(stdout);
    return 1;
}

} // namespace tarveno
