// The program's windows, made in their fixed order (main window, full-size viewer, about
// window, Make Cartoon panel, print set-up), each once. The program and the screenshot tour
// both start from here, so the tour photographs the very windows a user gets.
#pragma once

namespace brimlet {

// Creates the five windows and wires the print set-up to the result picture. Only the main
// window is shown.
void CreateProgramWindows();

// Deletes the main window and, as its children, the secondary windows.
void DestroyProgramWindows();

}  // namespace brimlet
