#include "cartoon/panel/SliderLabels.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace brimlet::panel {

namespace {
std::string integerText(long double value) {
    return std::to_string(static_cast<long long>(std::nearbyint(value)));
}
}  // namespace

std::string GeneralNumber(long double value, char decimalPoint) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15Lg", value);
    // A tiny negative difference must not read "-0".
    if (std::strcmp(text, "-0") == 0) std::strcpy(text, "0");
    std::string result = text;
    for (char& c : result)
        if (c == '.') c = decimalPoint;
    return result;
}

std::string ValueLabelText(const std::string& slider, int position, int maximum,
                           char decimalPoint) {
    const long double p = position;
    if (slider == "TrackBar2" || slider == "TrackBar8") return std::to_string(position);
    if (slider == "TrackBar9") {
        const long double max = maximum;
        return integerText((p - max / 2) / max * 20);
    }
    if (slider == "TrackBar1") return integerText(p * 100 / 89);
    if (slider == "TrackBar4") return integerText(p * 100 / 255);
    if (slider == "TrackBar3") return GeneralNumber(p * 0.01L - 0.01L, decimalPoint);
    if (slider == "TrackBar5") return GeneralNumber(p * 0.05L, decimalPoint);
    if (slider == "TrackBar6") return GeneralNumber(p * 0.025L, decimalPoint);
    return {};
}

}  // namespace brimlet::panel
