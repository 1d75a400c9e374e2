// Following the foreground window on the main thread, for the rule of the program that owns it.
#pragma once

#include <windows.h>

#include <string>

#include "common/process_rights.h"
#include "input/input_filter.h"
#include "input/program_rule.h"
#include "settings/settings.h"

// Where the follower's rule goes: the running program, which weighs it against a pause.
class ProgramRuleTaker {
 public:
  virtual void setProgramRule(Bypass rule) = 0;

 protected:
  ~ProgramRuleTaker() = default;
};

// Gives the hook the rule of the foreground window's program whenever the window, its size or
// the settings change. One at a time.
class ForegroundFollower {
 public:
  ForegroundFollower(const Settings& settings, ProgramRuleTaker& taker)
      : settings_(settings), taker_(taker) {}

  // Follows the foreground window from now on; `window` shows the balloons.
  void start(HWND window);
  // The foreground event is not sent in every case (a window restored from the taskbar, Wine):
  // called for each mouse input the main window sees, it follows a change the event missed.
  void check();
  // A window that covers its whole monitor has the foreground, as 全屏暂停 judges it.
  bool fullScreen() const;
  // The settings were applied: the list and 全屏暂停 are read again.
  void recheck();
  void stop();

  // The system's events, through the callbacks.
  void follow(HWND window);
  void onLocationChange(HWND window);

 private:
  void apply();

  const Settings& settings_;
  ProgramRuleTaker& taker_;
  HWINEVENTHOOK foregroundHook_ = nullptr;
  HWINEVENTHOOK locationHook_ = nullptr;  // the foreground process's windows only
  HWND followed_ = nullptr;
  ProgramList programs_;  // read when the settings are applied
  DWORD sizeCheckTick_ = 0;
  std::wstring programName_;
  Bypass listed_ = Bypass::none;
  Bypass current_ = Bypass::none;
  HWND window_ = nullptr;
  ProcessRights ours_;
  bool toldOutOfReach_ = false;  // once a session
};
