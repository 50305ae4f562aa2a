// Pictures for the edge and tone filter tests beyond the shared ones: gray pictures as the
// Pencil Sketch style hands them on, and crops of the real photo.
#pragma once

#include "core/Image32.h"
#include "tests/support/TestPictures.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace brimlet::testing {

// Random gray pixels (B = G = R), random alpha, as the Pencil Sketch style hands them on.
inline TBitmap32 RandomGrayPicture(int w, int h, std::uint32_t seed) {
    TBitmap32 bmp(w, h);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < bmp.ByteCount(); i += 4) {
        std::uint8_t* p = bmp.Bits() + i;
        p[kB] = p[kG] = p[kR] = std::uint8_t(rng());
        p[kA] = std::uint8_t(rng());
    }
    return bmp;
}

inline TBitmap32 Hopper() { return ReadBmp24("hopper.bmp"); }

// The top-left w x h part of a picture.
inline TBitmap32 Crop(const TBitmap32& src, int w, int h) {
    TBitmap32 out = src;
    out.SetSize(w, h);
    return out;
}

}  // namespace brimlet::testing
