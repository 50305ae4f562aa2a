#include "workspace/Layout.h"

#include <cmath>
#include <cstdint>

namespace brimlet {

PlacedRect FitPicture(int width, int height, int paneWidth, int paneHeight) {
    PlacedRect r;
    if (width <= 0 || height <= 0 || paneHeight <= 0) return r;
    const long double paneAspect = static_cast<long double>(paneWidth) / paneHeight;
    const long double pictureAspect = static_cast<long double>(width) / height;
    if (paneAspect >= pictureAspect) {
        r.top = 2;
        r.height = paneHeight - 4;
        r.width = static_cast<int>(std::nearbyint(
            static_cast<long double>(std::int64_t(width) * r.height) / height));
        r.left = (paneWidth - r.width - 4) / 2;
    } else {
        r.left = 2;
        r.width = paneWidth - 4;
        r.height = static_cast<int>(std::nearbyint(
            static_cast<long double>(std::int64_t(height) * r.width) / width));
        r.top = (paneHeight - r.height - 4) / 2;
    }
    return r;
}

double DisplayScaleFor(int pictureWidth, int controlWidth) {
    if (controlWidth <= 0) return 0.0;
    return static_cast<double>(pictureWidth) / controlWidth;
}

}  // namespace brimlet
