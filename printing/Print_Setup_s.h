// The print set-up window: places the current result picture on one A4 page in whole
// millimetres, previews the placement at one preview pixel per millimetre and prints it.
// The four edits are the only store of the placement values; every handler reads them
// afresh and writes back what it changes.
#pragma once

#include "core/Image32.h"
#include "printing/PrintPlacement.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QTimer;
class QToolButton;
class TPreviewImage;

class TPrint_Setup : public QWidget {
    Q_OBJECT
public:
    explicit TPrint_Setup(QWidget* parent = nullptr);

    // Where the current result picture comes from. W and H are read from it every time a
    // rule needs them, and printing draws whatever it holds at that moment.
    void SetResultSource(std::function<const brimlet::TBitmap32&()> source);

    // Replaces the print dialog (for tests): gets the prepared printer, returns whether the
    // user confirmed. The default is the desktop's print dialog, which also offers printing
    // to a PDF file.
    void SetPrintDialogRunner(std::function<bool(QPrinter&)> runner);

    // The preview rectangle: left, top, width and height of Image1 inside Panel1, in mm.
    brimlet::placement::Placement PreviewRect() const { return preview_; }
    int RepeatAction() const { return repeatAction_; }

    // Event handlers. They throw brimlet::ConversionError when a text is not a whole number;
    // the connections run them through the general error box.
    void FormShow();
    void Edit1KeyUp();
    void Edit2KeyUp();
    void Edit3KeyUp();
    void Edit4KeyUp();
    void SpeedButton1Click();  // Print
    void SpeedButton2Click();  // up
    void SpeedButton5Click();  // down
    void SpeedButton6Click();  // left
    void SpeedButton7Click();  // right
    void SpeedButton3Click();  // plus
    void SpeedButton4Click();  // minus
    void SpeedButton8Click();  // centre
    // Pressing a step button starts the 50 ms auto-repeat of its step; releasing stops it.
    void SpeedButton2MouseDown();
    void SpeedButton2MouseUp();
    void SpeedButton5MouseDown();
    void SpeedButton5MouseUp();
    void SpeedButton6MouseDown();
    void SpeedButton6MouseUp();
    void SpeedButton7MouseDown();
    void SpeedButton7MouseUp();
    void SpeedButton3MouseDown();
    void SpeedButton3MouseUp();
    void SpeedButton4MouseDown();
    void SpeedButton4MouseUp();
    void CheckBox1Click();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum Action { kNone = 0, kUp, kDown, kLeft, kRight, kEnlarge, kShrink };

    void BuildControls();
    int PictureWidth() const;
    int PictureHeight() const;
    void RunStep(int action);
    void MoveValue(QLineEdit* edit, int delta, bool vertical);
    void Resize(int sizeStep, int sign);
    void SetPreviewTop(int value);
    void SetPreviewLeft(int value);
    void SetPreviewWidth(int value);
    void SetPreviewHeight(int value);
    void ApplyPreviewGeometry();
    void SetControlsEnabled(bool enabled);
    void BeginRepeat(int action);
    void EndRepeat();
    void RunTimerTick();
    bool RunPrintDialog(QPrinter& printer);
    void PrintPicture(QPrinter& printer, const brimlet::Rect& units);

    std::function<const brimlet::TBitmap32&()> resultSource_;
    std::function<bool(QPrinter&)> printDialogRunner_;
    brimlet::placement::Placement preview_;
    int repeatAction_ = kNone;
    bool reportingTickError_ = false;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QWidget* Panel1 = nullptr;
    TPreviewImage* Image1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QToolButton* SpeedButton8 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QTimer* Timer1 = nullptr;
};
