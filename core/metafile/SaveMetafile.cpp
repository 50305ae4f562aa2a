// The save command's metafile writer.
#include "core/codecs/PictureFiles.h"
#include "core/metafile/Metafile.h"

namespace brimlet {

std::string SaveMetafile(const TBitmap32& picture, const std::string& fileName) {
    // The metafile holds the picture's 24-bit colour values; alpha is not written.
    const std::vector<std::uint8_t> bytes = EncodePlaceableWmf(picture);
    const std::string name = ReplaceExtension(fileName, ".wmf");
    WriteFileAtomically(name, bytes);
    return name;
}

}  // namespace brimlet
