// The table of graphics objects that metafile records create, select and delete.
#pragma once

#include "core/codecs/PictureFiles.h"
#include "core/metafile/MetafileCanvas.h"

#include <cstdint>
#include <functional>
#include <queue>
#include <string>
#include <vector>

namespace brimlet::metafile {

class ObjectTable {
public:
    // Pattern brushes keep their decoded bitmap (4 bytes a pixel) in the table, in selected
    // brushes and in saved states alike, and a file can create one in every record. Real
    // patterns are 8 x 8 to a few hundred pixels on a side; the patterns a file creates may
    // hold this many pixels in all (4 MiB), each bounded besides by its own bits (Dib.h).
    static constexpr std::int64_t kMaxPatternPixels = std::int64_t(1) << 20;

    explicit ObjectTable(std::size_t size, std::size_t limit) : slots_(size), limit_(limit) {
        for (std::size_t i = 0; i < size; ++i) free_.push(i);
    }

    // WMF: a new object takes the lowest free slot; a full table grows up to the limit.
    // The free slots are kept in a min-heap, so that a file creating tens of thousands of
    // objects costs a logarithm per creation instead of a scan of the whole table.
    void AddToFreeSlot(GdiObject object) {
        CountPatterns(object);
        while (!free_.empty()) {
            const std::size_t index = free_.top();
            free_.pop();
            // Slots filled by Put since they were freed are no longer free.
            if (std::holds_alternative<std::monostate>(slots_[index])) {
                slots_[index] = std::move(object);
                return;
            }
        }
        if (slots_.size() >= limit_)
            throw PictureError("The metafile creates more than " + std::to_string(limit_) +
                               " objects at once");
        slots_.push_back(std::move(object));
    }

    // EMF: the record names the slot.
    void Put(std::size_t index, GdiObject object) {
        GdiObject& slot = At(index);
        CountPatterns(object);
        slot = std::move(object);
    }

    GdiObject& At(std::size_t index) {
        if (index >= slots_.size())
            throw PictureError("The metafile refers to object " + std::to_string(index) +
                               ", but its object table has only " +
                               std::to_string(slots_.size()) + " entries");
        return slots_[index];
    }

    void Delete(std::size_t index) {
        GdiObject& slot = At(index);
        if (std::holds_alternative<std::monostate>(slot)) return;
        slot = std::monostate{};
        free_.push(index);
    }

    // Makes the object current in the device context; an empty slot changes nothing.
    void Select(std::size_t index, DcState& dc) { SelectObject(At(index), dc); }

    static void SelectObject(const GdiObject& object, DcState& dc) {
        if (const auto* pen = std::get_if<Pen>(&object)) dc.pen = *pen;
        else if (const auto* brush = std::get_if<Brush>(&object)) dc.brush = *brush;
        else if (const auto* font = std::get_if<Font>(&object)) dc.font = *font;
        else if (const auto* palette = std::get_if<Palette>(&object)) dc.palette = palette->colours;
    }

private:
    void CountPatterns(const GdiObject& object) {
        const auto* brush = std::get_if<Brush>(&object);
        if (!brush || brush->pattern.isNull()) return;
        patternPixels_ += std::int64_t(brush->pattern.width()) * brush->pattern.height();
        if (patternPixels_ > kMaxPatternPixels)
            throw PictureError("The metafile cannot be read: its pattern brushes hold more than " +
                               std::to_string(kMaxPatternPixels) + " pixels in all");
    }

    std::vector<GdiObject> slots_;
    std::int64_t patternPixels_ = 0;
    std::size_t limit_;
    std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> free_;
};

}  // namespace brimlet::metafile
