#include "core/StrToInt.h"

#include <cstdint>

namespace brimlet {

int StrToInt(const std::string& text) {
    auto fail = [&text]() { throw ConversionError("'" + text + "' is not a valid integer value"); };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) fail();
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') fail();
        value = value * 10 + (c - '0');
        if (value > std::int64_t(INT32_MAX) + 1) fail();
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) fail();
    return int(value);
}

}  // namespace brimlet
