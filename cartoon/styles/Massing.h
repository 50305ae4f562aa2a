// The colour style's routines: the Massing quantiser and the Brighter / Darker shifts of
// the colour layer. All work in place and report progress from the calling thread.
#pragma once

#include "core/Image32.h"
#include "core/Progress.h"

namespace brimlet {

// Band width for a "Scalar:" position: Round(256 / position). Throws std::invalid_argument
// for a position below 1.
int LevelStepFor(int scalarPosition);

// Grey offset for a "Region:" position: Round((position - max / 2) * levelStep / max) in
// extended precision, halves to even. Throws std::invalid_argument for max below 1.
int RegionOffsetFor(int regionPosition, int regionMax, int levelStep);

// Quantises rows 1 .. height - 1, columns 1 .. width - 1 (the top row and the left column keep
// their pixels), writing A = 255 there.
// gray: v = clamp(gray value + offset), written as the top value of its band,
//   clamp((v div levelStep + 1) * levelStep - 1), on B, G and R. Progress: one per row, then 0.
// colour: every pixel takes the rounded mean colour of all quantised pixels that share its
//   box (R, G, B each div levelStep). Progress: one per row and 0, twice (counting, painting).
// levelStep must be at least 1 on the grey path and at least 16 on the colour path (so the
// box index stays within 16 per channel); otherwise std::invalid_argument, picture untouched.
void crayonpic(int offset, TBitmap32& picture, int levelStep, bool gray, Progress& progress);
// The same from source into target, which takes the source's size (its old pixels are never
// read): the result and progress of crayonpic on a copy of the source. target may be source.
void crayonpic(int offset, const TBitmap32& source, TBitmap32& target, int levelStep, bool gray,
               Progress& progress);

// B, G and R of every pixel plus 10 (held at 255) or minus 10 (held at 0); A untouched.
// Progress: one per row, then 0.
void Brighter(TBitmap32& picture, Progress& progress);
void Darker(TBitmap32& picture, Progress& progress);

namespace reference {
// Literal forms: a whole output copy, per-pixel loops, the extended-precision gray value.
void crayonpic(int offset, TBitmap32& picture, int levelStep, bool gray, Progress& progress);
void Brighter(TBitmap32& picture, Progress& progress);
void Darker(TBitmap32& picture, Progress& progress);
}  // namespace reference

namespace detail {
// Argument checks shared by both forms of crayonpic.
void CheckLevelStep(int levelStep, bool gray);
}  // namespace detail

}  // namespace brimlet
