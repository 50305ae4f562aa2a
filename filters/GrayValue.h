// The gray value of a colour: Round(0.3 R + 0.59 G + 0.11 B), evaluated as
// (0.3 R + 0.59 G) + 0.11 B in 80-bit extended arithmetic, halves to the even neighbour
// as that arithmetic sees them, limited to 0..255.
#pragma once

#include <cstdint>

namespace brimlet {

// Integer form, bit-identical to reference::GrayValue for every colour.
std::uint8_t GrayValue(std::uint8_t r, std::uint8_t g, std::uint8_t b);

namespace reference {
// The literal extended-precision evaluation; arguments outside 0..255 are allowed.
std::uint8_t GrayValue(int r, int g, int b);
}  // namespace reference

// The exact value is (30 R + 59 G + 11 B) / 100. Only a remainder of exactly 50 is a tie,
// and there the rounding errors of the extended evaluation decide the direction. For a given
// (R, G) the ties lie at B = b0, b0 + 100 and b0 + 200 (11 is invertible modulo 100), so one
// byte per (R, G) holds the three directions: bit k is set when the tie at b0 + 100 k rounds
// up. The table has 65536 entries, is built once from the reference and never changes.
const std::uint8_t* GrayTieTable();

// For loops that fetch the table once. (n + 49 + up) / 100 is the rounded value: the extra 1
// only matters when the remainder is exactly 50. B / 100 = (B * 41) >> 12 and
// x / 100 = (x * 5243) >> 19 hold on the ranges used here.
inline std::uint8_t GrayValueFromTable(const std::uint8_t* ties, unsigned r, unsigned g, unsigned b) {
    unsigned up = (ties[(r << 8) | g] >> ((b * 41) >> 12)) & 1u;
    unsigned n = 30 * r + 59 * g + 11 * b + 49 + up;
    return std::uint8_t((n * 5243) >> 19);
}

// Gray values of a row of width BGRA pixels (4 bytes each), bit-identical to GrayValue.
void GrayValuesRow(const std::uint8_t* pixels, int width, std::uint8_t* gray);

namespace detail {
// Lets tests switch the vector instructions off to check the portable path.
void SetGrayValuesSimd(bool allowed);
}  // namespace detail

}  // namespace brimlet
