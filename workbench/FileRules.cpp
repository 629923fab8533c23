#include "workbench/FileRules.h"

#include "support/Encoding.h"
#include "support/FileBytes.h"
#include "support/ReplacingFile.h"
#include "workbench/Outcome.h"
#include "workbench/Workbench.h"

#include <cstring>
#include <unistd.h>

namespace tarveno {

namespace fs = std::filesystem;

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

std::string quotedPath(const std::string& fileName) {
    // Appended, not concatenated: GCC 12 warns wrongly about "\"" + a string.
    std::string q = "\"";
    q.append(displayText(fileName)).append("\"");
    return q;
}

} // namespace

std::string FileRules::quoted(const std::string& fileName) {
    return quotedPath(fs::path(fileName).filename().string());
}

bool FileRules::isProtected(const fs::path& folder) const {
    std::error_code ec;
    return !files.protectedFolder.empty() && fs::equivalent(folder, fs::path(files.protectedFolder), ec);
}

bool FileRules::writable(const std::string& fileName) const {
    std::error_code ec;
    const fs::path path = fs::absolute(fs::path(fileName), ec);
    if (isProtected(path.parent_path())) return false;
    if (::access(path.c_str(), F_OK) == 0) return ::access(path.c_str(), W_OK) == 0;
    return ::access(path.parent_path().c_str(), W_OK) == 0;
}

std::string FileRules::microprogramFile(const std::string& source, std::string& note) const {
    std::string beside = microprogramFileFor(source);
    std::error_code ec;
    const fs::path folder = fs::absolute(fs::path(beside), ec).parent_path();
    if (!isProtected(folder) && ::access(folder.c_str(), W_OK) == 0) return beside;
    fs::create_directories(files.cacheFolder, ec);
    std::string cached = (fs::path(files.cacheFolder) / fs::path(beside).filename()).string();
    note = "The microprogram file is " + displayText(cached) + ": the source's folder cannot be written.";
    return cached;
}

std::string FileRules::cannotWriteReason(const std::string& fileName) {
    return displayText(fs::path(fileName).filename().string()) +
           " cannot be written: save your changes under another name";
}

std::string FileRules::read(const std::string& fileName) {
    FileBytes file = readFileBytes(fileName);
    if (file.error) failWith("Cannot open file " + quotedPath(fileName) + ". " + reason(file.error));
    return std::move(file.bytes);
}

void FileRules::write(const std::string& fileName, const std::string& bytes) {
    // The file is replaced whole: a failure part-way leaves the user's file as it was.
    if (const int error = writeFileReplacing(fileName, bytes))
        failWith("Cannot write file " + quotedPath(fileName) + ". " + reason(error));
}

} // namespace tarveno
