// Damaged BMPs look the same every time: what the file does not provide is white, what it
// does provide is kept; a header that promises far more than the data is refused; 16-bit
// channels reach 255.
#include "tests/codecs/CodecTestSupport.h"

#include <cstring>

namespace brimlet::test {
namespace {

std::uint32_t Little32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

bool RowIsWhite(const TBitmap32& b, int y) {
    for (int x = 0; x < b.Width(); ++x)
        if (!IsWhite(b.ScanLine(y) + 4 * std::size_t(x))) return false;
    return true;
}

bool SameRow(const TBitmap32& a, const TBitmap32& b, int y) {
    return std::memcmp(a.ScanLine(y), b.ScanLine(y), a.Stride()) == 0;
}

// Decoding is repeatable; returns the picture (empty when refused).
TBitmap32 DecodeRepeatably(const std::vector<std::uint8_t>& bytes, const std::string& what) {
    auto [first, second] = DecodeOverTwoHeaps(".BMP", bytes);
    EXPECT_TRUE(first == second) << what << " differs from one decode to the next";
    return first.picture;
}

TEST(BmpDamage, TruncatedUncompressedFilesKeepTheirRowsAndAreWhiteBeyond) {
    for (const char* name : {"pal1.bmp", "pal8topdown.bmp", "rgb16.bmp", "rgb16-565.bmp", "rgb24.bmp",
                             "rgb32bf.bmp", "hopper.bmp"}) {
        const std::vector<std::uint8_t> bytes = ReadBytes(Sample(name));
        const TBitmap32 whole = LoadSample(name);
        const std::int64_t offset = Little32(bytes, 10);
        const int bits = bytes[28];
        const std::int64_t rowBytes = (std::int64_t(whole.Width()) * bits + 31) / 32 * 4;
        const bool topDown = std::int32_t(Little32(bytes, 22)) < 0;
        for (std::size_t length = std::size_t(offset); length < bytes.size(); length += 97) {
            const std::string what = std::string(name) + " cut to " + std::to_string(length);
            const TBitmap32 cut = DecodeRepeatably({bytes.begin(), bytes.begin() + std::ptrdiff_t(length)}, what);
            // The rows the file holds whole come first in the file; one that holds none may be refused.
            const int held = int((std::int64_t(length) - offset) / rowBytes);
            if (cut.Empty() && held == 0) continue;
            ASSERT_EQ(cut.Width(), whole.Width()) << what;
            ASSERT_EQ(cut.Height(), whole.Height()) << what;
            for (int fileRow = 0; fileRow < cut.Height(); ++fileRow) {
                const int y = topDown ? fileRow : cut.Height() - 1 - fileRow;
                if (fileRow < held)
                    EXPECT_TRUE(SameRow(cut, whole, y)) << what << ", row " << y << " was lost";
                else
                    EXPECT_TRUE(RowIsWhite(cut, y)) << what << ", row " << y << " is not white";
            }
        }
    }
}

// Every pixel of a damaged RLE file is either what the whole file has there or white.
void ExpectWholeOrWhite(const TBitmap32& damaged, const TBitmap32& whole, const std::string& what) {
    if (damaged.Empty()) return;  // refused
    ASSERT_TRUE(damaged.Width() == whole.Width() && damaged.Height() == whole.Height()) << what;
    int foreign = 0;
    for (int y = 0; y < whole.Height(); ++y)
        for (int x = 0; x < whole.Width(); ++x) {
            const std::uint8_t* p = damaged.ScanLine(y) + 4 * std::size_t(x);
            if (std::memcmp(p, whole.ScanLine(y) + 4 * std::size_t(x), 4) != 0 && !IsWhite(p)) ++foreign;
        }
    EXPECT_EQ(foreign, 0) << what;
}

TEST(BmpDamage, CutRunLengthSamplesAreRepeatableAndWhiteWhereUnpainted) {
    for (const char* name : {"pal8rle.bmp", "pal4rle.bmp"}) {
        const std::vector<std::uint8_t> bytes = ReadBytes(Sample(name));
        const TBitmap32 whole = LoadSample(name);
        const std::size_t offset = Little32(bytes, 10);
        // Cut short anywhere, including inside a run.
        for (std::size_t length = offset; length < bytes.size(); length += 37) {
            const std::string what = std::string(name) + " cut to " + std::to_string(length);
            const TBitmap32 cut = DecodeRepeatably({bytes.begin(), bytes.begin() + std::ptrdiff_t(length)}, what);
            ExpectWholeOrWhite(cut, whole, what);
            if (length < bytes.size() / 2 && !cut.Empty()) {
                EXPECT_TRUE(RowIsWhite(cut, 0)) << what;
            }
        }
        // Broken runs: counts and escapes overwritten all along the stream.
        for (std::size_t at = offset; at + 4 < bytes.size(); at += 53) {
            std::vector<std::uint8_t> broken = bytes;
            broken[at] = 0;
            broken[at + 1] = std::uint8_t(2 + at % 200);  // a delta or an absolute run of odd length
            broken[at + 2] = 0xFF;
            DecodeRepeatably(broken, std::string(name) + " broken at " + std::to_string(at));
        }
    }
}

// A 4 x 3 RLE8 file with two colours (0 black, 1 red) and the given stream.
std::vector<std::uint8_t> Rle8(const std::vector<std::uint8_t>& stream) {
    std::vector<std::uint8_t> b(14 + 40 + 8, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 10, 14 + 40 + 8);
    Put32(b, 14, 40);
    Put32(b, 18, 4);
    Put32(b, 22, 3);
    b[26] = 1;   // planes
    b[28] = 8;   // bits per pixel
    b[30] = 1;   // RLE8
    Put32(b, 46, 2);
    b[54 + 6] = 255;  // colour 1: red (B, G, R, 0)
    b.insert(b.end(), stream.begin(), stream.end());
    Put32(b, 2, std::uint32_t(b.size()));
    return b;
}

// The rows from top to bottom as letters: K black, R red, W white.
std::string Letters(const TBitmap32& b) {
    std::string out;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            const std::uint32_t c = b.PixelColor(x, y) & 0xFFFFFF;
            out += c == 0 ? 'K' : c == 0xFF0000 ? 'R' : c == 0xFFFFFF ? 'W' : '?';
        }
        out += y + 1 < b.Height() ? "/" : "";
    }
    return out;
}

TEST(BmpDamage, RunLengthPixelsTheStreamNeverPaintsAreWhite) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> stream;
        const char* rows;  // top row first; the stream starts at the bottom row
    } cases[] = {
        {"whole", {4, 1, 0, 0, 2, 0, 2, 1, 0, 0, 4, 0, 0, 1}, "KKKK/KKRR/RRRR"},
        {"ended after a row and a half", {4, 1, 0, 0, 2, 0, 0, 1}, "WWWW/KKWW/RRRR"},
        {"a delta over pixels", {1, 1, 0, 2, 2, 1, 1, 1, 0, 1}, "WWWW/WWWR/RWWW"},
        {"cut before a run's colour", {4, 1, 0, 0, 3}, "WWWW/WWWW/RRRR"},
        // An item cut short is dropped whole.
        {"cut inside an absolute run", {4, 1, 0, 0, 0, 4, 1, 0}, "WWWW/WWWW/RRRR"},
        {"no stream at all", {}, nullptr},
    };
    for (const Case& c : cases) {
        const auto [first, second] = DecodeOverTwoHeaps(".BMP", Rle8(c.stream));
        EXPECT_TRUE(first == second) << c.what;
        if (c.rows)
            EXPECT_EQ(Letters(first.picture), c.rows) << c.what << " " << first.error;
        else
            EXPECT_FALSE(first.error.empty()) << c.what;
    }
}

TEST(BmpDamage, DeclaredSizesBeyondTheDataAreRefusedSmallOnesOpenWhite) {
    std::vector<std::uint8_t> bmp = ReadBytes(Sample("rgb24.bmp"));  // 127 x 64, 24 bits
    // 16000 x 16000 from 24 KB of pixels: refused before Qt allocates 1 GB.
    Put32(bmp, 18, 16000);
    Put32(bmp, 22, 16000);
    const Outcome huge = DecodeOutcome(".BMP", bmp);
    EXPECT_NE(huge.error.find("too little data"), std::string::npos) << huge.error;

    // 2000 x 2000 is small enough to open whatever its data: the rows present, then white.
    Put32(bmp, 18, 2000);
    Put32(bmp, 22, std::uint32_t(-2000));
    const TBitmap32 small = DecodeRepeatably(bmp, "2000 x 2000");
    ASSERT_EQ(small.Width(), 2000);
    EXPECT_FALSE(RowIsWhite(small, 0));
    EXPECT_TRUE(RowIsWhite(small, 1999));

    // An RLE8 stream of a few kilobytes cannot paint 8192 x 8192.
    std::vector<std::uint8_t> rle = ReadBytes(Sample("pal8rle.bmp"));
    Put32(rle, 18, 8192);
    Put32(rle, 22, 8192);
    EXPECT_NE(DecodeOutcome(".BMP", rle).error.find("too little data"), std::string::npos);
}

// 5- and 6-bit channels are scaled as the format's own decoder does, by repeating their top
// bits: full intensity is 255, and each value is a 5-bit (or 6-bit) value so widened.
TEST(BmpDamage, SixteenBitChannelsRepeatTheirTopBits) {
    const TBitmap32 rgb555 = LoadSample("rgb16.bmp"), rgb565 = LoadSample("rgb16-565.bmp");
    auto widened = [](int v, int bits) {
        const int field = v >> (8 - bits);
        int out = field << (8 - bits);
        for (int s = bits; s < 8; s += bits) out |= (field << (8 - bits)) >> s;
        return out;
    };
    int top = 0;
    for (std::size_t i = 0; i < rgb555.ByteCount(); ++i) {
        if (i % 4 == 3) continue;
        const int bits565 = i % 4 == 1 ? 6 : 5;
        EXPECT_EQ(rgb555.Bits()[i], widened(rgb555.Bits()[i], 5)) << i;
        EXPECT_EQ(rgb565.Bits()[i], widened(rgb565.Bits()[i], bits565)) << i;
        top = std::max<int>(top, rgb555.Bits()[i]);
    }
    EXPECT_EQ(top, 255);
}

}  // namespace
}  // namespace brimlet::test
