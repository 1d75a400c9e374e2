#include "app/program_win32.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>

#include "common/debug_console.h"
#include "common/identity.h"
#include "input/hook_win32.h"
#include "settings/profile_store.h"
#include "tray/hotkey_win32.h"
#include "tray/tray_win32.h"

Program::Program()
    : filter(settings, filterState, gestureTracker, desktopInputPlatform()),
      sourceTracker(settings, inputDevices),
      switchCounter(settings),
      health(switchCounter, clickRecord, padFeed),
      foreground(settings, *this),
      taskbarCreatedMessage(RegisterWindowMessageW(L"TaskbarCreated")) {}

Program* programOf(HWND window) {
  return reinterpret_cast<Program*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Program::publishBypass() {
  const Bypass bypass = paused_ ? Bypass::paused : programRule_;
  filterState.bypass = bypass;
  // The hook lets a held release go at its next event anyway; this does it at once.
  if (bypass >= Bypass::all) requestHeldReleases();
}

void Program::applySettings(HWND window) {
  const std::wstring path = settingsFilePath();
  // A file held at this moment was not read: what is in force was read before it changed, so
  // it is not written back over the change, even if the hold ends before the save.
  if (loadSettings(settings, path)) saveSettings(settings, path);
  setDebugConsoleOpen(settings.debugMode != 0);
  readDeviceChoices();
  if (settings.showIcon) addTrayIcon(window, paused_, settings.language);
  holdPauseHotkey(window);
  foreground.recheck();
}

// The key 暂停热键 names, held while it is set. Another program's key is told once, not taken.
void Program::holdPauseHotkey(HWND window) {
  const std::int32_t wanted = settings.pauseHotkey;
  if (wanted == pauseHotkey_) return;
  if (pauseHotkeyHeld_) UnregisterHotKey(window, kPauseHotkeyId);
  pauseHotkey_ = wanted;
  pauseHotkeyHeld_ = wanted != 0 && registerHotkey(window, kPauseHotkeyId, wanted);
  if (wanted != 0 && !pauseHotkeyHeld_) {
    debugPrint("Pause hot key held by another program:\t%d\n", wanted);
    if (settings.showIcon) {
      showTrayBalloon(window, kAppName, textOf(TextName::hotkeyTaken, settings.language));
    }
  }
}

// A device is named by its vendor and product ids, the same on every port and after a restart;
// two mice of one model share the name.
void Program::readDeviceChoices() {
  const auto store = openProfileStore(settingsFilePath());
  for (InputDevice& device : inputDevices.at) {
    if (device.handle.load(std::memory_order_acquire) == 0) continue;
    const auto setting =
        static_cast<std::int32_t>(store->readInt(kInputSourceSection, device.shortName, -1));
    device.leftOut = deviceLeftOut(device.kind, setting) ? 1 : 0;
  }
}

void Program::describeDevice(HWND window, int slot) {
  if (slot < 0 || slot >= kMaxDevices) return;
  const std::uintptr_t handle = inputDevices.at[slot].handle.load(std::memory_order_acquire);
  if (handle != 0) ::describeDevice(reinterpret_cast<HANDLE>(handle), slot, window);
}

void Program::takeDeviceDescription(DeviceDescription* taken) {
  const std::unique_ptr<DeviceDescription> description(taken);
  if (!description || description->slot < 0 || description->slot >= kMaxDevices) return;
  InputDevice& device = inputDevices.at[description->slot];
  std::copy(std::begin(description->text), std::end(description->text), device.description);
  device.description[kDeviceDescriptionChars - 1] = L'\0';
  debugPrintText("Device:\t%S\n",
                 (std::wstring(device.shortName) + L"\t" + device.description).c_str());
}

void Program::setPaused(HWND window, bool pause) {
  if (pause == paused_) return;
  paused_ = pause;
  publishBypass();
  if (settings.showIcon) showTrayIconPaused(window, paused_, settings.language);
  debugPrint("Paused:\t%d\n", paused_ ? 1 : 0);
}

void Program::setProgramRule(Bypass rule) {
  programRule_ = rule;
  publishBypass();
}
