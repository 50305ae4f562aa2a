// Placeholder entry until the main window lands: says so in a window.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMessageBox::information(nullptr, "Brimlet v4.08",
                             "Brimlet's main window is still being built.");
    return 0;
}
