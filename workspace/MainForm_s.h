// The main window: source picture on the left, result on the right, a divider between
// them, toolbar, menu and status bar. It owns the three shared layers and the result
// tools' mode flags, keeps both pictures fitted to their panes and re-initialises the
// workspace when a picture is opened.
//
// Where things are:
//   MainForm_s.cpp        building the window, start-up, layout events
//   MainFormCommands.cpp  open, save, the menu and toolbar commands, the tool buttons
//   MainFormHistory.cpp   the Edit menu, and the question before an unsaved result goes
//   Layout.h              the widget-free fitting rule behind Display
#pragma once

#include "core/Image32.h"
#include "workspace/ImageControl.h"
#include "workspace/NewPanel.h"

#include <QMainWindow>
#include <QString>

#include <optional>

class QAction;
class QButtonGroup;
class QLabel;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolButton;
class TCropSelection;
class TResultTools;
class TWorkspaceHistory;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Controls.
    QWidget* ToolBar1;
    QWidget* ControlBar1;
    QWidget* Panel1;  // file and window commands
    QWidget* Panel2;  // the three result tools, one down at a time
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton5,
        *SpeedButton6, *SpeedButton7, *SpeedButton8, *SpeedButton9;
    QButtonGroup* ToolGroup;
    QWidget* ImgPanel1;
    TNewPanel* SourceHostPanel;
    TImage* Image1;  // the source picture
    QSplitter* Splitter1;
    QWidget* ImgPanel2;
    TImage* Image2;  // the result picture
    QStatusBar* StatusBar1;
    QLabel* StatusPanel[3];
    QTimer* Timer1;  // 100 ms, off at start; the crop outline's marching ants
    QAction *Open1, *Save1, *Exit1, *Standard1, *Print1, *ellfriend1, *Online1, *About1;
    QAction *Undo1, *Redo1;  // Edit menu

    // Mouse behaviour of the two images: cutting a rectangle out of the source, and the
    // dyeing, spot-clearing and full-size tools on the result.
    TCropSelection* CropSelection = nullptr;
    TResultTools* ResultTools = nullptr;
    // Undo and redo of the steps that change the result, and whether it is saved.
    TWorkspaceHistory* History = nullptr;

    // Shared layers: the colour result, the sketch result, the blurred photograph.
    brimlet::TBitmap32 ColourLayer, LineLayer, PaletteBuffer;
    // Result tools: exactly one is true.
    bool DyeingMode = false, SpotClearMode = false, FullSizeMode = true;
    // Result picture pixels per screen pixel (picture width over Image2's width).
    double DisplayScale = 1.0;
    // Image2 shows what ShowResultByRule would show; false after a cancelled open or a cut
    // left it showing something else.
    bool ResultShownByRule = true;

    // Places an image control inside a panel by the fitting rule.
    void Display(TImage* image, QWidget* panel);
    // Source host follows ImgPanel1, both pictures refitted, DisplayScale recomputed.
    void Relayout();
    // Redisplays the result by the shared rule: with "Dyeing && Sketch" checked the colour
    // layer with the line layer drawn over it, else the colour layer when ResultKind is 1,
    // else the line layer.
    void ShowResultByRule();
    // Full-size tool: flags, toolbar button down, Image2's hint and pointer.
    void SelectFullSizeTool();

    // Commands.
    void SpeedButton1Click();  // Open
    void SpeedButton2Click();  // Save as
    void Exit1Click();
    void Standard1Click();     // Make Panel
    void About1Click();
    void SpeedButton3Click();  // Print
    void SpeedButton5Click();  // Tell a friend
    void SpeedButton6Click();  // Online
    void SpeedButton4Click();  // dyeing tool
    void SpeedButton8Click();  // spot-clearing tool
    void SpeedButton9Click();  // full-size tool
    void Undo1Click();
    void Redo1Click();
    // The Edit menu's texts and enabling after the history changed.
    void UpdateEditMenu();
    // Asks "Save the cartoon before <before>?" when the result holds unsaved work; true when
    // the command may go on (saved, discarded or nothing to lose).
    bool MayDiscardResult(const QString& before);
    // The save command; true when a file was written.
    bool SaveResult();

    // Open dialog, load, validity test, hand-over to both images. False when nothing changed.
    bool OpenPicture();
    // Loads a chosen file into both images; the messages of a failed open are shown here.
    bool OpenPictureFile(const QString& path);
    // Reads a chosen file; nothing when it is not a valid picture (the messages are shown).
    std::optional<brimlet::TBitmap32> LoadPictureFile(const QString& path);
    // The open command for a file dropped on the window: same steps as SpeedButton1Click.
    void OpenDroppedFile(const QString& path);
    // Writes the picture in the format of the chosen filter entry; false when the user
    // cancelled (the dialog or the overwrite question) and nothing was written.
    bool savepic1(const brimlet::TBitmap32& picture);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenu();
    void BuildToolBar();
    void BuildPanes();
    void BuildStatusBar();
    void FormCreate();
    void ConnectCommands();
    // Crop selection, result-tool mouse handling and the other helpers connect here.
    void AttachHelpers();
    void FormResize();
    void Splitter1Moved();
    // Steps 2 to 6 of the open command, which run whether or not a picture was opened.
    void ReinitialiseAfterOpen();
    // Opens the file ("" after a cancelled dialog) and re-initialises, as one history step.
    void OpenAsStep(const QString& path);
};

extern TMainForm* MainForm;
