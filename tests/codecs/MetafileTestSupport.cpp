#include "MetafileTestSupport.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <algorithm>
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

TBitmap32 InkBoxResampled(const TBitmap32& picture, int size) {
    int x0 = picture.Width(), y0 = picture.Height(), x1 = -1, y1 = -1;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const std::uint8_t* p = picture.ScanLine(y) + 4 * x;
            if (p[0] < 240 || p[1] < 240 || p[2] < 240)
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        }
    TBitmap32 out(size, size);
    if (x1 < 0) return out;
    const double w = x1 - x0 + 1, h = y1 - y0 + 1;
    for (int oy = 0; oy < size; ++oy)
        for (int ox = 0; ox < size; ++ox) {
            const int sx0 = x0 + int(ox * w / size), sx1 = std::max(sx0 + 1, x0 + int((ox + 1) * w / size));
            const int sy0 = y0 + int(oy * h / size), sy1 = std::max(sy0 + 1, y0 + int((oy + 1) * h / size));
            double sum[3] = {0, 0, 0};
            for (int y = sy0; y < sy1; ++y)
                for (int x = sx0; x < sx1; ++x)
                    for (int c = 0; c < 3; ++c) sum[c] += picture.ScanLine(y)[4 * x + c];
            const double n = double(sx1 - sx0) * (sy1 - sy0);
            for (int c = 0; c < 3; ++c) out.ScanLine(oy)[4 * ox + c] = std::uint8_t(sum[c] / n + 0.5);
        }
    return out;
}

namespace {
void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
}  // namespace

WmfBuilder::WmfBuilder(int width, int height, int inch, int objects)
    : width_(width), height_(height), inch_(inch), objects_(objects) {}

WmfBuilder& WmfBuilder::Record(std::uint16_t function, const std::vector<std::uint16_t>& params) {
    return RawRecord(std::uint32_t(3 + params.size()), function, params);
}

WmfBuilder& WmfBuilder::RawRecord(std::uint32_t words, std::uint16_t function,
                                  const std::vector<std::uint16_t>& params) {
    Put32(records_, words);
    Put16(records_, function);
    for (std::uint16_t p : params) Put16(records_, p);
    return *this;
}

std::vector<std::uint8_t> WmfBuilder::Bytes() const {
    std::vector<std::uint8_t> b;
    if (inch_) {
        const std::uint16_t words[10] = {0xCDD7, 0x9AC6, 0, 0, 0, std::uint16_t(width_),
                                         std::uint16_t(height_), std::uint16_t(inch_), 0, 0};
        std::uint16_t sum = 0;
        for (auto w : words) Put16(b, w), sum ^= w;
        Put16(b, sum);
    }
    Put16(b, 1);
    Put16(b, 9);
    Put16(b, 0x0300);
    Put32(b, std::uint32_t((18 + records_.size() + 6) / 2));
    Put16(b, std::uint16_t(objects_));
    Put32(b, 0);
    Put16(b, 0);
    b.insert(b.end(), records_.begin(), records_.end());
    Put32(b, 3);
    Put16(b, 0);
    return b;
}

EmfBuilder::EmfBuilder(int frameRight, int frameBottom, int handles)
    : right_(frameRight), bottom_(frameBottom), handles_(handles) {}

EmfBuilder& EmfBuilder::Record(std::uint32_t type, const std::vector<std::uint32_t>& params) {
    return RawRecord(type, std::uint32_t(8 + 4 * params.size()), params);
}

EmfBuilder& EmfBuilder::RawRecord(std::uint32_t type, std::uint32_t size,
                                  const std::vector<std::uint32_t>& params) {
    Put32(records_, type);
    Put32(records_, size);
    for (std::uint32_t p : params) Put32(records_, p);
    return *this;
}

std::vector<std::uint8_t> EmfBuilder::Bytes() const {
    std::vector<std::uint8_t> b;
    Put32(b, 1);
    Put32(b, 88);
    for (int i = 0; i < 4; ++i) Put32(b, 0);  // bounds
    Put32(b, 0), Put32(b, 0), Put32(b, std::uint32_t(right_)), Put32(b, std::uint32_t(bottom_));
    Put32(b, 0x464D4520);
    Put32(b, 0x10000);
    Put32(b, std::uint32_t(88 + records_.size() + 20));
    Put32(b, 0);
    Put16(b, std::uint16_t(handles_));
    Put16(b, 0);
    Put32(b, 0), Put32(b, 0), Put32(b, 0);
    // 960 x 960 reference pixels on 254 x 254 mm: 96 pixels per inch.
    Put32(b, 960), Put32(b, 960), Put32(b, 254), Put32(b, 254);
    b.insert(b.end(), records_.begin(), records_.end());
    Put32(b, 14), Put32(b, 20), Put32(b, 0), Put32(b, 16), Put32(b, 20);
    return b;
}

std::optional<TBitmap32> ReferenceRendering(const std::string& path, int width, int height) {
    const bool emf = path.ends_with(".emf") || path.ends_with(".EMF");
    if (emf ? !HaveTool("emf2svg-conv") || !HaveTool("rsvg-convert") : !HaveTool("wmf2gd"))
        return std::nullopt;
    const std::string dir = TempDir(), png = dir + "/theirs.png";
    const std::string w = std::to_string(width), h = std::to_string(height);
    const std::string command =
        emf ? "emf2svg-conv -i '" + path + "' -o " + dir + "/t.svg && rsvg-convert -b white -w " + w +
                  " -h " + h + " " + dir + "/t.svg -o " + png
            : "wmf2gd -t png --maxwidth=" + w + " --maxheight=" + h + " --maxsize -o " + png + " '" +
                  path + "'";
    const int status = RunShell(command + " >/dev/null 2>&1");
    QImage rendered;
    const bool loaded = status == 0 && rendered.load(QString::fromStdString(png));
    RunShell("rm -rf " + dir);
    if (!loaded) throw std::runtime_error("the reference renderer failed: " + command);
    return FromQImage(rendered);
}

std::vector<std::uint32_t> DibWords(int width, int height, int bitCount,
                                    const std::vector<std::uint32_t>& pixels) {
    const std::size_t rowBytes = (std::size_t(width) * std::size_t(bitCount) + 31) / 32 * 4;
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t v : {40u, std::uint32_t(width), std::uint32_t(height),
                            1u | std::uint32_t(bitCount) << 16, 0u,
                            std::uint32_t(rowBytes * std::size_t(height)), 0u, 0u,
                            bitCount == 1 ? 2u : 0u, 0u})
        Put32(bytes, v);
    if (bitCount == 1) Put32(bytes, 0x000000), Put32(bytes, 0xFFFFFF);
    for (int y = height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            if (bitCount == 1) {
                if (p) row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
            } else {
                const std::size_t at = std::size_t(x) * std::size_t(bitCount / 8);
                for (int c = 0; c < bitCount / 8; ++c) row[at + std::size_t(c)] = std::uint8_t(p >> (8 * c));
            }
        }
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
    std::vector<std::uint32_t> words((bytes.size() + 3) / 4, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) words[i / 4] |= std::uint32_t(bytes[i]) << (8 * (i % 4));
    return words;
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
