// Picking the decoder from the file name, and reading the file.
#include "core/codecs/Decoders.h"
#include "core/codecs/PictureFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brimlet {

namespace {

// No picture we accept needs a bigger file (16384 x 16384 at 32 bits is 1 GiB).
constexpr std::int64_t kMaxFileBytes = std::int64_t(1536) << 20;

[[noreturn]] void FailRead(const std::string& fileName, int error) {
    throw PictureError("Cannot read " + fileName + ": " + std::strerror(error));
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) FailRead(fileName, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) FailRead(fileName, errno);
    if (info.st_size > kMaxFileBytes)
        throw PictureError("Cannot read " + fileName + ": the file is too large to be a picture");
    std::vector<std::uint8_t> bytes(std::size_t(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FailRead(fileName, errno);
        if (n == 0) break;  // the file shrank while we read it
        done += std::size_t(n);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

void CheckDecodedSize(std::int64_t width, std::int64_t height) {
    try {
        CheckPictureSize(width, height);
    } catch (const std::length_error& e) {
        throw PictureError(e.what());
    }
#ifdef BRIMLET_FUZZ_MAX_PIXELS
    // Fuzzing builds only (a CMake option): a small cap keeps each input's memory and time low.
    if (width * height > BRIMLET_FUZZ_MAX_PIXELS)
        throw PictureError("The picture is larger than this fuzzing build accepts");
#endif
}

void CheckDataCanFill(const char* format, std::int64_t width, std::int64_t height,
                      std::int64_t fillable) {
    const std::int64_t area = width * height;
    if (area <= kAreaAnyFileMayDeclare || area <= fillable) return;
    throw PictureError(std::string("The ") + format + " file cannot be read: it holds too little data for a picture of " +
                       std::to_string(width) + " x " + std::to_string(height) + " pixels");
}

TBitmap32 DecodePicture(const std::string& key, std::span<const std::uint8_t> bytes) {
    try {
        if (key == ".BMP") return DecodeBmp(bytes);
        if (key == ".ICO") return DecodeIco(bytes);
        if (key == ".JPG" || key == "JPEG") return DecodeJpeg(bytes);
        if (key == ".GIF") return DecodeGif(bytes);
        if (key == ".WMF" || key == ".EMF") return DecodeMetafileKey(key, bytes);
    } catch (const std::bad_alloc&) {
        throw PictureError("There is not enough memory to open this picture");
    } catch (const std::length_error& e) {
        throw PictureError(e.what());
    }
    return TBitmap32();
}

std::optional<TBitmap32> LoadPicture(const std::string& fileName) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) return std::nullopt;
    const std::string key = DecoderKey(fileName);
    if (!IsKnownDecoderKey(key)) return TBitmap32();
    const std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
    return DecodePicture(key, bytes);
}

}  // namespace brimlet
