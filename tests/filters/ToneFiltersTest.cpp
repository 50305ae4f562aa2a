#include "filters/ToneFilters.h"

#include "EdgeFiltersPictures.h"
#include "core/Parallel.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace brimlet {
namespace {

using testing::RandomGrayPicture;
using testing::RandomPicture;
using testing::Uniform;

std::array<int, 3> Hsl(int r, int g, int b, bool fast) {
    std::array<int, 3> out{};
    (fast ? RGBToHSL : reference::RGBToHSL)(r, g, b, out[0], out[1], out[2]);
    return out;
}

std::array<int, 3> Rgb(int h, int s, int l, bool fast) {
    std::array<int, 3> out{};
    (fast ? HSLToRGB : reference::HSLToRGB)(h, s, l, out[0], out[1], out[2]);
    return out;
}

using A3 = std::array<int, 3>;

TEST(ColourConversions, CornerValuesInBothForms) {
    for (bool fast : {false, true}) {
        EXPECT_EQ(Hsl(128, 128, 128, fast), (A3{0, 0, 50}));
        EXPECT_EQ(Hsl(255, 0, 0, fast), (A3{0, 100, 50}));
        EXPECT_EQ(Hsl(0, 0, 255, fast), (A3{240, 100, 50}));
        EXPECT_EQ(Hsl(255, 255, 255, fast), (A3{0, 0, 100}));
        // H x 360 is exactly 232.5 here; the extended evaluation keeps it at 232.
        EXPECT_EQ(Hsl(0, 1, 8, fast)[0], 232);
        // Just short of the wrap to red.
        EXPECT_EQ(Hsl(255, 0, 1, fast)[0], 360);
        // Out of the byte range: no crash, the literal evaluation's answer.
        EXPECT_EQ(Hsl(-5, 300, 7, fast), Hsl(-5, 300, 7, false));

        EXPECT_EQ(Rgb(0, 0, 50, fast), (A3{128, 128, 128}));
        EXPECT_EQ(Rgb(120, 100, 50, fast), (A3{0, 255, 0}));
        EXPECT_EQ(Rgb(2, 100, 50, fast), (A3{255, 8, 0}));  // Round(8.5) = 8
        EXPECT_EQ(Rgb(0, 0, 100, fast), (A3{255, 255, 255}));
        EXPECT_EQ(Rgb(0, 0, 0, fast), (A3{0, 0, 0}));
        for (A3 outside : {A3{360, 50, 50}, A3{-1, 50, 50}, A3{10, 101, 50}, A3{10, -1, 50},
                           A3{10, 50, 101}, A3{10, 50, -1}})
            EXPECT_EQ(Rgb(outside[0], outside[1], outside[2], fast), (A3{0, 0, 0}));
    }
}

TEST(ColourConversions, FastRGBToHSLEqualsReferenceForEveryColour) {
    long long mismatches = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b)
                if (Hsl(r, g, b, true) != Hsl(r, g, b, false) && ++mismatches <= 5)
                    ADD_FAILURE() << "colour " << r << ", " << g << ", " << b;
    EXPECT_EQ(mismatches, 0);
}

TEST(ColourConversions, FastHSLToRGBEqualsReferenceForEveryInput) {
    long long mismatches = 0;
    for (int h = -1; h <= 361; ++h)
        for (int s = -1; s <= 101; ++s)
            for (int l = -1; l <= 101; ++l)
                if (Rgb(h, s, l, true) != Rgb(h, s, l, false) && ++mismatches <= 5)
                    ADD_FAILURE() << "hsl " << h << ", " << s << ", " << l;
    EXPECT_EQ(mismatches, 0);
}

TEST(ToneCurve, TellingPressures) {
    for (int l = 0; l <= 100; ++l) {
        EXPECT_EQ(reference::ToneLightness(45, l), l);  // slope 1 through 50 -> 50
        // The default: through 72 -> 50 with slope tan 67, black up to 50, white from 94.
        const int v = reference::ToneLightness(67, l);
        if (l <= 50) EXPECT_EQ(v, 0) << l;
        else if (l >= 94) EXPECT_EQ(v, 100) << l;
        else EXPECT_TRUE(v > 0 && v < 100) << l;
    }
    EXPECT_EQ(reference::ToneLightness(67, 72), 50);
    EXPECT_EQ(reference::ToneLightness(10, 0), 80);  // Round(tan 10 x -55) + 90
    EXPECT_EQ(reference::ToneLightness(10, 55), 90);
    // Slopes near and beyond 90 degrees stay within 0..100.
    for (int a : {89, 90, 91, 180, -30, 100000})
        for (int l : {0, 50, 100}) {
            const int v = reference::ToneLightness(a, l);
            EXPECT_TRUE(v >= 0 && v <= 100) << a << " " << l;
        }
}

using ToneFilter = void (*)(int, const TBitmap32&, TBitmap32&, Progress&);
using CutFilter = void (*)(int, const TBitmap32&, TBitmap32&);

struct Form {
    std::string name;
    ToneFilter tone;
    CutFilter cut;
};

class ToneFilterForms : public ::testing::TestWithParam<Form> {};

INSTANTIATE_TEST_SUITE_P(Forms, ToneFilterForms,
                         ::testing::Values(Form{"reference", reference::convertimg1, reference::twovaluetopen},
                                           Form{"fast", convertimg1, twovaluetopen}),
                         [](const auto& info) { return info.param.name; });

std::uint32_t Pixel(const TBitmap32& bmp, int x, int y) { return LoadPixel(bmp.ScanLine(y) + 4 * x); }

TEST_P(ToneFilterForms, ToneCurveOnGrayPictures) {
    // Every gray level once.
    TBitmap32 grays(256, 1);
    for (int v = 0; v < 256; ++v) StorePixel(grays.Bits() + 4 * v, std::uint32_t(v) * 0x010101);
    NoProgress none;
    TBitmap32 out;
    GetParam().tone(45, grays, out, none);
    for (int v = 0; v < 256; ++v) {
        const std::uint8_t* p = out.Bits() + 4 * v;
        EXPECT_TRUE(p[kB] == p[kG] && p[kG] == p[kR]) << v;
        EXPECT_EQ(Hsl(p[kR], p[kG], p[kB], false)[2], Hsl(v, v, v, false)[2]) << v;
    }
    GetParam().tone(67, Uniform(3, 2, 0xFFFFFFFF), out, none);
    EXPECT_EQ(out, Uniform(3, 2, 0x00FFFFFF));
    GetParam().tone(67, Uniform(3, 2, 0x00404040), out, none);  // lightness 25 -> black
    EXPECT_EQ(out, Uniform(3, 2, 0xFF000000));
    GetParam().tone(10, Uniform(2, 3, 0), out, none);  // lightness 0 -> 80
    EXPECT_EQ(out, Uniform(2, 3, 0x33CCCCCC));
}

TEST_P(ToneFilterForms, ToneCurveKeepsRedsJustShortOfTheWrap) {
    TBitmap32 in = Uniform(2, 2, 0x00FF0001);  // R 255, G 0, B 1: hue 360
    TBitmap32 out;
    NoProgress none;
    GetParam().tone(45, in, out, none);
    EXPECT_EQ(Pixel(out, 1, 1), 0xFFFF0000u);  // hue 0: pure red, not black
}

TEST_P(ToneFilterForms, ToneCurveAlphaIsInverseBlueAndInputStaysUnchanged) {
    const TBitmap32 input = RandomPicture(13, 5, 11);
    const TBitmap32 before = input;
    TBitmap32 out;
    CountingProgress progress;
    GetParam().tone(67, input, out, progress);
    EXPECT_EQ(input, before);
    ASSERT_EQ(out.Width(), 13);
    ASSERT_EQ(out.Height(), 5);
    for (std::size_t i = 0; i < out.ByteCount(); i += 4) EXPECT_EQ(out.Bits()[i + kA], 255 - out.Bits()[i + kB]);
    EXPECT_EQ(progress.Advanced(), 5);
    EXPECT_EQ(progress.Position(), 0);
}

TEST_P(ToneFilterForms, TwoValueCutsOnTheRedByteOnly) {
    TBitmap32 in(4, 1);
    const std::uint32_t colours[4] = {0x00000000, 0x00010000, 0x007DFFFF, 0x007E0000};  // R 0, 1, 125, 126
    for (int x = 0; x < 4; ++x) StorePixel(in.Bits() + 4 * x, colours[x]);
    TBitmap32 out;
    const std::uint32_t black = 0xFF000000, white = 0x00FFFFFF;
    auto expect = [&](int t, std::array<std::uint32_t, 4> want) {
        GetParam().cut(t, in, out);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Pixel(out, x, 0), want[x]) << "threshold " << t << " x " << x;
    };
    expect(125, {black, black, black, white});
    expect(0, {black, white, white, white});
    expect(255, {black, black, black, black});
    expect(-3, {white, white, white, white});
    expect(1000, {black, black, black, black});
}

TEST_P(ToneFilterForms, SameBufferAsInputAndOutput) {
    const TBitmap32 input = RandomPicture(9, 4, 5);
    TBitmap32 separate, inPlace = input;
    NoProgress none;
    GetParam().tone(30, input, separate, none);
    GetParam().tone(30, inPlace, inPlace, none);
    EXPECT_EQ(inPlace, separate);
    inPlace = input;
    GetParam().cut(100, input, separate);
    GetParam().cut(100, inPlace, inPlace);
    EXPECT_EQ(inPlace, separate);
}

TEST_P(ToneFilterForms, TinyAndEmptyPictures) {
    NoProgress none;
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {1, 7}, {7, 1}, {0, 0}}) {
        const TBitmap32 input = RandomPicture(w, h, 9);
        TBitmap32 out(3, 3);  // a stale output of another size is replaced
        GetParam().tone(67, input, out, none);
        EXPECT_EQ(out.Width(), w);
        EXPECT_EQ(out.Height(), h);
        TBitmap32 ref;
        reference::convertimg1(67, input, ref, none);
        EXPECT_EQ(out, ref);
        out = TBitmap32(5, 1);
        GetParam().cut(125, input, out);
        EXPECT_EQ(out.Width(), w);
        EXPECT_EQ(out.Height(), h);
    }
}

TEST(ToneFilters, FastToneCurveEqualsReferenceForEveryGrayAtEveryPressure) {
    TBitmap32 grays(256, 3);
    for (int y = 0; y < 3; ++y)
        for (int v = 0; v < 256; ++v) StorePixel(grays.ScanLine(y) + 4 * v, std::uint32_t(v) * 0x010101 | std::uint32_t(y) << 24);
    NoProgress none;
    for (int a = -1; a <= 91; ++a) {
        TBitmap32 fast, slow;
        convertimg1(a, grays, fast, none);
        reference::convertimg1(a, grays, slow, none);
        EXPECT_TRUE(fast == slow) << "pressure " << a;
    }
}

TEST(ToneFilters, FastEqualsReferenceAcrossColoursAndOnPictures) {
    // A spread of the colour space at the default pressure; the two conversions are proved
    // for every input above, this checks how the filter composes them.
    TBitmap32 all(512, 512);
    for (std::uint32_t i = 0; i < 512u * 512u; ++i) StorePixel(all.Bits() + 4 * std::size_t(i), (i * 61u) & 0xFFFFFF);
    NoProgress none;
    TBitmap32 fast, slow;
    convertimg1(67, all, fast, none);
    reference::convertimg1(67, all, slow, none);
    EXPECT_TRUE(fast == slow);

    const TBitmap32 photo = testing::Hopper();
    ASSERT_FALSE(photo.Empty());
    for (int threads : {1, 3}) {
        SetWorkerThreads(threads);
        for (const TBitmap32& in : {RandomPicture(37, 101, 1), RandomGrayPicture(51, 77, 2), photo}) {
            for (int a : {1, 10, 44, 45, 67, 89}) {
                convertimg1(a, in, fast, none);
                reference::convertimg1(a, in, slow, none);
                EXPECT_TRUE(fast == slow) << "pressure " << a;
            }
            for (int t : {0, 77, 125, 254, 255}) {
                twovaluetopen(t, in, fast);
                reference::twovaluetopen(t, in, slow);
                EXPECT_TRUE(fast == slow) << "threshold " << t;
            }
        }
    }
    SetWorkerThreads(0);
}

}  // namespace
}  // namespace brimlet
