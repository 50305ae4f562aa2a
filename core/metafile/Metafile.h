// Windows metafiles: our own player for WMF (placeable and plain) and EMF, and the
// placeable-WMF writer used when the result is saved as a metafile.
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <span>
#include <vector>

namespace brimlet {

// Plays a WMF or EMF onto a white bitmap at the metafile's own size.
// Throws PictureError (core/codecs/PictureFiles.h) for malformed data.
TBitmap32 DecodeWmf(std::span<const std::uint8_t> bytes);
TBitmap32 DecodeEmf(std::span<const std::uint8_t> bytes);

// A placeable WMF (22-byte header, key 0x9AC6CDD7, bounding box in 1/96 inch, checksum)
// holding one bitmap drawing of the whole picture at (0, 0), 24 bits per pixel.
std::vector<std::uint8_t> EncodePlaceableWmf(const TBitmap32& picture);

}  // namespace brimlet
