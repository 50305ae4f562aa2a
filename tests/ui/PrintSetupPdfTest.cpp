// Printing into a real PDF through QPrinter, with the print dialog replaced: the page is
// rendered back with pdftoppm and the picture must lie where the window said, in millimetres.
#include "core/StrToInt.h"
#include "printing/Print_Setup_s.h"
#include "workspace/ErrorBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using brimlet::TBitmap32;

namespace {

TBitmap32 Solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    TBitmap32 picture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) picture.SetPixelColor(x, y, r, g, b);
    return picture;
}

// Millimetres of the printed picture: the bounding box of the clearly non-white pixels.
struct Box {
    double left = 0, top = 0, right = 0, bottom = 0;
    QRgb centre = 0;
};

constexpr int kRenderDpi = 144;

}  // namespace

class PrintSetupPdfTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    TBitmap32 picture_;
    TPrint_Setup* window_ = nullptr;
    QStringList messages_;
    int dialogRuns_ = 0;
    bool confirm_ = true;
    int resolution_ = 0;  // 0: keep the printer's own

    QString Pdf() const { return dir_.filePath(QStringLiteral("page.pdf")); }
    QLineEdit* Edit(int n) {
        return window_->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n));
    }
    void Type(int edit, const QString& text) {
        Edit(edit)->selectAll();
        QTest::keyClick(Edit(edit), Qt::Key_Backspace);
        QTest::keyClicks(Edit(edit), text);
    }
    int Value(int edit) { return brimlet::StrToInt(Edit(edit)->text().toStdString()); }
    void Print() {
        QTest::mouseClick(window_->findChild<QToolButton*>(QStringLiteral("SpeedButton1")),
                          Qt::LeftButton);
    }
    void ShowWith(const TBitmap32& picture) {
        picture_ = picture;
        window_->hide();
        window_->show();
    }

    static QString Run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // Checks the file has exactly one A4 page and returns where the picture landed.
    Box Rendered() {
        const QString info = Run(QStringLiteral("pdfinfo"), {Pdf()});
        if (!info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))) ||
            !info.contains(QStringLiteral("(A4)")))
            qFatal("not one A4 page: %s", qPrintable(info));
        const QString prefix = dir_.filePath(QStringLiteral("page"));
        Run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(kRenderDpi),
                                         QStringLiteral("-singlefile"), Pdf(), prefix});
        const QImage page(prefix + QStringLiteral(".ppm"));
        if (page.isNull()) qFatal("pdftoppm gave no page");
        int left = page.width(), top = page.height(), right = -1, bottom = -1;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QRgb c = page.pixel(x, y);
                if (qRed(c) < 128 || qGreen(c) < 128 || qBlue(c) < 128) {
                    left = std::min(left, x), right = std::max(right, x + 1);
                    top = std::min(top, y), bottom = std::max(bottom, y + 1);
                }
            }
        const double mm = 25.4 / kRenderDpi;
        Box box{left * mm, top * mm, right * mm, bottom * mm, 0};
        if (right > left) box.centre = page.pixel((left + right) / 2, (top + bottom) / 2);
        return box;
    }
    static bool Near(double actual, double expected) { return std::abs(actual - expected) <= 1.0; }
    static QString Describe(const Box& b) {
        return QStringLiteral("%1 %2 %3 %4").arg(b.left).arg(b.top).arg(b.right).arg(b.bottom);
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QFile::remove(Pdf());
        window_ = new TPrint_Setup;
        window_->SetResultSource([this]() -> const TBitmap32& { return picture_; });
        window_->SetPrintDialogRunner([this](QPrinter& printer) {
            ++dialogRuns_;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(Pdf());
            if (resolution_) printer.setResolution(resolution_);
            return confirm_;
        });
        brimlet::SetMessageHook([this](const brimlet::ShownMessage& m) { messages_ << m.text; });
        messages_.clear();
        dialogRuns_ = 0;
        confirm_ = true;
        resolution_ = 0;
    }
    void cleanup() {
        brimlet::SetMessageHook({});
        delete window_;
    }

    void freePlacementLandsAtTheShownMillimetres_data() {
        QTest::addColumn<int>("resolution");
        QTest::addColumn<bool>("moved");
        QTest::newRow("start, high resolution") << 0 << false;
        QTest::newRow("start, 300 dpi") << 300 << false;
        QTest::newRow("moved and resized, 600 dpi") << 600 << true;
    }
    void freePlacementLandsAtTheShownMillimetres() {
        QFETCH(int, resolution);
        QFETCH(bool, moved);
        resolution_ = resolution;
        ShowWith(Solid(362, 272, 0, 0, 160));
        if (moved) {
            Type(3, QStringLiteral("120"));
            Type(2, QStringLiteral("30"));
            Type(1, QStringLiteral("150"));
        }
        const int t = Value(1), l = Value(2), pw = Value(3), ph = Value(4);
        Print();
        QVERIFY(messages_.isEmpty());
        const Box box = Rendered();
        QVERIFY2(Near(box.left, l) && Near(box.top, t) && Near(box.right, l + pw) &&
                     Near(box.bottom, t + ph),
                 qPrintable(Describe(box)));
    }

    void partlyOffThePage() {
        ShowWith(Solid(362, 272, 0, 0, 160));
        Type(2, QStringLiteral("-10"));
        Type(1, QStringLiteral("280"));
        Print();
        const Box box = Rendered();
        QVERIFY2(
            Near(box.left, 0) && Near(box.right, 15) && Near(box.top, 280) && Near(box.bottom, 297),
            qPrintable(Describe(box)));
    }

    void fitModeUsesTheFittedPreview_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<QRect>("mm");
        QTest::newRow("wide") << 2000 << 1000 << QRect(5, 98, 200, 100);
        QTest::newRow("tall") << 1000 << 2000 << QRect(33, 5, 144, 287);
    }
    void fitModeUsesTheFittedPreview() {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(QRect, mm);
        ShowWith(Solid(w, h, 160, 0, 0));
        // A lone "-" in the top is never converted in fit mode.
        Type(1, QStringLiteral("-"));
        window_->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->click();
        Print();
        QVERIFY(messages_.isEmpty());
        const Box box = Rendered();
        QVERIFY2(Near(box.left, mm.left()) && Near(box.top, mm.top()) &&
                     Near(box.right, mm.left() + mm.width()) &&
                     Near(box.bottom, mm.top() + mm.height()),
                 qPrintable(Describe(box)));
    }

    void printsTheCurrentResultNotThePreview() {
        ShowWith(Solid(362, 272, 0, 0, 160));
        picture_ = Solid(50, 80, 200, 30, 30);  // the result changed while the window was open
        Print();
        const Box box = Rendered();
        QVERIFY(qRed(box.centre) > 150 && qBlue(box.centre) < 80);
        QVERIFY(Near(box.right - box.left, 25) && Near(box.bottom - box.top, 19));
    }

    // Sizes of nothing print an empty page; sizes whose products leave 32 bits neither wrap
    // to a negative size nor crash: the picture covers the page from its corner.
    void extremeSizes() {
        ShowWith(Solid(362, 272, 0, 0, 160));
        Type(3, QStringLiteral("0"));
        Print();
        Box box = Rendered();
        QVERIFY2(box.right <= box.left, qPrintable(Describe(box)));

        Type(3, QStringLiteral("2000000000"));
        QCOMPARE(Edit(4)->text(), QStringLiteral("1502762431"));
        Print();
        box = Rendered();
        QVERIFY2(Near(box.left, 92) && Near(box.top, 139) && Near(box.right, 210) &&
                     Near(box.bottom, 297),
                 qPrintable(Describe(box)));
    }

    void nothingIsPrintedWithoutAWholeNumberOrConfirmation() {
        ShowWith(Solid(362, 272, 0, 0, 160));
        confirm_ = false;
        Print();
        QCOMPARE(dialogRuns_, 1);
        QVERIFY(!QFile::exists(Pdf()));

        confirm_ = true;
        Type(1, QStringLiteral("-"));
        Print();  // the dialog comes first, then the conversion fails before any job
        QCOMPARE(dialogRuns_, 2);
        QCOMPARE(messages_, QStringList{QStringLiteral("'-' is not a valid integer value.")});
        QVERIFY(!QFile::exists(Pdf()));
    }
};

QTEST_MAIN(PrintSetupPdfTest)
#include "PrintSetupPdfTest.moc"
