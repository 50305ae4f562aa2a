// The Make Cartoon panel's controls as data: names, captions, positions, ranges and start
// states. The window is built from these tables, and the tests read the same tables.
#pragma once

#include <array>

namespace brimlet::panel {

struct Box {
    int x, y, width, height;
};

struct SliderRow {
    const char* slider;      // object name of the slider
    const char* valueLabel;  // the label that shows its reading
    const char* caption;     // caption label's object name (nullptr: shares Label14)
    const char* captionText;
    Box sliderBox;
    int captionX, captionY;  // caption position
    int valueX, valueY;      // value label position
    int minimum, maximum, start, page;
    const char* startText;   // the value label as the form first shows it
    bool handCursor;
};

// Rows inside GroupBox1, in the order of the window.
inline constexpr std::array<SliderRow, 8> kSliders{{
    {"TrackBar2", "Label2", "Label4", "Scalar:", {44, 18, 141, 12}, 10, 18, 192, 20, 2, 15, 5, 2, "5", true},
    {"TrackBar9", "Label5", "Label6", "Region:", {44, 38, 141, 12}, 10, 38, 192, 40, 0, 40, 20, 2, "0", true},
    {"TrackBar8", "Label3", "Label7", "Sleek:", {44, 58, 141, 12}, 10, 58, 192, 60, 1, 10, 5, 2, "5", true},
    {"TrackBar1", "Label8", "Label9", "Pencil pressure:", {2, 122, 183, 12}, 10, 108, 192, 124, 1, 89, 67, 3, "75", true},
    {"TrackBar4", "Label1", "Label10", "Pen pressure:", {2, 160, 183, 12}, 10, 146, 192, 162, 0, 255, 125, 5, "50", true},
    {"TrackBar3", "Label11", nullptr, nullptr, {2, 198, 71, 12}, 0, 0, 44, 216, 1, 101, 6, 1, "0.05", false},
    {"TrackBar5", "Label12", nullptr, nullptr, {64, 198, 65, 12}, 0, 0, 100, 216, 0, 20, 10, 1, "0.5", false},
    {"TrackBar6", "Label13", nullptr, nullptr, {120, 198, 65, 12}, 0, 0, 158, 216, 0, 40, 20, 1, "0.5", false},
}};

struct ButtonSpec {
    const char* name;
    const char* caption;
    Box box;
    bool enabled;
};

// Style buttons inside GroupBox1.
inline constexpr std::array<ButtonSpec, 9> kButtons{{
    {"SpeedButton9", "Massing", {216, 22, 75, 52}, true},
    {"SpeedButton2", "Brighter", {392, 22, 65, 22}, true},
    {"SpeedButton3", "Darker", {392, 52, 65, 22}, true},
    {"SpeedButton1", "Pencil Sketch", {216, 120, 75, 22}, true},
    {"SpeedButton10", "Shallow", {304, 120, 65, 58}, false},
    {"SpeedButton6", "Pen Sketch", {216, 156, 75, 22}, true},
    {"SpeedButton4", "Pen & Ink", {216, 192, 75, 22}, true},
    {"SpeedButton7", "Clear Spots", {304, 192, 75, 22}, false},
    {"SpeedButton8", "Smooth", {392, 192, 65, 22}, false},
}};

inline constexpr int kPanelWidth = 537, kPanelHeight = 286;
inline constexpr int kPanelLeft = 16, kPanelTop = 386;
inline constexpr Box kProgressBar{0, 268, 537, 17};
inline constexpr Box kGroupBox1{16, 8, 465, 257};
inline constexpr Box kSeparator{8, 95, 380, 1};
inline constexpr Box kGrayBox{304, 40, 49, 17};
inline constexpr Box kGroupBox2{408, 85, 118, 28};
inline constexpr Box kDyeingBox{12, 8, 97, 17};
inline constexpr int kDensityCaptionX = 10, kDensityCaptionY = 184;
inline constexpr int kProgressMaximum = 800;

}  // namespace brimlet::panel
