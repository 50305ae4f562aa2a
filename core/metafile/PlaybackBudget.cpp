#include "core/metafile/PlaybackBudget.h"

#include "core/codecs/PictureFiles.h"

#include <algorithm>
#include <cmath>

namespace brimlet::metafile {

PlaybackBudget::PlaybackBudget(const char* format, std::size_t fileBytes)
    : format_(format), fileBytes_(fileBytes) {
    const std::int64_t bytes = std::int64_t(std::min<std::size_t>(fileBytes, std::size_t(1) << 40));
    allowance_ = kAnyFile + bytes * kPerByte;
}

void PlaybackBudget::Charge(double units) {
    // Estimates are sums of products of finite coordinates; a NaN would come from a broken
    // estimate and is charged as everything that is left.
    if (units <= 0) return;
    if (units <= double(allowance_ - spent_)) {
        spent_ += std::int64_t(std::ceil(units));
        spent_ = std::min(spent_, allowance_);
        return;
    }
    spent_ = allowance_;
    throw PictureError("The " + format_ + " file cannot be read: its records ask for more drawing than a file of " +
                       std::to_string(fileBytes_) + " bytes may (over " +
                       std::to_string(allowance_ / 1000000) + " million pixels' worth)");
}

}  // namespace brimlet::metafile
