// The Gaussian smoothing of the pen and ink detector, row by row. Internal to the filter
// library.
//
// The result must equal the literal double-precision passes rounded to bytes. Two forms:
// - exact: the double sums in the literal order, several columns at once;
// - fast (AVX2 and FMA, kernels of up to 33 taps): both passes in float, down the rows
//   first, which differ from the double value by less than a bound worked out from the
//   number of taps. Rounding can only differ near a half-integer, so a pixel whose float
//   value lies within that bound of one is worked out again in the literal double form.
#pragma once

#include "filters/PenInk.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace brimlet::detail {

enum class SmoothingForm {
    kExact,
    kFast,
    kFastCheckingEveryPixel,  // for tests: every pixel is also worked out exactly
};

// What a kFastCheckingEveryPixel run saw.
struct SmoothingCheck {
    double largestShare = 0;   // largest |float value - double value| over its row's bound
    long long recomputed = 0;  // pixels the fast form worked out again
    long long pixels = 0;
};

// Lets tests keep the fast form to AVX2 on a machine with AVX-512.
void SetSmoothingAvx512(bool allowed);

// Whether the fast form can run here for a kernel of this sigma.
bool FastSmoothingAvailable(double sigma);

// Smoothed rows, top to bottom, of a picture whose gray rows come from a callback.
class GraySmoother {
public:
    // grayRow(r, out) writes the width gray values of row r; rows are asked for in order.
    GraySmoother(PlaneSize size, double sigma, SmoothingForm form,
                 std::function<void(int, std::uint8_t*)> grayRow);
    ~GraySmoother();
    GraySmoother(const GraySmoother&) = delete;
    GraySmoother& operator=(const GraySmoother&) = delete;

    // Writes smoothed row y (rows must be asked for in increasing order).
    void Row(int y, std::uint8_t* out);

    const SmoothingCheck& Check() const;

private:
    struct State;
    std::unique_ptr<State> s_;
};

// The whole plane at once (tests and tools).
void SmoothGrayPlane(PlaneSize size, const std::uint8_t* gray, std::uint8_t* smoothed, double sigma,
                     SmoothingForm form, SmoothingCheck* check = nullptr);

}  // namespace brimlet::detail
