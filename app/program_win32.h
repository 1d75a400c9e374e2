// The running program: everything its main window and the hook share, made once by runClickmend
// and reached by the main window through its user data. The hook thread keeps its own state
// (input/hook_win32.h) and reads only `settings` and `filterState`.
#pragma once

#include <windows.h>

#include "app/foreground_win32.h"
#include "gesture/tracker.h"
#include "health/health_win32.h"
#include "input/click_record.h"
#include "input/device_description_win32.h"
#include "input/input_filter.h"
#include "input/input_source.h"
#include "input/pad_feed.h"
#include "input/switch_counter.h"
#include "settings/settings.h"

class Program final : public ProgramRuleTaker {
 public:
  Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Reloads the settings file (and writes the persisted keys back), opens or releases the debug
  // console and adds the tray icon when it is to be shown. Main thread.
  void applySettings(HWND window);
  // Paused, the hook lets every event pass untouched (held releases go first), so gestures and
  // volume control rest too, and the tray icon is greyed. Never saved: a start is never paused.
  void setPaused(HWND window, bool paused);
  bool paused() const { return paused_; }
  // WM_HOTKEY under this identifier is the pause hot key's; any other ends the program.
  static constexpr int kPauseHotkeyId = 0x5048;
  // The rule of the program in the foreground (input/program_rule.h); a pause goes before it.
  void setProgramRule(Bypass rule) override;
  // Whether the repairs leave each device the hook thread has seen alone: [输入来源] <name>, by
  // its kind where the file does not name it. At a device's first sight and at each reload.
  void readDeviceChoices();
  // What Windows calls the device of a slot, read on a thread of its own and taken here (the
  // description owned from then on); the debug line names it.
  void describeDevice(HWND window, int slot);
  void takeDeviceDescription(DeviceDescription* description);

  // The record the hook, the menu and the windows share.
  Settings settings;
  // The hook's own record; only its `bypass` is written elsewhere, here on the main thread.
  FilterState filterState;
  GestureTracker gestureTracker;
  InputFilter filter;
  // The devices the raw input named, and the hook thread's tracker of each event's source.
  InputDevices inputDevices;
  SourceTracker sourceTracker;
  // The latest clicks, for the switch health's fit: a quarter of a megabyte.
  ClickRecord clickRecord;
  // The hook's button events for the 鼠标健康 window's test pad, while it is open.
  PadFeed padFeed;
  SwitchCounter switchCounter;
  SwitchHealth health;
  ForegroundFollower foreground;
  // "TaskbarCreated": a new taskbar, which has no icon of ours.
  const UINT taskbarCreatedMessage;
  bool rawInputNoted = false;

 private:
  void publishBypass();
  void holdPauseHotkey(HWND window);

  bool paused_ = false;  // main thread only, as the rule; the hook reads filterState.bypass
  Bypass programRule_ = Bypass::none;
  std::int32_t pauseHotkey_ = 0;  // the key last asked for, held or refused
  bool pauseHotkeyHeld_ = false;
};

// The program of the main window, set when the window is created; nullptr before.
Program* programOf(HWND window);
