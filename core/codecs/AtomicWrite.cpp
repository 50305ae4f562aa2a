// Saving never destroys what was there: the bytes go to a temporary file in the target's
// folder, which replaces the target (by rename) only once it is completely on disk.
// The temporary is unnamed (O_TMPFILE) while it is written, so a save killed midway leaves
// nothing behind; it gets a name only once it is complete. File systems without unnamed
// files get today's hidden named temporary instead.
#include "core/codecs/PictureFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

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

// Writes all bytes to fd, sets the mode and flushes them to disk; 0 or the errno.
int WriteAll(int fd, std::span<const std::uint8_t> bytes, mode_t mode) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        done += std::size_t(n);
    }
    if (::fchmod(fd, mode) != 0) return errno;
    if (::fsync(fd) != 0) return errno;
    return 0;
}

// A hidden name beside the target that is free at the moment (".name.XXXXXX").
std::string HiddenPattern(const std::filesystem::path& folder, const std::filesystem::path& path) {
    std::string hidden = ".";
    hidden += path.filename().string();
    hidden += ".XXXXXX";
    return (folder / hidden).string();
}

// Replaces the trailing XXXXXX by random letters and digits.
void FillRandomSuffix(std::string& pattern) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    for (std::size_t i = pattern.size() - 6; i < pattern.size(); ++i)
        pattern[i] = kChars[random() % (sizeof kChars - 1)];
}

void SyncFolder(const std::filesystem::path& folder) {
    // Make the rename itself durable; a failure here no longer endangers either file.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Gives the complete unnamed file fd the name `name`; false (errno set) when it cannot.
// Linking through /proc needs no privilege; AT_EMPTY_PATH is the way without /proc.
bool LinkUnnamed(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == EEXIST) return false;
    return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;
}

// The unnamed way. Returns false, with nothing written anywhere, when the file system or
// kernel offers no unnamed files (the caller then uses a named temporary); throws for a
// real failure, such as a full disk.
bool WriteThroughUnnamedFile(const std::string& fileName, const std::string& target,
                             const std::filesystem::path& folder, std::span<const std::uint8_t> bytes) {
    const mode_t mode = ModeFor(target);
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0) return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (const int error = WriteAll(fd, bytes, mode)) FailWrite(fileName, error);

    // A new file can take its name at once; an existing one is replaced by rename, from a
    // hidden name that exists only between the link and the rename.
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0 && errno == ENOENT) {
        if (LinkUnnamed(fd, target)) {
            SyncFolder(folder);
            return true;
        }
        if (errno != EEXIST) return false;  // appeared meanwhile: replace it as below
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temporary = HiddenPattern(folder, std::filesystem::path(target));
        // Only a name is picked here; linkat refuses to overwrite, so a race is harmless.
        FillRandomSuffix(temporary);
        if (!LinkUnnamed(fd, temporary)) {
            if (errno == EEXIST) continue;
            return false;
        }
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            const int error = errno;
            ::unlink(temporary.c_str());
            FailWrite(fileName, error);
        }
        SyncFolder(folder);
        return true;
    }
    FailWrite(fileName, EEXIST);
}

void WriteThroughNamedFile(const std::string& fileName, const std::string& target,
                           const std::filesystem::path& folder, std::span<const std::uint8_t> bytes) {
    std::string temporary = HiddenPattern(folder, std::filesystem::path(target));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) FailWrite(fileName, errno);
    if (const int error = WriteAll(fd, bytes, ModeFor(target))) {
        ::close(fd);
        ::unlink(temporary.c_str());
        FailWrite(fileName, error);
    }
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
    SyncFolder(folder);
}

}  // namespace

void WriteFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    const std::string target = ResolveTarget(fileName);
    const std::filesystem::path path(target);
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    if (!WriteThroughUnnamedFile(fileName, target, folder, bytes))
        WriteThroughNamedFile(fileName, target, folder, bytes);
}

}  // namespace brimlet
