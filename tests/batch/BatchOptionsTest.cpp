// brimlet-batch's command line: slider defaults and ranges from the panel's own table, the
// refusals a user meets (each naming what was wrong), and presses checked against the
// panel's enabling rules before any file is read.
#include "app/batch/BatchOptions.h"
#include "cartoon/panel/PanelControls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using brimlet::PanelButton;
using namespace brimlet::batch;

namespace {

ParseResult Parse(std::vector<std::string> args) { return ParseBatchOptions(args); }

std::string ErrorOf(std::vector<std::string> args) {
    const ParseResult r = ParseBatchOptions(args);
    EXPECT_EQ(r.action, ParseResult::Action::Error) << "accepted: " << args[0];
    return r.error;
}

const brimlet::panel::SliderRow& Row(const char* name) {
    for (const auto& row : brimlet::panel::kSliders)
        if (std::string(row.slider) == name) return row;
    throw std::logic_error(name);
}

}  // namespace

TEST(BatchOptions, DefaultsAreThePanelsStartPositions) {
    const ParseResult r = Parse({"--press", "massing,pen-sketch", "a.jpg"});
    ASSERT_EQ(r.action, ParseResult::Action::Run) << r.error;
    const auto& s = r.options.sliders;
    EXPECT_EQ(s.scalar, Row("TrackBar2").start);
    EXPECT_EQ(s.region, Row("TrackBar9").start);
    EXPECT_EQ(s.regionMax, Row("TrackBar9").maximum);
    EXPECT_EQ(s.sleek, Row("TrackBar8").start);
    EXPECT_EQ(s.pencilPressure, Row("TrackBar1").start);
    EXPECT_EQ(s.penPressure, Row("TrackBar4").start);
    EXPECT_EQ(s.inkWidth, Row("TrackBar3").start);
    EXPECT_EQ(s.inkLower, Row("TrackBar5").start);
    EXPECT_EQ(s.inkUpper, Row("TrackBar6").start);
    EXPECT_TRUE(s.gray);
    EXPECT_FALSE(r.options.dyeingAndSketch);
    EXPECT_EQ(r.options.format, OutputFormat::Jpeg);
    EXPECT_EQ(r.options.presses, (std::vector{PanelButton::Massing, PanelButton::PenSketch}));
    EXPECT_EQ(r.options.inputs, std::vector<std::string>{"a.jpg"});
}

TEST(BatchOptions, EverySliderTakesItsEndsAndRefusesBeyondThemWithTheRange) {
    const std::vector<std::pair<std::string, std::string>> options = {
        {"--scalar", "TrackBar2"}, {"--region", "TrackBar9"}, {"--sleek", "TrackBar8"},
        {"--pencil-pressure", "TrackBar1"}, {"--pen-pressure", "TrackBar4"}};
    for (const auto& [option, slider] : options) {
        const auto& row = Row(slider.c_str());
        for (int v : {row.minimum, row.maximum})
            EXPECT_EQ(Parse({option, std::to_string(v), "--press", "massing", "x.jpg"}).action,
                      ParseResult::Action::Run)
                << option << " " << v;
        const std::string range = std::to_string(row.minimum) + " to " + std::to_string(row.maximum);
        for (int v : {row.minimum - 1, row.maximum + 1}) {
            const std::string e = ErrorOf({option, std::to_string(v), "--press", "massing", "x.jpg"});
            EXPECT_NE(e.find(range), std::string::npos) << e;
            EXPECT_NE(e.find(option), std::string::npos) << e;
        }
        EXPECT_NE(ErrorOf({option, "7x", "--press", "massing", "x.jpg"}).find("'7x'"),
                  std::string::npos);
    }
    const ParseResult set = Parse({"--scalar=2", "--pen-pressure", "0", "--press=pen-sketch", "x.jpg"});
    ASSERT_EQ(set.action, ParseResult::Action::Run) << set.error;
    EXPECT_EQ(set.options.sliders.scalar, 2);
    EXPECT_EQ(set.options.sliders.penPressure, 0);
}

TEST(BatchOptions, InkDensityTakesThreePositionsEachInItsOwnRange) {
    const ParseResult r = Parse({"--ink-density", "101,0,40", "--press", "pen-and-ink", "x.jpg"});
    ASSERT_EQ(r.action, ParseResult::Action::Run) << r.error;
    EXPECT_EQ(r.options.sliders.inkWidth, 101);
    EXPECT_EQ(r.options.sliders.inkLower, 0);
    EXPECT_EQ(r.options.sliders.inkUpper, 40);
    EXPECT_NE(ErrorOf({"--ink-density", "0,10,20", "--press", "massing", "x"}).find("1 to 101"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--ink-density", "6,21,20", "--press", "massing", "x"}).find("0 to 20"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--ink-density", "6,10,41", "--press", "massing", "x"}).find("0 to 40"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--ink-density", "6,10", "--press", "massing", "x"}).find("three"),
              std::string::npos);
}

TEST(BatchOptions, PressesThePanelWouldNotOfferAreRefusedByName) {
    // Line-layer buttons before any sketch.
    for (const char* b : {"shallow", "smooth", "clear-spots"})
        EXPECT_NE(ErrorOf({"--press", b, "x.jpg"}).find("is not offered"), std::string::npos) << b;
    // Shallow needs the composite; Brighter after a sketch needs it or a Massing run.
    const std::string shallow = ErrorOf({"--press", "massing,pen-sketch,shallow", "x.jpg"});
    EXPECT_NE(shallow.find("\"Shallow\" (press 3"), std::string::npos) << shallow;
    EXPECT_NE(ErrorOf({"--press", "pen-sketch,brighter", "x.jpg"}).find("\"Brighter\""),
              std::string::npos);
    // ... and the same sequences are fine where the panel offers them.
    for (std::vector<std::string> ok : {
             std::vector<std::string>{"--press", "massing,pen-sketch,shallow", "--dyeing-and-sketch"},
             {"--press", "pen-sketch,massing,brighter,darker"},
             {"--press", "pen-sketch,smooth,clear-spots,pencil-sketch,smooth"},
             {"--press", "pen-sketch,brighter", "--dyeing-and-sketch"},
             {"--press", "massing,brighter"}}) {
        ok.push_back("x.jpg");
        const ParseResult r = Parse(ok);
        EXPECT_EQ(r.action, ParseResult::Action::Run) << ok[1] << ": " << r.error;
    }
    // Massing without the composite takes the line buttons away again.
    EXPECT_NE(ErrorOf({"--press", "pen-sketch,massing,smooth", "x.jpg"}).find("\"Smooth\""),
              std::string::npos);
}

TEST(BatchOptions, BadCommandLinesSayWhatIsWrong) {
    EXPECT_NE(ErrorOf({"x.jpg"}).find("--press"), std::string::npos);
    EXPECT_NE(ErrorOf({"--press", "massing"}).find("no input"), std::string::npos);
    EXPECT_NE(ErrorOf({"--press", "massing,sepia", "x"}).find("'sepia'"), std::string::npos);
    EXPECT_NE(ErrorOf({"--press", "massing,", "x"}).find("''"), std::string::npos);
    EXPECT_NE(ErrorOf({"--press", "massing", "--format", "png", "x"}).find("jpg, bmp or wmf"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--press", "massing", "--jobs", "0", "x"}).find("--jobs"), std::string::npos);
    EXPECT_NE(ErrorOf({"--press", "massing", "--colour", "x"}).find("'--colour'"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--press", "massing", "--overwrite=yes", "x"}).find("--overwrite"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--press"}).find("--press"), std::string::npos);
}

TEST(BatchOptions, HelpVersionAndTheRest) {
    EXPECT_EQ(Parse({"--help"}).action, ParseResult::Action::Help);
    EXPECT_EQ(Parse({"--version"}).action, ParseResult::Action::Version);
    const std::string help = BatchHelpText();
    for (const char* word : {"--press", "--scalar", "--region", "--sleek", "--gray", "--no-gray",
                             "--pencil-pressure", "--pen-pressure", "--ink-density",
                             "--dyeing-and-sketch", "--format", "--output", "--jobs",
                             "--overwrite", "--quiet", "2 to 15", "0 to 255", "Exit status"})
        EXPECT_NE(help.find(word), std::string::npos) << word;

    const ParseResult r = Parse({"--press", "massing", "--no-gray", "--format", "wmf", "-o", "out",
                                 "-j", "3", "--overwrite", "--quiet", "--", "-odd.jpg", "b.gif"});
    ASSERT_EQ(r.action, ParseResult::Action::Run) << r.error;
    EXPECT_FALSE(r.options.sliders.gray);
    EXPECT_EQ(r.options.format, OutputFormat::Wmf);
    EXPECT_EQ(r.options.outputFolder, "out");
    EXPECT_EQ(r.options.jobs, 3);
    EXPECT_TRUE(r.options.overwrite);
    EXPECT_TRUE(r.options.quiet);
    EXPECT_EQ(r.options.inputs, (std::vector<std::string>{"-odd.jpg", "b.gif"}));
}
