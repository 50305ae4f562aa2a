// The one picture type every routine works on: 32 bits per pixel, bytes B, G, R, A,
// rows of exactly 4 x Width bytes in one contiguous block, row 0 first (the top row).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace brimlet {

// Right and bottom are exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Byte offsets of the channels inside one pixel.
enum Channel : int { kB = 0, kG = 1, kR = 2, kA = 3 };

namespace detail {
// Memory for pixels (core/PixelMemory.cpp). Large blocks sit on huge pages, and a few freed
// ones are kept for the next block of the same size, so that a new result does not pay for
// fresh pages. The contents of a block handed out are unspecified.
void* AllocatePixelBytes(std::size_t bytes);
void FreePixelBytes(void* block, std::size_t bytes) noexcept;
// Bytes held in freed blocks that are kept for reuse, and giving them back: all of them, or
// those kept for at least the given time.
std::size_t KeptPixelBytes();
void ReleaseKeptPixelBytes();
void ReleaseKeptPixelBytesIdleFor(std::chrono::milliseconds idle);
}  // namespace detail

// Leaves bytes uninitialised when a vector grows, so that a routine which writes every pixel
// touches fresh memory first in its own (threaded) pass instead of in a single-threaded fill.
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    using std::allocator<T>::allocator;
    T* allocate(std::size_t n) { return static_cast<T*>(detail::AllocatePixelBytes(n * sizeof(T))); }
    void deallocate(T* block, std::size_t n) noexcept { detail::FreePixelBytes(block, n * sizeof(T)); }
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

class TBitmap32 {
public:
    TBitmap32() = default;
    // A freshly sized bitmap is white with alpha 0, like a blank platform bitmap.
    TBitmap32(int width, int height);

    TBitmap32(const TBitmap32&) = default;
    TBitmap32& operator=(const TBitmap32&) = default;
    TBitmap32(TBitmap32&&) noexcept;
    TBitmap32& operator=(TBitmap32&&) noexcept;

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }
    std::size_t Stride() const { return std::size_t(width_) * 4; }
    std::size_t ByteCount() const { return pixels_.size(); }

    // Copies another bitmap: size and all four bytes of every pixel.
    // Reuses this bitmap's memory when the byte count matches.
    void Assign(const TBitmap32& source);

    // Resizing keeps the top-left content; pixels that become new are white, alpha 0.
    // Refuses sizes beyond kMaxPictureSide with std::length_error.
    void SetSize(int width, int height);
    // For routines that write every byte: gives the bitmap this size without filling it.
    // The contents are unspecified until written; memory is reused when the byte count
    // matches. Same limits as SetSize.
    void SetSizeForOverwrite(int width, int height);

    // Address of the first byte of row y; throws std::out_of_range
    // ("Scan line index out of range") outside 0..Height-1.
    std::uint8_t* ScanLine(int y);
    const std::uint8_t* ScanLine(int y) const;

    // The whole contiguous block (nullptr when empty).
    std::uint8_t* Bits() { return pixels_.empty() ? nullptr : pixels_.data(); }
    const std::uint8_t* Bits() const { return pixels_.empty() ? nullptr : pixels_.data(); }

    // Platform-canvas style pixel access. Reading returns the colour as 0x00RRGGBB;
    // outside the picture it reads as white (0x00FFFFFF).
    std::uint32_t PixelColor(int x, int y) const;
    // Writes R, G, B and alpha 0, as a canvas pixel write does; outside: ignored.
    void SetPixelColor(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b);

    // Every byte (alpha included) of every pixel in the rectangle becomes 255 minus itself.
    // The rectangle is clipped to the picture.
    void InvertRect(const Rect& rect);

    // Lays this buffer over the target at (x, y): the target becomes fully opaque, then
    // every overlapping pixel is blended with BlendPixel.
    void DrawOver(int x, int y, TBitmap32& target) const;
    // DrawOver for the target rows [firstRow, lastRow) only (clipped to the target): disjoint
    // row ranges may be drawn in any order and on several threads at once.
    void DrawOverRows(int x, int y, TBitmap32& target, int firstRow, int lastRow) const;

    bool operator==(const TBitmap32& other) const;

    // The largest width or height the program accepts.
    static constexpr int kMaxPictureSide = 32768;
    // The largest pixel count the program accepts (about 1 GiB of pixels at 4 bytes each).
    static constexpr std::int64_t kMaxPixelCount = std::int64_t(16384) * 16384;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>> pixels_;
};

// Throws std::length_error with a readable text when a picture of this size cannot be held.
void CheckPictureSize(std::int64_t width, std::int64_t height);

// Writes value into the A byte of every pixel of target; B, G, R untouched.
void SetAlphaChannel(TBitmap32& target, std::uint8_t value);

// Blends a 32-bit source pixel (B in the low byte, A in the high byte) into dest (4 bytes, in place).
void BlendPixel(std::uint8_t* dest, std::uint32_t source);

// Reads and writes a pixel as a 32-bit value, B in the low byte.
inline std::uint32_t LoadPixel(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
inline void StorePixel(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

}  // namespace brimlet
