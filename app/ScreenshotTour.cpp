// The screenshot tour behind scripts/screenshots: starts the program's windows as the
// program does, makes a cartoon of the sample with the panel's own buttons and writes
// pictures of the windows into the folder named on the command line, then quits.
// Not installed; it exists so that the shipped program carries no scripted mode.
#include "app/ProgramWindows.h"
#include "cartoon/panel/Standard_s.h"
#include "printing/Print_Setup_s.h"
#include "workspace/CropSelection.h"
#include "workspace/ErrorBox.h"
#include "workspace/MainForm_s.h"
#include "workspace/ViewForm_s.h"
#include "workspace/Workspace.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

// A rectangle dragged on the source picture, its outline
// part-way through its march; then the full-size viewer on a result larger than the screen,
// dragged a little way into the picture.
void CropAndViewerShots(const QString& folder) {
    TCropSelection* crop = MainForm->CropSelection;
    crop->Image1MouseMove(Qt::NoButton, 5, 5);
    crop->Image1MouseDown(Qt::LeftButton, Qt::LeftButton, 60, 50);
    crop->Image1MouseMove(Qt::LeftButton, 250, 200);
    crop->Image1MouseUp(Qt::LeftButton, 250, 200);
    crop->Timer1Timer();
    crop->Timer1Timer();
    MainForm->grab().save(folder + "/crop-outline.png");
    // The result enlarged four times by repeating pixels.
    const brimlet::TBitmap32& result = MainForm->Image2->Picture();
    brimlet::TBitmap32 big(result.Width() * 4, result.Height() * 4);
    for (int y = 0; y < big.Height(); ++y)
        for (int x = 0; x < big.Width(); ++x)
            brimlet::StorePixel(big.ScanLine(y) + 4 * x,
                                brimlet::LoadPixel(result.ScanLine(y / 4) + 4 * (x / 4)));
    ViewForm->OpenOn(big);
    ViewForm->Image1MouseDown(Qt::LeftButton, Qt::LeftButton, 400, 300);
    ViewForm->Image1MouseMove(Qt::LeftButton, 100, 100);
    ViewForm->Image1MouseUp(Qt::LeftButton, 100, 100);
    QTimer::singleShot(500, [folder] {
        ViewForm->grab().save(folder + "/viewer.png");
        if (QScreen* screen = QGuiApplication::primaryScreen())
            screen->grabWindow(0).save(folder + "/screen-viewer.png");
        QCoreApplication::quit();
    });
}

// Makes a cartoon of the sample with the panel's own
// buttons and writes pictures of the windows into the folder.
void ScreenshotTour(const QString& folder) {
    QDir().mkpath(folder);
    MainForm->Standard1Click();
    QTimer::singleShot(500, [folder] {
        Standard->CheckBox1->setChecked(true);
        Standard->SpeedButton9->click();  // Massing
        Standard->SpeedButton6->click();  // Pen Sketch
        QTimer::singleShot(500, [folder] {
            MainForm->grab().save(folder + "/main-window.png");
            Standard->grab().save(folder + "/make-cartoon-panel.png");
            if (QScreen* screen = QGuiApplication::primaryScreen())
                screen->grabWindow(0).save(folder + "/screen.png");
            // The print set-up window, free and then fitted to the page.
            MainForm->SpeedButton3Click();
            Print_Setup->grab().save(folder + "/print-setup-free.png");
            Print_Setup->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->click();
            Print_Setup->grab().save(folder + "/print-setup-fit.png");
            Print_Setup->hide();
            CropAndViewerShots(folder);
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    brimlet::BrimletApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Brimlet"));
    app.setApplicationVersion(QStringLiteral(BRIMLET_VERSION));
    const QStringList arguments = app.arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: brimlet-screenshots FOLDER\n", stderr);
        return 2;
    }
    const QString folder = arguments[1];
    brimlet::CreateProgramWindows();
    QTimer::singleShot(800, [folder] { ScreenshotTour(folder); });
    const int result = app.exec();
    brimlet::DestroyProgramWindows();
    return result;
}
