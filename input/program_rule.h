// The rule of the program in the foreground: what of the filter stays off while one of its
// windows has the foreground. Worked out on the main thread when the foreground changes (the
// hook only reads the resulting Bypass), from the settings file's [排除程序] section:
//   cs2.exe=1     gestures, volume control and pass-through off; the repairs stay on
//   mstsc.exe=2   every event passes untouched
// a name compared without case and without its folder, any value but 2 counting as 1; and, with
// 全屏暂停=1, from a foreground window that covers its whole monitor, which counts as 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/input_filter.h"

class ProfileStore;

struct ScreenRect {
  std::int32_t left, top, right, bottom;
};

// The foreground window as the rule sees it.
struct ForegroundWindow {
  ScreenRect window;
  ScreenRect monitor;      // the monitor that holds the most of it
  bool shell = false;      // the desktop or the taskbar: cover a monitor, never full screen
  bool maximised = false;  // a maximised window may cover a monitor whose taskbar hides itself
};

// The rule a program's value in [排除程序] sets, for the program and the options window alike:
// its leading number, read as every other setting's ("02", "+2" and "2 ; remote desktop" are
// 2), 2 every event passes, any other number 1; an empty value is no line at all. Quotes
// around the value are the profile functions' and do not count.
Bypass listedRule(const std::wstring& value);

// "C:\Games\cs2.exe" -> "cs2.exe".
std::wstring programFileName(const std::wstring& path);

// The [排除程序] section as it was when the settings were applied: the foreground follower asks
// it at each change of window and never reads the file itself.
class ProgramList {
 public:
  void read(ProfileStore& settingsFile);
  // The program's own line: Bypass::none when it has none (or no name is known).
  Bypass rule(const std::wstring& programName) const;

 private:
  std::vector<std::wstring> lines_;
};

// Full screen: the window covers the whole monitor that holds the most of it (a game, a film, a
// presentation), and is neither the desktop nor the taskbar nor merely maximised.
bool coversItsMonitor(const ForegroundWindow& foreground);

// The stronger of the listed rule and, with `fullScreenPause`, the full screen's.
Bypass foregroundRule(Bypass listed, const ForegroundWindow& foreground, bool fullScreenPause);
