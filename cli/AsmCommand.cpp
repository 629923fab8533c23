#include "Commands.h"
#include "Files.h"

#include <iostream>

namespace mic1 {

int runAsm(const AsmOptions& options) {
    if (const std::string why = unreadableReason(options.source); !why.empty()) {
        std::cerr << "mic1: " << why << '\n';
        return ExitFatal;
    }
    const std::string output =
        options.output.empty() ? tarveno::microprogramFileFor(options.source) : options.output;
    const auto outcome = tarveno::assembleMicroprogram(
        options.source, output, options.noCheck ? tarveno::Check::Skip : tarveno::Check::Run);
    return reportCompile(outcome, options.source) ? ExitOk : ExitIncomplete;
}

} // namespace mic1
