// What the user waits for in the real window, driven offscreen: from pressing a button (or
// choosing a file, or double-clicking the result) until the pane or viewer concerned has
// repainted with the result. Each row is paired with the routine's own time in the same run,
// so the ratio reads as the window's overhead:
//
//   Window.<style>/ours    the panel's handler, storing, showing, and the pane's repaint
//   Window.<style>/peer    the style's routine chain alone (the same chain the handler runs)
//   Window.Open/ours       the open command on a JPEG: decode, orientation, layers, both panes
//   Window.Open/peer       decoding the file alone (LoadPicture)
//   Window.Viewer/ours     the double-click on the result until the viewer has painted
//   Window.Viewer/peer     one copy of the result picture, which the viewer must take
//
// Rows without a suffix run on the 12 MP benchmark photo with every worker, as the program
// does; rows ending in 48MP use the same photo made at 8000 x 6000, where also
//   Window.Redisplay48MP   a finished picture handed to the result pane, until repainted
//     (peer: the toolkit's smooth scaling of that picture to the pane, which the cache needs)
//   Window.Dyeing48MP, Window.BrushDab48MP   one click or dab with its redisplay (no peer)
#include "bench/BenchWorkspace.h"
#include "bench/OffscreenWidgets.h"
#include "bench/TestPhoto.h"
#include "bench/ThreadScope.h"
#include "cartoon/panel/Standard_s.h"
#include "cartoon/styles/LineRefinements.h"
#include "cartoon/styles/Massing.h"
#include "cartoon/styles/ResultEdits.h"
#include "cartoon/styles/Styles.h"
#include "core/codecs/PictureFiles.h"
#include "filters/PenInk.h"
#include "workspace/MainForm_s.h"
#include "workspace/PictureDialogs.h"
#include "workspace/ResultTools.h"
#include "workspace/ViewForm_s.h"

#include <QCoreApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace brimlet::bench {
namespace {

void Fail(benchmark::State& state) { state.SkipWithError("the pane was not repainted"); }

// ---- styles ----------------------------------------------------------------------------

struct StyleRow {
    const char* name;
    void (TStandard::*handler)();
    // The routine chain alone, on the pictures the handler starts from.
    std::function<void()> (*routine)();
};

std::function<void()> MassingRoutine() {
    return [] {
        NoProgress none;
        benchmark::DoNotOptimize(RunMassing(MainForm->Image1->Picture(), MassingSettings{}, none));
    };
}
std::function<void()> PenSketchRoutine() {
    return [] {
        NoProgress none;
        benchmark::DoNotOptimize(RunPenSketch(MainForm->Image1->Picture(), 125, none));
    };
}
std::function<void()> PencilSketchRoutine() {
    return [] {
        NoProgress none;
        benchmark::DoNotOptimize(RunPencilSketch(MainForm->Image1->Picture(), 67, none));
    };
}
std::function<void()> PenAndInkRoutine() {
    return [] {
        benchmark::DoNotOptimize(RunPenAndInk(MainForm->Image1->Picture(),
                                              PenInkSettings::FromSliders(6, 10, 20)));
    };
}
template <void (*Edit)(TBitmap32&, Progress&), TBitmap32 TMainForm::*Layer>
std::function<void()> LayerRoutine() {
    return [] {
        NoProgress none;
        TBitmap32 picture(MainForm->*Layer);
        Edit(picture, none);
        benchmark::DoNotOptimize(picture.Bits());
    };
}

const StyleRow kStyles[] = {
    {"Massing", &TStandard::SpeedButton9Click, MassingRoutine},
    {"Brighter", &TStandard::SpeedButton2Click, LayerRoutine<Brighter, &TMainForm::ColourLayer>},
    {"Darker", &TStandard::SpeedButton3Click, LayerRoutine<Darker, &TMainForm::ColourLayer>},
    {"PenSketch", &TStandard::SpeedButton6Click, PenSketchRoutine},
    {"PencilSketch", &TStandard::SpeedButton1Click, PencilSketchRoutine},
    {"PenAndInk", &TStandard::SpeedButton4Click, PenAndInkRoutine},
    {"Shallow", &TStandard::SpeedButton10Click, LayerRoutine<Shallow, &TMainForm::LineLayer>},
    {"Smooth", &TStandard::SpeedButton8Click, LayerRoutine<smooth, &TMainForm::LineLayer>},
    {"ClearSpots", &TStandard::SpeedButton7Click, LayerRoutine<ClearSpots, &TMainForm::LineLayer>},
};

void BM_StyleShown(benchmark::State& state, const StyleRow* row) {
    Workspace& ws = WorkspaceFor(kWidth, kHeight);
    for (auto _ : state)
        if (!ws.ShowsResult([row] { (Standard->*row->handler)(); })) Fail(state);
}

void BM_StyleRoutine(benchmark::State& state, const StyleRow* row) {
    WorkspaceFor(kWidth, kHeight);
    const auto routine = row->routine();
    for (auto _ : state) routine();
}

// ---- opening and the viewer ---------------------------------------------------------------

void BM_Open(benchmark::State& state, int width, int height) {
    Workspace& ws = WorkspaceFor(width, height);
    const int paints = ws.source->Count() + ws.result->Count();
    for (auto _ : state)
        if (!ws.Open()) Fail(state);
    // Repaints of the two panes per open: each one is a pass over the scaled copies.
    state.counters["pane_paints"] =
        double(ws.source->Count() + ws.result->Count() - paints) / double(state.iterations());
}

void BM_Decode(benchmark::State& state, int width, int height) {
    Workspace& ws = WorkspaceFor(width, height);
    for (auto _ : state) benchmark::DoNotOptimize(LoadPicture(ws.jpeg));
}

void BM_Viewer(benchmark::State& state) {
    Workspace& ws = WorkspaceFor(kWidth, kHeight);
    MainForm->SelectFullSizeTool();
    for (auto _ : state) {
        const int v = ws.viewer->Count();
        MainForm->ResultTools->Image2DblClick();
        if (!WaitForPaints({{ws.viewer, v}})) Fail(state);
    }
    ViewForm->hide();
}

void BM_ResultCopy(benchmark::State& state) {
    WorkspaceFor(kWidth, kHeight);
    for (auto _ : state) {
        TBitmap32 copy(MainForm->Image2->Picture());
        benchmark::DoNotOptimize(copy.Bits());
    }
}

// ---- 48 MP: redisplay and the result tools --------------------------------------------

void BM_Redisplay(benchmark::State& state) {
    Workspace& ws = WorkspaceFor(kBigWidth, kBigHeight);
    const TBitmap32 finished(MainForm->Image1->Picture());
    for (auto _ : state) {
        state.PauseTiming();
        TBitmap32 picture(finished);
        state.ResumeTiming();
        if (!ws.ShowsResult([&] { Standard->ShowResult(std::move(picture)); })) Fail(state);
    }
}

void BM_RedisplayScale(benchmark::State& state) {
    WorkspaceFor(kBigWidth, kBigHeight);
    const TBitmap32& picture = MainForm->Image1->Picture();
    const QImage view(picture.Bits(), picture.Width(), picture.Height(),
                      qsizetype(picture.Stride()), QImage::Format_RGB32);
    const QSize pane = MainForm->Image2->size() * MainForm->Image2->devicePixelRatioF();
    for (auto _ : state)
        benchmark::DoNotOptimize(view.scaled(pane, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void BM_Dyeing(benchmark::State& state) {
    Workspace& ws = WorkspaceFor(kBigWidth, kBigHeight);
    PrepareLayers();
    const DyeingSpot spot = ChooseDyeing();
    int k = 0;
    for (auto _ : state) {
        // A palette colour unlike the one there now, so every click dyes.
        MainForm->PaletteBuffer.SetPixelColor(spot.px, spot.py, std::uint8_t(10 + 40 * (k ^= 1)), 20, 30);
        if (!ws.ShowsResult(
                [&] { MainForm->ResultTools->Image2MouseUp(Qt::LeftButton, spot.X, spot.Y); }))
            Fail(state);
    }
    MainForm->SelectFullSizeTool();
}

void BM_BrushDab(benchmark::State& state) {
    Workspace& ws = WorkspaceFor(kBigWidth, kBigHeight);
    PrepareLayers();
    Standard->ResultKind = 2;
    MainForm->ShowResultByRule();
    MainForm->SpeedButton8Click();
    TImage* image = MainForm->Image2;
    int step = 0;
    for (auto _ : state) {
        const int X = 20 + step % (image->width() - 40);
        const int Y = 20 + (step / (image->width() - 40)) % (image->height() - 40);
        ++step;
        if (!ws.ShowsResult([&] { MainForm->ResultTools->Image2MouseMove(Qt::LeftButton, X, Y); }))
            Fail(state);
    }
    MainForm->SelectFullSizeTool();
}

void Register() {
    for (const StyleRow& row : kStyles) {
        const std::string name = std::string("Window.") + row.name;
        benchmark::RegisterBenchmark((name + "/ours").c_str(), BM_StyleShown, &row)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark((name + "/peer").c_str(), BM_StyleRoutine, &row)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::RegisterBenchmark("Window.Open/ours", BM_Open, kWidth, kHeight)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Window.Open/peer", BM_Decode, kWidth, kHeight)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Window.Viewer/ours", BM_Viewer)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Window.Viewer/peer", BM_ResultCopy)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Window.Open48MP/ours", BM_Open, kBigWidth, kBigHeight)
        ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
    benchmark::RegisterBenchmark("Window.Open48MP/peer", BM_Decode, kBigWidth, kBigHeight)
        ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
    benchmark::RegisterBenchmark("Window.Redisplay48MP/ours", BM_Redisplay)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Window.Redisplay48MP/peer", BM_RedisplayScale)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Window.Dyeing48MP", BM_Dyeing)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Window.BrushDab48MP", BM_BrushDab)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
}

const bool registered = (Register(), true);

}  // namespace
}  // namespace brimlet::bench
