// The fast pen-and-ink and blur forms against their literal forms on real photographs.
#include "core/codecs/PictureFiles.h"
#include "filters/GaussianBlur.h"
#include "filters/PenInk.h"

#include <gtest/gtest.h>

#include <string>

namespace brimlet {
namespace {

TBitmap32 Photo(const std::string& name) {
    std::optional<TBitmap32> picture = LoadPicture(std::string(BRIMLET_TEST_DATA) + "/" + name);
    EXPECT_TRUE(picture && !picture->Empty()) << name;
    return picture ? *picture : TBitmap32();
}

const char* const kPhotos[] = {"pool.jpg", "sample-362x272.jpg", "sunrise.jpg", "app13-multiple.jpg", "hopper.bmp"};

TEST(PenInkPhotos, FastFormMatchesTheLiteralSteps) {
    // TrackBar3, TrackBar5, TrackBar6: defaults, sigma 2, the finest and widest smoothing,
    // and the threshold extremes.
    const int sliders[][3] = {{6, 10, 20}, {40, 10, 20}, {1, 20, 40}, {101, 0, 0}, {15, 5, 30}, {9, 20, 0}};
    for (const char* name : kPhotos) {
        const TBitmap32 photo = Photo(name);
        for (const auto& s : sliders) {
            const PenInkSettings settings = PenInkSettings::FromSliders(s[0], s[1], s[2]);
            TBitmap32 slow = photo;
            reference::PenInkBmp(slow, settings);
            for (bool vector : {true, false}) {
                detail::SetPenInkSimd(vector);
                TBitmap32 fast = photo;
                PenInkBmp(fast, settings);
                EXPECT_TRUE(fast == slow) << name << " sliders " << s[0] << "/" << s[1] << "/" << s[2]
                                          << (vector ? " vector" : " portable");
            }
            detail::SetPenInkSimd(true);
        }
    }
}

TEST(GaussianBlurPhotos, FastFormMatchesTheLiteralSum) {
    for (const char* name : {"sample-362x272.jpg", "hopper.bmp"}) {
        const TBitmap32 photo = Photo(name);
        for (int sleek : {1, 5, 10}) {
            TBitmap32 fast = photo, slow = photo;
            GaussianBlur(fast, sleek, sleek);
            reference::GaussianBlur(slow, sleek, sleek);
            EXPECT_TRUE(fast == slow) << name << " radius " << sleek;
        }
    }
}

}  // namespace
}  // namespace brimlet
