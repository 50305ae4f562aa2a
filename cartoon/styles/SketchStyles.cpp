// The Pen Sketch and Pencil Sketch chains and the sketch-over-colour composite.
#include "cartoon/styles/Styles.h"

#include "core/Parallel.h"
#include "filters/EdgeFilters.h"
#include "filters/ToneFilters.h"

#include <cstring>

namespace brimlet {

TBitmap32 RunPenSketch(const TBitmap32& source, int penPressure, Progress& progress) {
    TBitmap32 picture;  // written straight from the source: no working copy of it
    laplaciangause(source, picture, progress);
    twovaluetopen(penPressure, picture, picture);
    return picture;
}

TBitmap32 RunPencilSketch(const TBitmap32& source, int pencilPressure, Progress& progress) {
    TBitmap32 picture;
    picsobel(source, picture, progress);
    detail::GrayThenConvertimg1(pencilPressure, picture, progress);
    return picture;
}

void ComposeDyeingAndSketch(const TBitmap32& colour, const TBitmap32& line, TBitmap32& target) {
    if (&target == &colour || &target == &line) {
        target.Assign(colour);
        line.DrawOver(0, 0, target);
        return;
    }
    // The copy is fused into the blend, row by row on the workers: each target row is
    // written once, and a fresh target is first touched by the thread that fills it.
    target.SetSizeForOverwrite(colour.Width(), colour.Height());
    const std::size_t stride = colour.Stride();
    ParallelRows(colour.Height(), [&](int begin, int end) {
        std::memcpy(target.ScanLine(begin), colour.ScanLine(begin), std::size_t(end - begin) * stride);
        line.DrawOverRows(0, 0, target, begin, end);
    }, 64);
}

}  // namespace brimlet
