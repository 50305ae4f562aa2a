#include "MetafileTestSupport.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <sys/wait.h>

namespace brimlet::metafiletest {
namespace {

// Text drawing needs a QGuiApplication; the offscreen platform serves the tests.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QGuiApplication::instance()) return;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "brimlet_codecs_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QGuiApplication(argc, argv);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QGuiApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const gGui =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string TestData(const std::string& name) { return std::string(BRIMLET_TEST_DATA) + "/" + name; }

std::string TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/brimlet-metafile-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
    return buffer.data();
}

bool HaveTool(const std::string& name) {
    return RunShell("command -v " + name + " >/dev/null 2>&1") == 0;
}

int RunShell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QImage ToQImage(const TBitmap32& picture) {
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* p = picture.ScanLine(y);
        auto* q = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.Width(); ++x, p += 4) q[x] = qRgb(p[kR], p[kG], p[kB]);
    }
    return image;
}

TBitmap32 FromQImage(const QImage& source) {
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    TBitmap32 picture(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* p = picture.ScanLine(y);
        const auto* q = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x, p += 4) {
            p[kB] = std::uint8_t(qBlue(q[x]));
            p[kG] = std::uint8_t(qGreen(q[x]));
            p[kR] = std::uint8_t(qRed(q[x]));
            p[kA] = 0;
        }
    }
    return picture;
}

namespace {
double Grey(const std::uint8_t* p) { return 0.3 * p[kR] + 0.59 * p[kG] + 0.11 * p[kB]; }
}  // namespace

double GreyCorrelation(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return -2;
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    const double n = double(a.Width()) * a.Height();
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            double ga = Grey(a.ScanLine(y) + 4 * x), gb = Grey(b.ScanLine(y) + 4 * x);
            sa += ga, sb += gb, saa += ga * ga, sbb += gb * gb, sab += ga * gb;
        }
    double cov = sab / n - sa / n * sb / n;
    double va = saa / n - sa / n * sa / n, vb = sbb / n - sb / n * sb / n;
    if (va <= 0 || vb <= 0) return va == vb ? 1 : 0;
    return cov / std::sqrt(va * vb);
}

double ShareOfClosePixels(const TBitmap32& a, const TBitmap32& b, int tolerance) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Empty()) return 0;
    std::int64_t close = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const std::uint8_t *p = a.ScanLine(y) + 4 * x, *q = b.ScanLine(y) + 4 * x;
            if (std::abs(p[0] - q[0]) <= tolerance && std::abs(p[1] - q[1]) <= tolerance &&
                std::abs(p[2] - q[2]) <= tolerance)
                ++close;
        }
    return double(close) / (double(a.Width()) * a.Height());
}

double MeanAbsoluteDifference(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Empty()) return 1e9;
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < 4 * a.Width(); ++x)
            if (x % 4 != kA) sum += std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]);
    return sum / (3.0 * a.Width() * a.Height());
}

TBitmap32 TestPicture(int width, int height) {
    TBitmap32 picture(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = picture.ScanLine(y);
        for (int x = 0; x < width; ++x, p += 4) {
            p[kR] = std::uint8_t(255 * x / std::max(1, width - 1));
            p[kG] = std::uint8_t(255 * y / std::max(1, height - 1));
            p[kB] = ((x / 9 + y / 7) % 2) ? 230 : 20;
            p[kA] = 0;
        }
    }
    return picture;
}

}  // namespace brimlet::metafiletest
