#include "core/Image32.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brimlet {

void CheckPictureSize(std::int64_t width, std::int64_t height) {
    if (width < 0 || height < 0 || width > TBitmap32::kMaxPictureSide ||
        height > TBitmap32::kMaxPictureSide || width * height > TBitmap32::kMaxPixelCount) {
        throw std::length_error("The picture is too large (" + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels); Brimlet accepts at most " +
                                std::to_string(TBitmap32::kMaxPictureSide) +
                                " pixels on a side and 268435456 pixels in all");
    }
}

TBitmap32::TBitmap32(int width, int height) { SetSize(width, height); }

TBitmap32::TBitmap32(TBitmap32&& other) noexcept
    : width_(other.width_), height_(other.height_), pixels_(std::move(other.pixels_)) {
    other.width_ = other.height_ = 0;
    other.pixels_.clear();
}

TBitmap32& TBitmap32::operator=(TBitmap32&& other) noexcept {
    if (this != &other) {
        width_ = other.width_;
        height_ = other.height_;
        pixels_ = std::move(other.pixels_);
        other.width_ = other.height_ = 0;
        other.pixels_.clear();
    }
    return *this;
}

void TBitmap32::Assign(const TBitmap32& source) {
    if (this == &source) return;
    if (pixels_.size() == source.pixels_.size()) {
        if (!pixels_.empty()) std::memcpy(pixels_.data(), source.pixels_.data(), pixels_.size());
    } else {
        pixels_ = source.pixels_;
    }
    width_ = source.width_;
    height_ = source.height_;
}

void TBitmap32::SetSize(int width, int height) {
    CheckPictureSize(width, height);
    if (width == 0 || height == 0) width = height = 0;
    if (width == width_ && height == height_) return;
    decltype(pixels_) fresh;
    fresh.resize(std::size_t(width) * std::size_t(height) * 4);
    // White, alpha 0.
    for (std::size_t i = 0; i < fresh.size(); i += 4) {
        fresh[i] = fresh[i + 1] = fresh[i + 2] = 255;
        fresh[i + 3] = 0;
    }
    int keepW = std::min(width, width_), keepH = std::min(height, height_);
    for (int y = 0; y < keepH; ++y)
        std::memcpy(fresh.data() + std::size_t(y) * width * 4,
                    pixels_.data() + std::size_t(y) * width_ * 4, std::size_t(keepW) * 4);
    pixels_ = std::move(fresh);
    width_ = width;
    height_ = height;
}

void TBitmap32::SetSizeForOverwrite(int width, int height) {
    CheckPictureSize(width, height);
    if (width == 0 || height == 0) width = height = 0;
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * 4;
    if (bytes != pixels_.size()) {
        decltype(pixels_) fresh;
        fresh.resize(bytes);  // left unfilled (DefaultInitAllocator)
        pixels_ = std::move(fresh);
    }
    width_ = width;
    height_ = height;
}

std::uint8_t* TBitmap32::ScanLine(int y) {
    if (y < 0 || y >= height_) throw std::out_of_range("Scan line index out of range");
    return pixels_.data() + std::size_t(y) * Stride();
}

const std::uint8_t* TBitmap32::ScanLine(int y) const {
    if (y < 0 || y >= height_) throw std::out_of_range("Scan line index out of range");
    return pixels_.data() + std::size_t(y) * Stride();
}

std::uint32_t TBitmap32::PixelColor(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0x00FFFFFFu;
    const std::uint8_t* p = pixels_.data() + (std::size_t(y) * width_ + x) * 4;
    return std::uint32_t(p[kR]) << 16 | std::uint32_t(p[kG]) << 8 | p[kB];
}

void TBitmap32::SetPixelColor(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* p = pixels_.data() + (std::size_t(y) * width_ + x) * 4;
    p[kB] = b;
    p[kG] = g;
    p[kR] = r;
    p[kA] = 0;
}

void TBitmap32::InvertRect(const Rect& rect) {
    int left = std::max(0, rect.left), top = std::max(0, rect.top);
    int right = std::min(width_, rect.right), bottom = std::min(height_, rect.bottom);
    if (left >= right || top >= bottom) return;
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* p = pixels_.data() + (std::size_t(y) * width_ + left) * 4;
        std::size_t n = std::size_t(right - left) * 4;
        for (std::size_t i = 0; i < n; ++i) p[i] = std::uint8_t(255 - p[i]);
    }
}

bool TBitmap32::operator==(const TBitmap32& other) const {
    return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
}

void SetAlphaChannel(TBitmap32& target, std::uint8_t value) {
    std::uint8_t* p = target.Bits();
    std::size_t n = target.ByteCount();
    for (std::size_t i = 3; i < n; i += 4) p[i] = value;
}

void BlendPixel(std::uint8_t* dest, std::uint32_t source) {
    const int a = int(source >> 24);
    if (a == 255) {
        StorePixel(dest, source);
        return;
    }
    if (a == 0 || LoadPixel(dest) == source) return;
    for (int c = 0; c < 3; ++c) {
        int s = int((source >> (8 * c)) & 0xFF);
        int d = dest[c];
        dest[c] = std::uint8_t(d + (s - d) * a / 255);  // C++ division truncates toward zero
    }
}

namespace {

// One pixel of DrawOver: every channel follows d + trunc((s - d) * a / 255) and the alpha
// becomes 255. That single formula also covers a = 255 (the source replaces the target,
// whose alpha is 255 anyway), a = 0 and equal pixels, so no data-dependent branches are
// needed. |s - d| * a fits in 16 bits, and (p + 1 + (p >> 8)) >> 8 is p / 255 exactly on
// that range (checked exhaustively by the tests).
inline void BlendOne(const std::uint8_t* s, std::uint8_t* d) {
    unsigned a = s[3];
    for (int c = 0; c < 3; ++c) {
        unsigned sv = s[c], dv = d[c];
        unsigned p = (sv > dv ? sv - dv : dv - sv) * a;
        unsigned q = (p + 1 + (p >> 8)) >> 8;
        d[c] = std::uint8_t(sv > dv ? dv + q : dv - q);
    }
    d[3] = 255;
}

#if defined(__SSE2__)
// The same formula on four pixels at a time in 16-bit lanes.
void BlendRow(const std::uint8_t* src, std::uint8_t* dst, int count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    const __m128i alphaBits = _mm_set1_epi32(int(0xFF000000u));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + 4 * i));
        __m128i hi = _mm_max_epu8(s, d);
        __m128i diff = _mm_sub_epi8(hi, _mm_min_epu8(s, d));
        __m128i up = _mm_cmpeq_epi8(hi, s);  // s >= d: move up
        __m128i a = _mm_srli_epi32(s, 24);
        a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
        a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
        __m128i pLo = _mm_mullo_epi16(_mm_unpacklo_epi8(diff, zero), _mm_unpacklo_epi8(a, zero));
        __m128i pHi = _mm_mullo_epi16(_mm_unpackhi_epi8(diff, zero), _mm_unpackhi_epi8(a, zero));
        __m128i qLo = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(pLo, one), _mm_srli_epi16(pLo, 8)), 8);
        __m128i qHi = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(pHi, one), _mm_srli_epi16(pHi, 8)), 8);
        __m128i q = _mm_packus_epi16(qLo, qHi);
        __m128i r = _mm_or_si128(_mm_and_si128(up, _mm_add_epi8(d, q)),
                                 _mm_andnot_si128(up, _mm_sub_epi8(d, q)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), _mm_or_si128(r, alphaBits));
    }
    for (; i < count; ++i) BlendOne(src + 4 * i, dst + 4 * i);
}
#else
void BlendRow(const std::uint8_t* src, std::uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) BlendOne(src + 4 * i, dst + 4 * i);
}
#endif

void SetAlphaRange(std::uint8_t* row, int from, int to) {
    for (int x = from; x < to; ++x) row[4 * x + 3] = 255;
}

}  // namespace

void TBitmap32::DrawOver(int x, int y, TBitmap32& target) const {
    DrawOverRows(x, y, target, 0, target.Height());
}

void TBitmap32::DrawOverRows(int x, int y, TBitmap32& target, int firstRow, int lastRow) const {
    firstRow = std::max(0, firstRow);
    lastRow = std::min(target.Height(), lastRow);
    int left = std::max(0, x), top = std::max(0, y);
    int right = std::min(target.Width(), x + width_);
    int bottom = std::min(target.Height(), y + height_);
    if (left >= right || top >= bottom) {
        for (int ty = firstRow; ty < lastRow; ++ty) SetAlphaRange(target.ScanLine(ty), 0, target.Width());
        return;
    }
    // One pass over the target: rows outside the overlap only get their alpha set.
    for (int ty = firstRow; ty < lastRow; ++ty) {
        std::uint8_t* row = target.ScanLine(ty);
        if (ty < top || ty >= bottom) {
            SetAlphaRange(row, 0, target.Width());
            continue;
        }
        SetAlphaRange(row, 0, left);
        BlendRow(ScanLine(ty - y) + std::size_t(left - x) * 4, row + std::size_t(left) * 4, right - left);
        SetAlphaRange(row, right, target.Width());
    }
}

}  // namespace brimlet
