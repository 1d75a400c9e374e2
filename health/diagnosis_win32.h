// The diagnosis of the running program (health/diagnosis.h), gathered on the desktop: the
// clocks and the hook measured on a thread of its own while the caller waits (a few hundred
// milliseconds), the rest read from the system, the records and the files beside the program.
#pragma once

#include <windows.h>

#include <string>

struct Settings;
class SwitchHealth;

// Main thread, where the hook runs: the block, UTF-8.
std::string diagnoseClickmend(const Settings& settings, SwitchHealth& health);

// Puts the block on the clipboard as text; false when another program holds the clipboard.
bool copyToClipboard(HWND owner, const std::string& utf8);
