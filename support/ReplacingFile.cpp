#include "support/ReplacingFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tarveno {

namespace {

namespace fs = std::filesystem;

int lastError() {
    return errno ? errno : EIO;
}

// The file a name stands for: a link's target, any number of links deep.
std::string resolved(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    const fs::path real = fs::weakly_canonical(path, ec);
    return ec ? path : real.string();
}

} // namespace

ReplacingFile::~ReplacingFile() {
    discard();
}

int ReplacingFile::open(const std::string& path) {
    discard();
    error_ = 0;
    target_ = resolved(path);
    const fs::path target(target_);
    std::string folder = target.parent_path().string();
    if (folder.empty()) folder = ".";
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return EISDIR;

    // A name of this process's own beside the target; a leftover of another is passed by.
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = folder + "/." + target.filename().string() + ".new-" + std::to_string(::getpid()) + "-" +
                     std::to_string(serial++);
        // The permission bits the file would get if it were new, or those it has.
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd_ >= 0) break;
        if (errno != EEXIST) break;
    }
    if (fd_ >= 0) {
        if (exists) {
            ::fchmod(fd_, old.st_mode & 07777);
            // Kept for a file of another owner the user may write; refused otherwise, harmlessly.
            if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
            }
        }
        return 0;
    }
    const int why = lastError();
    temporary_.clear();
    if ((why == EACCES || why == EPERM || why == EROFS) && exists && ::access(target_.c_str(), W_OK) == 0) {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ >= 0) {
            inPlace_ = true;
            return 0;
        }
        return lastError();
    }
    return why;
}

void ReplacingFile::write(std::string_view bytes) {
    if (fd_ < 0) {
        if (!error_) error_ = EBADF;
        return;
    }
    while (!bytes.empty() && !error_) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = lastError();
        } else {
            bytes.remove_prefix(static_cast<size_t>(n));
        }
    }
}

int ReplacingFile::commit() {
    if (fd_ < 0) return error_ ? error_ : EBADF;
    if (!error_ && ::fsync(fd_) != 0 && errno != EINVAL) error_ = lastError();
    if (::close(fd_) != 0 && !error_) error_ = lastError();
    fd_ = -1;
    if (inPlace_) {
        inPlace_ = false;
        return error_;
    }
    if (!error_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) error_ = lastError();
    if (error_) {
        ::unlink(temporary_.c_str());
    } else {
        // The rename itself reaches the disk with its folder.
        const std::string folder = fs::path(target_).parent_path().string();
        const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    temporary_.clear();
    return error_;
}

void ReplacingFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!inPlace_ && !temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    inPlace_ = false;
}

int writeFileReplacing(const std::string& path, std::string_view bytes) {
    ReplacingFile file;
    if (const int error = file.open(path)) return error;
    file.write(bytes);
    return file.commit();
}

} // namespace tarveno
