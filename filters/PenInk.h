// Pen and ink: thin black lines on white paper from an edge detector of the Canny kind.
//
// The picture is made gray, smoothed with a Gaussian of the given sigma (separable, double
// precision, renormalised at the borders), differentiated with central differences, thinned
// by non-maximum suppression and cut with two thresholds joined by hysteresis. The upper
// threshold is the magnitude level below which the share upperFraction of the ridge pixels
// lies; the lower one is lowerRatio times the upper one.
//
// Result: edge pixels black with A = 255, all others white with A = 0; the outermost rows
// and columns are always white. The size does not change. No progress.
// Bad settings (sigma not in (0, 100], fractions not finite) throw std::invalid_argument
// before the picture is touched.
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace brimlet {

struct PenInkSettings {
    double sigma = 0.3;          // width of the smoothing
    double upperFraction = 0.5;  // share of the ridge pixels below the upper threshold
    double lowerRatio = 0.5;     // lower threshold as a share of the upper one

    // From the panel's "Pen && Ink density:" sliders: TrackBar3 * 0.05, (20 - TrackBar5) * 0.05,
    // (40 - TrackBar6) * 0.025, each computed in 80-bit arithmetic and kept as a double.
    static PenInkSettings FromSliders(int trackBar3, int trackBar5, int trackBar6);
};

void PenInkBmp(TBitmap32& buffer, const PenInkSettings& settings);
// The same drawing of source written into target, which takes source's size (its memory is
// reused when the byte count matches, and it may be source itself). Saves the copy of the
// source that the in-place form needs when the caller must keep the source.
void PenInkBmp(const TBitmap32& source, TBitmap32& target, const PenInkSettings& settings);

// Planes are flat arrays of width * height elements indexed y * width + x, row 0 on top.
struct PlaneSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Edge marks.
constexpr std::uint8_t kNoEdge = 0;
constexpr std::uint8_t kCandidate = 128;
constexpr std::uint8_t kEdge = 255;

struct Thresholds {
    int upper = 0;
    int lower = 0;
};

namespace reference {

// The stack of the hysteresis, owned by one run (so runs may go on side by side).
// Slot 0 is never used; it has room for one entry per pixel.
struct EdgeStack {
    std::vector<std::pair<std::int32_t, std::int32_t>> entries;  // (x, y)
};

void PenInkBmp(TBitmap32& buffer, const PenInkSettings& settings);

// Fills edges (width * height) with 0 or 255.
bool CannyEdges(const std::uint8_t* gray, PlaneSize size, double sigma, double upperFraction,
                double lowerRatio, std::uint8_t* edges);
// n = 2 * Ceil(3 sigma) + 1 weights, normalised to sum 1.
bool GaussianKernel1D(double sigma, std::vector<double>& kernel, int& n);
bool SmoothGray(PlaneSize size, const std::uint8_t* gray, std::uint8_t* smoothed, double sigma);
bool GradientMagnitude(PlaneSize size, const std::uint8_t* smoothed, std::int32_t* gx,
                       std::int32_t* gy, std::int32_t* magnitude);
// Marks ridge pixels kCandidate, all others kNoEdge.
bool SuppressNonMaxima(const std::int32_t* magnitude, const std::int32_t* gx,
                       const std::int32_t* gy, PlaneSize size, std::uint8_t* edges);
Thresholds FindThresholds(const std::int32_t* magnitude, PlaneSize size, const std::uint8_t* edges,
                          double upperFraction, double lowerRatio);
bool LinkEdges(const std::int32_t* magnitude, PlaneSize size, double upperFraction,
               double lowerRatio, std::uint8_t* edges, EdgeStack& stack);
void TraceEdge(int y, int x, int lower, std::uint8_t* edges, const std::int32_t* magnitude,
               PlaneSize size, EdgeStack& stack);

}  // namespace reference

namespace detail {
// Throws std::invalid_argument for settings the detector cannot work with.
void CheckPenInkSettings(const PenInkSettings& settings);

// The non-maximum test of one interior pixel in 80-bit arithmetic: m is its magnitude,
// gx and gy its gradient, M(dx, dy) = neighbours[(dy + 1) * 3 + (dx + 1)].
bool IsRidge(int m, int gx, int gy, const int neighbours[9]);

// Lets tests switch the vector instructions off to check the portable path.
void SetPenInkSimd(bool allowed);
}  // namespace detail

}  // namespace brimlet
