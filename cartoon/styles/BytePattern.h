// Saturating byte arithmetic with a per-channel pattern, over a run of whole pixels: the
// shifts of Brighter and Darker (B, G, R only) and the alpha fade of Shallow (A only).
#pragma once

#include <cstddef>
#include <cstdint>

namespace brimlet::detail {

// p[i] := min(255, p[i] + pattern[i mod 4]); p starts at a pixel, bytes is a multiple of 4.
void AddSaturated(std::uint8_t* p, std::size_t bytes, const std::uint8_t (&pattern)[4]);
// p[i] := max(0, p[i] - pattern[i mod 4]).
void SubtractSaturated(std::uint8_t* p, std::size_t bytes, const std::uint8_t (&pattern)[4]);

}  // namespace brimlet::detail
