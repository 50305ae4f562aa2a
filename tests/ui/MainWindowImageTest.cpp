// The image control (stretched display of B, G, R from a cached copy, area refresh, mouse
// signals in its own coordinates) and the application's safety net for exceptions that
// escape an event handler.
#include "workspace/ErrorBox.h"
#include "workspace/ImageControl.h"

#include <QSignalSpy>
#include <QtTest>

using brimlet::TBitmap32;

namespace {

TBitmap32 Filled(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    TBitmap32 p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* px = p.ScanLine(y) + 4 * x;
            px[0] = b, px[1] = g, px[2] = r, px[3] = a;
        }
    return p;
}

QRgb Shown(TImage& image, int x, int y) { return image.grab().toImage().pixel(x, y); }

class Thrower : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("Thrown from a handler");
        return QObject::event(e);
    }
};

}  // namespace

class MainWindowImageTest : public QObject {
    Q_OBJECT
private slots:
    // Alpha never shows: a picture with alpha 0 and one with alpha 255 look the same.
    void showsColoursWithoutAlpha() {
        TImage image;
        image.resize(40, 30);
        image.SetPicture(Filled(40, 30, 200, 100, 50, 0));
        QCOMPARE(Shown(image, 5, 5), qRgb(200, 100, 50));
        image.SetPicture(Filled(40, 30, 200, 100, 50, 255));
        QCOMPARE(Shown(image, 5, 5), qRgb(200, 100, 50));
    }

    void stretchesToItsSize() {
        TImage image;
        TBitmap32 picture = Filled(10, 10, 0, 0, 0, 0);
        for (int y = 0; y < 10; ++y)
            for (int x = 5; x < 10; ++x) picture.SetPixelColor(x, y, 255, 255, 255);
        image.SetPicture(std::move(picture));
        QCOMPARE(image.Picture().Width(), 10);  // kept at full resolution
        image.resize(100, 50);
        QCOMPARE(Shown(image, 10, 25), qRgb(0, 0, 0));
        QCOMPARE(Shown(image, 90, 25), qRgb(255, 255, 255));
        image.resize(20, 200);
        QCOMPARE(Shown(image, 2, 190), qRgb(0, 0, 0));
        QCOMPARE(Shown(image, 18, 190), qRgb(255, 255, 255));
    }

    // An edit reported by area reaches the screen there and nowhere else.
    void areaRefresh() {
        TImage image;
        image.resize(200, 100);
        image.SetPicture(Filled(400, 200, 10, 20, 30, 0));
        QCOMPARE(Shown(image, 50, 50), qRgb(10, 20, 30));
        TBitmap32& picture = image.MutablePicture();
        for (int y = 100; y < 140; ++y)
            for (int x = 200; x < 260; ++x) picture.SetPixelColor(x, y, 250, 250, 250);
        image.PictureChanged(brimlet::Rect{200, 100, 260, 140});
        QCOMPARE(Shown(image, 115, 60), qRgb(250, 250, 250));
        QCOMPARE(Shown(image, 50, 50), qRgb(10, 20, 30));
        QCOMPARE(Shown(image, 150, 90), qRgb(10, 20, 30));
        // The same as a full rebuild, edge pixels included.
        const QImage partial = image.grab().toImage();
        image.SetPicture(TBitmap32(image.Picture()));
        QCOMPARE(image.grab().toImage(), partial);
    }

    void mouseSignalsInOwnCoordinates() {
        TImage image;
        image.resize(100, 80);
        image.SetPicture(Filled(10, 8, 1, 2, 3, 0));
        image.show();
        QVERIFY(QTest::qWaitForWindowExposed(&image));
        QSignalSpy down(&image, &TImage::MouseDown);
        QSignalSpy up(&image, &TImage::MouseUp);
        QSignalSpy dbl(&image, &TImage::DblClick);
        QTest::mousePress(&image, Qt::LeftButton, {}, QPoint(12, 34));
        QTest::mouseRelease(&image, Qt::LeftButton, {}, QPoint(40, 50));
        QCOMPARE(down.size(), 1);
        QCOMPARE(down[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
        QCOMPARE(down[0][2].toInt(), 12);
        QCOMPARE(down[0][3].toInt(), 34);
        QCOMPARE(up.size(), 1);
        QCOMPARE(up[0][1].toInt(), 40);
        QCOMPARE(up[0][2].toInt(), 50);
        QTest::mouseDClick(&image, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(dbl.size(), 1);
    }

    // An exception that escapes an unwrapped handler reaches the general error box and the
    // program goes on dispatching events.
    void safetyNetShowsEscapedErrors() {
        std::vector<brimlet::ShownMessage> shown;
        brimlet::SetMessageHook([&](const brimlet::ShownMessage& m) { shown.push_back(m); });
        Thrower thrower;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &event);
        brimlet::SetMessageHook({});
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QCOMPARE(shown[0].caption, QString("Brimlet v4.08"));
        QCOMPARE(shown[0].text, QString("Thrown from a handler."));
    }

    void guardedEndsOnlyTheCommand() {
        std::vector<brimlet::ShownMessage> shown;
        brimlet::SetMessageHook([&](const brimlet::ShownMessage& m) { shown.push_back(m); });
        bool after = false;
        brimlet::Guarded(nullptr, [] { throw std::bad_alloc(); });
        brimlet::Guarded(nullptr, [&] { after = true; });
        brimlet::SetMessageHook({});
        QVERIFY(after);
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].text, QString("Out of memory."));
    }
};

// The program's own application class, so the safety net is the one under test.
int main(int argc, char** argv) {
    brimlet::BrimletApplication app(argc, argv);
    MainWindowImageTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "MainWindowImageTest.moc"
