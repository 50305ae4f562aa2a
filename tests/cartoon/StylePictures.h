// Pictures for the style tests beyond the shared ones: blocky pictures that hit boxes,
// medians and ties often, line drawings, the real photographs and telling sizes.
#pragma once

#include "core/Image32.h"
#include "tests/support/TestPictures.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace brimlet::testing {

// Few distinct values, so that boxes, medians and ties are hit often.
inline TBitmap32 BlockyPicture(int w, int h, std::uint32_t seed) {
    TBitmap32 bmp(w, h);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < bmp.ByteCount(); ++i) bmp.Bits()[i] = std::uint8_t((rng() % 4) * 85);
    return bmp;
}

// A line-layer pixel: grey g with alpha 255 - g, as the sketches leave it.
inline std::uint32_t Ink(std::uint8_t g) {
    return std::uint32_t(255 - g) << 24 | std::uint32_t(g) * 0x010101u;
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
