// Text-to-number conversion with the program's own error text, so that a bad number
// typed into an edit reaches the general error box as "'5-' is not a valid integer value".
#pragma once

#include <stdexcept>
#include <string>

namespace brimlet {

class ConversionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Accepts leading blanks, one optional sign and decimal digits within the 32-bit range.
// Anything else throws ConversionError("'<text>' is not a valid integer value").
int StrToInt(const std::string& text);

}  // namespace brimlet
