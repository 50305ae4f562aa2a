// ".WMF" and ".EMF" decoding.
#include "core/codecs/Decoders.h"
#include "core/metafile/Metafile.h"

namespace brimlet {

// THE SWITCH FOR THE METAFILE PLAYER. Until core/metafile/ defines DecodeWmf and DecodeEmf,
// both keys give an empty bitmap, which the open command reports as "is not a valid format".
// Once the player lands, replace the return line by:
//     return key == ".WMF" ? DecodeWmf(bytes) : DecodeEmf(bytes);
TBitmap32 DecodeMetafileKey(const std::string& key, std::span<const std::uint8_t> bytes) {
    (void)key, (void)bytes;
    return TBitmap32();
}

}  // namespace brimlet
