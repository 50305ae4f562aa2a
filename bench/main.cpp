// Runs every benchmark, then prints ours/peer (and ours/floor) ratios for each pair.
// Pairs are named "<group>/ours" and "<group>/peer" (optionally with a suffix after a
// further slash, e.g. "<group>/ours/threads:all"); a ratio is printed for each suffix.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            std::string name = run.benchmark_name();
            times_[name] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-48s %12s %12s %8s\n", "pair", "ours", "peer", "ratio");
        for (const auto& [name, ours] : times_) {
            auto at = name.find("/ours");
            if (at == std::string::npos) continue;
            // A "floor" row (the bare library call under ours) is paired like a peer.
            for (const char* other : {"/peer", "/floor"}) {
                std::string peerName = name.substr(0, at) + other + name.substr(at + 5);
                auto peer = times_.find(peerName);
                if (peer == times_.end()) continue;
                std::printf("%-48s %12.3f %12.3f %8.2f\n", (name + " vs" + other).c_str(), ours,
                            peer->second, ours / peer->second);
            }
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
