// The production Gaussian blur: exact integer sums, computed from runs of equal weights.
//
// The rounded kernel K is not separable, but it is a function of dx^2 + dy^2 that falls
// with distance. Write each kernel row as K(y, .) = sum over y' >= |y| of g_y' with
// g_y' = K(y', .) - K(y' + 1, .). Then the blur is sum over y of g_y applied along the row to
// V_y, the vertical box sum of half height y. Only a few g_y are non-zero (at sigma 10 four
// of them, with eight distinct taps), and V_y follows from row to row with one add and one
// subtract. V rows are 16-bit with zero padding left and right, and rows outside the picture
// are left out of the box sums, so the sums of border pixels are their in-picture sums and
// no tap needs a bounds test. Taps of equal weight are added in 16 bits and multiplied in
// pairs into 32-bit sums (pmaddwd). Every step is integer arithmetic on the same terms as the
// literal sum, so the result is bit for bit that of the reference.
//
// Weights beyond the last non-zero ring add nothing to any sum or divisor, so the kernel is
// trimmed to it (at most 15 whatever sigma is); the result does not change.
//
// A kernel trimmed to radius 1 takes the direct 3 x 3 form (GaussianBlur3x3.cpp) instead, which
// needs none of the box rows.
#include "filters/GaussianBlur.h"

#include "core/Parallel.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BRIMLET_BLUR_X86 1
#endif

namespace brimlet {

namespace {

struct Term {
    int level;  // index into the V rows
    int dx;     // 0: the centre tap; otherwise the pair at -dx and +dx
};

struct Group {
    std::int16_t weight = 0;
    std::vector<Term> terms;
};

struct BlurPlan {
    int radius = 0;  // trimmed
    std::vector<int> levels;  // half heights y of the V rows in use
    std::vector<Group> groups;  // even count; pairs (0,1), (2,3), ... go through one madd
    std::vector<std::int64_t> prefix;  // (n+1)^2 2-D prefix sums of the kernel
    std::int64_t total = 0;
};

// Builds the plan or returns false when the weights are too heavy for 16-bit terms.
bool MakePlan(const std::vector<std::int32_t>& kernel, int radius, std::int64_t total,
              BlurPlan& plan) {
    const int n = 2 * radius + 1;
    auto K = [&](int y, int x) -> std::int64_t {
        if (y > radius || x > radius) return 0;
        return kernel[std::size_t(y + radius) * n + (x + radius)];
    };
    plan.radius = radius;
    plan.total = total;
    if (total * 255 > std::numeric_limits<std::int32_t>::max()) return false;
    plan.prefix.assign(std::size_t(n + 1) * (n + 1), 0);
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b)
            plan.prefix[std::size_t(a + 1) * (n + 1) + (b + 1)] =
                kernel[std::size_t(a) * n + b] + plan.prefix[std::size_t(a) * (n + 1) + (b + 1)] +
                plan.prefix[std::size_t(a + 1) * (n + 1) + b] - plan.prefix[std::size_t(a) * (n + 1) + b];

    struct Tap {
        std::int64_t weight;
        Term term;
        std::int64_t bound;
    };
    std::vector<Tap> taps;
    for (int y = 0; y <= radius; ++y) {
        bool used = false;
        for (int x = 0; x <= radius; ++x) {
            std::int64_t g = K(y, x) - K(y + 1, x);
            if (g == 0) continue;
            if (g < std::numeric_limits<std::int16_t>::min() || g > std::numeric_limits<std::int16_t>::max())
                return false;
            if (!used) {
                plan.levels.push_back(y);
                used = true;
            }
            const std::int64_t bound = std::int64_t(x == 0 ? 1 : 2) * (2 * y + 1) * 255;
            if (bound > std::numeric_limits<std::int16_t>::max()) return false;
            taps.push_back({g, {int(plan.levels.size()) - 1, x}, bound});
        }
    }
    // Equal weights share one 16-bit sum while it cannot overflow.
    std::stable_sort(taps.begin(), taps.end(),
                     [](const Tap& a, const Tap& b) { return a.weight < b.weight; });
    std::int64_t room = 0;
    for (const Tap& t : taps) {
        if (plan.groups.empty() || plan.groups.back().weight != t.weight || room < t.bound) {
            plan.groups.push_back({std::int16_t(t.weight), {}});
            room = std::numeric_limits<std::int16_t>::max();
        }
        plan.groups.back().terms.push_back(t.term);
        room -= t.bound;
    }
    if (plan.groups.size() % 2) plan.groups.push_back({0, {}});
    return true;
}

// Sum of the kernel weights whose taps fall inside the picture, for pixel (i, j).
std::int64_t InPictureWeight(const BlurPlan& plan, int i, int j, int width, int height) {
    const int r = plan.radius, n = 2 * r + 1;
    const int a0 = std::max(-r, -i) + r, a1 = std::min(r, height - 1 - i) + r + 1;
    const int b0 = std::max(-r, -j) + r, b1 = std::min(r, width - 1 - j) + r + 1;
    auto P = [&](int a, int b) { return plan.prefix[std::size_t(a) * (n + 1) + b]; };
    return P(a1, b1) - P(a0, b1) - P(a1, b0) + P(a0, b0);
}

inline std::uint8_t Finish(std::int64_t sum, std::int64_t divisor) {
    std::int64_t v = divisor >= 2 ? sum / divisor : sum;
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Per-thread rows: one padded 16-bit V row per level and the 32-bit sums of one output row.
struct Workspace {
    int width = 0, pad = 0;  // pad = radius pixels of zeros on either side
    std::size_t rowLength = 0;
    std::vector<std::int16_t> v;
    std::vector<std::int32_t> acc;
    std::int16_t* Row(int level) { return v.data() + std::size_t(level) * rowLength; }
    // Address of element 0 of picture column 0 in a V row.
    std::int16_t* Origin(int level) { return Row(level) + 4 * pad; }
};

// v += add - sub over count elements; either row may be null.
__attribute__((target_clones("avx2", "default")))
void MoveBox(std::int16_t* v, const std::uint8_t* add, const std::uint8_t* sub, std::size_t count) {
    if (add && sub)
        for (std::size_t k = 0; k < count; ++k) v[k] = std::int16_t(v[k] + (add[k] - sub[k]));
    else if (add)
        for (std::size_t k = 0; k < count; ++k) v[k] = std::int16_t(v[k] + add[k]);
    else if (sub)
        for (std::size_t k = 0; k < count; ++k) v[k] = std::int16_t(v[k] - sub[k]);
}

// The 32-bit sums of one output row, portable form.
void SumRowPortable(const BlurPlan& plan, Workspace& ws) {
    const std::size_t count = std::size_t(ws.width) * 4;
    std::fill(ws.acc.begin(), ws.acc.begin() + count, 0);
    for (const Group& g : plan.groups) {
        if (g.weight == 0) continue;
        for (const Term& t : g.terms) {
            const std::int16_t* o = ws.Origin(t.level);
            if (t.dx == 0) {
                for (std::size_t e = 0; e < count; ++e) ws.acc[e] += g.weight * o[e];
            } else {
                const std::int16_t* l = o - 4 * t.dx;
                const std::int16_t* r = o + 4 * t.dx;
                for (std::size_t e = 0; e < count; ++e) ws.acc[e] += g.weight * (l[e] + r[e]);
            }
        }
    }
}

// Pixels [begin, end) of a row whose sums the vector form already divided and wrote.
struct Written {
    int begin = 0, end = 0;
};

#ifdef BRIMLET_BLUR_X86
// The plan as addresses into one workspace: per group its terms (right is null for a
// centre tap) and per pair of groups the two weights packed for pmaddwd.
struct FlatPlan {
    struct Tap {
        const std::int16_t* left;
        const std::int16_t* right;
    };
    std::vector<Tap> taps;
    std::vector<std::size_t> start;  // groups + 1 entries
    std::vector<std::uint32_t> pairWeights;
};

FlatPlan Flatten(const BlurPlan& plan, Workspace& ws) {
    FlatPlan f;
    for (const Group& g : plan.groups) {
        f.start.push_back(f.taps.size());
        for (const Term& t : g.terms) {
            const std::int16_t* o = ws.Origin(t.level);
            if (t.dx == 0) f.taps.push_back({o, nullptr});
            else f.taps.push_back({o - 4 * t.dx, o + 4 * t.dx});
        }
    }
    f.start.push_back(f.taps.size());
    for (std::size_t p = 0; 2 * p < plan.groups.size(); ++p)
        f.pairWeights.push_back(std::uint16_t(plan.groups[2 * p].weight) |
                                std::uint32_t(std::uint16_t(plan.groups[2 * p + 1].weight)) << 16);
    return f;
}

__attribute__((target("avx2"))) inline __m256i GroupSum(const FlatPlan& f, std::size_t group,
                                                         std::size_t e) {
    __m256i s = _mm256_setzero_si256();
    for (std::size_t k = f.start[group]; k < f.start[group + 1]; ++k) {
        const FlatPlan::Tap& t = f.taps[k];
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.left + e));
        if (t.right) a = _mm256_add_epi16(a, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.right + e)));
        s = _mm256_add_epi16(s, a);
    }
    return s;
}

// Exact s / t for 0 <= s < 2^31: a float quotient is off by at most one and corrected
// with the remainder.
__attribute__((target("avx2"))) inline __m256i Quotient(__m256i s, __m256 rcp, __m256i t) {
    __m256i q = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(s), rcp));
    __m256i r = _mm256_sub_epi32(s, _mm256_mullo_epi32(q, t));
    q = _mm256_add_epi32(q, _mm256_srai_epi32(r, 31));  // r < 0: one less
    return _mm256_sub_epi32(q, _mm256_xor_si256(_mm256_cmpgt_epi32(t, r), _mm256_set1_epi32(-1)));  // r >= t: one more
}

// The sums of one output row, 16 elements (4 pixels) at a time: 16-bit term sums per
// group, then one pmaddwd per pair of groups. With out set, blocks of interior pixels are
// divided by the total and written at once (B, G, R; A kept); the rest go to ws.acc.
__attribute__((target("avx2"))) Written SumRowAvx2(const FlatPlan& f, Workspace& ws, int radius,
                                                   std::uint8_t* out, std::int32_t total) {
    const std::size_t count = std::size_t(ws.width) * 4;
    const std::size_t pairs = f.pairWeights.size();
    // Elements [fuse0, fuse1) are whole blocks of interior pixels.
    std::size_t fuse0 = 0, fuse1 = 0;
    if (out && ws.width > 2 * radius) {
        fuse0 = (4 * std::size_t(radius) + 15) / 16 * 16;
        const std::size_t limit = 4 * std::size_t(ws.width - radius);
        fuse1 = fuse0 < limit ? fuse0 + (limit - fuse0) / 16 * 16 : fuse0;
    }
    const __m256 rcp = _mm256_set1_ps(1.0f / float(total ? total : 1));
    const __m256i t = _mm256_set1_epi32(total);
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    for (std::size_t e = 0; e < count; e += 16) {
        __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
        for (std::size_t p = 0; p < pairs; ++p) {
            const __m256i w = _mm256_set1_epi32(int(f.pairWeights[p]));
            __m256i a = GroupSum(f, 2 * p, e), b = GroupSum(f, 2 * p + 1, e);
            lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), w));
            hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), w));
        }
        if (e >= fuse0 && e < fuse1) {
            // unpack worked within 128-bit halves, and packs undoes it: the element order is back.
            const __m256i q16 = _mm256_packs_epi32(Quotient(lo, rcp, t), Quotient(hi, rcp, t));
            const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(q16), _mm256_extracti128_si256(q16, 1));
            __m128i* o = reinterpret_cast<__m128i*>(out + e);
            _mm_storeu_si128(o, _mm_blendv_epi8(bytes, _mm_loadu_si128(o), alpha));
            continue;
        }
        // Put the 16 sums back in element order.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(ws.acc.data() + e), _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(ws.acc.data() + e + 8), _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    return {int(fuse0 / 4), int(fuse1 / 4)};
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

bool gAllowSimd = true;

// Divides and writes the pixels of row i outside `done` from ws.acc.
void FinishRow(const BlurPlan& plan, const Workspace& ws, std::uint8_t* out, int i, int width,
               int height, Written done) {
    const int r = plan.radius;
    const std::int32_t* acc = ws.acc.data();
    const bool rowInside = i >= r && i < height - r;
    for (int j = 0; j < width; ++j) {
        if (j == done.begin) j = std::max(j, done.end);
        if (j >= width) break;
        const bool inside = rowInside && j >= r && j < width - r;
        const std::int64_t divisor = inside ? plan.total : InPictureWeight(plan, i, j, width, height);
        for (int c = 0; c < 3; ++c) out[4 * j + c] = Finish(acc[4 * j + c], divisor);
    }
}

// The original rows a range of output rows needs while the picture is overwritten: rows of
// neighbouring ranges saved before any thread starts, and the range's own rows saved just
// before each is overwritten.
struct RowSource {
    const TBitmap32* picture = nullptr;
    TBitmap32* target = nullptr;  // set when the rows go into another picture than they come from
    int begin = 0, end = 0;
    const std::uint8_t* above = nullptr;  // rows [begin - radius, begin)
    const std::uint8_t* below = nullptr;  // rows [end, end + radius)
    std::vector<std::uint8_t> ring;       // own rows already overwritten, radius + 1 of them
    int ringRows = 0;
    int written = 0;  // rows [begin, written) are overwritten
    int radius = 0;
    std::size_t stride = 0;

    const std::uint8_t* Row(int y) const {
        if (y < begin) return above + std::size_t(y - (begin - radius)) * stride;
        if (y >= end) return below + std::size_t(y - end) * stride;
        if (y < written) return ring.data() + std::size_t(y % ringRows) * stride;
        return picture->ScanLine(y);
    }
    // Row y (the next one) is about to be overwritten.
    void Save(int y) {
        if (target) {
            // Nothing to save: the row is instead copied over whole, so the target keeps
            // the source's alpha, which the blur never writes.
            std::memcpy(target->ScanLine(y), picture->ScanLine(y), stride);
            return;
        }
        std::memcpy(ring.data() + std::size_t(y % ringRows) * stride, picture->ScanLine(y), stride);
        written = y + 1;
    }
};

void BlurRows(const BlurPlan& plan, RowSource& source, TBitmap32& buffer, bool simd) {
    const int width = buffer.Width(), height = buffer.Height();
    const std::size_t stride = buffer.Stride();
    const int r = plan.radius;
    Workspace ws;
    ws.width = width;
    ws.pad = r;
    // 16 spare elements so the last vector of a row reads padding, not beyond.
    ws.rowLength = 4 * (std::size_t(width) + 2 * r) + 16;
    ws.v.assign(ws.rowLength * plan.levels.size(), 0);
    ws.acc.assign(4 * std::size_t(width) + 16, 0);
#ifdef BRIMLET_BLUR_X86
    const FlatPlan flat = Flatten(plan, ws);
#endif

    for (int i = source.begin; i < source.end; ++i) {
        for (std::size_t l = 0; l < plan.levels.size(); ++l) {
            const int y = plan.levels[l];
            std::int16_t* v = ws.Origin(int(l));
            if (i == source.begin) {
                for (int d = std::max(0, i - y); d <= std::min(height - 1, i + y); ++d)
                    MoveBox(v, source.Row(d), nullptr, stride);
            } else {
                MoveBox(v, i + y < height ? source.Row(i + y) : nullptr,
                        i - y - 1 >= 0 ? source.Row(i - y - 1) : nullptr, stride);
            }
        }
        source.Save(i);
        std::uint8_t* out = buffer.ScanLine(i);
        Written done;
#ifdef BRIMLET_BLUR_X86
        if (simd) {
            const bool rowInside = i >= r && i < height - r;
            done = SumRowAvx2(flat, ws, r, rowInside ? out : nullptr, std::int32_t(plan.total));
        } else {
            SumRowPortable(plan, ws);
        }
#else
        (void)simd;
        SumRowPortable(plan, ws);
#endif
        FinishRow(plan, ws, out, i, width, height, done);
    }
}

}  // namespace

namespace detail {
void SetBlurSimd(bool allowed) { gAllowSimd = allowed; }
}  // namespace detail

namespace {

// The blur of source into buffer; buffer may be the source itself.
void Blur(const TBitmap32& source, TBitmap32& buffer, int radius, double sigma) {
    radius = detail::GaussianBlurRadius(radius, sigma);
    // Non-zero weights never reach past distance 15, so a radius of 16 holds them all.
    const int probe = std::min(radius, 16);
    std::int32_t total = 0;
    std::vector<std::int32_t> kernel = GaussianKernel2D(probe, sigma, total);
    int trimmed = -1;
    const int n = 2 * probe + 1;
    for (int x = 0; x <= probe; ++x)
        if (kernel[std::size_t(probe) * n + (probe + x)] != 0) trimmed = x;
    const bool inPlace = &source == &buffer;
    if (source.Empty()) {
        if (!inPlace) buffer.Assign(source);
        return;
    }
    if (!inPlace && trimmed < 0) buffer.Assign(source);
    if (trimmed < 0) {
        // Every weight is 0: every sum and divisor is 0.
        std::uint8_t* p = buffer.Bits();
        for (std::size_t k = 0; k < buffer.ByteCount(); k += 4) p[k] = p[k + 1] = p[k + 2] = 0;
        return;
    }
    if (trimmed < probe) kernel = GaussianKernel2D(trimmed, sigma, total);
    bool simd = false;
#ifdef BRIMLET_BLUR_X86
    simd = gAllowSimd && HasAvx2();
#endif
    BlurPlan plan;
    const bool planned = MakePlan(kernel, trimmed, total, plan);
    bool fromSource = !inPlace;
    if (trimmed == 1 || !planned) {
        // The 3 x 3 form and the literal sums work in place.
        if (fromSource) buffer.Assign(source);
        fromSource = false;
        if (trimmed == 1 && detail::Blur3x3(buffer, kernel, total, simd)) return;
        if (!planned) {
            detail::BlurWithKernel(buffer, kernel, trimmed, total);
            return;
        }
    }
    if (fromSource) buffer.SetSizeForOverwrite(source.Width(), source.Height());
    // Row ranges of at least 64 rows, one per thread. In place, the rows each range shares
    // with its neighbours are saved first, so no full copy of the picture is needed; from
    // another picture, every range reads the source directly.
    const int height = buffer.Height(), r = trimmed;
    const std::size_t stride = buffer.Stride();
    const int ranges = std::max(1, std::min(WorkerThreads(), height / 64));
    std::vector<int> bounds(ranges + 1);
    for (int t = 0; t <= ranges; ++t) bounds[t] = int(std::int64_t(height) * t / ranges);
    std::vector<std::vector<std::uint8_t>> shared(ranges + 1);  // rows [b - r, b + r) at each bound b
    if (!fromSource) {
        for (int t = 1; t < ranges; ++t) {
            const int b = bounds[t];
            shared[t].assign(buffer.ScanLine(b - r), buffer.ScanLine(b - r) + 2 * r * stride);
        }
    }
    std::vector<RowSource> sources(ranges);
    for (int t = 0; t < ranges; ++t) {
        RowSource& src = sources[t];
        src.begin = bounds[t];
        src.end = bounds[t + 1];
        src.written = src.begin;
        src.radius = r;
        src.stride = stride;
        if (fromSource) {
            src.picture = &source;
            src.target = &buffer;
            if (t > 0) src.above = source.ScanLine(src.begin - r);
            if (t + 1 < ranges) src.below = source.ScanLine(src.end);
            continue;
        }
        src.picture = &buffer;
        src.ringRows = r + 1;
        src.ring.resize(std::size_t(src.ringRows) * stride);
        if (t > 0) src.above = shared[t].data();
        if (t + 1 < ranges) src.below = shared[t + 1].data() + std::size_t(r) * stride;
    }
    ParallelRows(ranges, [&](int first, int last) {
        for (int t = first; t < last; ++t) BlurRows(plan, sources[t], buffer, simd);
    }, 1);
}

}  // namespace

void GaussianBlur(TBitmap32& buffer, int radius, double sigma) { Blur(buffer, buffer, radius, sigma); }

void GaussianBlur(const TBitmap32& source, TBitmap32& target, int radius, double sigma) {
    Blur(source, target, radius, sigma);
}

}  // namespace brimlet
