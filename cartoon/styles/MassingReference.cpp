// Literal forms of the Massing routines: the fast paths are checked against these.
#include "cartoon/styles/Massing.h"

#include "filters/GrayValue.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace brimlet::reference {

namespace {

// One cell of the box table: sums of blue, green and red, and the pixel count. The sums are
// 64-bit so that one box may gather every pixel of the largest picture.
struct Box {
    std::int64_t blue = 0, green = 0, red = 0, count = 0;
};

void GrayPath(int offset, int levelStep, const TBitmap32& input, TBitmap32& output,
              Progress& progress) {
    for (int y = 1; y <= input.Height() - 1; ++y) {
        const std::uint8_t* in = input.ScanLine(y);
        std::uint8_t* out = output.ScanLine(y);
        for (int x = 1; x <= input.Width() - 1; ++x) {
            const std::uint8_t* p = in + 4 * x;
            int g = reference::GrayValue(p[kR], p[kG], p[kB]);
            int v = std::min(255, std::max(0, g + offset));
            int q = v / levelStep;
            int top = std::max(0, std::min(255, (q + 1) * levelStep - 1));
            std::uint8_t* o = out + 4 * x;
            o[kB] = o[kG] = o[kR] = std::uint8_t(top);
            o[kA] = 255;
        }
        progress.Advance(1);
    }
    progress.SetPosition(0);
}

void ColourPath(int levelStep, const TBitmap32& input, TBitmap32& output, Progress& progress) {
    std::vector<Box> table(16 * 16 * 16);
    auto cellOf = [&](const std::uint8_t* p) -> Box& {
        return table[(p[kR] / levelStep) * 256 + (p[kG] / levelStep) * 16 + p[kB] / levelStep];
    };
    for (int y = 1; y <= input.Height() - 1; ++y) {
        const std::uint8_t* in = input.ScanLine(y);
        for (int x = 1; x <= input.Width() - 1; ++x) {
            const std::uint8_t* p = in + 4 * x;
            Box& box = cellOf(p);
            box.count += 1;
            box.red += p[kR];
            box.green += p[kG];
            box.blue += p[kB];
        }
        progress.Advance(1);
    }
    progress.SetPosition(0);
    for (Box& box : table) {
        if (box.count <= 0) continue;
        const long double count = static_cast<long double>(box.count);
        box.blue = std::int64_t(std::nearbyint(static_cast<long double>(box.blue) / count));
        box.green = std::int64_t(std::nearbyint(static_cast<long double>(box.green) / count));
        box.red = std::int64_t(std::nearbyint(static_cast<long double>(box.red) / count));
    }
    for (int y = 1; y <= input.Height() - 1; ++y) {
        const std::uint8_t* in = input.ScanLine(y);
        std::uint8_t* out = output.ScanLine(y);
        for (int x = 1; x <= input.Width() - 1; ++x) {
            const Box& box = cellOf(in + 4 * x);
            std::uint8_t* o = out + 4 * x;
            o[kB] = std::uint8_t(box.blue);
            o[kG] = std::uint8_t(box.green);
            o[kR] = std::uint8_t(box.red);
            o[kA] = 255;
        }
        progress.Advance(1);
    }
    progress.SetPosition(0);
}

void Shift(TBitmap32& picture, int delta, Progress& progress) {
    TBitmap32 work;
    work.Assign(picture);
    for (int y = 0; y <= work.Height() - 1; ++y) {
        std::uint8_t* row = work.ScanLine(y);
        for (int x = 0; x <= work.Width() - 1; ++x)
            for (int channel : {kB, kG, kR}) {
                std::uint8_t* v = row + 4 * x + channel;
                *v = std::uint8_t(std::min(255, std::max(0, *v + delta)));
            }
        progress.Advance(1);
    }
    progress.SetPosition(0);
    picture.Assign(work);
}

}  // namespace

void crayonpic(int offset, TBitmap32& picture, int levelStep, bool gray, Progress& progress) {
    detail::CheckLevelStep(levelStep, gray);
    TBitmap32 output;
    output.Assign(picture);
    if (gray)
        GrayPath(offset, levelStep, picture, output, progress);
    else
        ColourPath(levelStep, picture, output, progress);
    picture.Assign(output);
}

void Brighter(TBitmap32& picture, Progress& progress) { Shift(picture, +10, progress); }
void Darker(TBitmap32& picture, Progress& progress) { Shift(picture, -10, progress); }

}  // namespace brimlet::reference
