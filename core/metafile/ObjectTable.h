// The table of graphics objects that metafile records create, select and delete.
#pragma once

#include "core/codecs/PictureFiles.h"
#include "core/metafile/MetafileCanvas.h"

#include <functional>
#include <queue>
#include <string>
#include <vector>

namespace brimlet::metafile {

class ObjectTable {
public:
    explicit ObjectTable(std::size_t size, std::size_t limit) : slots_(size), limit_(limit) {
        for (std::size_t i = 0; i < size; ++i) free_.push(i);
    }

    // WMF: a new object takes the lowest free slot; a full table grows up to the limit.
    // The free slots are kept in a min-heap, so that a file creating tens of thousands of
    // objects costs a logarithm per creation instead of a scan of the whole table.
    void AddToFreeSlot(GdiObject object) {
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
    void Put(std::size_t index, GdiObject object) { At(index) = std::move(object); }

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
    std::vector<GdiObject> slots_;
    std::size_t limit_;
    std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> free_;
};

}  // namespace brimlet::metafile
