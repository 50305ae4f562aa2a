// The EXIF orientation tag of a JPEG's APP1 segment, and turning a picture upright by it.
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <span>

namespace brimlet {

// The orientation (1..8) in an APP1 payload that starts with "Exif\0\0"; 1 when the payload
// is not Exif, has no orientation tag, or is malformed. Every read is bounds-checked.
int ExifOrientation(std::span<const std::uint8_t> app1);

// The picture as it is meant to be shown, for an EXIF orientation 1..8 (other values: as is).
// 2 mirror, 3 half turn, 4 flip, 5 transpose, 6 quarter turn clockwise, 7 transverse,
// 8 quarter turn counter-clockwise.
TBitmap32 ApplyOrientation(TBitmap32 picture, int orientation);

}  // namespace brimlet
