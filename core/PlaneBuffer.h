// Scratch planes of the filters, taken from the same memory as pictures: a large plane sits
// on huge pages, so that its first touch costs one fault per 2 MiB instead of one per 4 KiB
// (for a byte plane of a 12 MP photo that is most of the cost of a simple pass over it).
#pragma once

#include "core/Image32.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace brimlet {

struct PlaneDeleter {
    std::size_t bytes = 0;
    void operator()(std::uint8_t* block) const noexcept { detail::FreePixelBytes(block, bytes); }
};

using PlaneBytes = std::unique_ptr<std::uint8_t[], PlaneDeleter>;

// A plane of this many bytes, left unfilled.
inline PlaneBytes MakePlaneForOverwrite(std::size_t bytes) {
    return PlaneBytes(static_cast<std::uint8_t*>(detail::AllocatePixelBytes(bytes)), PlaneDeleter{bytes});
}

}  // namespace brimlet
