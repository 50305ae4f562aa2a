// Shallow and SelectionSort; smooth and ClearSpots live in their own files.
#include "cartoon/styles/LineRefinements.h"

#include "cartoon/styles/BytePattern.h"
#include "cartoon/styles/RowGroups.h"

#include <cstring>

namespace brimlet {

void SelectionSort(std::int32_t* values, int n) {
    for (int i = 0; i <= n - 1; ++i)
        for (int j = n; j >= i + 1; --j)
            if (values[j] < values[i]) {
                std::int32_t t = values[i];
                values[i] = values[j];
                values[j] = t;
            }
}

void Shallow(TBitmap32& picture, Progress& progress) {
    const int width = picture.Width(), height = picture.Height();
    if (height >= 3) {
        detail::ForRowGroups(1, height - 1, progress, [&](int begin, int end) {
            if (width < 3) return;
            static constexpr std::uint8_t kFade[4] = {0, 0, 0, 30};
            for (int y = begin; y < end; ++y)
                detail::SubtractSaturated(picture.ScanLine(y) + 4, 4 * std::size_t(width - 2), kFade);
        });
    }
    progress.SetPosition(0);
}

}  // namespace brimlet
