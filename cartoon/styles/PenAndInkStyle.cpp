// The Pen & Ink chain: the ink drawing of a copy of the source.
#include "cartoon/styles/Styles.h"

#include "filters/PenInk.h"

namespace brimlet {

TBitmap32 RunPenAndInk(const TBitmap32& source, const PenInkSettings& settings) {
    detail::CheckPenInkSettings(settings);  // before the copy: a bad setting costs nothing
    TBitmap32 picture;  // written straight from the source: no working copy of it
    PenInkBmp(source, picture, settings);
    return picture;
}

}  // namespace brimlet
