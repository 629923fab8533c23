#include "Files.h"

#include "support/FileBytes.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

namespace mic1 {

std::string unreadableReason(const std::string& path) {
    const int error = tarveno::openError(path);
    if (error == 0) return {};
    return "cannot read " + path + ": " + (error == EISDIR ? "it is a folder" : std::strerror(error));
}

std::string readBytes(const std::string& path) {
    return tarveno::readFileBytes(path).bytes;
}

bool reportCompile(const tarveno::CompileOutcome& outcome, const std::string& source) {
    const tarveno::CheckResult& check = outcome.check;
    if (check.errors > 0 || check.warnings > 0) std::cerr << tarveno::formatReport(check, source);
    for (const std::string& w : outcome.warnings)
        std::cerr << source << ": warning: " << w << '\n';
    return check.errors == 0;
}

TempDir::TempDir() {
    std::error_code ec;
    std::string base = std::filesystem::temp_directory_path(ec).string();
    if (ec || base.empty()) base = "/tmp";
    std::string pattern = base + "/mic1-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder in " + base + ": " + std::strerror(errno));
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace mic1
