// The Massing chain: blur, keep the blur as the palette, quantise a copy of it.
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
    result.palette = source;
    GaussianBlur(result.palette, settings.sleek, double(settings.sleek));
    result.colour = result.palette;
    crayonpic(offset, result.colour, result.levelStep, settings.gray, progress);
    return result;
}

}  // namespace brimlet
