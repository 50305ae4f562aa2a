// brimlet-batch's command line: the presses, the slider positions, where results go and how
// many photos run at once. Parsing is plain C++ so the tests can drive every refusal.
#pragma once

#include "cartoon/styles/PanelSession.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brimlet::batch {

enum class OutputFormat { Jpeg, Bmp, Wmf };

struct BatchOptions {
    std::vector<PanelButton> presses;
    PanelSliders sliders = PanelSliders::StartPositions();
    bool dyeingAndSketch = false;
    OutputFormat format = OutputFormat::Jpeg;
    std::string outputFolder;  // empty: beside each input
    int jobs = 0;              // 0: one per core
    int styleThreads = 0;      // threads per style run; 0: the cores shared out over the jobs
    bool overwrite = false;
    bool quiet = false;
    std::uint64_t memoryBudgetBytes = 0;  // 0: from the machine's memory
    std::vector<std::string> inputs;
};

struct ParseResult {
    enum class Action { Run, Help, Version, Error } action = Action::Run;
    BatchOptions options;
    std::string error;  // for Action::Error: what was wrong, one line
};

ParseResult ParseBatchOptions(const std::vector<std::string>& args);

// The --help text.
std::string BatchHelpText();

// The extension the save command forces for the format (".jpg", ".bmp", ".wmf").
const char* FormatExtension(OutputFormat format);

}  // namespace brimlet::batch
