// Hysteresis on bit planes.
//
// Each band of rows goes top to bottom: a row takes its seeds and the passable pixels
// touching accepted ones above, then spreads along its runs in both directions. Where the
// new row reaches passable pixels above, a flood of whole words follows through the band's
// rows done so far, so after each row those rows hold the set connected within the band.
// Bands never read or write each other's rows while they run. Afterwards one flood, seeded
// from the rows on either side of every band border, carries the sets across the borders
// (and back, as often as a connection winds). Every pixel it adds is connected to a seed,
// and when it stops no passable pixel touches an accepted one: the set is the full closure,
// whatever the bands were.
#include "filters/PenInkHysteresis.h"

#include "core/Parallel.h"

#include <algorithm>
#include <mutex>

namespace brimlet::detail {

void RidgeBits::Allocate(int width, int rows) {
    words = (width + 63) / 64;
    const std::size_t count = std::size_t(words) * std::size_t(rows);
    block = MakePlaneForOverwrite(3 * count * sizeof(std::uint64_t));
    pass = reinterpret_cast<std::uint64_t*>(block.get());
    seed = pass + count;
    ink = seed + count;
}

namespace {

// Bits of g spread towards higher (Up) or lower bit numbers through runs of p.
inline std::uint64_t FillUp(std::uint64_t g, std::uint64_t p) {
    g |= p & (g << 1); p &= p << 1;
    g |= p & (g << 2); p &= p << 2;
    g |= p & (g << 4); p &= p << 4;
    g |= p & (g << 8); p &= p << 8;
    g |= p & (g << 16); p &= p << 16;
    g |= p & (g << 32);
    return g;
}

inline std::uint64_t FillDown(std::uint64_t g, std::uint64_t p) {
    g |= p & (g >> 1); p &= p >> 1;
    g |= p & (g >> 2); p &= p >> 2;
    g |= p & (g >> 4); p &= p >> 4;
    g |= p & (g >> 8); p &= p >> 8;
    g |= p & (g >> 16); p &= p >> 16;
    g |= p & (g >> 32);
    return g;
}

// Pixels next to (or on) a set bit of row v, word i.
inline std::uint64_t Dilated(const std::uint64_t* v, int i, int words) {
    std::uint64_t d = v[i] | (v[i] << 1) | (v[i] >> 1);
    if (i > 0) d |= v[i - 1] >> 63;
    if (i + 1 < words) d |= v[i + 1] << 63;
    return d;
}

// A flood of whole words that reads and writes rows [low, high] only.
class WordFlood {
public:
    WordFlood(RidgeBits& bits, int low, int high) : r_(bits), low_(low), high_(high) {}

    void SetHigh(int high) { high_ = high; }
    void Visit(int y, int i) { work_.push_back((std::uint64_t(y) << 32) | unsigned(i)); }

    void Run() {
        while (!work_.empty()) {
            const int y = int(work_.back() >> 32), i = int(std::uint32_t(work_.back()));
            work_.pop_back();
            if (const std::uint64_t added = Grow(y, i)) VisitTouched(y, i, added);
        }
    }

private:
    std::uint64_t Open(int y, int i) const {
        const std::size_t at = std::size_t(y) * r_.words + i;
        return r_.pass[at] & ~r_.ink[at];
    }

    // Word i of row y gains its passable pixels next to accepted ones and the runs they
    // start; returns the pixels it gained.
    std::uint64_t Grow(int y, int i) {
        const int words = r_.words;
        const std::uint64_t open = Open(y, i);
        if (!open) return 0;
        const std::uint64_t* ink = r_.ink + std::size_t(y) * words;
        std::uint64_t touch = Dilated(ink, i, words);
        if (y > low_) touch |= Dilated(ink - words, i, words);
        if (y < high_) touch |= Dilated(ink + words, i, words);
        const std::uint64_t reached = open & touch;
        if (!reached) return 0;
        const std::uint64_t added = FillDown(FillUp(reached, open), open);
        r_.ink[std::size_t(y) * words + i] |= added;
        return added;
    }

    // Only a word with open pixels next to the gained ones can gain anything from them.
    void VisitTouched(int y, int i, std::uint64_t added) {
        const int words = r_.words;
        const bool left = i > 0 && (added & 1), right = i + 1 < words && (added >> 63);
        if (left && (Open(y, i - 1) >> 63)) Visit(y, i - 1);
        if (right && (Open(y, i + 1) & 1)) Visit(y, i + 1);
        const std::uint64_t spread = added | (added << 1) | (added >> 1);
        for (int ny : {y - 1, y + 1}) {
            if (ny < low_ || ny > high_) continue;
            if (Open(ny, i) & spread) Visit(ny, i);
            if (left && (Open(ny, i - 1) >> 63)) Visit(ny, i - 1);
            if (right && (Open(ny, i + 1) & 1)) Visit(ny, i + 1);
        }
    }

    RidgeBits& r_;
    int low_, high_;
    std::vector<std::uint64_t> work_;  // (y << 32) | word
};

// The set connected to the seeds of rows [first, last) through those rows alone.
void Band(RidgeBits& r, int first, int last) {
    const int words = r.words;
    WordFlood flood(r, first, first);
    for (int y = first; y < last; ++y) {
        const std::size_t row = std::size_t(y) * words;
        std::uint64_t* ink = r.ink + row;
        const std::uint64_t* above = y > first ? ink - words : nullptr;
        const std::uint64_t* pass = r.pass + row;
        const std::uint64_t* seed = r.seed + row;
        for (int i = 0; i < words; ++i) ink[i] |= seed[i] | (above ? pass[i] & Dilated(above, i, words) : 0);
        std::uint64_t carry = 0;
        for (int i = 0; i < words; ++i) {
            const std::uint64_t through = pass[i] | seed[i];
            ink[i] = FillUp(ink[i] | (carry & through), through);
            carry = ink[i] >> 63;
        }
        carry = 0;
        for (int i = words - 1; i >= 0; --i) {
            const std::uint64_t through = pass[i] | seed[i];
            ink[i] = FillDown(ink[i] | ((carry << 63) & through), through);
            carry = ink[i] & 1;
        }
        if (!above) continue;
        flood.SetHigh(y);
        const std::uint64_t* passAbove = pass - words;
        for (int i = 0; i < words; ++i)
            if (passAbove[i] & ~above[i] & Dilated(ink, i, words)) flood.Visit(y - 1, i);
        flood.Run();
    }
}

}  // namespace

void Hysteresis(PlaneSize size, RidgeBits& r) {
    const int height = size.height;
    if (height < 3) return;
    std::vector<int> borders;  // first rows of the bands after the first
    std::mutex lock;
    ParallelRows(height, [&](int begin, int end) {
        const int first = std::max(begin, 1), last = std::min(end, height - 1);
        if (first >= last) return;
        Band(r, first, last);
        if (first > 1) {
            std::lock_guard<std::mutex> hold(lock);
            borders.push_back(first);
        }
    });
    if (borders.empty()) return;
    WordFlood across(r, 1, height - 2);
    for (int y : borders)
        for (int i = 0; i < r.words; ++i) {
            across.Visit(y - 1, i);
            across.Visit(y, i);
        }
    across.Run();
}

}  // namespace brimlet::detail
