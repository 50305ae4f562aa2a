// The program's windows, driven offscreen by the benchmarks that time what the user waits
// for: one main window with its panel and viewer, on a photo opened through the open
// command, with counters on the panes so a row can wait until a pane has repainted.
#pragma once

#include "bench/OffscreenWidgets.h"

#include <functional>
#include <string>

namespace brimlet::bench {

constexpr int kWidth = 4000, kHeight = 3000;        // the 12 MP benchmark photo
constexpr int kBigWidth = 8000, kBigHeight = 6000;  // the same photo at 48 MP

class Workspace {
public:
    Workspace(int width, int height);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    bool Is(int width, int height) const { return width == width_ && height == height_; }

    // The open command with the dialog answered, until both panes have repainted.
    bool Open();

    // Runs a command and waits for the result pane's repaint.
    bool ShowsResult(const std::function<void()>& command);

    PaintCounter *source = nullptr, *result = nullptr, *viewer = nullptr;
    std::string jpeg;

private:
    int width_, height_;
};

// One workspace at a time: the windows are the program's single instances. The last one is
// left to the end of the process, since the application object it needs is never destroyed.
Workspace& WorkspaceFor(int width, int height);

// A cartoon-like colour layer (4 levels a channel) and a line layer of ink where the green
// is dark, as the result tools meet them after Massing and a sketch.
void PrepareLayers();

// The dyeing tool chosen over the colours shown: the pane point a click goes to, and the
// picture pixel under it, whose palette colour the click spreads.
struct DyeingSpot {
    int X, Y;    // on the result pane
    int px, py;  // in the picture
};
DyeingSpot ChooseDyeing();

}  // namespace brimlet::bench
