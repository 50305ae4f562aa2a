// The readings the panel's value labels show for a slider position. Widget-free so the
// rounding (halves to even, in extended precision) can be checked position by position.
#pragma once

#include <string>

namespace brimlet::panel {

// The shortest decimal text of the value at 15 significant digits, no exponent for the
// panel's magnitudes, with the given decimal separator; whole values have no separator.
std::string GeneralNumber(long double value, char decimalPoint = '.');

// The text of the value label that belongs to the named slider (see PanelControls.h), or an
// empty text for an unknown name.
std::string ValueLabelText(const std::string& slider, int position, int maximum,
                           char decimalPoint = '.');

}  // namespace brimlet::panel
