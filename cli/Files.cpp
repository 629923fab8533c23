#include "Files.h"

#include "mal/MalChecker.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

namespace mic1 {

std::string unreadableReason(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return "cannot read " + path + ": it is a folder";
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read " + path + ": " + std::strerror(errno);
    return {};
}

std::string binaryNameFor(const std::string& source) {
    const std::filesystem::path p(source);
    const std::string name = p.filename().string();
    const auto dot = name.rfind('.');
    // A leading dot (".hidden") is part of the name, not an extension.
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    return (p.parent_path() / (stem + ".bin")).string();
}

bool checkMalSource(const std::string& source) {
    const tarveno::CheckResult result = tarveno::checkMalFile(source);
    if (result.errors > 0 || result.warnings > 0) std::cerr << tarveno::formatReport(result, source);
    return result.errors == 0;
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
