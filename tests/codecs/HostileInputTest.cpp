// Truncated, corrupted and hostile files: a PictureError or a picture, never a crash, a hang
// or a read out of bounds (these run under AddressSanitizer in CI too).
#include "tests/codecs/CodecTestSupport.h"

#include <random>

namespace brimlet::test {
namespace {

// The raster samples; the metafile player's own tests damage the metafiles.
std::vector<std::string> AllSamples() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(BRIMLET_TEST_DATA)) {
        const std::string key = DecoderKey(e.path().filename().string());
        if (IsKnownDecoderKey(key) && key != ".WMF" && key != ".EMF")
            names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Decoding either fails with a PictureError carrying a text, or gives a sane picture.
void ExpectErrorOrPicture(const std::string& key, std::span<const std::uint8_t> bytes, const std::string& what) {
    try {
        const TBitmap32 b = DecodePicture(key, bytes);
        EXPECT_TRUE(AllAlphaZero(b)) << what;
    } catch (const PictureError& e) {
        EXPECT_GT(std::string(e.what()).size(), 5u) << what;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": not a PictureError: " << e.what();
    }
}

TEST(HostileInput, TruncatedSamplesNeverCrash) {
    for (const std::string& name : AllSamples()) {
        const std::vector<std::uint8_t> bytes = ReadBytes(Sample(name));
        const std::size_t n = bytes.size();
        for (std::size_t length : {std::size_t(0), std::size_t(1), std::size_t(2), std::size_t(6),
                                   std::size_t(13), std::size_t(14), std::size_t(26), std::size_t(54),
                                   std::size_t(200), n / 8, n / 4, n / 2, n * 3 / 4, n - 2, n - 1}) {
            if (length >= n) continue;
            ExpectErrorOrPicture(DecoderKey(name), std::span(bytes).first(length),
                                 name + " cut to " + std::to_string(length));
        }
    }
}

TEST(HostileInput, CorruptedSamplesNeverCrash) {
    std::mt19937 random(20261208);
    for (const std::string& name : AllSamples()) {
        const std::vector<std::uint8_t> original = ReadBytes(Sample(name));
        for (int variant = 0; variant < 12; ++variant) {
            std::vector<std::uint8_t> bytes = original;
            // Early variants hit the headers, later ones anywhere in the file.
            const std::size_t reach = variant < 6 ? std::min<std::size_t>(bytes.size(), 64) : bytes.size();
            for (int flip = 0; flip < 3; ++flip) {
                const std::size_t at = random() % reach;
                bytes[at] = std::uint8_t(bytes[at] ^ (1u << (random() % 8)));
            }
            ExpectErrorOrPicture(DecoderKey(name), bytes, name + " variant " + std::to_string(variant));
        }
    }
}

// An empty file of every key (its bytes have no storage at all) is refused with a message.
TEST(HostileInput, ZeroByteFilesOfEveryKeyAreRefused) {
    TempFolder folder;
    for (const char* name : {"empty.bmp", "empty.ico", "empty.jpg", "emptyjpeg", "empty.gif",
                             "empty.wmf", "empty.emf"}) {
        WriteBytes(folder / name, {});
        try {
            LoadPicture(folder / name);
            ADD_FAILURE() << name << " opened";
        } catch (const PictureError& e) {
            EXPECT_GT(std::string(e.what()).size(), 5u) << name;
        }
    }
}

void ExpectRefusedAsTooLarge(const std::string& key, const std::vector<std::uint8_t>& bytes) {
    try {
        DecodePicture(key, bytes);
        ADD_FAILURE() << key << " accepted an absurd size";
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

TEST(HostileInput, AbsurdDeclaredSizesAreRefusedBeforeDecoding) {
    std::vector<std::uint8_t> bmp = ReadBytes(Sample("rgb24.bmp"));
    Put32(bmp, 18, 100000);
    Put32(bmp, 22, 100000);
    ExpectRefusedAsTooLarge(".BMP", bmp);
    // Within the side limit, but 400 million pixels in all; top-down (negative height).
    Put32(bmp, 18, 20000);
    Put32(bmp, 22, std::uint32_t(-20000));
    ExpectRefusedAsTooLarge(".BMP", bmp);

    // JPEG: the frame header's height and width (big-endian) set to 60000 x 60000.
    std::vector<std::uint8_t> jpeg = ReadBytes(Sample("hopper_gray.jpg"));
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 0xEA;
            jpeg[i + 6] = jpeg[i + 8] = 0x60;
            break;
        }
    ExpectRefusedAsTooLarge(".JPG", jpeg);
}

}  // namespace
}  // namespace brimlet::test
