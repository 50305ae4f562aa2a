#include "core/codecs/PictureFiles.h"

#include <algorithm>
#include <cctype>

namespace brimlet {

std::string DecoderKey(const std::string& fileName) {
    std::string key = fileName.size() <= 4 ? fileName : fileName.substr(fileName.size() - 4);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return key;
}

bool IsKnownDecoderKey(const std::string& key) {
    return key == ".BMP" || key == ".ICO" || key == ".JPG" || key == "JPEG" || key == ".GIF" ||
           key == ".WMF" || key == ".EMF";
}

std::string ReplaceExtension(const std::string& fileName, const std::string& extension) {
    std::size_t slash = fileName.find_last_of('/');
    std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return fileName + extension;
    return fileName.substr(0, dot) + extension;
}

}  // namespace brimlet
