#include "app/batch/BatchRunner.h"

#include "app/batch/BatchInputs.h"
#include "app/batch/MemoryBudget.h"
#include "app/batch/ProgressLine.h"
#include "core/Parallel.h"
#include "core/codecs/PictureFiles.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <ostream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace brimlet::batch {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The error text as the program shows it: a full stop is added unless the text ends in one
// (or in a character at or below it).
std::string WithFullStop(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

void PrepareOutputFolder(const std::string& folder) {
    if (folder.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder))
        throw std::runtime_error("cannot make the output folder " + folder + ": " +
                                 (ec ? ec.message() : "a file of that name is in the way"));
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        throw std::runtime_error("cannot write into the output folder " + folder);
}

// Makes one photo's cartoon and saves it. Returns the problem, empty on success.
struct Stages {
    std::atomic<std::int64_t> decodeNs{0}, styleNs{0}, encodeNs{0};
};

std::int64_t Ns(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
}

std::string MakeCartoon(const BatchItem& item, const BatchOptions& options, MemoryBudget& budget,
                        Stages& stages) {
    try {
        auto start = Clock::now();
        std::optional<TBitmap32> loaded = LoadPicture(item.input);
        stages.decodeNs += Ns(start);
        if (!loaded) return "no such file";
        if (loaded->Width() <= 0) return item.input + " is not a valid format";

        Reservation memory(budget, BytesForRun(loaded->Width(), loaded->Height()));
        start = Clock::now();
        PanelSession session(std::move(*loaded));
        session.SetDyeingAndSketch(options.dyeingAndSketch);
        NoProgress progress;
        for (PanelButton button : options.presses) session.Press(button, options.sliders, progress);
        TBitmap32 result = session.Shown();
        stages.styleNs += Ns(start);

        start = Clock::now();
        switch (options.format) {
            case OutputFormat::Jpeg: SaveJpeg(result, item.output); break;
            case OutputFormat::Bmp: SaveBmp(result, item.output); break;
            case OutputFormat::Wmf: SaveMetafile(result, item.output); break;
        }
        stages.encodeNs += Ns(start);
        return "";
    } catch (const std::bad_alloc&) {
        return "not enough memory for this picture";
    } catch (const std::exception& e) {
        return e.what();
    }
}

}  // namespace

std::uint64_t BytesForRun(int width, int height) {
    return std::uint64_t(8) * std::uint64_t(std::max(width, 0)) * std::uint64_t(std::max(height, 0)) * 4;
}

BatchReport RunBatch(const BatchOptions& options, std::ostream& messages, bool terminal) {
    PrepareOutputFolder(options.outputFolder);
    const auto start = Clock::now();
    const std::vector<BatchItem> items = CollectBatchItems(
        options.inputs, options.outputFolder, FormatExtension(options.format), options.overwrite);

    BatchReport report;
    report.total = int(items.size());
    ProgressLine line(messages, terminal && !options.quiet, report.total);
    std::mutex reportMutex;
    auto finish = [&](const BatchItem& item, const std::string& problem) {
        std::lock_guard lock(reportMutex);
        if (problem.empty()) {
            ++report.written;
        } else {
            ++report.failed;
            line.Message("brimlet-batch: " + item.input + ": " + WithFullStop(problem));
        }
        line.Update(report.written + report.failed);
    };

    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int jobs = std::max(1, std::min(options.jobs > 0 ? options.jobs : int(cores),
                                          std::max(1, report.total)));
    // Photos run side by side; each style then keeps to its share of the cores.
    const int previousThreads = WorkerThreads();
    SetWorkerThreads(options.styleThreads > 0 ? options.styleThreads
                     : jobs > 1               ? std::max(1, int(cores) / jobs)
                                              : 0);

    MemoryBudget budget(options.memoryBudgetBytes ? options.memoryBudgetBytes
                                                  : MemoryBudget::DefaultCapacity());
    Stages stages;
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t i; (i = next++) < items.size();) {
            const BatchItem& item = items[i];
            finish(item, item.problem.empty() ? MakeCartoon(item, options, budget, stages)
                                              : item.problem);
        }
    };
    // Qt's threads rather than plain ones: the picture readers use Qt, which keeps per-thread
    // data that it frees only for threads of its own.
    std::vector<std::unique_ptr<QThread>> pool;
    for (int j = 1; j < jobs; ++j) {
        std::unique_ptr<QThread> thread(QThread::create(worker));
        thread->start();
        if (!thread->isRunning() && !thread->isFinished()) break;  // no more threads to be had
        pool.push_back(std::move(thread));
    }
    worker();  // whatever did not start, this thread and the started ones share the photos
    for (auto& t : pool) t->wait();
    SetWorkerThreads(previousThreads == int(cores) ? 0 : previousThreads);

    report.seconds = SecondsSince(start);
    report.decodeSeconds = stages.decodeNs * 1e-9;
    report.styleSeconds = stages.styleNs * 1e-9;
    report.encodeSeconds = stages.encodeNs * 1e-9;
    report.peakReservedBytes = budget.Peak();
    line.Finish();
    if (!options.quiet) line.Summary(report.written, report.failed, report.seconds);
    return report;
}

}  // namespace brimlet::batch
