// Runs every benchmark, then prints ours/peer (and ours/floor) ratios for each pair.
// Pairs are named "<group>/ours" and "<group>/peer" (optionally with a suffix after a
// further slash, e.g. "<group>/ours/threads:all"); a ratio is printed for each suffix.
// With --benchmark_repetitions the ratio is of the medians (also when only the aggregates
// are reported), and each side's spread, its standard deviation over its mean, beside it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            Times& t = times_[run.run_name.str()];
            if (run.run_type == Run::RT_Iteration) t.runs.push_back(run.GetAdjustedRealTime());
            else t.aggregates[run.aggregate_name] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-48s %12s %12s %8s %16s\n", "pair", "ours", "peer", "ratio", "spread ours/peer");
        for (const auto& [name, ours] : times_) {
            auto at = name.find("/ours");
            if (at == std::string::npos) continue;
            // A "floor" row (the bare library call under ours) is paired like a peer.
            for (const char* other : {"/peer", "/floor"}) {
                std::string peerName = name.substr(0, at) + other + name.substr(at + 5);
                auto peer = times_.find(peerName);
                if (peer == times_.end()) continue;
                const double a = ours.Median(), b = peer->second.Median();
                std::printf("%-48s %12.3f %12.3f %8.2f %7.1f%% %6.1f%%\n", (name + " vs" + other).c_str(), a, b,
                            a / b, 100 * ours.Spread(), 100 * peer->second.Spread());
            }
        }
    }

private:
    // One row's repetitions, or only their aggregates when those alone are reported.
    struct Times {
        std::vector<double> runs;
        std::map<std::string, double> aggregates;  // "mean", "median", "stddev", ...

        double Median() const {
            if (auto m = aggregates.find("median"); m != aggregates.end()) return m->second;
            std::vector<double> v = runs;
            std::sort(v.begin(), v.end());
            const std::size_t n = v.size();
            return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
        }
        double Spread() const {
            auto mean = aggregates.find("mean"), sd = aggregates.find("stddev");
            if (mean != aggregates.end() && sd != aggregates.end()) return sd->second / mean->second;
            if (runs.size() < 2) return 0;
            double m = 0, q = 0;
            for (double r : runs) m += r;
            m /= double(runs.size());
            for (double r : runs) q += (r - m) * (r - m);
            return std::sqrt(q / double(runs.size() - 1)) / m;
        }
    };

    std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
    // A page fault costs microseconds on a virtual machine, and glibc's sliding mmap threshold
    // decides from what ran before whether a routine's per-call scratch (OpenCV's Canny has
    // several whole-picture buffers) is reused from the heap or mapped afresh and faulted in
    // on every call: the same peer row measured 37 or 206 ms from one process to the next.
    // Fixed thresholds let every row reuse its scratch, as the fastest runs did.
    mallopt(M_MMAP_THRESHOLD, 512 << 20);
    mallopt(M_TRIM_THRESHOLD, 1024 << 20);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
