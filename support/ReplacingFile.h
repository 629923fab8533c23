#pragma once
// A file written whole or not at all. The bytes go into a new file beside the target,
// which is flushed to the disk and then renamed over it: a full disk, a killed process
// or a failed write leaves the old file as it was. A symbolic link is followed, so the
// file it names is replaced and the link stays. A target that exists keeps its
// permission bits.

#include <string>
#include <string_view>

namespace tarveno {

class ReplacingFile {
  public:
    ReplacingFile() = default;
    ~ReplacingFile(); // without commit, the new file is removed and the target untouched
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Starts the new file beside path: 0, or why it cannot be made, as an errno value.
    // A folder that takes no new file while the target itself is writable is written in
    // place (the old file is then emptied first, as no other way is left).
    int open(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    // Appends bytes; a failure is remembered and answered by commit.
    void write(std::string_view bytes);
    // Flushes the new file and puts it in the target's place: 0, or the first failure as
    // an errno value (the target then stays as it was).
    int commit();
    // Drops what was written; the target stays as it was.
    void discard();

  private:
    int fd_ = -1;
    int error_ = 0;
    bool inPlace_ = false;
    std::string target_;
    std::string temporary_;
};

// Writes bytes as the whole of path, as above: 0, or why not, as an errno value.
int writeFileReplacing(const std::string& path, std::string_view bytes);

} // namespace tarveno
