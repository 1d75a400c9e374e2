// The debug console: opened and released as debug mode is switched, written to by the filters.
#pragma once

#include <cstdint>

void setDebugConsoleOpen(bool open);
bool isDebugConsoleOpen();
// Both return at once when the console is closed.
void debugPrint(const char* format, std::int32_t value);
void debugPrintText(const char* format, const wchar_t* text);
