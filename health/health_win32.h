// The desktop side of the switch health: the file kept by day beside the settings file, written
// by the main thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "health/stats_file.h"
#include "input/switch_counter.h"

struct Settings;

// Main thread. Reads today's counts back from the file and starts the timer on `window` that
// writes it every 10 minutes while something changed, and at a change of day. A file that is
// not this program's or cannot be read is left alone: the counts are then kept in memory only.
void startSwitchHealth(HWND window, const SwitchCounter& counter);
// A WM_TIMER of the window; other timers are left alone (false).
bool onSwitchHealthTimer(WPARAM timerId);
// Brings today up to date from the counter now (the health window, every second).
void refreshSwitchHealth();
// A balloon's text, once per button and day, for a button that is not chosen and whose chatter
// today reaches the calibration's threshold. Nothing while the icon is hidden: the balloon comes
// later instead.
bool takeSwitchHealthNotice(const Settings& settings, std::wstring* text);
// Writes the file now if anything changed (at exit and at the end of the session).
void saveSwitchHealth();
// Today's counts as of now (brought up to date from the counter), and today's date.
HealthCounts switchHealthToday(std::string* date);
// Today and the days kept, as of the last timer or save.
const HealthLedger& switchHealthLedger();
