// Pictures shared by the pixel-routine tests: random and flat pictures, and the real
// photographs of the test data read by a small 24-bit BMP reader (these test programs
// link no codecs).
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace brimlet::testing {

inline TBitmap32 RandomPicture(int w, int h, std::uint32_t seed) {
    TBitmap32 bmp(w, h);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < bmp.ByteCount(); ++i) bmp.Bits()[i] = std::uint8_t(rng());
    return bmp;
}

inline TBitmap32 Uniform(int w, int h, std::uint32_t bgra) {
    TBitmap32 bmp(w, h);
    for (std::size_t i = 0; i < bmp.ByteCount(); i += 4) StorePixel(bmp.Bits() + i, bgra);
    return bmp;
}

// Reads an uncompressed, bottom-up 24-bit BMP of the test data by its file name; alpha 0
// like every loaded picture. Empty when the file is missing or of another kind.
inline TBitmap32 ReadBmp24(const std::string& name) {
    std::ifstream file(std::string(BRIMLET_TEST_DATA) + "/" + name, std::ios::binary);
    std::vector<std::uint8_t> d((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto u32 = [&](std::size_t at) {
        return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 |
               std::uint32_t(d[at + 3]) << 24;
    };
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M' || (d[28] | d[29] << 8) != 24 || u32(30) != 0)
        return {};
    const int w = int(u32(18)), h = int(u32(22));
    const std::size_t offset = u32(10), rowBytes = (std::size_t(w) * 3 + 3) / 4 * 4;
    if (w <= 0 || h <= 0 || offset + rowBytes * h > d.size()) return {};
    TBitmap32 bmp(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = d.data() + offset + rowBytes * (h - 1 - y);
        for (int x = 0; x < w; ++x)
            StorePixel(bmp.ScanLine(y) + 4 * x, src[3 * x] | src[3 * x + 1] << 8 | src[3 * x + 2] << 16);
    }
    return bmp;
}

}  // namespace brimlet::testing
