// Two image controls given the same picture share one scaled copy: what each shows must be
// exactly what it shows on its own, before and after either is edited, resized or destroyed.
#include "workspace/ImageControl.h"

#include <QImage>
#include <QtTest>

#include <memory>

using brimlet::TBitmap32;

namespace {

TBitmap32 Photo() {
    TBitmap32 p(900, 700);
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x)
            p.SetPixelColor(x, y, std::uint8_t(x * 7 + y), std::uint8_t(x ^ y), std::uint8_t(y * 3));
    return p;
}

// What a control of this size shows for the picture when nothing is shared.
QImage Alone(const TBitmap32& picture, QSize size) {
    TImage image;
    image.resize(size);
    image.SetPicture(picture);
    return image.grab().toImage();
}

}  // namespace

class PaneCacheTest : public QObject {
    Q_OBJECT
private slots:
    void sharedCopyShowsWhatEachWouldAlone() {
        const TBitmap32 photo = Photo();
        TImage source, result;
        source.resize(360, 270);
        result.resize(360, 270);
        source.SetPicture(photo);
        result.SetPictureFrom(source);
        QCOMPARE(result.Picture(), photo);
        const QImage expected = Alone(photo, QSize(360, 270));
        QCOMPARE(source.grab().toImage(), expected);
        QCOMPARE(result.grab().toImage(), expected);

        // An edit of the result reaches only the result.
        TBitmap32& picture = result.MutablePicture();
        for (int y = 100; y < 200; ++y)
            for (int x = 100; x < 300; ++x) picture.SetPixelColor(x, y, 0, 0, 255);
        result.PictureChanged({100, 100, 300, 200});
        QCOMPARE(source.grab().toImage(), expected);
        QCOMPARE(result.grab().toImage(), Alone(result.Picture(), QSize(360, 270)));
        QCOMPARE(source.Picture(), photo);
    }

    void differentSizesScaleOnTheirOwn() {
        const TBitmap32 photo = Photo();
        TImage source, result;
        source.resize(360, 270);
        result.resize(200, 150);
        source.SetPicture(photo);
        result.SetPictureFrom(source);
        (void)source.grab();
        QCOMPARE(result.grab().toImage(), Alone(photo, QSize(200, 150)));
        source.resize(200, 150);  // now the same size as the result: shared again
        QCOMPARE(source.grab().toImage(), Alone(photo, QSize(200, 150)));
    }

    void aNewPictureOrAGoneTwinEndsTheSharing() {
        const TBitmap32 photo = Photo();
        auto source = std::make_unique<TImage>();
        TImage result;
        source->resize(360, 270);
        result.resize(360, 270);
        source->SetPicture(photo);
        result.SetPictureFrom(*source);
        (void)source->grab();
        source->SetPicture(TBitmap32(40, 30));  // white
        QCOMPARE(result.grab().toImage(), Alone(photo, QSize(360, 270)));
        result.SetPictureFrom(*source);
        source.reset();
        result.resize(300, 200);
        QCOMPARE(result.grab().toImage(), Alone(TBitmap32(40, 30), QSize(300, 200)));
    }
};

QTEST_MAIN(PaneCacheTest)
#include "PaneCacheTest.moc"
