// The configuration record and its mapping to the settings file.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "common/win32_values.h"

class ProfileStore;

// A field that is always read and written whole. The hook reads the record while a settings
// editor thread may be reloading it; no consistency across fields is needed, only that no
// field is ever seen half-written. Relaxed atomics cost nothing on x86.
template <typename T>
class WholeField {
 public:
  WholeField(T value = T{}) : value_(value) {}
  WholeField(const WholeField& other) : value_(other.load()) {}
  WholeField& operator=(const WholeField& other) {
    store(other.load());
    return *this;
  }
  WholeField& operator=(T value) {
    store(value);
    return *this;
  }
  operator T() const { return load(); }
  T load() const { return value_.load(std::memory_order_relaxed); }
  void store(T value) { value_.store(value, std::memory_order_relaxed); }

 private:
  std::atomic<T> value_;
};

using Flag = WholeField<std::uint8_t>;

struct Settings {
  Flag clickRepair;
  Flag releaseRepair;
  Flag scrollRepair;
  Flag leftButton;
  Flag rightButton;
  Flag wheelPassThrough;
  Flag volumeControl;
  Flag gestures;
  Flag showIcon;
  Flag debugMode;
  Flag fullScreenPause;
  WholeField<std::int32_t> clickInterval;
  WholeField<std::int32_t> releaseInterval;
  WholeField<std::int32_t> scrollInterval;
  WholeField<std::uint32_t> modifierChoice;
  WholeField<std::uint32_t> gestureKey;
  WholeField<std::uint32_t> volumeKey;
};

struct ModifierKeys {
  std::uint32_t gestureKey;
  std::uint32_t volumeKey;
};

// The 快捷键 value mapped to the gesture and volume keys; anything outside 1..6 means Alt.
ModifierKeys ModifierKeyChoice(std::uint32_t choice);

// Reads the fifteen keys from the settings file at `path` (defaults where absent).
void loadSettings(Settings& settings, const std::wstring& path);
// Writes the nine persisted flags; every other line of the file stays as it was.
void saveSettings(const Settings& settings, const std::wstring& path);

// The same two over an already open store, for callers that bring their own.
void loadSettings(Settings& settings, ProfileStore& store);
void saveSettings(const Settings& settings, ProfileStore& store);

// Writes the one key of `field` with its value in `settings`, and no other: what the user
// changed in the file since it was read stays (the 鼠标健康 window's buttons). An interval is
// written this way alone, as the user's own choice of what the switch health suggests.
void saveSetting(const Settings& settings, Flag Settings::*field, const std::wstring& path);
void saveSetting(const Settings& settings, WholeField<std::int32_t> Settings::*field,
                 const std::wstring& path);

// Writes 单击间隔 and 释放间隔, which saveSettings never does: only the user's own choice of
// the intervals the switch health suggests puts them in the file.
void saveRepairIntervals(const Settings& settings, const std::wstring& path);

// D:\Tools\x.exe -> D:\Tools\x.ini; a name without extension gets one.
std::wstring settingsPathForExecutable(const std::wstring& executablePath);

// The running program's full path, never cut short, and its settings file (Windows only).
std::wstring executablePath();
std::wstring settingsFilePath();

// Section and key names shared with the menu and the gesture commands.
extern const wchar_t* const kGestureSection;
extern const wchar_t* const kExcludedProgramsSection;
