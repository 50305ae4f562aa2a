// A little-endian reader over a byte span that never reads outside it: every read that
// would run past the end throws PictureError instead.
#pragma once

#include "core/codecs/PictureFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace brimlet {

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(std::span<const std::uint8_t> bytes, std::string what = "metafile")
        : bytes_(bytes), what_(std::move(what)) {}

    std::size_t Size() const { return bytes_.size(); }
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return bytes_.size() - pos_; }
    bool AtEnd() const { return pos_ >= bytes_.size(); }

    void Seek(std::size_t position) {
        if (position > bytes_.size()) Fail(position);
        pos_ = position;
    }
    void Skip(std::size_t count) {
        if (count > Remaining()) Fail(pos_ + count);
        pos_ += count;
    }

    std::uint8_t U8() { return Take(1)[0]; }
    std::uint16_t U16() {
        const std::uint8_t* p = Take(2);
        return std::uint16_t(p[0] | p[1] << 8);
    }
    std::int16_t S16() { return std::int16_t(U16()); }
    std::uint32_t U32() {
        const std::uint8_t* p = Take(4);
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }
    std::int32_t S32() { return std::int32_t(U32()); }
    float F32() {
        std::uint32_t v = U32();
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }

    // A view of the next count bytes; the reader moves past them.
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        const std::uint8_t* p = Take(count);
        return {p, count};
    }
    // A view of count bytes at an absolute offset; the position is unchanged.
    std::span<const std::uint8_t> Slice(std::size_t offset, std::size_t count) const {
        if (offset > bytes_.size() || count > bytes_.size() - offset) Fail(offset + count);
        return bytes_.subspan(offset, count);
    }
    std::span<const std::uint8_t> Rest() const { return bytes_.subspan(pos_); }

private:
    const std::uint8_t* Take(std::size_t count) {
        if (count > Remaining()) Fail(pos_ + count);
        const std::uint8_t* p = bytes_.data() + pos_;
        pos_ += count;
        return p;
    }
    [[noreturn]] void Fail(std::size_t wanted) const {
        throw PictureError("The " + what_ + " is damaged: it needs " + std::to_string(wanted) +
                           " bytes but has only " + std::to_string(bytes_.size()));
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    std::string what_ = "metafile";
};

}  // namespace brimlet
