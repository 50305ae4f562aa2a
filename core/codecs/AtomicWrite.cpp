// Saving never destroys what was there: the bytes go to a temporary file in the target's
// folder, which replaces the target (by rename) only once it is completely on disk.
#include "core/codecs/PictureFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brimlet {

namespace {

[[noreturn]] void FailWrite(const std::string& fileName, int error) {
    throw PictureError("Cannot write " + fileName + ": " + std::strerror(error));
}

// The mode a newly created file would get: 0666 less the process's umask (which can only be
// read by setting it), or the mode of the file being replaced.
mode_t ModeFor(const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 07777;
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writing through a symbolic link replaces the file it points to, not the link.
std::string ResolveTarget(const std::string& fileName) {
    std::error_code error;
    if (std::filesystem::is_symlink(fileName, error)) {
        auto real = std::filesystem::weakly_canonical(fileName, error);
        if (!error) return real.string();
    }
    return fileName;
}

}  // namespace

void WriteFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    const std::string target = ResolveTarget(fileName);
    const std::filesystem::path path(target);
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::string hidden = ".";
    hidden += path.filename().string();
    hidden += ".XXXXXX";
    std::string temporary = (folder / hidden).string();

    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) FailWrite(fileName, errno);
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        FailWrite(fileName, error);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(errno);
        done += std::size_t(n);
    }
    if (::fchmod(fd, ModeFor(target)) != 0) fail(errno);
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        FailWrite(fileName, error);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        FailWrite(fileName, error);
    }
    // Make the rename itself durable; a failure here no longer endangers either file.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace brimlet
