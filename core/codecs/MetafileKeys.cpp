// ".WMF" and ".EMF" decoding: our own metafile player (core/metafile/).
#include "core/codecs/Decoders.h"
#include "core/metafile/Metafile.h"

#include <algorithm>

namespace brimlet {

TBitmap32 DecodeMetafileKey(const std::string& key, std::span<const std::uint8_t> bytes) {
    return key == ".WMF" ? DecodeWmf(bytes) : DecodeEmf(bytes);
}

void CheckMetafileCanvas(const char* format, std::int64_t width, std::int64_t height,
                         std::size_t fileBytes) {
    CheckDataCanFill(format, width, height,
                     std::max(kMetafileAreaAnyFileMay, std::int64_t(fileBytes) * kMetafilePixelsPerByte));
}

}  // namespace brimlet
