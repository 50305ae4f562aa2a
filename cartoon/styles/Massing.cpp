// Fast forms of the Massing routines. The grey path is the fast gray value plus a 256-entry
// table of band tops; the colour path counts boxes per worker and merges the tables, then
// paints each pixel with its box's packed mean. Both work in place or from one picture into
// another: every output pixel depends only on its own input pixel (and the finished table).
#include "cartoon/styles/Massing.h"

#include "cartoon/styles/BytePattern.h"
#include "cartoon/styles/RowGroups.h"
#include "core/Parallel.h"
#include "filters/GrayValue.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace brimlet {

int LevelStepFor(int scalarPosition) {
    if (scalarPosition < 1) throw std::invalid_argument("The Scalar position must be at least 1");
    return int(std::nearbyint(256.0L / scalarPosition));
}

int RegionOffsetFor(int regionPosition, int regionMax, int levelStep) {
    if (regionMax < 1) throw std::invalid_argument("The Region maximum must be at least 1");
    const long double centred = regionPosition - regionMax / 2.0L;
    return int(std::nearbyint(centred * levelStep / regionMax));
}

namespace detail {
void CheckLevelStep(int levelStep, bool gray) {
    if (levelStep < 1) throw std::invalid_argument("The Massing band width must be at least 1");
    if (!gray && levelStep < 16)
        throw std::invalid_argument("The Massing colour boxes need a band width of at least 16");
}
}  // namespace detail

namespace {

inline void Store(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// The top row and the left column keep their pixels; from another picture they are copied.
void CopyUnquantised(const TBitmap32& source, TBitmap32& target, int y) {
    if (&source == &target || source.Empty()) return;
    if (y == 0)
        std::memcpy(target.ScanLine(0), source.ScanLine(0), source.Stride());
    else
        std::memcpy(target.ScanLine(y), source.ScanLine(y), 4);
}

// Both paths read source and write target, which may be the same picture: every output
// pixel depends only on its own input pixel (and the finished table).
void GrayPath(int offset, int levelStep, const TBitmap32& source, TBitmap32& picture, Progress& progress) {
    // Packed B = G = R = band top, A = 255, for every gray value.
    std::array<std::uint32_t, 256> tops;
    for (int g = 0; g < 256; ++g) {
        int v = std::min(255, std::max(0, g + offset));
        int top = std::max(0, std::min(255, (v / levelStep + 1) * levelStep - 1));
        tops[g] = 0xFF000000u | std::uint32_t(top) * 0x010101u;
    }
    const std::uint8_t* ties = GrayTieTable();
    const int width = picture.Width();
    CopyUnquantised(source, picture, 0);
    detail::ForRowGroups(1, picture.Height(), progress, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* in = source.ScanLine(y);
            std::uint8_t* out = picture.ScanLine(y);
            CopyUnquantised(source, picture, y);
            for (int x = 1; x < width; ++x) {
                const std::uint8_t* q = in + 4 * x;
                Store(out + 4 * x, tops[GrayValueFromTable(ties, q[kR], q[kG], q[kB])]);
            }
        }
    });
    progress.SetPosition(0);
}

struct Box {
    std::int64_t blue = 0, green = 0, red = 0, count = 0;
};

constexpr int kCells = 16 * 16 * 16;

// Box index of every channel value, already shifted to its place in the cell number.
struct BandTables {
    std::array<std::uint16_t, 256> red, green, blue;
    explicit BandTables(int levelStep) {
        for (int v = 0; v < 256; ++v) {
            red[v] = std::uint16_t((v / levelStep) << 8);
            green[v] = std::uint16_t((v / levelStep) << 4);
            blue[v] = std::uint16_t(v / levelStep);
        }
    }
    unsigned Cell(const std::uint8_t* p) const { return red[p[kR]] | green[p[kG]] | blue[p[kB]]; }
};

// Adds rows [begin, end) into table. Neighbouring pixels of a blurred photo mostly share a
// box, so a run of equal boxes is summed in registers before it touches the table.
void CountRows(const TBitmap32& picture, const BandTables& bands, int begin, int end, Box* table) {
    const int width = picture.Width();
    for (int y = begin; y < end; ++y) {
        const std::uint8_t* row = picture.ScanLine(y);
        unsigned current = bands.Cell(row + 4);
        std::int64_t blue = 0, green = 0, red = 0, count = 0;
        for (int x = 1; x < width; ++x) {
            const std::uint8_t* p = row + 4 * x;
            unsigned cell = bands.Cell(p);
            if (cell != current) {
                Box& box = table[current];
                box.blue += blue, box.green += green, box.red += red, box.count += count;
                blue = green = red = count = 0;
                current = cell;
            }
            blue += p[kB], green += p[kG], red += p[kR], ++count;
        }
        Box& box = table[current];
        box.blue += blue, box.green += green, box.red += red, box.count += count;
    }
}

void ColourPath(int levelStep, const TBitmap32& source, TBitmap32& picture, Progress& progress) {
    const BandTables bands(levelStep);
    const int width = picture.Width(), height = picture.Height();
    std::vector<Box> table(kCells);
    std::mutex merge;
    // One table per worker, merged at its end; rows are counted in steps for the progress.
    detail::ProgressRelay relay(progress);
    ParallelRows(
        height - 1,
        [&](int b, int e) {
            std::vector<Box> local(kCells);
            for (int y = 1 + b; y < 1 + e; y += detail::kRowsPerStep) {
                const int end = std::min(1 + e, y + detail::kRowsPerStep);
                if (width >= 2) CountRows(source, bands, y, end, local.data());
                relay.RowsDone(end - y);
            }
            std::lock_guard<std::mutex> lock(merge);
            for (int c = 0; c < kCells; ++c) {
                table[c].blue += local[c].blue, table[c].green += local[c].green;
                table[c].red += local[c].red, table[c].count += local[c].count;
            }
        },
        32);
    relay.Finish();
    progress.SetPosition(0);

    std::vector<std::uint32_t> paint(kCells, 0xFF000000u);
    for (int c = 0; c < kCells; ++c) {
        const Box& box = table[c];
        if (box.count <= 0) continue;
        const long double count = static_cast<long double>(box.count);
        auto mean = [&](std::int64_t sum) {
            return std::uint32_t(std::nearbyint(static_cast<long double>(sum) / count));
        };
        paint[c] = 0xFF000000u | mean(box.red) << 16 | mean(box.green) << 8 | mean(box.blue);
    }

    CopyUnquantised(source, picture, 0);
    detail::ForRowGroups(1, height, progress, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* in = source.ScanLine(y);
            std::uint8_t* out = picture.ScanLine(y);
            CopyUnquantised(source, picture, y);
            for (int x = 1; x < width; ++x) Store(out + 4 * x, paint[bands.Cell(in + 4 * x)]);
        }
    });
    progress.SetPosition(0);
}

void Shift(TBitmap32& picture, bool brighter, Progress& progress) {
    static constexpr std::uint8_t kStep[4] = {10, 10, 10, 0};  // alpha untouched
    detail::ForRowGroups(0, picture.Height(), progress, [&](int begin, int end) {
        std::uint8_t* p = picture.ScanLine(begin);
        const std::size_t bytes = std::size_t(end - begin) * picture.Stride();
        if (brighter)
            detail::AddSaturated(p, bytes, kStep);
        else
            detail::SubtractSaturated(p, bytes, kStep);
    });
    progress.SetPosition(0);
}

}  // namespace

void crayonpic(int offset, TBitmap32& picture, int levelStep, bool gray, Progress& progress) {
    crayonpic(offset, picture, picture, levelStep, gray, progress);
}

void crayonpic(int offset, const TBitmap32& source, TBitmap32& target, int levelStep, bool gray,
               Progress& progress) {
    detail::CheckLevelStep(levelStep, gray);
    if (&source != &target) target.SetSizeForOverwrite(source.Width(), source.Height());
    if (gray)
        GrayPath(offset, levelStep, source, target, progress);
    else
        ColourPath(levelStep, source, target, progress);
}

void Brighter(TBitmap32& picture, Progress& progress) { Shift(picture, true, progress); }
void Darker(TBitmap32& picture, Progress& progress) { Shift(picture, false, progress); }

}  // namespace brimlet
