#include "Commands.h"
#include "Files.h"

#include "mal/MicroAssembler.h"

#include <iostream>

namespace mic1 {

int runAsm(const AsmOptions& options) {
    if (const std::string why = unreadableReason(options.source); !why.empty()) {
        std::cerr << "mic1: " << why << '\n';
        return ExitFatal;
    }
    if (!options.noCheck && !checkMalSource(options.source)) return ExitIncomplete;
    const std::string output = options.output.empty() ? binaryNameFor(options.source) : options.output;
    tarveno::MicroAssembler assembler(options.source, output);
    assembler.assemble();
    for (const std::string& w : assembler.warnings())
        std::cerr << options.source << ": warning: " << w << '\n';
    return ExitOk;
}

} // namespace mic1
