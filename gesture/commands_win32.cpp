#include "gesture/commands_win32.h"

// Placeholder until the gesture commands are built.
void runGestureCommand(const wchar_t*) {}
