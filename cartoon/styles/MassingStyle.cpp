// The Massing chain: blur, keep the blur as the palette, quantise it into the colour layer.
#include "cartoon/styles/Massing.h"
#include "cartoon/styles/Styles.h"

#include "filters/GaussianBlur.h"

namespace brimlet {

MassingResult RunMassing(const TBitmap32& source, const MassingSettings& settings, Progress& progress) {
    progress.SetPosition(100);
    MassingResult result;
    // The slider values are checked before any picture work, so a bad one costs nothing.
    result.levelStep = LevelStepFor(settings.scalar);
    const int offset = RegionOffsetFor(settings.region, settings.regionMax, result.levelStep);
    detail::CheckLevelStep(result.levelStep, settings.gray);
    // Each layer is written straight from the picture before it, by the threads that
    // compute it: no working copies.
    GaussianBlur(source, result.palette, settings.sleek, double(settings.sleek));
    crayonpic(offset, result.palette, result.colour, result.levelStep, settings.gray, progress);
    return result;
}

}  // namespace brimlet
