// Shared helpers of the codec tests: sample files, temporary folders, picture comparisons.
#pragma once

#include "core/codecs/PictureFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <malloc.h>

namespace brimlet::test {

inline std::string Sample(const std::string& name) { return std::string(BRIMLET_TEST_DATA) + "/" + name; }

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "brimlet-codecs-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline bool AllAlphaZero(const TBitmap32& b) {
    for (std::size_t i = 3; i < b.ByteCount(); i += 4)
        if (b.Bits()[i] != 0) return false;
    return true;
}

// Mean absolute difference over the B, G, R bytes of two pictures of equal size.
inline double MeanColourDifference(const TBitmap32& a, const TBitmap32& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.ByteCount(); ++i)
        if (i % 4 != 3) sum += std::abs(int(a.Bits()[i]) - int(b.Bits()[i]));
    return sum / (double(a.ByteCount()) * 3 / 4);
}

// The B, G, R bytes of two pictures are equal (alpha not compared).
inline bool SameColours(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (std::size_t i = 0; i < a.ByteCount(); ++i)
        if (i % 4 != 3 && a.Bits()[i] != b.Bits()[i]) return false;
    return true;
}

inline TBitmap32 LoadSample(const std::string& name) {
    auto picture = LoadPicture(Sample(name));
    if (!picture) ADD_FAILURE() << name << " is missing";
    return picture ? *picture : TBitmap32();
}

// Smooth ramps in three directions (JPEG keeps them well), different in every pixel.
inline TBitmap32 TestPattern(int width, int height) {
    TBitmap32 b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixelColor(x, y, std::uint8_t(x * 255 / std::max(1, width - 1)),
                            std::uint8_t(y * 255 / std::max(1, height - 1)),
                            std::uint8_t(255 - (x + y) * 255 / std::max(1, width + height - 2)));
    return b;
}

// The decoder's result, or the text of its refusal.
struct Outcome {
    TBitmap32 picture;
    std::string error;
    bool operator==(const Outcome&) const = default;
};

inline Outcome DecodeOutcome(const std::string& key, std::span<const std::uint8_t> bytes) {
    try {
        return {DecodePicture(key, bytes), {}};
    } catch (const PictureError& e) {
        return {TBitmap32(), e.what()};
    }
}

// Decodes twice while the heap hands out memory filled with two different bytes (glibc's
// M_PERTURB; sanitizer builds fill it their own way), so that a decoder that lets unwritten
// memory through gives two different pictures.
inline std::pair<Outcome, Outcome> DecodeOverTwoHeaps(const std::string& key,
                                                      std::span<const std::uint8_t> bytes) {
    ::mallopt(M_PERTURB, 0x5A);
    Outcome first = DecodeOutcome(key, bytes);
    ::mallopt(M_PERTURB, 0xC3);
    Outcome second = DecodeOutcome(key, bytes);
    ::mallopt(M_PERTURB, 0);
    return {std::move(first), std::move(second)};
}

inline bool IsWhite(const std::uint8_t* pixel) { return pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255; }

}  // namespace brimlet::test
