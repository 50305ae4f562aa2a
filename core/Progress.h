// How long-running routines report their row count to whoever shows progress.
// The routines know nothing of the user interface; the panel's progress bar implements this.
#pragma once

namespace brimlet {

class Progress {
public:
    virtual ~Progress() = default;
    // Adds rows to the position; an implementation holds at its maximum.
    virtual void Advance(int rows = 1) = 0;
    virtual void SetPosition(int position) = 0;
};

// For callers that do not show progress.
class NoProgress final : public Progress {
public:
    void Advance(int) override {}
    void SetPosition(int) override {}
};

// A progress counter with the panel bar's range; tests and benchmarks use it to
// check what the bar would show.
class CountingProgress final : public Progress {
public:
    explicit CountingProgress(int maximum = 800) : maximum_(maximum) {}
    void Advance(int rows = 1) override {
        advanced_ += rows;
        position_ = position_ + rows > maximum_ ? maximum_ : position_ + rows;
        if (position_ > peak_) peak_ = position_;
    }
    void SetPosition(int position) override {
        position_ = position;
        if (position_ > peak_) peak_ = position_;
    }
    int Position() const { return position_; }
    int Peak() const { return peak_; }
    long long Advanced() const { return advanced_; }

private:
    int maximum_;
    int position_ = 0;
    int peak_ = 0;
    long long advanced_ = 0;
};

}  // namespace brimlet
