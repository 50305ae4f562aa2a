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

// Ridges counted by magnitude, in one table per vector lane so that no two counts of one
// step wait on the same counter; bin 0 of every table collects the non-ridges. A lane sees
// at most one pixel in 16, so 32-bit counters hold any picture of under 2^36 pixels.
struct RidgeHistogram {
    std::uint32_t lanes[16][256] = {};

    // The ridges of each magnitude, summed over the tables, added into total (bin 0 stays).
    void AddTo(long long (&total)[256]) const;
};

// Magnitudes of an interior row from the smoothed rows around it; 0 in the first and last
// columns.
void MagnitudeRow(SmoothedRows3 smoothed, int width, std::uint8_t* out, bool simd);

// Ridge marks of an interior row: a ridge pixel's mark is its magnitude (at least 1), any
// other pixel's 0. Every ridge is counted by magnitude.
void RidgeRow(MagnitudeRows3 magnitudes, SmoothedRows3 smoothed, int width, std::uint8_t* out,
              RidgeHistogram& histogram, bool simd);

}  // namespace brimlet::detail
