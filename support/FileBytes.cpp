#include "support/FileBytes.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tarveno {

namespace {

int open(std::ifstream& in, const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) return EISDIR;
    in.open(path, std::ios::binary);
    return in ? 0 : (errno ? errno : EIO);
}

} // namespace

int openError(const std::string& path) {
    std::ifstream in;
    return open(in, path);
}

FileBytes readFileBytes(const std::string& path) {
    FileBytes f;
    std::ifstream in;
    if ((f.error = open(in, path)) != 0) return f;
    f.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) f.error = errno ? errno : EIO;
    return f;
}

} // namespace tarveno
