// Compact records of the hand edits, for the undo history. Each holds the pixels that the
// workspace does not have at the moment, and Swap exchanges them with the layer, so one
// call undoes the edit and the next call redoes it. Widget-free.
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <vector>

namespace brimlet {

// The parts of a picture that a brush stroke touched, kept as square tiles: Preserve saves
// a tile the first time an edit reaches it, before the edit paints it.
class TTilePatch {
public:
    static constexpr int kTile = 64;

    // Saves the tiles of `area` (clipped to the picture) not saved yet.
    void Preserve(const TBitmap32& picture, const Rect& area);
    // Exchanges the saved tiles with the picture's; returns the area they cover.
    Rect Swap(TBitmap32& picture);

    bool Empty() const { return tiles_.empty(); }
    Rect Bounds() const { return bounds_; }
    std::size_t Bytes() const;

private:
    struct Tile {
        int x, y, width, height;  // in picture pixels
        std::vector<std::uint8_t> pixels;
    };
    int width_ = 0, height_ = 0, columns_ = 0;
    std::vector<std::int32_t> index_;  // tile number -> position in tiles_, -1 when unsaved
    std::vector<Tile> tiles_;
    Rect bounds_;
};

// The pixels of a colour layer that have one colour, as a bit mask over their bounding
// rectangle: what a dyeing click changes. Swap gives the masked pixels the other colour
// (alpha bytes stay), so the same record undoes and redoes the click.
class TColourMask {
public:
    // The pixels of `layer` whose R, G and B equal those of `colour` (0x00RRGGBB).
    static TColourMask Of(const TBitmap32& layer, std::uint32_t colour);

    // The masked pixels have been repainted in `colour`: Swap gives them back the colour
    // they had.
    void Repainted(std::uint32_t colour);
    // Paints the masked pixels in the other colour and keeps their current one as the
    // other; returns the area.
    Rect Swap(TBitmap32& layer);

    bool Empty() const { return bounds_.right <= bounds_.left; }
    // The colour the masked pixels have now (0x00RRGGBB).
    std::uint32_t Colour() const { return current_; }
    Rect Bounds() const { return bounds_; }
    std::size_t Bytes() const { return bits_.size() * sizeof(std::uint64_t); }
    std::int64_t Count() const;

private:
    Rect bounds_;
    int wordsPerRow_ = 0;
    std::vector<std::uint64_t> bits_;  // one row of bounds' width per wordsPerRow_ words
    std::uint32_t current_ = 0, other_ = 0;
};

}  // namespace brimlet
