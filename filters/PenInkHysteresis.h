// The hysteresis of the pen and ink detector on bit planes, 64 pixels a word, rows padded
// to whole words. Internal to the filter library.
#pragma once

#include "core/PlaneBuffer.h"
#include "filters/PenInk.h"

#include <cstdint>

namespace brimlet::detail {

struct RidgeBits {
    int words = 0;                    // per row
    std::uint64_t* pass = nullptr;    // ridge with magnitude >= lower: a search may pass through
    std::uint64_t* seed = nullptr;    // ridge with magnitude >= upper: starts a search
    std::uint64_t* ink = nullptr;     // accepted; all 0 on entry
    PlaneBytes block;                 // holds the three planes, from picture memory

    // Room for rows of width pixels, left unfilled.
    void Allocate(int width, int rows);
};

// Accepts every seed and every passable ridge connected to a seed through passable ridges
// (eight neighbours). Ridges lie inside the frame only: rows 0 and height - 1 hold no bits.
// Bands of rows are worked on side by side; the accepted set is the same for any number
// of threads, as connectivity does not depend on the order of the search.
void Hysteresis(PlaneSize size, RidgeBits& bits);

}  // namespace brimlet::detail
