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

}  // namespace brimlet::test
