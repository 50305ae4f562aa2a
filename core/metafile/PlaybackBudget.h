// What playing a metafile may cost. A record of a few bytes can paint a whole page, so a
// small file can ask for hours of drawing (thousands of full-page fills); each drawing call
// is charged its clipped device-pixel area and its path and clip work, in units of about a
// nanosecond each in an optimised build, against an allowance that grows with the file's
// records. Calls are charged before they draw, so no file spends more than its allowance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brimlet::metafile {

class PlaybackBudget {
public:
    // Any file may spend kAnyFile units (a dozen full-page fills of a 2800 x 2800 canvas),
    // and kPerByte more for each byte of the file: real drawings, dense with small shapes,
    // spend a few hundred units a byte; a page of fills costs millions.
    static constexpr std::int64_t kAnyFile = std::int64_t(96) << 20;
    static constexpr std::int64_t kPerByte = 2048;

    // `format` names the file in the refusal ("WMF", "EMF").
    PlaybackBudget(const char* format, std::size_t fileBytes);

    // Takes `units` of work from the allowance; throws PictureError ("The <format> file
    // cannot be read: ...") when they are not left, before the caller does the work.
    void Charge(double units);

    std::int64_t Spent() const { return spent_; }
    std::int64_t Left() const { return allowance_ - spent_; }
    std::int64_t Allowance() const { return allowance_; }

private:
    std::string format_;
    std::size_t fileBytes_;
    std::int64_t allowance_;
    std::int64_t spent_ = 0;
};

}  // namespace brimlet::metafile
