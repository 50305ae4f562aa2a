// Brimlet's entry: creates the program's windows in their fixed order, each once, shows the
// main window and runs the event loop until the main window closes.
#include "cartoon/panel/Standard_s.h"
#include "printing/Print_Setup_s.h"
#include "workspace/About_Us_s.h"
#include "workspace/ErrorBox.h"
#include "workspace/MainForm_s.h"
#include "workspace/ViewForm_s.h"
#include "workspace/Workspace.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {

// Used only by scripts/screenshots: makes a cartoon of the sample with the panel's own
// buttons and writes pictures of the windows into the folder named by the variable.
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
            QCoreApplication::quit();
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    brimlet::BrimletApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Brimlet"));
    app.setApplicationVersion(QStringLiteral("4.08"));

    MainForm = new TMainForm;
    ViewForm = new TViewForm(MainForm);
    About_Us = new TAbout_Us(MainForm);
    Standard = new TStandard(MainForm);
    Print_Setup = new TPrint_Setup(MainForm);
    Print_Setup->SetResultSource(
        []() -> const brimlet::TBitmap32& { return MainForm->Image2->Picture(); });

    MainForm->show();
    const QString tour = qEnvironmentVariable("BRIMLET_SCREENSHOT_SCRIPT");
    if (!tour.isEmpty()) QTimer::singleShot(800, [tour] { ScreenshotTour(tour); });
    const int result = app.exec();
    delete MainForm;  // its children, the secondary windows, go with it
    return result;
}
