// Fast edge filters: one fused pass per row (kernel, limiting, gray value, frame columns and
// inversion), integer arithmetic on the interleaved bytes so the compiler vectorises the
// kernels, rows threaded in place. Bit-identical to the reference forms.
#include "filters/EdgeFilters.h"

#include "filters/GrayValue.h"
#include "filters/InPlaceRowPass.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace brimlet {

namespace {

#define BRIMLET_CLONES __attribute__((target_clones("avx2", "default")))

void InvertAll(TBitmap32& buffer) { buffer.InvertRect({0, 0, buffer.Width(), buffer.Height()}); }

// Channel sums of the 5 x 5 kernel, limited to 0..255, for bytes [8, n - 8) of a row; the
// neighbours of a byte sit 4 and 8 bytes away. The taps are grouped by weight (-2 at the
// four corners, -4 on the rest of the rim, 8 next to the centre, 24 at it), in 16-bit lanes.
BRIMLET_CLONES
void LaplacianSums(const std::uint8_t* r0, const std::uint8_t* r1, const std::uint8_t* r2,
                   const std::uint8_t* r3, const std::uint8_t* r4, std::uint8_t* out, std::size_t n) {
    for (std::size_t i = 8; i < n - 8; ++i) {
        const int p2 = r0[i - 8] + r0[i + 8] + r4[i - 8] + r4[i + 8];
        const int p1 = r0[i - 4] + r0[i] + r0[i + 4] + r4[i - 4] + r4[i] + r4[i + 4];
        const int q2 = r1[i - 8] + r1[i + 8] + r3[i - 8] + r3[i + 8];
        const int c2 = r2[i - 8] + r2[i + 8];
        const int pos = r1[i] + r3[i] + r2[i - 4] + r2[i + 4] + 3 * r2[i];
        int s = 8 * pos - 2 * p2 - 4 * (p1 + q2 + c2);
        s = s < 0 ? 0 : (s > 255 ? 255 : s);
        out[i] = std::uint8_t(s);
    }
}

// Pixels [2, w - 2): gray value V of the limited sums, written inverted: B = G = R = 255 - V,
// A = V. The loop rounds exact halves down and marks them in ties[x]; FixTies then settles
// those few (about 1 %) from the tie table, so this loop needs no table and vectorises.
BRIMLET_CLONES
void LaplacianGray(const std::uint8_t* sums, std::uint8_t* out, int w, std::uint8_t* ties) {
    for (int x = 2; x < w - 2; ++x) {
        const std::uint8_t* s = sums + 4 * x;
        const unsigned n = 30u * s[kR] + 59u * s[kG] + 11u * s[kB];
        const unsigned v = ((n + 49) * 5243) >> 19;       // (n + 49) / 100
        const unsigned half = ((n + 50) * 5243) >> 19;    // (n + 50) / 100
        ties[x] = std::uint8_t(half * 100 == n + 50);
        const unsigned ink = 255 - v;
        StorePixel(out + 4 * x, ink | ink << 8 | ink << 16 | v << 24);
    }
}

void FixTies(const std::uint8_t* sums, std::uint8_t* out, int w, const std::uint8_t* ties,
             const std::uint8_t* tieTable) {
    int x = 2;
    for (; x + 8 <= w - 2; x += 8) {
        std::uint64_t any;
        std::memcpy(&any, ties + x, 8);
        if (any == 0) continue;
        for (int k = x; k < x + 8; ++k) {
            if (!ties[k]) continue;
            const std::uint8_t* s = sums + 4 * k;
            const unsigned v = GrayValueFromTable(tieTable, s[kR], s[kG], s[kB]);
            const unsigned ink = 255 - v;
            StorePixel(out + 4 * k, ink | ink << 8 | ink << 16 | v << 24);
        }
    }
    for (; x < w - 2; ++x) {
        if (!ties[x]) continue;
        const std::uint8_t* s = sums + 4 * x;
        const unsigned v = GrayValueFromTable(tieTable, s[kR], s[kG], s[kB]);
        const unsigned ink = 255 - v;
        StorePixel(out + 4 * x, ink | ink << 8 | ink << 16 | v << 24);
    }
}

// Inverted largest of the three limited gradients for bytes [4, n - 4).
BRIMLET_CLONES
void SobelRow(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, std::uint8_t* out,
              std::size_t n) {
    for (std::size_t i = 4; i < n - 4; ++i) {
        const int left = a[i - 4] + b[i - 4] + c[i - 4];
        const int right = a[i + 4] + b[i + 4] + c[i + 4];
        const int h1 = right - left + b[i + 4] - b[i - 4];  // weights 1, 2, 1
        const int v = (c[i - 4] + c[i] + c[i + 4]) - (a[i - 4] + a[i] + a[i + 4]);
        const int h2 = left - right;
        int m = std::max(h1, std::max(v, h2));
        m = m < 0 ? 0 : (m > 255 ? 255 : m);
        out[i] = std::uint8_t(255 - m);
    }
}

// The frame pixel at x takes the colour of the pixel at from and the inverted alpha of its
// own input.
inline void FramePixel(std::uint8_t* out, const std::uint8_t* in, int x, int from) {
    std::memcpy(out + 4 * x, out + 4 * from, 3);
    out[4 * x + kA] = std::uint8_t(255 - in[4 * x + kA]);
}

// Frame rows: colour of the (final) row from, inverted alpha of their own input.
void FrameRow(TBitmap32& buffer, int y, int from) {
    std::uint8_t* row = buffer.ScanLine(y);
    const std::uint8_t* src = buffer.ScanLine(from);
    for (int x = 0; x < buffer.Width(); ++x) {
        std::uint8_t* p = row + 4 * x;
        const std::uint8_t* q = src + 4 * x;
        p[kB] = q[kB];
        p[kG] = q[kG];
        p[kR] = q[kR];
        p[kA] = std::uint8_t(255 - p[kA]);
    }
}

std::uint8_t* ScratchRow(std::size_t bytes) {
    thread_local std::vector<std::uint8_t> scratch;
    if (scratch.size() < bytes) scratch.resize(bytes);
    return scratch.data();
}

// The row kernels of both forms. Each writes one complete output row from the input rows
// around it (rows[Radius] is the row's own input).
void LaplacianKernel(const std::uint8_t* const* rows, std::uint8_t* out, int w, std::size_t stride,
                     const std::uint8_t* ties) {
    std::uint8_t* sums = ScratchRow(stride + std::size_t(w));
    std::uint8_t* halves = sums + stride;
    LaplacianSums(rows[0], rows[1], rows[2], rows[3], rows[4], sums, stride);
    LaplacianGray(sums, out, w, halves);
    FixTies(sums, out, w, halves, ties);
    const std::uint8_t* in = rows[2];
    FramePixel(out, in, 0, 2);
    FramePixel(out, in, 1, 2);
    FramePixel(out, in, w - 2, w - 3);
    FramePixel(out, in, w - 1, w - 3);
}

void SobelKernel(const std::uint8_t* const* rows, std::uint8_t* out, int w, std::size_t stride) {
    SobelRow(rows[0], rows[1], rows[2], out, stride);
    const std::uint8_t* in = rows[1];
    for (int x = 1; x < w - 1; ++x) out[4 * x + kA] = std::uint8_t(255 - in[4 * x + kA]);
    FramePixel(out, in, 0, 1);
    FramePixel(out, in, w - 1, w - 2);
}

// Rows first .. last - 1 of target from the rows of source, threaded. Each target row is
// written once, by the worker that computes it, so a fresh target needs no copy and no ring.
template <int Radius, class Kernel>
void SourceRowPass(const TBitmap32& source, TBitmap32& target, int first, int last, const Kernel& kernel,
                   ProgressRelay& relay) {
    const std::size_t stride = source.Stride();
    const std::uint8_t* const in = source.Bits();
    std::uint8_t* const out = target.Bits();
    ParallelRows(last - first, [&](int begin, int end) {
        const std::uint8_t* rows[2 * Radius + 1];
        for (int y = first + begin; y < first + end; ++y) {
            for (int k = 0; k <= 2 * Radius; ++k) rows[k] = in + std::size_t(y - Radius + k) * stride;
            kernel(rows, out + std::size_t(y) * stride);
            relay.RowsDone(1);
        }
    }, 32);
}

// Frame rows of the source-to-target forms: the target row takes the colour of its (final)
// row from and the inverted alpha of the source row.
void FrameRowFrom(const TBitmap32& source, TBitmap32& target, int y, int from) {
    std::memcpy(target.ScanLine(y), target.ScanLine(from), target.Stride());
    std::uint8_t* row = target.ScanLine(y);
    const std::uint8_t* in = source.ScanLine(y);
    for (int x = 0; x < target.Width(); ++x) row[4 * x + kA] = std::uint8_t(255 - in[4 * x + kA]);
}

}  // namespace

void laplaciangause(TBitmap32& buffer, Progress& progress) {
    const int w = buffer.Width(), h = buffer.Height();
    if (w < 5 || h < 5) {
        progress.SetPosition(0);
        InvertAll(buffer);
        return;
    }
    const std::size_t stride = buffer.Stride();
    const std::uint8_t* ties = GrayTieTable();
    ProgressRelay relay(progress);
    InPlaceRowPass<2>(buffer, 2, h - 2, [&](const std::uint8_t* const* rows, std::uint8_t* out) {
        LaplacianKernel(rows, out, w, stride, ties);
    }, &relay);
    relay.Finish();
    progress.SetPosition(0);
    FrameRow(buffer, 0, 2);
    FrameRow(buffer, 1, 2);
    FrameRow(buffer, h - 2, h - 3);
    FrameRow(buffer, h - 1, h - 3);
}

void laplaciangause(const TBitmap32& source, TBitmap32& target, Progress& progress) {
    const int w = source.Width(), h = source.Height();
    if (&source == &target || w < 5 || h < 5) {
        target.Assign(source);
        laplaciangause(target, progress);
        return;
    }
    target.SetSizeForOverwrite(w, h);
    const std::size_t stride = source.Stride();
    const std::uint8_t* ties = GrayTieTable();
    ProgressRelay relay(progress);
    SourceRowPass<2>(source, target, 2, h - 2, [&](const std::uint8_t* const* rows, std::uint8_t* out) {
        LaplacianKernel(rows, out, w, stride, ties);
    }, relay);
    relay.Finish();
    progress.SetPosition(0);
    FrameRowFrom(source, target, 0, 2);
    FrameRowFrom(source, target, 1, 2);
    FrameRowFrom(source, target, h - 2, h - 3);
    FrameRowFrom(source, target, h - 1, h - 3);
}

void picsobel(TBitmap32& buffer, Progress& progress) {
    const int w = buffer.Width(), h = buffer.Height();
    if (w < 3 || h < 3) {
        progress.SetPosition(0);
        InvertAll(buffer);
        return;
    }
    const std::size_t stride = buffer.Stride();
    ProgressRelay relay(progress);
    InPlaceRowPass<1>(buffer, 1, h - 1, [&](const std::uint8_t* const* rows, std::uint8_t* out) {
        SobelKernel(rows, out, w, stride);
    }, &relay);
    relay.Finish();
    progress.SetPosition(0);
    FrameRow(buffer, 0, 1);
    FrameRow(buffer, h - 1, h - 2);
}

void picsobel(const TBitmap32& source, TBitmap32& target, Progress& progress) {
    const int w = source.Width(), h = source.Height();
    if (&source == &target || w < 3 || h < 3) {
        target.Assign(source);
        picsobel(target, progress);
        return;
    }
    target.SetSizeForOverwrite(w, h);
    const std::size_t stride = source.Stride();
    ProgressRelay relay(progress);
    SourceRowPass<1>(source, target, 1, h - 1, [&](const std::uint8_t* const* rows, std::uint8_t* out) {
        SobelKernel(rows, out, w, stride);
    }, relay);
    relay.Finish();
    progress.SetPosition(0);
    FrameRowFrom(source, target, 0, 1);
    FrameRowFrom(source, target, h - 1, h - 2);
}

}  // namespace brimlet
