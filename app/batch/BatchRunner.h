// Runs a batch: every photo through the presses, results saved, problems reported, a
// progress line on a terminal and a summary at the end.
#pragma once

#include "app/batch/BatchOptions.h"

#include <cstdint>
#include <iosfwd>

namespace brimlet::batch {

struct BatchReport {
    int total = 0, written = 0, failed = 0;
    double seconds = 0;
    // Time spent in each stage, summed over all jobs.
    double decodeSeconds = 0, styleSeconds = 0, encodeSeconds = 0;
    std::uint64_t peakReservedBytes = 0;
};

// `messages` gets one line per failed photo, the progress line (only when `terminal`) and the
// summary (unless quiet). Throws std::runtime_error when the output folder cannot be made or
// written into, before any photo is read.
BatchReport RunBatch(const BatchOptions& options, std::ostream& messages, bool terminal);

// The picture bytes one photo's run may hold at once: the photo, its three layers, the
// shown result and the styles' own working pictures.
std::uint64_t BytesForRun(int width, int height);

}  // namespace brimlet::batch
