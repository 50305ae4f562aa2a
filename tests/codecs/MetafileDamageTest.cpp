// Damaged and hostile metafiles: each is refused with a text that says what is wrong,
// before anything large is allocated.
#include "MetafileTestSupport.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/Metafile.h"

#include <gtest/gtest.h>

namespace brimlet {
namespace {

using namespace metafiletest;

// The text of the PictureError that decoding throws ("" when it succeeds).
template <typename Decode>
std::string ErrorOf(Decode decode, const std::vector<std::uint8_t>& bytes) {
    try {
        decode(bytes);
    } catch (const PictureError& e) {
        return e.what();
    }
    return "";
}
std::string WmfError(const std::vector<std::uint8_t>& b) {
    return ErrorOf([](auto& x) { DecodeWmf(x); }, b);
}
std::string EmfError(const std::vector<std::uint8_t>& b) {
    return ErrorOf([](auto& x) { DecodeEmf(x); }, b);
}

::testing::AssertionResult Says(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" does not say \"" << part << "\"";
}

TEST(MetafileDamage, RecordSizesThatCannotBeTrue) {
    EXPECT_TRUE(Says(WmfError(WmfBuilder(10, 10, 96).RawRecord(2, 0x0213, {0, 0}).Bytes()), ("impossible size of 2 words")));
    EXPECT_TRUE(Says(WmfError(WmfBuilder(10, 10, 96).RawRecord(1000, 0x0213, {0, 0}).Bytes()), ("claims 2000 bytes, but only")));
    EXPECT_TRUE(Says(WmfError(WmfBuilder(10, 10, 96).RawRecord(0xFFFFFFFF, 0x0213, {0, 0}).Bytes()), ("claims 8589934590 bytes")));
    EXPECT_TRUE(Says(EmfError(EmfBuilder(1000, 1000).RawRecord(27, 4, {}).Bytes()), ("impossible size of 4 bytes")));
    EXPECT_TRUE(Says(EmfError(EmfBuilder(1000, 1000).RawRecord(27, 0x7FFFFFF0, {0, 0}).Bytes()), ("claims 2147483632 bytes, but only")));
    // A record whose own fields run past its end.
    EXPECT_TRUE(Says(WmfError(WmfBuilder(10, 10, 96).Record(0x0324, {500, 1, 2}).Bytes()), ("fewer points than it claims")));
    EXPECT_TRUE(Says(EmfError(EmfBuilder(1000, 1000).Record(3, {0, 0, 0, 0, 1000000, 1, 2}).Bytes()), ("fewer points than it claims")));
}

TEST(MetafileDamage, HeadersThatAreNotMetafiles) {
    const std::vector<std::uint8_t> junk(100, 0x41);
    EXPECT_TRUE(Says(WmfError(junk), ("not a Windows metafile")));
    EXPECT_TRUE(Says(EmfError(junk), ("not an enhanced metafile")));
    EXPECT_TRUE(Says(WmfError({1, 2, 3}), ("too short")));
    EXPECT_TRUE(Says(WmfError(WmfBuilder(10, 10, 0).Bytes()), ("declares no picture size")));
    EXPECT_EQ(WmfError(WmfBuilder(10, 10, 96).Bytes()), "");  // a valid, empty one
    auto noInch = WmfBuilder(10, 10, 96).Bytes();
    noInch[14] = noInch[15] = 0;
    EXPECT_TRUE(Says(WmfError(noInch), ("0 units per inch")));
}

TEST(MetafileDamage, AbsurdSizesAreRefusedBeforeAllocating) {
    // 32767 units at one unit per inch: 3145632 pixels on a side.
    EXPECT_TRUE(Says(WmfError(WmfBuilder(32767, 32767, 1).Bytes()), ("too large")));
    // An EMF frame of 21 km.
    EXPECT_TRUE(Says(EmfError(EmfBuilder(0x7FFFFFFF, 0x7FFFFFFF).Bytes()), ("too large")));
    // A bitmap record whose DIB declares 100000 x 100000 pixels.
    const std::uint16_t dib[20] = {40, 0, 0x86A0, 1, 0x86A0, 1, 1, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint16_t> params = {0x0020, 0x00CC, 0, 10, 10, 0, 0, 10, 10, 0, 0};
    params.insert(params.end(), dib, dib + 20);
    EXPECT_TRUE(Says(WmfError(WmfBuilder(10, 10, 96).Record(0x0F43, params).Bytes()), ("too large")));
    // A small DIB whose bits are missing.
    params[13] = 64, params[14] = 0, params[15] = 64, params[16] = 0;
    EXPECT_TRUE(Says(WmfError(WmfBuilder(10, 10, 96).Record(0x0F43, params).Bytes()), ("shorter than its size needs")));
}

TEST(MetafileDamage, ObjectIndexOutOfRange) {
    EXPECT_TRUE(Says(WmfError(WmfBuilder(10, 10, 96, 2).Record(0x012D, {7}).Bytes()), ("refers to object 7, but its object table has only 2 entries")));
    EXPECT_TRUE(Says(WmfError(WmfBuilder(10, 10, 96, 2).Record(0x01F0, {2}).Bytes()), ("refers to object 2")));
    EXPECT_TRUE(Says(EmfError(EmfBuilder(1000, 1000, 4).Record(37, {9}).Bytes()), ("refers to object 9")));
    EXPECT_TRUE(Says(EmfError(EmfBuilder(1000, 1000, 4).Record(39, {0, 0, 0, 0}).Bytes()), ("reserved slot 0")));
    // Selecting a slot that exists but holds nothing is harmless.
    EXPECT_EQ(WmfError(WmfBuilder(10, 10, 96, 2).Record(0x012D, {1}).Bytes()), "");
}

// New objects take the lowest free slot, also after deletions; a file that creates more
// than the table may hold is refused at once rather than after a quadratic scan.
TEST(MetafileDamage, ObjectSlotsFollowTheLowestFreeRule) {
    WmfBuilder b(10, 10, 96, 3);
    b.Record(0x02FC, {0, 0x00FF, 0, 0});  // red brush: slot 0
    b.Record(0x02FC, {0, 0xFF00, 0, 0});  // green brush: slot 1
    b.Record(0x02FA, {5, 0, 0, 0, 0});    // null pen: slot 2
    b.Record(0x01F0, {0});                // delete slot 0
    b.Record(0x02FC, {0, 0, 0x00FF, 0});  // blue brush: back in slot 0
    b.Record(0x012D, {0});
    b.Record(0x012D, {2});
    b.Record(0x041B, {10, 10, 0, 0});
    const TBitmap32 p = DecodeWmf(b.Bytes());
    EXPECT_EQ(p.PixelColor(5, 5), 0x0000FFu);

    WmfBuilder many(10, 10, 96, 1);
    for (int i = 0; i < 65600; ++i) many.Record(0x02FA, {0, 1, 0, 0, 0});
    const auto bytes = many.Bytes();
    EXPECT_TRUE(Says(WmfError(bytes), "more than 65535 objects"));
}

TEST(MetafileDamage, DecodePictureReportsTheSameText) {
    const auto bytes = WmfBuilder(10, 10, 96, 1).Record(0x012D, {3}).Bytes();
    try {
        DecodePicture(".WMF", bytes);
        ADD_FAILURE() << "no error";
    } catch (const PictureError& e) {
        EXPECT_TRUE(Says(std::string(e.what()), ("refers to object 3")));
    }
}

}  // namespace
}  // namespace brimlet
