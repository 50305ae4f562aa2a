// A deterministic photo-like test picture for the benchmarks: smooth gradients, soft blobs,
// hard edges and fine noise, so that every routine meets the kind of content a photo has.
#pragma once

#include "core/Image32.h"

#include <opencv2/core.hpp>

namespace brimlet::bench {

// 4000 x 3000 (12 MP) by default; the same picture on every call.
const TBitmap32& TestPhoto(int width = 4000, int height = 3000);

// A cv::Mat header (CV_8UC4, BGRA) over the bitmap's own pixels; no copy.
cv::Mat AsMat(TBitmap32& bitmap);
cv::Mat AsMat(const TBitmap32& bitmap);

}  // namespace brimlet::bench
