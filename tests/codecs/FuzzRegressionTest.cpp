// The fuzzers' kept corpus (fuzz/corpus/<key>/) and the inputs they once crashed or hung on
// (tests/data/fuzz/<key>/), replayed through the decoders: each must decode or be refused
// with a PictureError. Under the sanitizer build this is where a regression shows.
#include "core/codecs/PictureFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace brimlet {
namespace {

namespace fs = std::filesystem;

struct KeyFolder {
    const char* folder;  // the folder name under both roots
    const char* key;
};

void PrintTo(const KeyFolder& k, std::ostream* out) { *out << k.key; }

const KeyFolder kKeys[] = {{"bmp", ".BMP"}, {"ico", ".ICO"}, {"jpg", ".JPG"}, {"jpeg", "JPEG"},
                           {"gif", ".GIF"}, {"wmf", ".WMF"}, {"emf", ".EMF"}};

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    if (fs::is_directory(folder))
        for (const auto& e : fs::directory_iterator(folder))
            if (e.is_regular_file()) files.push_back(e.path());
    return files;
}

class FuzzInputs : public testing::TestWithParam<KeyFolder> {};

TEST_P(FuzzInputs, DecodeOrAreRefused) {
    const fs::path data(BRIMLET_TEST_DATA);
    std::vector<fs::path> files = FilesIn(data / "fuzz" / GetParam().folder);
    const std::vector<fs::path> corpus = FilesIn(data / ".." / ".." / "fuzz" / "corpus" / GetParam().folder);
    files.insert(files.end(), corpus.begin(), corpus.end());
    // Every key keeps a corpus; an empty list means the folders moved.
    EXPECT_FALSE(corpus.empty()) << "no corpus for " << GetParam().folder;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        SCOPED_TRACE(file.string());
        try {
            const TBitmap32 picture = DecodePicture(GetParam().key, bytes);
            ASSERT_EQ(picture.ByteCount(), std::size_t(picture.Width()) * picture.Height() * 4);
            // Every input is under 64 KB, which may not cost more than 100 MB.
            EXPECT_LE(picture.ByteCount(), std::size_t(100) << 20);
        } catch (const PictureError& e) {
            EXPECT_STRNE(e.what(), "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKey, FuzzInputs, testing::ValuesIn(kKeys),
                         [](const testing::TestParamInfo<KeyFolder>& info) {
                             return std::string(info.param.folder);
                         });

}  // namespace
}  // namespace brimlet
