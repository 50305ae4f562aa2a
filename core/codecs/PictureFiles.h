// Reading and writing picture files. The decoder is chosen from the file name alone:
// its last four characters, upper-cased (see DecoderKey).
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace brimlet {

// A file that could not be decoded or written; what() is the text the user sees.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The last four characters of the name, upper-cased; a shorter name gives the whole name.
std::string DecoderKey(const std::string& fileName);

// True for the keys the program has a decoder for.
bool IsKnownDecoderKey(const std::string& key);

// Loads a picture file into 32-bit pixels (alpha 0 everywhere; transparency flattened onto white).
// nullopt: no file of that name. An empty bitmap: a key outside the table.
// Throws PictureError when the file cannot be decoded (".ICO" failures included: the caller
// decides how to report them).
std::optional<TBitmap32> LoadPicture(const std::string& fileName);

// Decodes bytes under a decoder key (".BMP", ".ICO", ".JPG", "JPEG", ".GIF", ".WMF", ".EMF").
// An unknown key gives an empty bitmap. Throws PictureError for undecodable data.
TBitmap32 DecodePicture(const std::string& key, std::span<const std::uint8_t> bytes);

// Replaces the part of the name from its last dot on (in the last path component) by
// extension (which starts with a dot); a name without a dot gets it appended.
std::string ReplaceExtension(const std::string& fileName, const std::string& extension);

// Encoders: JPEG quality 90, baseline, colour; BMP 24 bits bottom-up uncompressed.
std::vector<std::uint8_t> EncodeJpeg(const TBitmap32& picture, int quality = 90);
std::vector<std::uint8_t> EncodeBmp24(const TBitmap32& picture);

// Writes bytes so that an existing file is replaced only by a complete new one: a temporary
// file in the same folder is renamed over the target once fully written. On failure the old
// file is intact, no temporary is left, and PictureError carries the system's reason.
void WriteFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes);

// The three writers of the save command. Each forces its extension and returns the name written.
std::string SaveJpeg(const TBitmap32& picture, const std::string& fileName);
std::string SaveBmp(const TBitmap32& picture, const std::string& fileName);
std::string SaveMetafile(const TBitmap32& picture, const std::string& fileName);

}  // namespace brimlet
