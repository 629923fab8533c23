// A libFuzzer target for the suite reader of `mic1 test`: the text guard, toml++ and the checks
// after it. It is not part of the build; run.sh beside it builds it with clang, toml++ compiled
// in with its assertions on, under AddressSanitizer and UndefinedBehaviorSanitizer.

#include "cli/Suite.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace mic1 {
// Program files are taken as readable: the reader, not the file system, is under test.
std::string unreadableReason(const std::string&) {
    return {};
}
} // namespace mic1

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = "/tmp/suite-fuzz-" + std::to_string(::getpid()) + ".toml";
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    mic1::ProgramTable programs;
    try {
        mic1::readSuite(file, programs);
    } catch (const mic1::SuiteError&) {
    }
    return 0;
}
