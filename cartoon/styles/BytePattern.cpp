// The pattern is spread over a 32-byte block so that the inner loop has a fixed length and
// a plain array operand: the compiler turns it into whole-vector saturating arithmetic.
#include "cartoon/styles/BytePattern.h"

namespace brimlet::detail {

namespace {

struct Block {
    std::uint8_t bytes[32];
    explicit Block(const std::uint8_t (&pattern)[4]) {
        for (int j = 0; j < 32; ++j) bytes[j] = pattern[j & 3];
    }
};

__attribute__((target_clones("avx2", "default")))
void Add(std::uint8_t* __restrict p, std::size_t bytes, const std::uint8_t* __restrict block) {
    std::size_t i = 0;
    for (; i + 32 <= bytes; i += 32)
        for (int j = 0; j < 32; ++j) {
            unsigned v = p[i + j] + block[j];
            p[i + j] = std::uint8_t(v > 255 ? 255 : v);
        }
    for (; i < bytes; ++i) {
        unsigned v = p[i] + block[i & 31];
        p[i] = std::uint8_t(v > 255 ? 255 : v);
    }
}

__attribute__((target_clones("avx2", "default")))
void Subtract(std::uint8_t* __restrict p, std::size_t bytes, const std::uint8_t* __restrict block) {
    std::size_t i = 0;
    for (; i + 32 <= bytes; i += 32)
        for (int j = 0; j < 32; ++j) {
            int v = p[i + j] - block[j];
            p[i + j] = std::uint8_t(v < 0 ? 0 : v);
        }
    for (; i < bytes; ++i) {
        int v = p[i] - block[i & 31];
        p[i] = std::uint8_t(v < 0 ? 0 : v);
    }
}

}  // namespace

void AddSaturated(std::uint8_t* p, std::size_t bytes, const std::uint8_t (&pattern)[4]) {
    const Block block(pattern);
    Add(p, bytes, block.bytes);
}

void SubtractSaturated(std::uint8_t* p, std::size_t bytes, const std::uint8_t (&pattern)[4]) {
    const Block block(pattern);
    Subtract(p, bytes, block.bytes);
}

}  // namespace brimlet::detail
