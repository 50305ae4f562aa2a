// A batch run end to end on real photos: each result is the saved picture of the same presses
// in the style library, a broken photo is reported and the others go on, existing results are
// kept without --overwrite, photos in parallel give the same bytes, and an output folder that
// cannot be made stops the run before anything is read or written.
#include "app/batch/BatchRunner.h"
#include "core/codecs/PictureFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

using namespace brimlet::batch;
using brimlet::PanelButton;
namespace fs = std::filesystem;

namespace {

std::vector<char> Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct BatchFolder {
    fs::path root;
    BatchFolder() {
        root = fs::temp_directory_path() /
               (std::string("brimlet-batch-run-") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "in");
        for (const char* name : {"sample-362x272.jpg", "hopper.bmp", "fire.gif"})
            fs::copy_file(fs::path(BRIMLET_TEST_DATA) / name, root / "in" / name);
        std::ofstream(root / "in" / "broken.jpg") << "not a picture at all";
    }
    ~BatchFolder() { fs::remove_all(root); }
    std::string In() const { return (root / "in").string(); }
    fs::path Out() const { return root / "out"; }
};

BatchOptions Options(std::vector<PanelButton> presses, std::string input, std::string output) {
    BatchOptions o;
    o.presses = std::move(presses);
    o.inputs = {std::move(input)};
    o.outputFolder = std::move(output);
    o.quiet = true;
    return o;
}

// The expected file: the same presses in a session over the same photo, saved the same way.
std::vector<char> Expected(const BatchOptions& o, const fs::path& photo, const fs::path& scratch) {
    brimlet::PanelSession session(*brimlet::LoadPicture(photo.string()));
    session.SetDyeingAndSketch(o.dyeingAndSketch);
    brimlet::NoProgress progress;
    for (PanelButton b : o.presses) session.Press(b, o.sliders, progress);
    const std::string name = o.format == OutputFormat::Bmp
                                 ? brimlet::SaveBmp(session.Shown(), scratch.string())
                                 : brimlet::SaveJpeg(session.Shown(), scratch.string());
    return Bytes(name);
}

}  // namespace

TEST(BatchRunner, ResultsAreTheSessionsPicturesAndABrokenPhotoIsSkipped) {
    BatchFolder f;
    BatchOptions o = Options({PanelButton::Massing, PanelButton::PenSketch}, f.In(), f.Out().string());
    o.dyeingAndSketch = true;
    o.sliders.scalar = 7;
    o.sliders.penPressure = 90;
    std::ostringstream messages;
    const BatchReport report = RunBatch(o, messages, false);
    EXPECT_EQ(report.total, 4);
    EXPECT_EQ(report.written, 3);
    EXPECT_EQ(report.failed, 1);
    EXPECT_NE(messages.str().find("broken.jpg: "), std::string::npos) << messages.str();
    EXPECT_EQ(messages.str().find("written"), std::string::npos);  // quiet: no summary
    EXPECT_FALSE(fs::exists(f.Out() / "broken-cartoon.jpg"));
    for (const char* stem : {"sample-362x272", "hopper", "fire"}) {
        fs::path in;
        for (const auto& e : fs::directory_iterator(f.In()))
            if (e.path().stem() == stem) in = e.path();
        const auto expected = Expected(o, in, f.root / "expected.jpg");
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Bytes(f.Out() / (std::string(stem) + "-cartoon.jpg")), expected) << stem;
    }
    EXPECT_GT(report.styleSeconds, 0);
}

TEST(BatchRunner, ParallelPhotosGiveTheSameBytesAsOneAtATime) {
    BatchFolder f;
    BatchOptions o = Options({PanelButton::PenAndInk, PanelButton::Smooth}, f.In(), "");
    o.format = OutputFormat::Bmp;
    o.jobs = 1;
    o.outputFolder = (f.root / "one").string();
    EXPECT_EQ(RunBatch(o, std::cerr, false).written, 3);
    o.jobs = 3;
    o.memoryBudgetBytes = 1;  // every photo over budget: they must take turns
    o.outputFolder = (f.root / "three").string();
    const BatchReport parallel = RunBatch(o, std::cerr, false);
    EXPECT_EQ(parallel.written, 3);
    EXPECT_EQ(parallel.peakReservedBytes, BytesForRun(362, 272));  // the largest, alone
    for (const auto& e : fs::directory_iterator(f.root / "one"))
        EXPECT_EQ(Bytes(e.path()), Bytes(f.root / "three" / e.path().filename())) << e.path();
}

TEST(BatchRunner, ExistingResultsAreKeptWithoutOverwrite) {
    BatchFolder f;
    fs::create_directories(f.Out());
    std::ofstream(f.Out() / "hopper-cartoon.jpg") << "my own edits";
    BatchOptions o = Options({PanelButton::PencilSketch}, f.In(), f.Out().string());
    std::ostringstream messages;
    BatchReport report = RunBatch(o, messages, false);
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(report.failed, 2);  // the broken photo and the kept result
    EXPECT_NE(messages.str().find("--overwrite"), std::string::npos);
    const auto kept = Bytes(f.Out() / "hopper-cartoon.jpg");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "my own edits");

    o.overwrite = true;
    report = RunBatch(o, messages, false);
    EXPECT_EQ(report.written, 3);
    EXPECT_EQ(Bytes(f.Out() / "hopper-cartoon.jpg"),
              Expected(o, f.In() + "/hopper.bmp", f.root / "expected.jpg"));
}

TEST(BatchRunner, AnOutputFolderThatCannotBeMadeStopsBeforeAnyWork) {
    BatchFolder f;
    std::ofstream(f.root / "a-file") << "x";
    BatchOptions o = Options({PanelButton::PenSketch}, f.In(), (f.root / "a-file" / "out").string());
    EXPECT_THROW(
        {
            try {
                RunBatch(o, std::cerr, false);
            } catch (const std::runtime_error& e) {
                EXPECT_NE(std::string(e.what()).find("cannot make the output folder"),
                          std::string::npos);
                throw;
            }
        },
        std::runtime_error);
    EXPECT_FALSE(fs::exists(f.In() + "/sample-362x272-cartoon.jpg"));
}

TEST(BatchRunner, TheProgressLineIsDrawnOnlyOnATerminalAndTheSummaryEndsTheRun) {
    BatchFolder f;
    BatchOptions o = Options({PanelButton::PenSketch}, f.In(), f.Out().string());
    o.quiet = false;
    std::ostringstream piped;
    RunBatch(o, piped, false);
    EXPECT_EQ(piped.str().find('\r'), std::string::npos) << piped.str();
    EXPECT_NE(piped.str().find("3 cartoons written, 1 failed"), std::string::npos) << piped.str();

    o.overwrite = true;
    std::ostringstream terminal;
    RunBatch(o, terminal, true);
    EXPECT_NE(terminal.str().find("\r\033[K4/4 photos"), std::string::npos) << terminal.str();
    EXPECT_NE(terminal.str().find("photos/s"), std::string::npos);
    EXPECT_NE(terminal.str().find(" left"), std::string::npos);
}
