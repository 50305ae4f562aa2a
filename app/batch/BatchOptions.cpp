#include "app/batch/BatchOptions.h"

#include "cartoon/panel/PanelControls.h"

#include <charconv>
#include <optional>
#include <sstream>
#include <string_view>

namespace brimlet::batch {

namespace {

// One slider option: its name on the command line, the panel's slider and caption.
struct SliderOption {
    const char* option;
    const char* slider;
    const char* caption;
    int PanelSliders::*field;
};

constexpr SliderOption kSliderOptions[] = {
    {"--scalar", "TrackBar2", "Scalar:", &PanelSliders::scalar},
    {"--region", "TrackBar9", "Region:", &PanelSliders::region},
    {"--sleek", "TrackBar8", "Sleek:", &PanelSliders::sleek},
    {"--pencil-pressure", "TrackBar1", "Pencil pressure:", &PanelSliders::pencilPressure},
    {"--pen-pressure", "TrackBar4", "Pen pressure:", &PanelSliders::penPressure},
};
constexpr const char* kInkSliders[] = {"TrackBar3", "TrackBar5", "TrackBar6"};
constexpr int PanelSliders::*kInkFields[] = {&PanelSliders::inkWidth, &PanelSliders::inkLower,
                                             &PanelSliders::inkUpper};

const panel::SliderRow& Row(std::string_view slider) {
    for (const auto& row : panel::kSliders)
        if (slider == row.slider) return row;
    return panel::kSliders[0];
}

std::optional<long long> ParseInteger(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) return parts;
        start = comma + 1;
    }
}

std::string RangeText(const panel::SliderRow& row) {
    return std::to_string(row.minimum) + " to " + std::to_string(row.maximum);
}

// Reads a slider position; on error returns the message.
std::optional<std::string> SliderValue(std::string_view option, std::string_view caption,
                                       const panel::SliderRow& row, std::string_view text,
                                       int& out) {
    const auto value = ParseInteger(text);
    if (!value)
        return std::string(option) + ": '" + std::string(text) + "' is not a whole number";
    if (*value < row.minimum || *value > row.maximum)
        return std::string(option) + ": " + std::string(text) + " is outside the \"" +
               std::string(caption) + "\" slider's range, " + RangeText(row);
    out = int(*value);
    return std::nullopt;
}

// Refuses, before any file is read, a press the panel would not offer at that point.
std::optional<std::string> CheckPresses(const BatchOptions& o) {
    PanelFlow flow;
    flow.SetDyeingAndSketch(o.dyeingAndSketch);
    for (std::size_t i = 0; i < o.presses.size(); ++i) {
        const PanelButton b = o.presses[i];
        if (!flow.IsEnabled(b)) {
            std::string why = "--press: \"" + std::string(ButtonCaption(b)) + "\" (press " +
                              std::to_string(i + 1) + ", " + std::string(ButtonCommandName(b)) +
                              ") is not offered at that point: ";
            if (b == PanelButton::Shallow)
                why += "it needs a sketch first and \"Dyeing & Sketch\" (--dyeing-and-sketch)";
            else if (b == PanelButton::Brighter || b == PanelButton::Darker)
                why += "after a sketch it needs \"Dyeing & Sketch\" (--dyeing-and-sketch) or a "
                       "Massing press";
            else
                why += "it needs a sketch first";
            return why;
        }
        flow.Press(b);
    }
    return std::nullopt;
}

}  // namespace

const char* FormatExtension(OutputFormat format) {
    switch (format) {
        case OutputFormat::Bmp: return ".bmp";
        case OutputFormat::Wmf: return ".wmf";
        default: return ".jpg";
    }
}

ParseResult ParseBatchOptions(const std::vector<std::string>& args) {
    ParseResult result;
    BatchOptions& o = result.options;
    auto fail = [&](std::string message) {
        result.action = ParseResult::Action::Error;
        result.error = std::move(message);
        return result;
    };
    bool pressGiven = false, optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            o.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" and "--name value" both work.
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        auto flag = [&]() { return !inlineValue; };

        if (arg == "--help" || arg == "-h") {
            result.action = ParseResult::Action::Help;
            return result;
        }
        if (arg == "--version") {
            result.action = ParseResult::Action::Version;
            return result;
        }
        if (arg == "--press") {
            const auto v = value();
            if (!v) return fail("--press needs a comma list of buttons");
            pressGiven = true;
            for (std::string_view name : SplitCommas(*v)) {
                const auto button = ButtonFromCommandName(name);
                if (!button)
                    return fail("--press: unknown button '" + std::string(name) +
                                "' (buttons: massing, brighter, darker, pencil-sketch, "
                                "pen-sketch, pen-and-ink, shallow, smooth, clear-spots)");
                o.presses.push_back(*button);
            }
            continue;
        }
        bool matched = false;
        for (const auto& s : kSliderOptions) {
            if (arg != s.option) continue;
            matched = true;
            const auto v = value();
            if (!v) return fail(arg + " needs a slider position");
            if (auto e = SliderValue(arg, s.caption, Row(s.slider), *v, o.sliders.*(s.field)))
                return fail(*e);
        }
        if (matched) continue;
        if (arg == "--ink-density") {
            const auto v = value();
            if (!v) return fail("--ink-density needs three slider positions A,B,C");
            const auto parts = SplitCommas(*v);
            if (parts.size() != 3)
                return fail("--ink-density needs three slider positions A,B,C, not '" + *v + "'");
            for (int k = 0; k < 3; ++k)
                if (auto e = SliderValue("--ink-density", "Pen & Ink density:",
                                         Row(kInkSliders[k]), parts[k], o.sliders.*kInkFields[k]))
                    return fail(*e + " (value " + std::to_string(k + 1) + " of 3)");
            continue;
        }
        if (arg == "--gray" && flag()) { o.sliders.gray = true; continue; }
        if (arg == "--no-gray" && flag()) { o.sliders.gray = false; continue; }
        if (arg == "--dyeing-and-sketch" && flag()) { o.dyeingAndSketch = true; continue; }
        if (arg == "--overwrite" && flag()) { o.overwrite = true; continue; }
        if ((arg == "--quiet" || arg == "-q") && flag()) { o.quiet = true; continue; }
        if (arg == "--format") {
            const auto v = value();
            if (v == "jpg" || v == "jpeg") o.format = OutputFormat::Jpeg;
            else if (v == "bmp") o.format = OutputFormat::Bmp;
            else if (v == "wmf") o.format = OutputFormat::Wmf;
            else return fail("--format must be jpg, bmp or wmf");
            continue;
        }
        if (arg == "--output" || arg == "-o") {
            const auto v = value();
            if (!v || v->empty()) return fail(arg + " needs a folder");
            o.outputFolder = *v;
            continue;
        }
        if (arg == "--jobs" || arg == "-j") {
            const auto v = value();
            const auto n = v ? ParseInteger(*v) : std::nullopt;
            if (!n || *n < 1 || *n > 256) return fail("--jobs needs a number from 1 to 256");
            o.jobs = int(*n);
            continue;
        }
        if (arg == "--memory") {
            const auto v = value();
            const auto n = v ? ParseInteger(*v) : std::nullopt;
            if (!n || *n < 1 || *n > (1ll << 30)) return fail("--memory needs a size in MiB");
            o.memoryBudgetBytes = std::uint64_t(*n) << 20;
            continue;
        }
        return fail("unknown option '" + args[i] + "' (see --help)");
    }
    if (!pressGiven || o.presses.empty()) return fail("--press is missing: which buttons to press?");
    if (o.inputs.empty()) return fail("no input photos or folders given");
    if (auto e = CheckPresses(o)) return fail(*e);
    return result;
}

std::string BatchHelpText() {
    std::ostringstream out;
    out << "Usage: brimlet-batch --press BUTTONS [slider options] [--dyeing-and-sketch]\n"
           "                     [--format jpg|bmp|wmf] [--output DIR] [--jobs N] [--overwrite]\n"
           "                     [--quiet] INPUT...\n"
           "\n"
           "Turns photos into cartoons by pressing the Make Cartoon panel's buttons for you.\n"
           "Each result is the picture the window's result pane would show after the same\n"
           "presses with the same slider positions.\n"
           "\n"
           "  --press BUTTONS        comma list of buttons, in the order pressed: massing,\n"
           "                         brighter, darker, pencil-sketch, pen-sketch, pen-and-ink,\n"
           "                         shallow, smooth, clear-spots. A press the panel would not\n"
           "                         offer at that point is refused before any file is read.\n"
           "\n"
           "Slider positions (as the panel's sliders hold them; default: the start position):\n";
    for (const auto& s : kSliderOptions) {
        const auto& row = Row(s.slider);
        std::string left = "  " + std::string(s.option) + " N";
        left.resize(25, ' ');
        out << left << '"' << s.caption << "\" " << RangeText(row) << ", default " << row.start
            << "\n";
    }
    out << "  --ink-density A,B,C    the three \"Pen & Ink density:\" sliders: "
        << RangeText(Row(kInkSliders[0])) << ", " << RangeText(Row(kInkSliders[1])) << ", "
        << RangeText(Row(kInkSliders[2])) << "; default " << Row(kInkSliders[0]).start << ","
        << Row(kInkSliders[1]).start << "," << Row(kInkSliders[2]).start << "\n"
        << "  --gray, --no-gray      the \"Gray\" box for Massing (default: ticked)\n"
           "  --dyeing-and-sketch    tick \"Dyeing & Sketch\" before the first press: the result\n"
           "                         is the sketch laid over the colours\n"
           "\n"
           "Output:\n"
           "  --format jpg|bmp|wmf   file type written (default jpg)\n"
           "  --output DIR, -o DIR   folder for the results (default: beside each photo);\n"
           "                         made if missing\n"
           "                         each result is named <name>-cartoon.<format>\n"
           "  --overwrite            replace existing results (never done without it)\n"
           "\n"
           "Running:\n"
           "  --jobs N, -j N         photos worked on at once (default: one per core)\n"
           "  --memory MIB           memory the running photos may take together (default: half\n"
           "                         the machine's memory); a photo larger than that runs alone\n"
           "  --quiet, -q            no progress line and no summary\n"
           "  --help, -h             this text\n"
           "  --version              the program's version\n"
           "\n"
           "INPUT is a picture file (.bmp .ico .jpg .jpeg .gif .wmf .emf) or a folder, searched\n"
           "recursively for such files; files named *-cartoon.* in folders are earlier results\n"
           "and are left out. A photo that cannot be read is reported and skipped; the others go\n"
           "on. Results are written whole or not at all.\n"
           "\n"
           "Exit status: 0 all photos done, 1 some failed, 2 bad options.\n";
    return out.str();
}

}  // namespace brimlet::batch
