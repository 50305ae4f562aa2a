#include "filters/GrayValue.h"

#include <array>
#include <cmath>

namespace brimlet {

namespace reference {

std::uint8_t GrayValue(int r, int g, int b) {
    const long double v = (0.3L * r + 0.59L * g) + 0.11L * b;
    long double rounded = std::nearbyintl(v);  // the default mode rounds halves to even
    if (rounded < 0) rounded = 0;
    if (rounded > 255) rounded = 255;
    return std::uint8_t(rounded);
}

}  // namespace reference

namespace {

std::array<std::uint8_t, 65536> BuildTieTable() {
    std::array<std::uint8_t, 65536> table{};
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g) {
            std::uint8_t bits = 0;
            // 11 * 91 = 1001, so B = 91 * (50 - 30 R - 59 G) modulo 100 is the first tie.
            const int b0 = ((91 * (50 - 30 * r - 59 * g)) % 100 + 100) % 100;
            for (int b = b0; b < 256; b += 100) {
                const int n = 30 * r + 59 * g + 11 * b;
                if (reference::GrayValue(r, g, b) == n / 100 + 1) bits |= std::uint8_t(1u << (b / 100));
            }
            table[(r << 8) | g] = bits;
        }
    }
    return table;
}

}  // namespace

const std::uint8_t* GrayTieTable() {
    static const std::array<std::uint8_t, 65536> table = BuildTieTable();
    return table.data();
}

std::uint8_t GrayValue(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return GrayValueFromTable(GrayTieTable(), r, g, b);
}

}  // namespace brimlet
