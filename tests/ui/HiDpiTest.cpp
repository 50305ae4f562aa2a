// The panes and the full-size viewer on a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2):
// a checkerboard of single pixels must reach the screen as it is. A cache made at the
// control's logical size would average every 2 x 2 squares into grey.
#include "tests/ui/MainWindowFixture.h"
#include "workspace/ViewForm_s.h"

#include <QApplication>
#include <QImage>
#include <QtTest>

using brimlet::TBitmap32;

namespace {

// Black and white squares of one pixel.
TBitmap32 Checkerboard(int width, int height) {
    TBitmap32 board(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t v = (x + y) % 2 ? 255 : 0;
            board.SetPixelColor(x, y, v, v, v);
        }
    return board;
}

// The share of pixels in the middle of the image that are pure black or pure white and
// differ from their right-hand neighbour, as sharp single-pixel detail does.
double SharpShare(const QImage& shot) {
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    int sharp = 0, total = 0;
    for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y)
        for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x) {
            const int v = qGray(image.pixel(x, y)), right = qGray(image.pixel(x + 1, y));
            ++total;
            if ((v == 0 || v == 255) && v != right) ++sharp;
        }
    return total ? double(sharp) / total : 0.0;
}

}  // namespace

class HiDpiTest : public QObject {
    Q_OBJECT
    TestWindows* windows_ = nullptr;

    // Both panes show the board; the panes are 360 x 270 logical, 720 x 540 device pixels.
    void ShowBoard(const TBitmap32& board) {
        MainForm->Image1->SetPicture(board);
        MainForm->Image2->SetPicture(board);
        MainForm->Relayout();
    }

private slots:
    void init() { windows_ = new TestWindows; }
    void cleanup() { delete windows_; }

    void panesShowDevicePixels() {
        QCOMPARE(MainForm->devicePixelRatioF(), 2.0);
        ShowBoard(Checkerboard(720, 540));
        QCOMPARE(MainForm->Image2->size(), QSize(360, 270));  // the geometry stays logical
        for (TImage* pane : {MainForm->Image1, MainForm->Image2}) {
            const QImage shot = pane->grab().toImage();
            QCOMPARE(shot.size(), QSize(720, 540));
            QVERIFY2(SharpShare(shot) > 0.99, qPrintable(pane->objectName()));
        }
    }

    // An edit redisplays only its part of the cache: the result must be what a full
    // rebuild at device pixels gives, in the right place.
    void anEditedAreaLandsWhereItBelongs() {
        ShowBoard(Checkerboard(1440, 1080));  // every device pixel averages 2 x 2 squares
        TImage* pane = MainForm->Image2;
        (void)pane->grab();
        TBitmap32& picture = pane->MutablePicture();
        for (int y = 300; y < 420; ++y)
            for (int x = 500; x < 700; ++x) picture.SetPixelColor(x, y, 255, 0, 0);
        pane->PictureChanged({500, 300, 700, 420});
        const QImage partial = pane->grab().toImage();
        pane->SetPicture(TBitmap32(picture));
        const QImage full = pane->grab().toImage();
        QCOMPARE(partial, full);
        // The red patch sits at a quarter of its picture coordinates in device pixels.
        QCOMPARE(QColor(full.pixel(300, 180)), QColor(255, 0, 0));
        QVERIFY(QColor(full.pixel(240, 180)) != QColor(255, 0, 0));
    }

    void viewerShowsEachPicturePixelAsASharpBlock() {
        TViewForm viewer(MainForm);
        viewer.OpenOn(Checkerboard(200, 150));
        QCOMPARE(viewer.Image1->size(), QSize(200, 150));  // still one pixel per logical pixel
        const QImage shot = viewer.Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.size(), QSize(400, 300));
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const int expected = (x / 2 + y / 2) % 2 ? 255 : 0;
                if (qGray(shot.pixel(x, y)) != expected)
                    QFAIL(qPrintable(QStringLiteral("blurred at %1, %2").arg(x).arg(y)));
            }
    }
};

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    HiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HiDpiTest.moc"
