// The individual decoders behind DecodePicture. Each returns 32-bit pixels with alpha 0
// (transparency flattened onto white) and throws PictureError for data it cannot decode.
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <span>
#include <string>

namespace brimlet {

TBitmap32 DecodeJpeg(std::span<const std::uint8_t> bytes);
TBitmap32 DecodeGif(std::span<const std::uint8_t> bytes);
// BMP and ICO go through QtGui's readers, each asked for its own format only.
TBitmap32 DecodeBmp(std::span<const std::uint8_t> bytes);
TBitmap32 DecodeIco(std::span<const std::uint8_t> bytes);
// ".WMF" and ".EMF".
TBitmap32 DecodeMetafileKey(const std::string& key, std::span<const std::uint8_t> bytes);

// CheckPictureSize, reporting a refusal as a PictureError.
void CheckDecodedSize(std::int64_t width, std::int64_t height);

// A few bytes must not cost a gigabyte: a picture of up to kAreaAnyFileMayDeclare pixels
// opens whatever its data (what is missing is white); a larger one only when the file's
// bytes can fill that many pixels: `fillable`, worked out by each decoder from what its
// format's data can carry. Throws PictureError naming the format otherwise.
constexpr std::int64_t kAreaAnyFileMayDeclare = std::int64_t(1) << 22;  // 4 Mi pixels, 16 MiB
void CheckDataCanFill(const char* format, std::int64_t width, std::int64_t height,
                      std::int64_t fillable);

// The bound for a metafile's canvas, called by the players once they know its size. A few
// records can paint any area, so small files with large pages are real (a 1 KB drawing of
// 2600 x 1900 pixels); the picture the player draws into and its clip mask take 5 bytes a
// pixel. Up to kMetafileAreaAnyFileMay pixels open whatever the file's size, larger canvases
// need a byte of records for every kMetafilePixelsPerByte pixels.
constexpr std::int64_t kMetafileAreaAnyFileMay = std::int64_t(8) << 20;
constexpr std::int64_t kMetafilePixelsPerByte = 128;
void CheckMetafileCanvas(const char* format, std::int64_t width, std::int64_t height,
                         std::size_t fileBytes);

}  // namespace brimlet
