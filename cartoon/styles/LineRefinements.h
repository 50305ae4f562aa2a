// The refinements of the line layer: Shallow, Smooth and Clear Spots.
//
// All three work in place on a sketch (grey pixels, alpha = ink coverage) and keep the
// outermost rows and columns as they were, alpha included. Pictures with fewer than three
// rows or columns pass through unchanged. Each advances the progress by one per inner row
// and sets it to 0 when done, always from the calling thread.
#pragma once

#include "core/Image32.h"
#include "core/Progress.h"

#include <cstdint>

namespace brimlet {

// Inner pixels lose 30 of their alpha, held at 0; B, G and R are untouched.
void Shallow(TBitmap32& picture, Progress& progress);

// 3 x 3 weights 1 2 1 / 2 4 2 / 1 2 1 divided by 16 (truncating) on B, G and R;
// the new alpha is 255 - the new B.
void smooth(TBitmap32& picture, Progress& progress);

// The median of each channel's 3 x 3 neighbourhood (removes specks and one-pixel lines);
// the new alpha is 255 - the new B.
void ClearSpots(TBitmap32& picture, Progress& progress);

// Exchange sort of values[0] .. values[n] (n + 1 values) into ascending order.
void SelectionSort(std::int32_t* values, int n);

namespace reference {
// Literal forms: two whole-picture copies, per-pixel loops, the median by SelectionSort.
void Shallow(TBitmap32& picture, Progress& progress);
void smooth(TBitmap32& picture, Progress& progress);
void ClearSpots(TBitmap32& picture, Progress& progress);
}  // namespace reference

}  // namespace brimlet
