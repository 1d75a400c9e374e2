// Runs the command bound to a finished gesture, on the main thread.
#pragma once

void runGestureCommand(const wchar_t* text);
