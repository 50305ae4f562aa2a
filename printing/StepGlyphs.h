// The small pictures of the print set-up window's step buttons, drawn in code.
#pragma once

#include <QIcon>

namespace brimlet {

enum class StepGlyph { Up, Down, Left, Right, Centre, Plus, Minus };

// A 17 x 17 black glyph on a transparent ground.
QIcon MakeStepGlyph(StepGlyph kind);

}  // namespace brimlet
