// Which files a batch takes from folders, how results are named, and the photos refused
// before any work: missing ones, existing results, and two photos aiming at one result.
#include "app/batch/BatchInputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace brimlet::batch;
namespace fs = std::filesystem;

namespace {

struct TempFolder {
    fs::path path;
    TempFolder() {
        path = fs::temp_directory_path() /
               ("brimlet-batch-inputs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string Touch(const std::string& name) const {
        const fs::path p = path / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
        return p.string();
    }
};

std::vector<std::string> Inputs(const std::vector<BatchItem>& items) {
    std::vector<std::string> names;
    for (const auto& i : items) names.push_back(fs::path(i.input).filename().string());
    return names;
}

}  // namespace

TEST(BatchInputs, ResultsAreNamedByTheSaveRule) {
    EXPECT_EQ(ResultName("holiday/beach.jpg", "", ".jpg"), "holiday/beach-cartoon.jpg");
    EXPECT_EQ(ResultName("holiday/beach.JPEG", "out", ".bmp"), "out/beach-cartoon.bmp");
    EXPECT_EQ(ResultName("a.tar.gif", "", ".wmf"), "a.tar-cartoon.wmf");
    EXPECT_EQ(ResultName("photo.emf", "/tmp/x", ".jpg"), "/tmp/x/photo-cartoon.jpg");
}

TEST(BatchInputs, FoldersGiveTheirPicturesRecursivelyInNameOrder) {
    TempFolder t;
    for (const char* n : {"b.jpg", "a.BMP", "notes.txt", "deep/er/c.gif", "d.jpeg", "e.ico",
                          "f.wmf", "g.emf", "old-cartoon.jpg", "h.png"})
        t.Touch(n);
    const auto items = CollectBatchItems({t.path.string()}, "", ".jpg", false);
    EXPECT_EQ(Inputs(items), (std::vector<std::string>{"a.BMP", "b.jpg", "d.jpeg", "c.gif",
                                                       "e.ico", "f.wmf", "g.emf"}));
    for (const auto& i : items) EXPECT_EQ(i.problem, "") << i.input;
    // A file named on the command line is taken whatever its name says.
    const auto named = CollectBatchItems({(t.path / "old-cartoon.jpg").string()}, "", ".jpg", false);
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0].problem, "");
    EXPECT_EQ(fs::path(named[0].output).filename(), "old-cartoon-cartoon.jpg");
}

TEST(BatchInputs, RefusedUpFrontEachWithItsReason) {
    TempFolder t;
    const std::string a = t.Touch("a.jpg"), aBmp = t.Touch("a.bmp"), b = t.Touch("b.jpg");
    t.Touch("b-cartoon.jpg");  // a result of an earlier run
    const std::string missing = (t.path / "gone.jpg").string();
    const auto items = CollectBatchItems({a, aBmp, b, missing, a}, "", ".jpg", false);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].problem, "");
    EXPECT_NE(items[1].problem.find("would replace that of " + a), std::string::npos)
        << items[1].problem;
    EXPECT_NE(items[2].problem.find("already exists"), std::string::npos);
    EXPECT_NE(items[3].problem.find("no such file"), std::string::npos);
    EXPECT_NE(items[4].problem.find("would replace"), std::string::npos);
    for (std::size_t i = 1; i < items.size(); ++i) EXPECT_EQ(items[i].output, "");

    // With --overwrite the existing result may go, but two photos still never share one.
    const auto again = CollectBatchItems({a, aBmp, b}, "", ".jpg", true);
    EXPECT_EQ(again[0].problem, "");
    EXPECT_NE(again[1].problem, "");
    EXPECT_EQ(again[2].problem, "");
    // Into another folder, the same names from two folders collide there.
    const std::string sub = t.Touch("sub/a.gif");
    const auto collected = CollectBatchItems({a, sub}, (t.path / "out").string(), ".bmp", false);
    EXPECT_EQ(collected[0].problem, "");
    EXPECT_NE(collected[1].problem.find("would replace"), std::string::npos);
}
