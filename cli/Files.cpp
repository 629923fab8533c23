#include "Files.h"

#include "Suite.h"

#include "support/Encoding.h"
#include "support/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <unistd.h>

namespace mic1 {

std::string unreadableReason(const std::string& path) {
    const int error = tarveno::openError(path);
    if (error == 0) return {};
    return "cannot read " + path + ": " + (error == EISDIR ? "it is a folder" : std::strerror(error));
}

std::string unwritableReason(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::string folder = parent.empty() ? std::string(".") : parent.string();
    int why = 0;
    if (std::filesystem::is_directory(path, ec))
        why = EISDIR;
    else if (::access(folder.c_str(), W_OK | X_OK) != 0 && (why = errno, ::access(path.c_str(), W_OK) != 0))
        why = errno == ENOENT ? why : errno;
    else
        return {};
    std::string message = "cannot write ";
    message += path;
    message += ": ";
    message += why == EISDIR ? "it is a folder" : std::strerror(why);
    return message;
}

std::string readBytes(const std::string& path) {
    return tarveno::readFileBytes(path).bytes;
}

TextPlace placeIn(std::string_view text, int32_t offset) {
    const std::string_view before =
        text.substr(0, std::min(text.size(), static_cast<size_t>(std::max(offset, 0))));
    const auto lineStart = before.rfind('\n');
    const std::string_view column = before.substr(lineStart == std::string_view::npos ? 0 : lineStart + 1);
    // Columns count characters, as the caret under them does: a UTF-8 continuation byte
    // adds none.
    const auto characters = static_cast<size_t>(std::count_if(
        column.begin(), column.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    return {1 + static_cast<size_t>(std::count(before.begin(), before.end(), '\n')), characters + 1};
}

bool reportIjvmDiagnostics(const tarveno::IjvmProgram& program, const std::string& source,
                           std::string_view text, bool werror) {
    std::string out;
    program.diagnostics.forEach([&](const tarveno::Diagnostic& e) {
        const TextPlace at = placeIn(text, e.start);
        out += diagnosticText(source + ':' + std::to_string(at.line) + ':' + std::to_string(at.column),
                              tarveno::messageToUtf8(e.message),
                              tarveno::displayText(lineOf(text, static_cast<int64_t>(at.line))),
                              static_cast<int64_t>(at.column), e.warning && !werror ? "warning" : "error");
        out += '\n';
    });
    std::cerr << out;
    return program.errorCount(werror) > 0;
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
