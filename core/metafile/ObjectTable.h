// The table of graphics objects that metafile records create, select and delete.
#pragma once

#include "core/codecs/PictureFiles.h"
#include "core/metafile/MetafileCanvas.h"

#include <string>
#include <vector>

namespace brimlet::metafile {

class ObjectTable {
public:
    explicit ObjectTable(std::size_t size, std::size_t limit) : slots_(size), limit_(limit) {}

    // WMF: a new object takes the lowest free slot; a full table grows up to the limit.
    void AddToFreeSlot(GdiObject object) {
        for (auto& slot : slots_)
            if (std::holds_alternative<std::monostate>(slot)) {
                slot = std::move(object);
                return;
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

    void Delete(std::size_t index) { At(index) = std::monostate{}; }

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
};

}  // namespace brimlet::metafile
