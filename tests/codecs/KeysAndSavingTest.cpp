// Decoder keys from file names, the writers' extensions and layout, and saves that never
// destroy the file they replace.
#include "tests/codecs/CodecTestSupport.h"

#include <csignal>
#include <set>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brimlet::test {
namespace {

TEST(DecoderKeys, TheLastFourCharactersUpperCasedPickTheDecoder) {
    TempFolder folder;
    const std::vector<std::uint8_t> jpeg = ReadBytes(Sample("hopper_gray.jpg"));
    const std::vector<std::uint8_t> bmp = ReadBytes(Sample("rgb24.bmp"));
    struct Case {
        const char* name;
        const std::vector<std::uint8_t>* bytes;
        int width;  // 0: an empty bitmap ("is not a valid format")
    } const cases[] = {
        {"photo.jpeg", &jpeg, 128}, {"PHOTO.JPEG", &jpeg, 128}, {"myjpeg", &jpeg, 128},
        {"photo.JpG", &jpeg, 128},  {"photo.jpe", &jpeg, 0},    {"scan.png", &jpeg, 0},
        {"scan.tif", &bmp, 0},      {"Logo.Bmp", &bmp, 127},    {"bmp", &bmp, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(folder / c.name, *c.bytes);
        const std::optional<TBitmap32> picture = LoadPicture(folder / c.name);
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(picture->Width(), c.width);
    }
    // A real PNG under its own name is not read, though Qt could.
    EXPECT_TRUE(LoadPicture(Sample("chelsea.png"))->Empty());
    EXPECT_FALSE(LoadPicture(folder / "missing.jpg").has_value());
    // A folder is not a file of that name either.
    std::filesystem::create_directory(folder / "folder.jpg");
    EXPECT_FALSE(LoadPicture(folder / "folder.jpg").has_value());
    // The wrong content under a known key is a decoding error, not an empty picture.
    WriteBytes(folder / "fake.bmp", jpeg);
    EXPECT_THROW(LoadPicture(folder / "fake.bmp"), PictureError);
}

TEST(Writers, BmpIs24BitBottomUpWithPaddedRowsAndReadsBackExactly) {
    const TBitmap32 pattern = TestPattern(5, 3);  // 15 bytes a row, padded to 16
    const std::vector<std::uint8_t> file = EncodeBmp24(pattern);
    ASSERT_EQ(file.size(), 54u + 16 * 3);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[10], 54);  // pixel data offset
    EXPECT_EQ(file[14], 40);  // information header size
    EXPECT_EQ(file[22], 3);   // positive height: bottom-up
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(file[30], 0);  // uncompressed
    // The first stored row is the bottom one, in B, G, R order.
    const std::uint8_t* bottomLeft = pattern.ScanLine(2);
    EXPECT_EQ(file[54], bottomLeft[0]);
    EXPECT_EQ(file[55], bottomLeft[1]);
    EXPECT_EQ(file[56], bottomLeft[2]);

    for (const TBitmap32& picture : {TestPattern(1, 1), TestPattern(2, 7), TestPattern(131, 67)}) {
        const TBitmap32 back = DecodePicture(".BMP", EncodeBmp24(picture));
        EXPECT_TRUE(SameColours(back, picture));
        EXPECT_TRUE(AllAlphaZero(back));
    }
    EXPECT_THROW(EncodeBmp24(TBitmap32()), PictureError);
    EXPECT_THROW(EncodeJpeg(TBitmap32()), PictureError);
}

TEST(Writers, SavesForceTheirExtensionAndRoundTrip) {
    TempFolder folder;
    const TBitmap32 pattern = TestPattern(40, 30);
    EXPECT_EQ(SaveJpeg(pattern, folder / "result.bmp"), folder / "result.jpg");
    EXPECT_EQ(SaveBmp(pattern, folder / "a.b.c"), folder / "a.b.bmp");
    EXPECT_EQ(SaveBmp(pattern, folder / "pic"), folder / "pic.bmp");
    const TBitmap32 jpeg = *LoadPicture(folder / "result.jpg");
    EXPECT_LT(MeanColourDifference(jpeg, pattern), 3.0);
    EXPECT_TRUE(SameColours(*LoadPicture(folder / "a.b.bmp"), pattern));
    // An existing file is replaced, with its permissions kept.
    ::chmod((folder / "pic.bmp").c_str(), 0640);
    SaveBmp(TestPattern(3, 3), folder / "pic.bmp");
    EXPECT_EQ(LoadPicture(folder / "pic.bmp")->Width(), 3);
    struct stat info {};
    ::stat((folder / "pic.bmp").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// The folder holds exactly these names (no temporary left behind).
void ExpectFolderHolds(const TempFolder& folder, std::set<std::string> names) {
    std::set<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(folder.path())) found.insert(e.path().filename().string());
    EXPECT_EQ(found, names);
}

TEST(AtomicSave, AFailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    TempFolder folder;
    const std::vector<std::uint8_t> old = {1, 2, 3};
    WriteBytes(folder / "keep.jpg", old);

    // The target is a folder: the rename fails after the temporary was written.
    std::filesystem::create_directory(folder / "dir.jpg");
    try {
        SaveJpeg(TestPattern(8, 8), folder / "dir.jpg");
        FAIL();
    } catch (const PictureError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write " + (folder / "dir.jpg") + ": Is a directory");
    }
    ExpectFolderHolds(folder, {"keep.jpg", "dir.jpg"});

    // A missing folder.
    EXPECT_THROW(SaveBmp(TestPattern(8, 8), folder / "nowhere/x.bmp"), PictureError);

    // A read-only folder (root may write anyway, so only checked where the folder refuses).
    ::chmod(folder.path().c_str(), 0555);
    if (::access(folder.path().c_str(), W_OK) != 0) {
        try {
            SaveJpeg(TestPattern(8, 8), folder / "keep.jpg");
            FAIL();
        } catch (const PictureError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot write " + (folder / "keep.jpg") + ": Permission denied");
        }
    }
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(ReadBytes(folder / "keep.jpg"), old);
    ExpectFolderHolds(folder, {"keep.jpg", "dir.jpg"});
}

// A save killed at any moment leaves the target complete old or complete new, and nothing
// else in the folder (the temporary has no name until it is complete).
TEST(AtomicSave, ASaveKilledMidwayLeavesTheOldFileAndNoTemporary) {
    TempFolder folder;
    const std::string target = folder / "big.bmp";
    const std::vector<std::uint8_t> old(1000, 7);
    const std::vector<std::uint8_t> fresh(std::size_t(96) << 20, 9);
    for (int delayMs : {0, 2, 10, 40, 120}) {
        WriteBytes(target, old);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WriteFileAtomically(target, fresh);
            ::_exit(0);
        }
        ::usleep(useconds_t(delayMs) * 1000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::vector<std::uint8_t> now = ReadBytes(target);
        EXPECT_TRUE(now == old || now == fresh) << "torn target after " << delayMs << " ms";
        ExpectFolderHolds(folder, {"big.bmp"});
    }
}

TEST(AtomicSave, WritingThroughALinkReplacesTheFileItPointsTo) {
    TempFolder folder;
    WriteBytes(folder / "real.bmp", {1});
    std::filesystem::create_symlink(folder / "real.bmp", folder / "link.bmp");
    SaveBmp(TestPattern(4, 4), folder / "link.bmp");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.bmp"));
    EXPECT_EQ(LoadPicture(folder / "real.bmp")->Width(), 4);
}

}  // namespace
}  // namespace brimlet::test
