// Undo and redo in the real window on the 12 MP photo: from the menu command until the
// result pane has repainted. Each row records one step of its kind first, then alternates
// undo and redo of it, timing only the direction its name says:
//
//   Undo.BrushStroke/undo, /redo   a stroke of 40 dabs across the result
//   Undo.Dyeing/undo, /redo        one dyeing click on the colour layer
//   Undo.PenSketch/undo, /redo     a Pen Sketch run (the layers it replaced)
//
// The counter step_bytes is what the history holds for that one step.
#include "bench/BenchWorkspace.h"
#include "cartoon/panel/Standard_s.h"
#include "workspace/MainForm_s.h"
#include "workspace/ResultTools.h"
#include "workspace/WorkspaceHistory.h"

#include <benchmark/benchmark.h>

namespace brimlet::bench {
namespace {

enum class Direction { kUndo, kRedo };

// The workspace after Massing and a sketch, with a fresh history.
Workspace& Prepared() {
    Workspace& ws = WorkspaceFor(kWidth, kHeight);
    ws.Open();
    PrepareLayers();
    Standard->ResultKind = 2;
    MainForm->ShowResultByRule();
    return ws;
}

void BrushStroke() {
    MainForm->SpeedButton8Click();
    TImage* image = MainForm->Image2;
    const int w = image->width(), h = image->height();
    for (int i = 0; i < 40; ++i)
        MainForm->ResultTools->Image2MouseMove(Qt::LeftButton, w / 8 + i * w / 60, h / 3 + i * h / 90);
    MainForm->ResultTools->Image2MouseUp(Qt::LeftButton, w / 8 + 40 * w / 60, h / 3 + 40 * h / 90);
    MainForm->SelectFullSizeTool();
}

void DyeingClick() {
    const DyeingSpot spot = ChooseDyeing();
    // A palette colour that no colour-layer pixel has, so the click dyes.
    MainForm->PaletteBuffer.SetPixelColor(spot.px, spot.py, 17, 29, 31);
    MainForm->ResultTools->Image2MouseUp(Qt::LeftButton, spot.X, spot.Y);
    MainForm->SelectFullSizeTool();
}

void PenSketchRun() { Standard->SpeedButton6Click(); }

void BM_UndoRedo(benchmark::State& state, void (*command)(), const char* step, Direction timed) {
    Workspace& ws = Prepared();
    const std::size_t before = MainForm->History->Stack().Bytes();
    command();
    const std::size_t after = MainForm->History->Stack().Bytes();
    if (MainForm->History->UndoText() != QString::fromLatin1("Undo ") + step)
        return state.SkipWithError("the command recorded no step");
    auto travel = [&](Direction d) {
        return ws.ShowsResult([d] { d == Direction::kUndo ? MainForm->Undo1Click() : MainForm->Redo1Click(); });
    };
    for (auto _ : state) {
        // The step is put in the state the timed direction starts from.
        if (timed == Direction::kRedo) {
            state.PauseTiming();
            const bool ok = travel(Direction::kUndo);
            state.ResumeTiming();
            if (!ok || !travel(Direction::kRedo)) state.SkipWithError("the pane was not repainted");
        } else {
            if (!travel(Direction::kUndo)) state.SkipWithError("the pane was not repainted");
            state.PauseTiming();
            travel(Direction::kRedo);
            state.ResumeTiming();
        }
    }
    state.counters["step_bytes"] = double(after - before);
}

void Register() {
    struct Row {
        const char* name;
        void (*command)();
        const char* step;  // as the Edit menu names it
    };
    for (const Row& row : {Row{"BrushStroke", BrushStroke, "Brush Stroke"}, Row{"Dyeing", DyeingClick, "Dyeing"},
                           Row{"PenSketch", PenSketchRun, "Pen Sketch"}}) {
        for (auto [suffix, direction] : {std::pair{"/undo", Direction::kUndo}, std::pair{"/redo", Direction::kRedo}})
            benchmark::RegisterBenchmark((std::string("Undo.") + row.name + suffix).c_str(), BM_UndoRedo,
                                         row.command, row.step, direction)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }
}

const bool registered = (Register(), true);

}  // namespace
}  // namespace brimlet::bench
