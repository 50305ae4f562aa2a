#include "bench/TestPhoto.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <utility>

namespace brimlet::bench {

namespace {

TBitmap32 MakePhoto(int width, int height) {
    TBitmap32 photo(width, height);
    std::uint32_t seed = 12345;
    auto noise = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return int(seed >> 28) - 8;
    };
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = photo.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            double u = double(x) / width, v = double(y) / height;
            double sky = 200 - 120 * v;
            double blob = 80 * std::exp(-((u - 0.3) * (u - 0.3) + (v - 0.6) * (v - 0.6)) * 30);
            double stripes = ((x / 97 + y / 61) % 2) ? 40 : 0;   // hard edges
            double ripple = 25 * std::sin(u * 40) * std::cos(v * 25);
            auto clamp = [](double c) { return std::uint8_t(c < 0 ? 0 : c > 255 ? 255 : c); };
            row[4 * x + 0] = clamp(sky + ripple - stripes + noise());
            row[4 * x + 1] = clamp(120 + blob + stripes * 0.5 + noise());
            row[4 * x + 2] = clamp(60 + blob * 1.5 + ripple + stripes + noise());
            row[4 * x + 3] = 0;
        }
    }
    return photo;
}

}  // namespace

const TBitmap32& TestPhoto(int width, int height) {
    static std::map<std::pair<int, int>, TBitmap32> cache;
    auto key = std::make_pair(width, height);
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(key, MakePhoto(width, height)).first;
    return it->second;
}

cv::Mat AsMat(TBitmap32& bitmap) {
    return cv::Mat(bitmap.Height(), bitmap.Width(), CV_8UC4, bitmap.Bits(), bitmap.Stride());
}

cv::Mat AsMat(const TBitmap32& bitmap) {
    return cv::Mat(bitmap.Height(), bitmap.Width(), CV_8UC4,
                   const_cast<std::uint8_t*>(bitmap.Bits()), bitmap.Stride());
}

}  // namespace brimlet::bench
