#include "workspace/Workspace.h"

// The print set-up window's instance; its own header leaves the global to the program.
TPrint_Setup* Print_Setup = nullptr;
