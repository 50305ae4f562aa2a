// The Make Cartoon panel: parameter sliders, one button per style, the "Gray" and
// "Dyeing && Sketch" boxes and the progress bar. Each style reads a picture of the main
// window, runs on private copies, stores its result in a layer of the main window and shows
// it in the result image.
//
// Shared result state lives here as public members, read and written by the main window
// and its result tools too:
//   ResultKind   0 nothing made since the picture was opened, 1 the colour layer was
//                written last, 2 the line layer was written last.
//   SketchResult the line layer holds a drawing (set by the three sketch styles, cleared
//                when a picture is opened).
#pragma once

#include "cartoon/panel/PanelProgress.h"
#include "cartoon/styles/PanelFlow.h"
#include "core/Image32.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QWidget>

#include <functional>

class TStandard : public QWidget {
    Q_OBJECT
public:
    explicit TStandard(QWidget* parent = nullptr);

    QProgressBar* ProgressBar1;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QFrame* Panel1;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9,
        *Label10, *Label11, *Label12, *Label13, *Label14;
    QSlider *TrackBar1, *TrackBar2, *TrackBar3, *TrackBar4, *TrackBar5, *TrackBar6, *TrackBar8,
        *TrackBar9;
    QPushButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton6,
        *SpeedButton7, *SpeedButton8, *SpeedButton9, *SpeedButton10;
    QCheckBox* CheckBox1;  // "Dyeing && Sketch": any change of its state runs CheckBox1Click
    QCheckBox* CheckBox2;  // "Gray": its click reruns Massing

    int ResultKind = 0;
    bool SketchResult = false;
    int LevelStep = 0;  // band width of the last Massing run

    // The progress bar as the style routines see it.
    brimlet::Progress& Progress() { return progress_; }

    // Puts the picture into the result image by the panel's rule: with "Dyeing && Sketch"
    // checked the colour layer with the line layer drawn over it, otherwise picture itself.
    void ShowResult(const brimlet::TBitmap32& picture);
    void ShowResult(brimlet::TBitmap32&& picture);  // hands the picture over without a copy
    // The closing step of every style run: back to the full-size tool.
    void SelectFullSizeTool();
    void CheckBox1Click();
    // Enabled states of Brighter, Darker, Clear Spots, Smooth and Shallow.
    brimlet::FollowOnButtons FollowOn() const;
    void SetFollowOn(const brimlet::FollowOnButtons& buttons);
    // Writes the value label of a slider from its position.
    void TrackBarChange(QSlider* slider);

    // The style handlers.
    void SpeedButton9Click();   // Massing (and the "Gray" box)
    void SpeedButton2Click();   // Brighter
    void SpeedButton3Click();   // Darker
    void SpeedButton6Click();   // Pen Sketch
    void SpeedButton1Click();   // Pencil Sketch
    void SpeedButton4Click();   // Pen & Ink
    void SpeedButton10Click();  // Shallow
    void SpeedButton8Click();   // Smooth
    void SpeedButton7Click();   // Clear Spots

    // True while a style runs; handlers that arrive meanwhile are ignored.
    bool Running() const { return running_; }

private:
    void BuildControls();
    void ConnectHandlers();
    // The frame shared by every style: one run at a time, the bar back at 0 afterwards,
    // and one step of the main window's history that keeps the layers the style replaces
    // (the main window's history picture bits).
    void RunStyle(const char* name, unsigned layers, const std::function<void()>& style);
    // Stores a finished picture into a layer, shows it, and closes the run.
    void StoreColourResult(brimlet::TBitmap32&& picture);
    void StoreLineResult(brimlet::TBitmap32&& picture);
    void EnableAfterSketch();
    void SetRegionRowLook(bool gray);

    brimlet::PanelProgress progress_;
    bool running_ = false;
};

extern TStandard* Standard;
