// The JPEG and BMP writers of the save command.
#include "core/codecs/PictureFiles.h"

namespace brimlet {

std::string SaveJpeg(const TBitmap32& picture, const std::string& fileName) {
    const std::string name = ReplaceExtension(fileName, ".jpg");
    WriteFileAtomically(name, EncodeJpeg(picture, 90));
    return name;
}

std::string SaveBmp(const TBitmap32& picture, const std::string& fileName) {
    const std::string name = ReplaceExtension(fileName, ".bmp");
    WriteFileAtomically(name, EncodeBmp24(picture));
    return name;
}

}  // namespace brimlet
