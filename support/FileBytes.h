#pragma once
// Whole files as bytes, for the front ends. A folder opens like a file but reads as
// nothing, so it counts as unreadable, with the reason EISDIR.

#include <string>

namespace tarveno {

// Why path cannot be opened for reading, as an errno value; 0 when it can.
int openError(const std::string& path);

struct FileBytes {
    std::string bytes;
    int error = 0; // why the file could not be read, as an errno value; 0 when it was
};

FileBytes readFileBytes(const std::string& path);

} // namespace tarveno
