#include "workspace/LayerPatches.h"

#include "core/Parallel.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace brimlet {

// ---- Tiles -----------------------------------------------------------------------------

void TTilePatch::Preserve(const TBitmap32& picture, const Rect& area) {
    if (picture.Empty()) return;
    if (index_.empty()) {
        width_ = picture.Width();
        height_ = picture.Height();
        columns_ = (width_ + kTile - 1) / kTile;
        index_.assign(std::size_t(columns_) * ((height_ + kTile - 1) / kTile), -1);
    }
    const int left = std::max(0, area.left), top = std::max(0, area.top);
    const int right = std::min(width_, area.right), bottom = std::min(height_, area.bottom);
    if (right <= left || bottom <= top) return;
    for (int ty = top / kTile; ty <= (bottom - 1) / kTile; ++ty)
        for (int tx = left / kTile; tx <= (right - 1) / kTile; ++tx) {
            std::int32_t& slot = index_[std::size_t(ty) * columns_ + tx];
            if (slot >= 0) continue;
            Tile tile{tx * kTile, ty * kTile, std::min(kTile, width_ - tx * kTile),
                      std::min(kTile, height_ - ty * kTile), {}};
            const std::size_t rowBytes = std::size_t(tile.width) * 4;
            tile.pixels.resize(rowBytes * tile.height);
            for (int r = 0; r < tile.height; ++r)
                std::memcpy(tile.pixels.data() + r * rowBytes,
                            picture.ScanLine(tile.y + r) + std::size_t(tile.x) * 4, rowBytes);
            if (tiles_.empty())
                bounds_ = {tile.x, tile.y, tile.x + tile.width, tile.y + tile.height};
            else
                bounds_ = {std::min(bounds_.left, tile.x), std::min(bounds_.top, tile.y),
                           std::max(bounds_.right, tile.x + tile.width),
                           std::max(bounds_.bottom, tile.y + tile.height)};
            slot = std::int32_t(tiles_.size());
            tiles_.push_back(std::move(tile));
        }
}

Rect TTilePatch::Swap(TBitmap32& picture) {
    if (picture.Width() != width_ || picture.Height() != height_) return {};
    for (Tile& tile : tiles_) {
        const std::size_t rowBytes = std::size_t(tile.width) * 4;
        for (int r = 0; r < tile.height; ++r)
            std::swap_ranges(tile.pixels.data() + r * rowBytes,
                             tile.pixels.data() + (r + 1) * rowBytes,
                             picture.ScanLine(tile.y + r) + std::size_t(tile.x) * 4);
    }
    return bounds_;
}

std::size_t TTilePatch::Bytes() const {
    std::size_t total = index_.size() * sizeof(std::int32_t) + tiles_.size() * sizeof(Tile);
    for (const Tile& tile : tiles_) total += tile.pixels.size();
    return total;
}

// ---- Colour mask -----------------------------------------------------------------------

namespace {
inline bool SameColour(const std::uint8_t* p, std::uint32_t rgb) {
    return (LoadPixel(p) & 0xFFFFFFu) == rgb;
}
}  // namespace

TColourMask TColourMask::Of(const TBitmap32& layer, std::uint32_t colour) {
    TColourMask mask;
    mask.current_ = mask.other_ = colour & 0xFFFFFFu;
    if (layer.Empty()) return mask;
    const int width = layer.Width(), height = layer.Height();
    // First the rows and columns the colour occurs in, then the bits inside that box.
    std::vector<int> rowLeft(height, width), rowRight(height, 0);
    ParallelRows(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* row = layer.ScanLine(y);
            int x = 0;
            while (x < width && !SameColour(row + 4 * x, mask.current_)) ++x;
            if (x == width) continue;
            int last = width - 1;
            while (!SameColour(row + 4 * last, mask.current_)) --last;
            rowLeft[y] = x;
            rowRight[y] = last + 1;
        }
    });
    Rect box{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        if (rowRight[y] == 0) continue;
        box.left = std::min(box.left, rowLeft[y]);
        box.right = std::max(box.right, rowRight[y]);
        box.top = std::min(box.top, y);
        box.bottom = y + 1;
    }
    if (box.right <= box.left) return mask;
    mask.bounds_ = box;
    mask.wordsPerRow_ = (box.right - box.left + 63) / 64;
    mask.bits_.assign(std::size_t(mask.wordsPerRow_) * (box.bottom - box.top), 0);
    ParallelRows(box.bottom - box.top, [&](int begin, int end) {
        for (int r = begin; r < end; ++r) {
            const int y = box.top + r;
            if (rowRight[y] == 0) continue;
            const std::uint8_t* row = layer.ScanLine(y);
            std::uint64_t* words = mask.bits_.data() + std::size_t(r) * mask.wordsPerRow_;
            for (int x = rowLeft[y]; x < rowRight[y]; ++x)
                if (SameColour(row + 4 * x, mask.current_)) {
                    const int bit = x - box.left;
                    words[bit >> 6] |= std::uint64_t(1) << (bit & 63);
                }
        }
    });
    return mask;
}

Rect TColourMask::Swap(TBitmap32& layer) {
    if (Empty() || layer.Width() < bounds_.right || layer.Height() < bounds_.bottom) return {};
    const std::uint8_t b = std::uint8_t(other_), g = std::uint8_t(other_ >> 8),
                       r = std::uint8_t(other_ >> 16);
    ParallelRows(bounds_.bottom - bounds_.top, [&](int begin, int end) {
        for (int row = begin; row < end; ++row) {
            std::uint8_t* line = layer.ScanLine(bounds_.top + row) + std::size_t(bounds_.left) * 4;
            const std::uint64_t* words = bits_.data() + std::size_t(row) * wordsPerRow_;
            for (int w = 0; w < wordsPerRow_; ++w)
                for (std::uint64_t bits = words[w]; bits; bits &= bits - 1) {
                    std::uint8_t* p = line + std::size_t(w * 64 + std::countr_zero(bits)) * 4;
                    p[kB] = b;
                    p[kG] = g;
                    p[kR] = r;
                }
        }
    });
    std::swap(current_, other_);
    return bounds_;
}

std::int64_t TColourMask::Count() const {
    std::int64_t n = 0;
    for (std::uint64_t w : bits_) n += std::popcount(w);
    return n;
}

void TColourMask::Repainted(std::uint32_t colour) {
    other_ = current_;
    current_ = colour & 0xFFFFFFu;
}

}  // namespace brimlet
