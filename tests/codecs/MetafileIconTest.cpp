// Icons drawn into metafiles as a mask ANDed and an image XORed over it.
#include "MetafileTestSupport.h"
#include "core/metafile/Metafile.h"

#include <gtest/gtest.h>

namespace brimlet {
namespace {

using namespace metafiletest;

bool Bit(const std::vector<std::uint8_t>& f, std::size_t rowStart, int x) {
    return (f[rowStart + std::size_t(x >> 3)] >> (7 - (x & 7))) & 1;
}

// TestBigPPI.wmf holds an alpha icon whose image is white under the mask's set bits. The
// icon's pixels are the image where the mask is clear and the white page elsewhere,
// exactly; a literal XOR would paint the square around the page black.
TEST(MetafileIcons, AlphaIconImageIsLeftOutWhereTheMaskKeepsThePage) {
    const auto file = ReadFile(TestData("TestBigPPI.wmf"));
    // First DIBSTRETCHBLT at byte 88: 6 bytes of record head, 20 of parameters, a 40-byte
    // header and two colours; 32 x 64 bits, 4 bytes a row, bottom-up. The second at byte 418
    // has a 32 x 32 24-bit DIB, 96 bytes a row.
    const std::size_t maskBits = 88 + 6 + 20 + 48, imageBits = 418 + 6 + 20 + 40;
    ASSERT_EQ(file[88 + 6 + 2], 0x88);   // SRCAND
    ASSERT_EQ(file[418 + 6 + 2], 0x66);  // SRCINVERT
    const TBitmap32 p = DecodeWmf(file);
    ASSERT_EQ(p.Width(), 96);
    int masked = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            // The source rectangle (0, 0, 32, 32) is the top half of the mask.
            const bool keep = Bit(file, maskBits + std::size_t(63 - y) * 4, x);
            const std::size_t at = imageBits + std::size_t(31 - y) * 96 + std::size_t(x) * 3;
            const std::uint32_t image = std::uint32_t(file[at + 2]) << 16 | file[at + 1] << 8 | file[at];
            masked += keep;
            ASSERT_EQ(p.PixelColor(32 + x, y), keep ? 0xFFFFFFu : image) << x << ", " << y;
        }
    EXPECT_GT(masked, 100);
    EXPECT_LT(masked, 1000);
}

// A well-formed icon (black image under the mask) and a lone XOR blit keep the literal
// raster operations: the mask's clear bits black the page, the XOR inverts what it meets.
TEST(MetafileIcons, OtherXorBlitsStayLiteral) {
    constexpr std::uint16_t kStretchDib = 0x0F43, kRectangle = 0x041B;
    // STRETCHDIB of a 2 x 1 DIB over the 20 x 10 picture; bits are one 32-bit row.
    auto blit = [&](WmfBuilder& b, std::uint32_t rop, int bits, std::vector<std::uint16_t> colours,
                    std::vector<std::uint16_t> row) {
        std::vector<std::uint16_t> params = {std::uint16_t(rop), std::uint16_t(rop >> 16), 0, 1, 2, 0, 0, 10, 20, 0, 0};
        const std::uint16_t used = std::uint16_t(colours.size() / 2);
        const std::uint16_t header[20] = {40, 0, 2, 0, 1, 0, 1, std::uint16_t(bits), 0, 0, 4, 0, 0, 0, 0, 0, used, 0, 0, 0};
        params.insert(params.end(), header, header + 20);
        params.insert(params.end(), colours.begin(), colours.end());
        params.insert(params.end(), row.begin(), row.end());
        b.Record(kStretchDib, params);
    };
    for (bool lone : {false, true}) {
        WmfBuilder b(20, 10, 96);
        if (!lone) {
            // Mask: left pixel set (keep), right clear; colours black, white.
            blit(b, 0x008800C6, 1, {0, 0, 0xFFFF, 0x00FF}, {0x0080, 0});
        } else {
            b.Record(kRectangle, {0, 0, 0, 0});  // nothing drawn, but not a mask
        }
        // Image: black under the mask, blue-green where it is clear (B 0x40, G 0x80, R 0).
        blit(b, 0x00660046, 24, {}, {0, 0x4000, 0x0080, 0});
        const TBitmap32 p = DecodeWmf(b.Bytes());
        SCOPED_TRACE(lone);
        EXPECT_EQ(p.PixelColor(3, 5), 0xFFFFFFu);
        EXPECT_EQ(p.PixelColor(16, 5), lone ? (0xFFFFFFu ^ 0x008040u) : 0x008040u);
    }
}

}  // namespace
}  // namespace brimlet
