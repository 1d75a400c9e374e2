// The desktop side of the switch health: the file kept by day beside the settings file, written
// by the main thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include <vector>

#include "health/calibration.h"
#include "health/stats_file.h"
#include "health/what_if.h"
#include "input/click_record.h"
#include "input/switch_counter.h"

struct Settings;

// Main thread. Reads today's counts back from the file and starts the timer on `window` that
// writes it every 10 minutes while something changed, and at a change of day; the click record
// is kept in its own file beside it, written at the same times. A file that is not this
// program's or cannot be read is left alone: the counts or clicks are then kept in memory only.
void startSwitchHealth(HWND window, const SwitchCounter& counter, const ClickRecord& clicks);
// A WM_TIMER of the window; other timers are left alone (false).
bool onSwitchHealthTimer(WPARAM timerId);
// Brings today up to date from the counter now (the health window, every second).
void refreshSwitchHealth();
// A balloon's text, once per button and day, for a button that is not chosen and whose chatter
// today reaches the calibration's threshold. Nothing while the icon is hidden: the balloon comes
// later instead.
bool takeSwitchHealthNotice(const Settings& settings, std::wstring* text);
// The clicks recorded, in the file and since: what the fit replays.
std::vector<ClickRun> switchHealthClickRuns();
// How many clicks were recorded since start, to tell when the record has grown.
std::uint32_t switchHealthClicksRecorded();
// The fit on the record for the buttons that matter under `settings`.
ClickFit fitSwitchHealth(const Settings& settings, const Calibration& calibration);
// Writes the file now if anything changed (at exit and at the end of the session).
void saveSwitchHealth();
// Today's counts as of now (brought up to date from the counter), and today's date.
HealthCounts switchHealthToday(std::string* date);
// Today and the days kept, as of the last timer or save.
const HealthLedger& switchHealthLedger();
