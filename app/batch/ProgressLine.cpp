#include "app/batch/ProgressLine.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace brimlet::batch {

ProgressLine::ProgressLine(std::ostream& out, bool live, int total)
    : out_(out), live_(live), total_(total), start_(std::chrono::steady_clock::now()) {
    if (live_ && total_ > 0) Draw();
}

std::string ProgressLine::Duration(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

void ProgressLine::Update(int done) {
    done_ = done;
    if (live_) Draw();
}

void ProgressLine::Message(const std::string& text) {
    Clear();
    out_ << text << '\n';
    if (live_) Draw();
    out_.flush();
}

void ProgressLine::Finish() { Clear(); }

void ProgressLine::Summary(int written, int failed, double seconds) {
    char rate[64] = "";
    if (seconds > 0 && written > 0)
        std::snprintf(rate, sizeof rate, " (%.2f photos/s)", written / seconds);
    char time[32];
    std::snprintf(time, sizeof time, "%.1f s", seconds);
    out_ << "brimlet-batch: " << written << (written == 1 ? " cartoon" : " cartoons") << " written, "
         << failed << " failed, in " << time << rate << '\n';
    out_.flush();
}

void ProgressLine::Clear() {
    if (!drawn_) return;
    out_ << "\r\033[K";
    drawn_ = false;
}

void ProgressLine::Draw() {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char text[128];
    int n = std::snprintf(text, sizeof text, "%d/%d photos", done_, total_);
    if (done_ > 0 && elapsed > 0) {
        const double rate = done_ / elapsed;
        n += std::snprintf(text + n, sizeof text - n, ", %.2f photos/s, %s left", rate,
                           Duration((total_ - done_) / rate).c_str());
    }
    out_ << "\r\033[K" << text;
    out_.flush();
    drawn_ = true;
}

}  // namespace brimlet::batch
