// Pictures for the style tests: random ones of any size, flat ones, line drawings, and the
// real photographs of the test data read by a small 24-bit BMP reader (this program links
// no codecs).
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

// Few distinct values, so that boxes, medians and ties are hit often.
inline TBitmap32 BlockyPicture(int w, int h, std::uint32_t seed) {
    TBitmap32 bmp(w, h);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < bmp.ByteCount(); ++i) bmp.Bits()[i] = std::uint8_t((rng() % 4) * 85);
    return bmp;
}

inline TBitmap32 Uniform(int w, int h, std::uint32_t bgra) {
    TBitmap32 bmp(w, h);
    for (std::size_t i = 0; i < bmp.ByteCount(); i += 4) StorePixel(bmp.Bits() + i, bgra);
    return bmp;
}

// A line-layer pixel: grey g with alpha 255 - g, as the sketches leave it.
inline std::uint32_t Ink(std::uint8_t g) {
    return std::uint32_t(255 - g) << 24 | std::uint32_t(g) * 0x010101u;
}

// Reads an uncompressed, bottom-up 24-bit BMP; alpha 0. Empty when the file is not one.
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

// The real photographs among the test data.
inline std::vector<TBitmap32> RealPhotos() { return {ReadBmp24("hopper.bmp"), ReadBmp24("rgb24.bmp")}; }

inline std::uint32_t PixelAt(const TBitmap32& bmp, int x, int y) { return LoadPixel(bmp.ScanLine(y) + 4 * x); }
inline void SetPixel(TBitmap32& bmp, int x, int y, std::uint32_t bgra) { StorePixel(bmp.ScanLine(y) + 4 * x, bgra); }

// Picture sizes that exercise borders, tiny pictures and thread splits.
inline const std::vector<std::pair<int, int>>& OddSizes() {
    static const std::vector<std::pair<int, int>> sizes = {
        {1, 1}, {1, 7}, {7, 1}, {2, 2}, {2, 9}, {9, 2}, {3, 3}, {4, 3}, {3, 5},
        {17, 13}, {33, 31}, {129, 37}, {61, 301}, {523, 277}};
    return sizes;
}

}  // namespace brimlet::testing
