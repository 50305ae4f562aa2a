// Shallow and SelectionSort; smooth and ClearSpots live in their own files.
#include "cartoon/styles/LineRefinements.h"

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

namespace {

// Alpha of pixels [0, count) of a row minus 30, held at 0; the pattern keeps B, G, R.
__attribute__((target_clones("avx2", "default")))
void FadeAlpha(std::uint8_t* __restrict p, int count) {
    static constexpr std::uint8_t kFade[4] = {0, 0, 0, 30};
    const int bytes = 4 * count;
    for (int i = 0; i < bytes; ++i) {
        int v = p[i] - kFade[i & 3];
        p[i] = std::uint8_t(v < 0 ? 0 : v);
    }
}

}  // namespace

void Shallow(TBitmap32& picture, Progress& progress) {
    const int width = picture.Width(), height = picture.Height();
    if (height >= 3) {
        detail::ForRowGroups(1, height - 1, progress, [&](int begin, int end) {
            if (width < 3) return;
            for (int y = begin; y < end; ++y) FadeAlpha(picture.ScanLine(y) + 4, width - 2);
        });
    }
    progress.SetPosition(0);
}

}  // namespace brimlet
