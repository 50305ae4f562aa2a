// Inputs the fuzzers once crashed or hung on, kept under tests/data/fuzz/<key>/: each must
// now decode or be refused with a PictureError.
#include "core/codecs/PictureFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace brimlet {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryKeptInputDecodesOrIsRefused) {
    const fs::path root = fs::path(BRIMLET_TEST_DATA) / "fuzz";
    if (!fs::exists(root)) GTEST_SKIP() << "no fuzz regressions kept yet";
    int inputs = 0;
    for (const auto& folder : fs::directory_iterator(root)) {
        if (!folder.is_directory()) continue;
        // The folder names the key: bmp -> ".BMP", jpeg -> "JPEG".
        std::string key = folder.path().filename().string();
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return char(std::toupper(c)); });
        if (key.size() == 3) key = "." + key;
        ASSERT_TRUE(IsKnownDecoderKey(key)) << folder.path();
        for (const auto& file : fs::directory_iterator(folder.path())) {
            std::ifstream in(file.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            SCOPED_TRACE(file.path().string());
            try {
                const TBitmap32 picture = DecodePicture(key, bytes);
                EXPECT_EQ(picture.ByteCount(), std::size_t(picture.Width()) * picture.Height() * 4);
            } catch (const PictureError& e) {
                EXPECT_STRNE(e.what(), "");
            }
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace brimlet
