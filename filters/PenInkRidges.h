// Magnitudes and ridge marks of the pen and ink detector, one row at a time. Internal to the
// filter library.
#pragma once

#include "filters/PenInk.h"

#include <cstdint>

namespace brimlet::detail {

// Three rows around the current one (smoothed gray values, or magnitudes).
struct SmoothedRows3 {
    const std::uint8_t* up;
    const std::uint8_t* mid;
    const std::uint8_t* down;
};
using MagnitudeRows3 = SmoothedRows3;

bool RidgeSimdAvailable();

// Magnitudes of an interior row from the smoothed rows around it; 0 in the first and last
// columns.
void MagnitudeRow(SmoothedRows3 smoothed, int width, std::uint8_t* out, bool simd);

// Ridge marks of an interior row: a ridge pixel's mark is its magnitude (at least 1), any
// other pixel's 0. Every ridge is counted by magnitude into histogram[4][256], to be summed.
void RidgeRow(MagnitudeRows3 magnitudes, SmoothedRows3 smoothed, int width, std::uint8_t* out,
              long long* histogram, bool simd);

}  // namespace brimlet::detail
