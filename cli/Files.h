#pragma once
// File helpers of mic1: readable checks, output names, a private temporary folder, and
// the MAL check that runs before assembling.

#include <string>

namespace mic1 {

// An English message saying why path cannot be read, or empty when it can.
std::string unreadableReason(const std::string& path);
// The source name with the extension of its last component replaced by ".bin"
// (appended when there is none).
std::string binaryNameFor(const std::string& source);
// Checks a MAL source. On errors the report goes to standard error and the answer is
// false; warnings alone are reported and the answer is true.
bool checkMalSource(const std::string& source);

// A folder of its own under the system's temporary folder, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace mic1
