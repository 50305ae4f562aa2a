// ".WMF" and ".EMF" decoding: our own metafile player (core/metafile/).
#include "core/codecs/Decoders.h"
#include "core/metafile/Metafile.h"

namespace brimlet {

TBitmap32 DecodeMetafileKey(const std::string& key, std::span<const std::uint8_t> bytes) {
    return key == ".WMF" ? DecodeWmf(bytes) : DecodeEmf(bytes);
}

}  // namespace brimlet
