// Edge filters that turn a colour picture into a line picture: dark lines where the picture
// has edges, white elsewhere. Both work in place on the bitmap they are given.
//
// laplaciangause: 5 x 5 Laplacian-of-Gaussian on R, G and B separately, each sum limited to
//   0..255, then the gray value V of the three; filtered pixels become B = G = R = 255 - V,
//   A = V. The two outermost rows and columns copy B, G, R of the nearest filtered pixel and
//   get A = 255 - (their own alpha).
// picsobel: per channel the largest of three 3 x 3 gradients (bright to the right, bright
//   below, bright to the left), each limited to 0..255 first; the result is inverted, so each
//   channel becomes 255 - edge and A becomes 255 - A. The outermost row and column copy
//   B, G, R of the nearest filtered pixel.
//
// Progress: advanced by every filtered row (Height - 4 or Height - 2 of them) as the rows are
// done, then SetPosition(0); always on the calling thread, which hands on the rows its
// workers finished together with its own (one Advance(1) per row on a single thread).
//
// Pictures too small for the kernel (fewer than 5, or 3, rows or columns) have no filtered
// pixel to copy a frame from: they are only inverted (every byte, alpha included), and the
// progress is not advanced, only set to 0.
#pragma once

#include "core/Image32.h"
#include "core/Progress.h"

namespace brimlet {

void laplaciangause(TBitmap32& buffer, Progress& progress);
void picsobel(TBitmap32& buffer, Progress& progress);

// The same filters from source into target, which takes the source's size; its old pixels are
// never read, so a style needs no working copy of its source. The result and the progress are
// those of the in-place form on a copy of the source. target may be the source itself.
void laplaciangause(const TBitmap32& source, TBitmap32& target, Progress& progress);
void picsobel(const TBitmap32& source, TBitmap32& target, Progress& progress);

namespace reference {
void laplaciangause(TBitmap32& buffer, Progress& progress);
void picsobel(TBitmap32& buffer, Progress& progress);
}  // namespace reference

}  // namespace brimlet
