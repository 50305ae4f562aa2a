// The main window's commands: open, save, the windows it shows, the result-tool buttons and
// the redisplay rule that the panel and the tools share.
#include "workspace/MainForm_s.h"

#include "cartoon/panel/Standard_s.h"
#include "cartoon/styles/Styles.h"
#include "core/codecs/PictureFiles.h"
#include "workspace/About_Us_s.h"
#include "workspace/Cursors.h"
#include "workspace/ErrorBox.h"
#include "workspace/Layout.h"
#include "workspace/MailCommands.h"
#include "workspace/PictureDialogs.h"
#include "workspace/Workspace.h"
#include "workspace/WorkspaceHistory.h"
#include "printing/Print_Setup_s.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QSplitter>
#include <QToolButton>

#include <optional>

namespace {
std::string FileSystemName(const QString& path) { return QFile::encodeName(path).toStdString(); }
}  // namespace

void TMainForm::ConnectCommands() {
    using brimlet::GuardedSlot;
    auto both = [this](QToolButton* button, QAction* action, auto handler) {
        if (button) connect(button, &QToolButton::clicked, this, GuardedSlot(this, handler));
        if (action) connect(action, &QAction::triggered, this, GuardedSlot(this, handler));
    };
    both(SpeedButton1, Open1, [this] { SpeedButton1Click(); });
    both(SpeedButton2, Save1, [this] { SpeedButton2Click(); });
    both(nullptr, Exit1, [this] { Exit1Click(); });
    both(nullptr, Undo1, [this] { Undo1Click(); });
    both(nullptr, Redo1, [this] { Redo1Click(); });
    both(SpeedButton7, Standard1, [this] { Standard1Click(); });
    both(nullptr, About1, [this] { About1Click(); });
    both(SpeedButton3, Print1, [this] { SpeedButton3Click(); });
    both(SpeedButton5, ellfriend1, [this] { SpeedButton5Click(); });
    both(SpeedButton6, Online1, [this] { SpeedButton6Click(); });
    both(SpeedButton4, nullptr, [this] { SpeedButton4Click(); });
    both(SpeedButton8, nullptr, [this] { SpeedButton8Click(); });
    both(SpeedButton9, nullptr, [this] { SpeedButton9Click(); });
    connect(Splitter1, &QSplitter::splitterMoved, this,
            GuardedSlot(this, [this] { Splitter1Moved(); }));
}

// ---- Open ------------------------------------------------------------------------------

std::optional<brimlet::TBitmap32> TMainForm::LoadPictureFile(const QString& path) {
    const std::string name = FileSystemName(path);
    std::optional<brimlet::TBitmap32> loaded;
    if (brimlet::DecoderKey(name) == ".ICO") {
        // An icon that does not decode is reported here; the open then fails as invalid.
        try {
            loaded = brimlet::LoadPicture(name);
        } catch (const brimlet::PictureError& e) {
            brimlet::ShowMessage(this, QMessageBox::NoIcon, QStringLiteral("Exit"),
                                 QStringLiteral("Input picture") + path + QStringLiteral("Error.") +
                                     QString::fromUtf8(e.what()));
        }
    } else {
        // Other decoders' failures end the command in the general error box.
        loaded = brimlet::LoadPicture(name);
    }
    if (!loaded || loaded->Width() <= 0) {
        brimlet::ShowMessage(this, QMessageBox::NoIcon, QStringLiteral("Sorry"),
                             path + QStringLiteral(" is not a valid format"));
        return std::nullopt;
    }
    return loaded;
}

bool TMainForm::OpenPictureFile(const QString& path) {
    std::optional<brimlet::TBitmap32> loaded = LoadPictureFile(path);
    if (!loaded) return false;
    Image1->SetPicture(std::move(*loaded));
    Image2->SetPictureFrom(*Image1);
    return true;
}

bool TMainForm::OpenPicture() {
    const QString path = brimlet::RunOpenPictureDialog(this);
    if (path.isEmpty()) return false;
    return OpenPictureFile(path);
}

void TMainForm::ReinitialiseAfterOpen() {
    ColourLayer.Assign(Image1->Picture());
    LineLayer.Assign(Image1->Picture());
    PaletteBuffer.Assign(Image1->Picture());
    Relayout();
    if (Standard) {
        Standard->ResultKind = 0;
        Standard->SpeedButton7->setEnabled(false);
        Standard->SpeedButton8->setEnabled(false);
        Standard->SpeedButton10->setEnabled(false);
        Standard->CheckBox1->setChecked(false);  // runs CheckBox1Click when it was checked
        Standard->SpeedButton2->setEnabled(true);
        Standard->SpeedButton3->setEnabled(true);
        Standard->SketchResult = false;
    }
    SelectFullSizeTool();
    // A cancelled open leaves the old result in Image2 while the layers start afresh.
    ResultShownByRule = Image2->Picture() == LineLayer;
}

// Even a cancelled or failed open refreshes the layers and resets the tools; a decoding
// error ends the command before that. The refresh is one step of the history, so a
// cancelled dialog or a file that cannot be read loses nothing; a picture that would
// replace an unsaved result is asked about first.
void TMainForm::SpeedButton1Click() { OpenAsStep(brimlet::RunOpenPictureDialog(this)); }

void TMainForm::OpenDroppedFile(const QString& path) { OpenAsStep(path); }

void TMainForm::OpenAsStep(const QString& path) {
    std::optional<brimlet::TBitmap32> loaded;
    if (!path.isEmpty()) loaded = LoadPictureFile(path);
    if (loaded && !MayDiscardResult(QStringLiteral("opening another picture"))) return;
    {
        TWorkspaceHistory::Scope step(History, "Open", TWorkspaceHistory::kAllPictures,
                                      TWorkspaceHistory::Result::kKept);
        if (loaded) {
            Image1->SetPicture(std::move(*loaded));
            Image2->SetPicture(Image1->Picture());
        }
        ReinitialiseAfterOpen();
    }
    // A freshly opened picture holds nothing that could be lost.
    if (loaded && History) History->MarkSaved();
}

// ---- Save ------------------------------------------------------------------------------

void TMainForm::SpeedButton2Click() { SaveResult(); }

bool TMainForm::SaveResult() {
    if (!savepic1(Image2->Picture())) return false;
    if (History) History->MarkSaved();
    return true;
}

bool TMainForm::savepic1(const brimlet::TBitmap32& picture) {
    const brimlet::SaveChoice choice = brimlet::RunSavePictureDialog(this);
    if (choice.path.isEmpty()) return false;
    const char* extension = nullptr;
    switch (choice.filterIndex) {
        case 1: extension = ".jpg"; break;
        case 2: extension = ".bmp"; break;
        case 3: extension = ".wmf"; break;
        default: return false;
    }
    const std::string target =
        brimlet::ReplaceExtension(FileSystemName(choice.path), extension);
    // The extension is forced after the dialog, so the file written may not be the one the
    // user picked: ask before replacing it.
    const QString shown = QFile::decodeName(QByteArray::fromStdString(target));
    if (QFileInfo::exists(shown) &&
        !brimlet::AskYesNo(this, QStringLiteral("Save as"),
                           shown + QStringLiteral(" already exists.\nDo you want to replace it?")))
        return false;
    switch (choice.filterIndex) {
        case 1: brimlet::SaveJpeg(picture, target); break;
        case 2: brimlet::SaveBmp(picture, target); break;
        case 3: brimlet::SaveMetafile(picture, target); break;
    }
    return true;
}

// ---- Windows and exit ------------------------------------------------------------------

void TMainForm::Exit1Click() { close(); }

void TMainForm::Standard1Click() {
    if (!Standard) return;
    Standard->show();
    Standard->raise();
}

void TMainForm::About1Click() {
    if (!About_Us) return;
    About_Us->show();
    About_Us->raise();
}

void TMainForm::SpeedButton3Click() {
    if (!Print_Setup) return;
    Print_Setup->show();
    Print_Setup->raise();
}

void TMainForm::SpeedButton5Click() { brimlet::TellAFriend(Image2->Picture(), this); }

void TMainForm::SpeedButton6Click() { brimlet::OpenHomePage(this); }

// ---- Result tools ----------------------------------------------------------------------

void TMainForm::SpeedButton4Click() {
    DyeingMode = true;
    SpotClearMode = false;
    FullSizeMode = false;
    SpeedButton4->setChecked(true);
    brimlet::LoadCursorSlot(brimlet::crEyedrop);
    Image2->setToolTip(QStringLiteral("Pick up color for Dyeing"));
    Image2->setCursor(brimlet::SlotCursor(brimlet::crEyedrop));
}

void TMainForm::SpeedButton8Click() {
    DyeingMode = false;
    SpotClearMode = true;
    FullSizeMode = false;
    SpeedButton8->setChecked(true);
    brimlet::LoadCursorSlot(brimlet::crYuan);
    Image2->setToolTip(QStringLiteral("Clear spots for Sketch"));
    Image2->setCursor(brimlet::SlotCursor(brimlet::crYuan));
}

void TMainForm::SpeedButton9Click() { SelectFullSizeTool(); }

void TMainForm::SelectFullSizeTool() {
    DyeingMode = false;
    SpotClearMode = false;
    FullSizeMode = true;
    SpeedButton9->setChecked(true);
    Image2->setToolTip(QStringLiteral("Double click to view fullsize"));
    Image2->setCursor(brimlet::SlotCursor(brimlet::crFullSize));
}

void TMainForm::ShowResultByRule() {
    const bool composite = Standard && Standard->CheckBox1->isChecked();
    if (composite) {
        brimlet::TBitmap32 picture;
        brimlet::ComposeDyeingAndSketch(ColourLayer, LineLayer, picture);
        Image2->SetPicture(std::move(picture));
    } else if (Standard && Standard->ResultKind == 1) {
        Image2->SetPicture(ColourLayer);
    } else {
        Image2->SetPicture(LineLayer);
    }
    Display(Image2, ImgPanel2);
    DisplayScale = brimlet::DisplayScaleFor(Image2->Picture().Width(), Image2->width());
    ResultShownByRule = true;
}
