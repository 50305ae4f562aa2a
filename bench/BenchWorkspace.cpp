#include "bench/BenchWorkspace.h"

#include "bench/TestPhoto.h"
#include "cartoon/panel/Standard_s.h"
#include "cartoon/styles/ResultEdits.h"
#include "core/codecs/PictureFiles.h"
#include "workspace/MainForm_s.h"
#include "workspace/PictureDialogs.h"
#include "workspace/SaveQuestion.h"
#include "workspace/ViewForm_s.h"

#include <QCoreApplication>
#include <QDir>

namespace brimlet::bench {

Workspace::Workspace(int width, int height) : width_(width), height_(height) {
    EnsureApplication();
    // Rows open picture after picture over unsaved results: the question is answered
    // Discard, as no one is there to answer it.
    SetSaveQuestionHook([](const QString&) { return TSaveAnswer::kDiscard; });
    MainForm = new TMainForm;
    Standard = new TStandard(MainForm);
    ViewForm = new TViewForm(MainForm);
    MainForm->show();
    QCoreApplication::processEvents();
    source = new PaintCounter(MainForm->Image1);
    result = new PaintCounter(MainForm->Image2);
    viewer = new PaintCounter(ViewForm->Image1);
    jpeg = (QDir::tempPath() + QStringLiteral("/brimlet-bench-%1x%2.jpg").arg(width).arg(height))
               .toStdString();
    SaveJpeg(TestPhoto(width, height), jpeg);
    Open();
}

Workspace::~Workspace() {
    SetOpenDialogHook({});
    SetSaveQuestionHook({});
    delete MainForm;
    MainForm = nullptr;
    Standard = nullptr;
    ViewForm = nullptr;
    QDir().remove(QString::fromStdString(jpeg));
}

bool Workspace::Open() {
    const QString path = QString::fromStdString(jpeg);
    SetOpenDialogHook([path](QWidget*) { return path; });
    const int s = source->Count(), r = result->Count();
    MainForm->SpeedButton1Click();
    return WaitForPaints({{source, s}, {result, r}});
}

bool Workspace::ShowsResult(const std::function<void()>& command) {
    const int r = result->Count();
    command();
    return WaitForPaints({{result, r}});
}

Workspace& WorkspaceFor(int width, int height) {
    static Workspace* current = nullptr;
    if (!current || !current->Is(width, height)) {
        delete current;
        current = new Workspace(width, height);
    }
    return *current;
}

void PrepareLayers() {
    const TBitmap32& photo = MainForm->Image1->Picture();
    MainForm->ColourLayer = photo;
    MainForm->LineLayer = photo;
    std::uint8_t* c = MainForm->ColourLayer.Bits();
    std::uint8_t* l = MainForm->LineLayer.Bits();
    for (std::size_t i = 0; i < photo.ByteCount(); i += 4) {
        for (int k = 0; k < 3; ++k) c[i + k] = std::uint8_t((c[i + k] >> 6) * 85);
        c[i + 3] = 255;
        const std::uint8_t ink = l[i + 1] < 120 ? 255 : 0;
        l[i] = l[i + 1] = l[i + 2] = std::uint8_t(255 - ink);
        l[i + 3] = ink;
    }
}

DyeingSpot ChooseDyeing() {
    Standard->ResultKind = 1;
    MainForm->ShowResultByRule();
    MainForm->SpeedButton4Click();
    TImage* image = MainForm->Image2;
    DyeingSpot spot{image->width() / 4, image->height() / 2, 0, 0};
    ControlToPicture(spot.X, spot.Y, image->Picture().Width(), image->Picture().Height(),
                     image->width(), image->height(), spot.px, spot.py);
    return spot;
}

}  // namespace brimlet::bench
