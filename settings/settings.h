// The configuration record and its mapping to the settings file.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/mouse_buttons.h"
#include "common/texts.h"
#include "common/win32_values.h"

class ProfileStore;

// A field that is always read and written whole. The hook thread reads the record while the
// main thread may be reloading it; no consistency across fields is needed, only that no field
// is ever seen half-written. Relaxed atomics cost nothing on x86.
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

// A bounce inside a drag lasts a few milliseconds, but the hook's tick comes from the system's
// tick counter, which on Windows advances in steps of about 15.6 ms: a 3 ms opening that
// straddles a step reads as 15 or 16 ms. 20 ms catches every opening shorter than one step,
// and stays well under the 40 ms or more a finger needs to let go of a button and press it
// again on purpose; it is also the delay an armed guard adds to each release. A switch whose
// openings last longer gets a longer window (保护间隔) from the switch health's fit.
constexpr std::int32_t kHoldGuardMs = 20;
// 保护间隔 outside 1..kLongestHoldGuardMs reads as kHoldGuardMs: the window is also the delay an
// armed guard adds to every release.
constexpr std::int32_t kLongestHoldGuardMs = 1000;
// A contact that closes for a few milliseconds soon after a release is the switch, not a hand:
// contact bounce lasts 0.5 to 6 ms (Ganssle's 16 switches: at most 6.2 ms), while a person holds
// a deliberate click far longer (desktop clicks: median 119 ms, 8.5 % under 80 ms) and cannot
// release and press again within 8 ms. 抖动时长 is how long such a press must stay down to be a
// hand's; 0 turns the rule off, and a value outside 0..kLongestBlipMs reads as kBlipMs.
constexpr std::int32_t kBlipMs = 10;
constexpr std::int32_t kLongestBlipMs = 30;
// A hold longer than 拖动阈值 is a drag: no hand presses again within 40 ms of letting go of one
// (in 480 clicks of real people's timing 6 % of holds last over 250 ms, and none of them was
// followed so soon), and the system counts no double click whose first press was held longer
// than its double-click time. A worn switch's openings in a drag may outlast 保护间隔: such a
// release waits the guard's longer window, 长按保护间隔, while a click's keeps 保护间隔. Both are
// left out of the file until the switch health's fit or the user sets them; 长按保护间隔 0 (the
// file does not say) is 保护间隔's, and one shorter than it is as long.
constexpr std::int32_t kDragThresholdMs = 250;
constexpr std::int32_t kShortestDragThresholdMs = 100;
constexpr std::int32_t kLongestDragThresholdMs = 2000;

struct Settings {
  Flag clickRepair;
  Flag releaseRepair;
  Flag scrollRepair;
  Flag leftButton;
  Flag rightButton;
  Flag middleButton;
  Flag xButton1;  // 后退键, the first side button
  Flag xButton2;  // 前进键
  Flag wheelPassThrough;
  Flag volumeControl;
  Flag gestures;
  Flag showIcon;
  Flag debugMode;
  Flag fullScreenPause;
  WholeField<std::int32_t> clickInterval;
  WholeField<std::int32_t> releaseInterval;
  WholeField<std::int32_t> scrollInterval;
  WholeField<std::int32_t> holdGuardInterval{kHoldGuardMs};
  WholeField<std::int32_t> blipLength{kBlipMs};
  WholeField<std::int32_t> longHoldGuardInterval{0};  // 0 while the file does not say
  WholeField<std::int32_t> dragThreshold{kDragThresholdMs};
  WholeField<std::uint32_t> modifierChoice;
  WholeField<std::uint32_t> gestureKey;
  WholeField<std::uint32_t> volumeKey;
  // [功能设置] 暂停热键: the key that flips 暂停, as a hot key field holds it (modifiers × 256 +
  // virtual key); 0, none.
  WholeField<std::int32_t> pauseHotkey;
  // [输入来源] 模拟输入: whether other programs' input is repaired; -1 while the file does not say.
  WholeField<std::int32_t> simulatedInput{-1};
  // [功能设置] 语言: the language of every text a user reads; never written.
  WholeField<Language> language;
  // The record holds what the settings file says (or there was no file): only then may a save
  // write the file. Read and written by the main thread alone.
  bool fileRead = false;
};

// [设备选择]: whether the repairs apply to each of the mouse's buttons, by button.
inline constexpr Flag Settings::*kButtonChosen[kButtonCount] = {
    &Settings::leftButton, &Settings::rightButton, &Settings::middleButton, &Settings::xButton1,
    &Settings::xButton2};
// The settings choose the button for the repairs.
inline bool buttonChosen(const Settings& settings, MouseButton button) {
  return (settings.*kButtonChosen[static_cast<int>(button)]) != 0;
}
// Any button is chosen: the repairs have something to act on.
bool anyButtonChosen(const Settings& settings);

struct ModifierKeys {
  std::uint32_t gestureKey;
  std::uint32_t volumeKey;
};

// The 快捷键 value mapped to the gesture and volume keys; anything outside 1..6 means Alt.
ModifierKeys ModifierKeyChoice(std::uint32_t choice);

// Brings the file at `path` to an encoding the store keeps Chinese names in, and tells whether
// a save may write it:
// - missing: created as UTF-16LE with a BOM;
// - empty, ASCII or UTF-8: rewritten as UTF-16LE with a BOM, every line kept;
// - other bytes: rewritten as UTF-16LE with a BOM from the ANSI code page, which is how the
//   profile functions read them (left alone where there is no such code page);
// - UTF-16LE without a BOM: the BOM is put in front;
// - read-only, or not text at all (NUL bytes): left alone, and saves do not write it;
// - anything else (a UTF-8 BOM before other bytes): left alone.
bool prepareSettingsFile(const std::wstring& path);

// Reads every key of the record from the settings file at `path` (defaults where absent). A file
// that exists but cannot be read (held by another program, say) is not read as defaults: the
// record stays as it was, or takes the defaults if it was never read, and false is returned.
bool loadSettings(Settings& settings, const std::wstring& path);
// Writes the keys the settings table marks written (the nine flags, and 中键, 后退键 and 前进键
// once the file holds them or they are on); every other line of the file stays as it was. A
// record that does not hold what the file says (loadSettings) writes nothing.
void saveSettings(const Settings& settings, const std::wstring& path);

// The same two over an already open store, for callers that bring their own.
void loadSettings(Settings& settings, ProfileStore& store);
void saveSettings(const Settings& settings, ProfileStore& store);

// Writes the keys named (单击, 单击间隔, 左键, ...) from `settings` and no other line: a choice
// made in a window changes what it shows and leaves the rest of the file as the user left it.
// The intervals are written this way alone, as the user's own choice of what the switch health
// suggests. False when a key was not written (a read-only file, a full disk, a file another
// program holds); the keys before it may have been.
bool saveSettingsKeys(const Settings& settings, const std::wstring& path,
                      const std::vector<const wchar_t*>& keys);

// Each key of the record whose value is not its default, as the file would say it, in the order
// of the file's keys: "[修复参数] 单击间隔=60".
std::vector<std::wstring> settingsNotAtDefaults(const Settings& settings);

// D:\Tools\x.exe -> D:\Tools\x.ini; a name without extension gets one.
std::wstring settingsPathForExecutable(const std::wstring& executablePath);

// The running program's settings file, beside it (settings_win32.cpp; Windows only).
std::wstring settingsFilePath();

// The sections of entries, beside the settings table (settings_table.cpp): the gestures, the
// programs, and the input sources.
extern const wchar_t* const kGestureSection;
extern const wchar_t* const kExcludedProgramsSection;
// [输入来源]: 模拟输入, and one key per device the user left out or brought in.
extern const wchar_t* const kInputSourceSection;
