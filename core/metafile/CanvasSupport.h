// Helpers shared by the metafile canvas's source files: sanity limits of a mapping and the
// ternary raster operations of the bitmap calls.
#pragma once

#include <QPointF>
#include <QTransform>

#include <cmath>
#include <cstdint>

namespace brimlet::metafile {

// Coordinates beyond this many pixels are treated as a broken mapping rather than drawn.
constexpr double kMaxCoordinate = 1e7;

inline bool Finite(const QTransform& t) {
    for (double v : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy(), t.m13(), t.m23(), t.m33()})
        if (!std::isfinite(v) || std::abs(v) > 1e12) return false;
    return true;
}

// The ternary raster operation `code` (the middle byte of a ROP) on 24-bit colours: bit i
// of the code is the result for pattern, source, destination bits (i>>2, i>>1, i) & 1.
// Written as selections between constant masks, so that any code costs a dozen bitwise
// operations a pixel.
class Rop3 {
public:
    explicit Rop3(std::uint8_t code) {
        for (int i = 0; i < 8; ++i) mask_[i] = ((code >> i) & 1) ? 0xFFFFFFu : 0;
    }
    std::uint32_t operator()(std::uint32_t p, std::uint32_t s, std::uint32_t d) const {
        // The result for each pair of source and destination bits, chosen by the pattern.
        auto byPattern = [&](int sd) { return (p & mask_[4 | sd]) | (~p & mask_[sd]); };
        const std::uint32_t whereD = (s & byPattern(3)) | (~s & byPattern(1));
        const std::uint32_t whereNotD = (s & byPattern(2)) | (~s & byPattern(0));
        return ((d & whereD) | (~d & whereNotD)) & 0xFFFFFFu;
    }

private:
    std::uint32_t mask_[8];
};

inline double Length(QPointF v) { return std::hypot(v.x(), v.y()); }

}  // namespace brimlet::metafile
