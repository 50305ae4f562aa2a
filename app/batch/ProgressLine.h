// The batch's one-line progress on a terminal ("12/40 photos, 3.1 photos/s, 0:09 left"),
// rewritten in place, with messages printed above it; and the closing summary.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

namespace brimlet::batch {

class ProgressLine {
public:
    // live: draw the line (a terminal that is not quiet); otherwise only messages and summary.
    ProgressLine(std::ostream& out, bool live, int total);

    void Update(int done);
    void Message(const std::string& text);  // a line of its own, the progress line kept below
    void Finish();                          // clears the progress line
    void Summary(int written, int failed, double seconds);

    // "1:05" / "1:02:03" for the time left.
    static std::string Duration(double seconds);

private:
    void Clear();
    void Draw();

    std::ostream& out_;
    bool live_;
    int total_, done_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace brimlet::batch
