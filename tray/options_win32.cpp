// The options window: a modeless dialog whose controls come from the form (tray/options.h), laid
// out from its font and DPI, again on WM_DPICHANGED.
#include "tray/options_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/dpi_win32.h"
#include "common/file_access.h"
#include "common/process_win32.h"
#include "common/window_contract.h"
#include "health/health_view.h"
#include "health/health_win32.h"
#include "input/program_rule.h"
#include "settings/profile_store.h"
#include "settings/settings.h"
#include "tray/device_list_win32.h"
#include "tray/hotkey_win32.h"
#include "tray/options.h"
#include "tray/options_form_win32.h"
#include "tray/program_picker_win32.h"

namespace {

using K = SettingKey;
namespace id = option_id;

constexpr int kRunProgramRow = kGestureActionCount;  // the action list's last row

struct alignas(DWORD) EmptyTemplate {
  DLGTEMPLATE dialog;
  WORD menu = 0, windowClass = 0, title = 0;
};

struct OptionsWindow {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  SwitchHealth* health = nullptr;
  void (*removeIcon)(HWND) = nullptr;
  Language language = Language::chinese;
  HFONT font = nullptr;
  std::wstring path;
  Options loaded;  // as the file held it when last read
  // The file then, to see a change made meanwhile; none when it could not be read.
  std::optional<std::string> fileBytes;
  std::vector<OptionEntry> gestures, programs;  // the lists as edited
  std::optional<RepairChoice> suggestion;
  std::uint32_t fitTicket = 0;  // the fit asked for, until it comes
  std::vector<HWND> cells;      // in the order of optionsForm(), labels included
  int page = 0;
  std::vector<DeviceRow> devices;  // as the file held them when last read
};

OptionsWindow self;
const InputDevices* seenDevices = nullptr;

const wchar_t* text(TextName name) {
  return textOf(name, self.language);
}

HWND item(int control) {
  return GetDlgItem(self.hwnd, control);
}

std::wstring textOfControl(int control) {
  const HWND window = item(control);
  std::wstring value(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  value.resize(static_cast<std::size_t>(GetWindowTextW(window, value.data(), int(value.size()))));
  return value;
}

void setText(int control, const std::wstring& value) {
  SetWindowTextW(item(control), value.c_str());
}

int selected(int control) {
  return static_cast<int>(SendMessageW(item(control), CB_GETCURSEL, 0, 0));
}

void select(int control, int row) {
  SendMessageW(item(control), CB_SETCURSEL, WPARAM(row), 0);
}

int listSelection(int control) {
  return static_cast<int>(SendMessageW(item(control), LB_GETCURSEL, 0, 0));
}

std::optional<std::string> currentFileBytes() {
  return readFileBytes(self.path, kMaxSettingsFileBytes);
}

void showPage(int page) {
  self.page = (page + kOptionsPageCount) % kOptionsPageCount;
  showOptionsPage(self.hwnd, self.cells, self.page);
}

// ---- Values in and out of the controls ----

std::wstring gestureLine(const OptionEntry& entry) {
  const int action = gestureAction(entry.value);
  const TextName names[kGestureActionCount] = {TextName::optionsAction1, TextName::optionsAction2,
                                               TextName::optionsAction3, TextName::optionsAction4,
                                               TextName::optionsAction5, TextName::optionsAction6,
                                               TextName::optionsAction7, TextName::optionsAction8,
                                               TextName::optionsAction9, TextName::optionsAction10};
  return entry.name + L"\t" +
         (action >= 1 && action <= kGestureActionCount ? text(names[action - 1]) : entry.value);
}

std::wstring programLine(const OptionEntry& entry) {
  return entry.name + L"\t" +
         text(passesEveryEvent(entry.value) ? TextName::optionsRule2 : TextName::optionsRule1);
}

void fillList(int control, const std::vector<OptionEntry>& entries,
              std::wstring (*line)(const OptionEntry&)) {
  const HWND list = item(control);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const OptionEntry& entry : entries) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line(entry).c_str()));
  }
}

// A setting's value, as the file holds it, into its control.
void show(const SettingRow& row, const std::wstring& value) {
  const int control = optionControlId(row.setting);
  if (absentIsChoice(row)) return select(control, _wtoi(value.c_str()) - row.least);
  switch (row.kind) {
    case SettingKind::flag:
      CheckDlgButton(self.hwnd, control, value == L"1" ? BST_CHECKED : BST_UNCHECKED);
      break;
    case SettingKind::interval:
    case SettingKind::bounded:
      setText(control, value);
      break;
    case SettingKind::choice:
      select(control, std::max(0, _wtoi(value.c_str()) - row.least));
      break;
    case SettingKind::language:
      select(control, value == settingText(row, row.most) ? 1 : 0);
      break;
    case SettingKind::hotkey:
      SendMessageW(item(control), HKM_SETHOTKEY, WPARAM(_wtoi(value.c_str())), 0);
      break;
  }
}

// The value a setting's control holds, as the file would hold it.
std::wstring shown(const SettingRow& row) {
  const int control = optionControlId(row.setting);
  if (absentIsChoice(row)) return settingText(row, row.least + std::max(0, selected(control)));
  switch (row.kind) {
    case SettingKind::flag:
      return IsDlgButtonChecked(self.hwnd, control) == BST_CHECKED ? L"1" : L"0";
    case SettingKind::choice:
    case SettingKind::language:
      return settingText(row, row.least + std::max(0, selected(control)));
    case SettingKind::hotkey: {
      // Modifiers without their key yet are no key.
      const auto key = static_cast<std::int32_t>(SendMessageW(item(control), HKM_GETHOTKEY, 0, 0));
      return settingText(row, (key & 0xFF) != 0 ? key : 0);
    }
    case SettingKind::interval:
    case SettingKind::bounded:
      break;
  }
  return textOfControl(control);
}

void fill(const Options& options) {
  for (const SettingRow& row : kSettingRows) {
    if (shownInOptions(row)) show(row, options[row.setting]);
  }
  self.gestures = options.gestures;
  self.programs = options.programs;
  fillList(id::gestureList, self.gestures, gestureLine);
  fillList(id::programList, self.programs, programLine);
  fillDeviceList(item(id::deviceList), self.devices, self.language);
  const int untold = seenDevices ? untoldPercent(*seenDevices) : -1;
  setText(id::untold, untold < 0 ? std::wstring()
                                 : fillText(TextName::optionsUntold, self.language,
                                            {std::to_wstring(untold),
                                             std::to_wstring(seenDevices->clicks.load())}));
}

Options edited() {
  Options options = self.loaded;
  for (const SettingRow& row : kSettingRows) {
    if (shownInOptions(row)) options[row.setting] = shown(row);
  }
  options.gestures = self.gestures;
  options.programs = self.programs;
  return options;
}

void showWrong(const std::vector<K>& wrong) {
  for (const SettingRow& row : kSettingRows) {
    const int note = optionWrongId(row.setting);
    if (!item(note)) continue;
    const bool isWrong = std::find(wrong.begin(), wrong.end(), row.setting) != wrong.end();
    setText(note, isWrong ? fillText(TextName::optionsWrongNumber, self.language,
                                     {std::to_wstring(row.least), std::to_wstring(row.most)})
                  : row.hint != TextName::count ? std::wstring(text(row.hint))
                                                : std::wstring());
  }
}

// The fit of 鼠标健康 on the record, as that window offers it: asked for when the window opens
// (`fit` none), shown when it comes.
void findSuggestion(const std::optional<ClickFit>& fit) {
  Settings settings;
  loadSettings(settings, self.path);
  std::string date;
  SwitchHealth& health = *self.health;
  const HealthFigures now = addToday(pastFigures(health.ledger()), health.today(&date));
  const Calibration calibration = calibrate(now.kept);
  if (!fit) self.fitTicket = health.askFit(self.hwnd, settings, calibration);
  self.suggestion.reset();
  std::wstring why = text(fit ? TextName::optionsNoSuggestion : TextName::healthAnalysing);
  for (const HealthAdvice& advice :
       healthAdvice(calibration, now.kept, settings, fit.value_or(ClickFit()))) {
    if (advice.action != HealthAction::applyIntervals) continue;
    self.suggestion = advice.choice;
    why = advice.why;
  }
  setText(id::suggestion, why);
  EnableWindow(item(id::applySuggestion), self.suggestion.has_value());
}

// What 应用建议间隔 writes in 鼠标健康, put into the controls: 应用 or 确定 writes it.
void takeSuggestion() {
  if (!self.suggestion) return;
  for (const SettingValue& v : choiceValues(*self.suggestion)) {
    const SettingRow& row = settingRow(v.setting);
    show(row, settingText(row, v.value));
  }
}

void load() {
  prepareSettingsFile(self.path);
  self.fileBytes = currentFileBytes();
  const auto store = openProfileStore(self.path);
  self.loaded = loadOptions(*store);
  self.devices = seenDevices ? deviceRows(*seenDevices, *store) : std::vector<DeviceRow>();
}

enum class Saved { yes, wrongValue, notWritten };

// 确定 and 应用: the changed lines written, the rest of the file left as it is, the settings
// applied at once. A wrong value stays in its control, marked, and is not written. A file that
// cannot be written (read-only, the disk full, held by another program) is told, and every edit
// stays in the window for the next try.
// A pause hot key another program holds is refused, and told: never taken silently. The field
// goes back to the key in force.
void refuseHeldHotkey(Options& now) {
  std::wstring& key = now[K::pauseHotkey];
  if (key == self.loaded[K::pauseHotkey] || hotkeyFree(self.hwnd, _wtoi(key.c_str()))) return;
  MessageBoxW(self.hwnd, text(TextName::hotkeyTaken), text(TextName::optionsTitle),
              MB_OK | MB_ICONWARNING);
  key = self.loaded[K::pauseHotkey];
  show(settingRow(K::pauseHotkey), key);
}

Saved save() {
  Options now = edited();
  refuseHeldHotkey(now);
  const std::vector<K> wrong = wrongOptions(self.loaded, now);
  showWrong(wrong);
  std::vector<OptionWrite> writes = optionWrites(self.loaded, now);
  std::vector<DeviceRow> devices = self.devices;
  readDeviceChecks(item(id::deviceList), devices);
  for (OptionWrite& write : deviceWrites(self.devices, devices)) writes.push_back(write);
  bool written = true;
  if (!writes.empty()) {
    // Someone wrote the file meanwhile (Notepad, the menu): only this window's own changes go
    // over what it holds now. A file that cannot be read now has not been seen to change.
    const auto current = currentFileBytes();
    if (current && self.fileBytes && *current != *self.fileBytes) {
      MessageBoxW(self.hwnd, text(TextName::optionsFileChanged), text(TextName::optionsTitle),
                  MB_OK | MB_ICONINFORMATION);
    }
    written = prepareSettingsFile(self.path) && writeOptions(*openProfileStore(self.path), writes);
    // Sent, not posted: the file is read again below only after the program applied it.
    SendMessageW(self.owner, window_contract::kSettingsChangedMessage, 0, 0);
    if (written && now[K::showIcon] == L"0" && self.loaded[K::showIcon] == L"1") {
      self.removeIcon(self.owner);
    }
  }
  if (!written) {
    // What did reach the file is where the next try starts from; the controls keep the edits.
    if (currentFileBytes()) load();
    MessageBoxW(self.hwnd, fillText(TextName::optionsNotSaved, self.language, {self.path}).c_str(),
                text(TextName::optionsTitle), MB_OK | MB_ICONWARNING);
    return Saved::notWritten;
  }
  load();
  fill(self.loaded);
  for (K key : wrong) setText(optionControlId(key), now[key]);
  return wrong.empty() ? Saved::yes : Saved::wrongValue;
}

// ---- The two lists ----

std::wstring trimmedText(int control) {
  std::wstring value = textOfControl(control);
  const std::size_t begin = value.find_first_not_of(L" \t");
  if (begin == std::wstring::npos) return {};
  return value.substr(begin, value.find_last_not_of(L" \t") - begin + 1);
}

void showGesture() {
  const int row = listSelection(id::gestureList);
  if (row < 0 || row >= static_cast<int>(self.gestures.size())) return;
  const OptionEntry& entry = self.gestures[static_cast<std::size_t>(row)];
  setText(id::gestureName, entry.name);
  const int action = gestureAction(entry.value);
  const bool numbered = action >= 1 && action <= kGestureActionCount;
  select(id::gestureAction, numbered ? action - 1 : kRunProgramRow);
  setText(id::gestureCommand, numbered ? std::wstring() : entry.value);
}

void showProgram() {
  const int row = listSelection(id::programList);
  if (row < 0 || row >= static_cast<int>(self.programs.size())) return;
  const OptionEntry& entry = self.programs[static_cast<std::size_t>(row)];
  setText(id::programName, entry.name);
  select(id::programRule, passesEveryEvent(entry.value) ? 1 : 0);
}

// Add, or with `replace` change the selected entry; what is wrong is said beside the fields.
void putEntry(std::vector<OptionEntry>& entries, int list, OptionEntry entry, bool valid,
              int wrongNote, const std::wstring& why, bool replace,
              std::wstring (*line)(const OptionEntry&)) {
  setText(wrongNote, valid ? std::wstring() : why);
  if (!valid) return;
  const int row = listSelection(list);
  if (replace && row >= 0 && row < static_cast<int>(entries.size())) {
    entries.erase(entries.begin() + row);
  }
  setEntry(entries, entry);
  fillList(list, entries, line);
}

void putGesture(bool replace) {
  std::wstring name = trimmedText(id::gestureName);
  for (wchar_t& c : name) c = static_cast<wchar_t>(c >= L'a' && c <= L'z' ? c - 32 : c);
  const int action = selected(id::gestureAction);
  const std::wstring value = action >= 0 && action < kGestureActionCount
                                 ? std::to_wstring(action + 1)
                                 : trimmedText(id::gestureCommand);
  const bool nameValid = validGestureName(name);
  putEntry(self.gestures, id::gestureList, {name, value}, nameValid && validGestureValue(value),
           id::gestureWrong,
           nameValid ? std::wstring(text(TextName::optionsWrongCommand))
                     : fillText(TextName::optionsWrongGesture, self.language,
                                {std::to_wstring(kMostGestureLetters)}),
           replace, gestureLine);
}

void putProgram(bool replace) {
  const std::wstring name = trimmedText(id::programName);
  const bool all = selected(id::programRule) == 1;
  std::wstring value = all ? L"2" : L"1";
  // 修改 with the rule as it was keeps the value as the user wrote it ("2 ; remote desktop").
  const int row = listSelection(id::programList);
  if (replace && row >= 0 && row < static_cast<int>(self.programs.size()) &&
      passesEveryEvent(self.programs[static_cast<std::size_t>(row)].value) == all) {
    value = self.programs[static_cast<std::size_t>(row)].value;
  }
  putEntry(self.programs, id::programList, {name, value}, validProgramName(name), id::programWrong,
           text(TextName::optionsWrongProgram), replace, programLine);
}

void removeSelected(std::vector<OptionEntry>& entries, int list,
                    std::wstring (*line)(const OptionEntry&)) {
  const int row = listSelection(list);
  if (row < 0 || row >= static_cast<int>(entries.size())) return;
  entries.erase(entries.begin() + row);
  fillList(list, entries, line);
}

// The programs with a visible window now, by file name, in a menu at the button.
void pickOpenProgram() {
  RECT at{};
  GetWindowRect(item(id::programOpen), &at);
  if (const auto name = pickProgramWithWindow(self.hwnd, at)) setText(id::programName, *name);
}

void onCommand(int control, int notification) {
  if (notification == LBN_SELCHANGE && control == id::gestureList) return showGesture();
  if (notification == LBN_SELCHANGE && control == id::programList) return showProgram();
  if (notification != BN_CLICKED) return;
  switch (control) {
    case id::ok:
      if (save() == Saved::yes) DestroyWindow(self.hwnd);
      break;
    case id::cancel:
      DestroyWindow(self.hwnd);
      break;
    case id::apply:
      save();
      break;
    case id::applySuggestion:
      takeSuggestion();
      break;
    case id::gestureAdd:
      putGesture(false);
      break;
    case id::gestureChange:
      putGesture(true);
      break;
    case id::gestureRemove:
      removeSelected(self.gestures, id::gestureList, gestureLine);
      break;
    case id::gestureBrowse:
      if (const auto path = browseForProgram(self.hwnd, text(TextName::optionsExeFiles))) {
        setText(id::gestureCommand,
                path->find(L' ') == std::wstring::npos ? *path : L"\"" + *path + L"\"");
        select(id::gestureAction, kRunProgramRow);
      }
      break;
    case id::programAdd:
      putProgram(false);
      break;
    case id::programChange:
      putProgram(true);
      break;
    case id::programRemove:
      removeSelected(self.programs, id::programList, programLine);
      break;
    case id::programBrowse:
      if (const auto path = browseForProgram(self.hwnd, text(TextName::optionsExeFiles)))
        setText(id::programName, programFileName(*path));
      break;
    case id::programOpen:
      pickOpenProgram();
      break;
    default:
      break;
  }
}

INT_PTR CALLBACK optionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      self.hwnd = dialog;
      keepDialogFromScaling(dialog);
      SetWindowTextW(dialog, text(TextName::optionsTitle));
      self.cells = createOptionsControls(dialog, self.language);
      load();
      fill(self.loaded);
      findSuggestion(std::nullopt);
      showPage(0);
      self.font = arrangeOptions(dialog, self.cells, self.font, nullptr);
      return TRUE;
    case WM_DPICHANGED:
      self.font =
          arrangeOptions(dialog, self.cells, self.font, reinterpret_cast<const RECT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      onCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      if (const auto* note = reinterpret_cast<const NMHDR*>(lParam);
          note->idFrom == id::pages && note->code == TCN_SELCHANGE) {
        showPage(static_cast<int>(SendMessageW(note->hwndFrom, TCM_GETCURSEL, 0, 0)));
      }
      return TRUE;
    case window_contract::kFitDoneMessage:
      if (const auto fit = self.health->takeFit(wParam); fit && wParam == self.fitTicket) {
        findSuggestion(fit);
      }
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      self.health->dropFits(dialog);  // a fit on its way is never shown
      if (self.font) DeleteObject(self.font);
      self = OptionsWindow();
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void openOptionsWindow(HWND mainWindow, Language language, SwitchHealth& health,
                       void (*removeIcon)(HWND)) {
  if (self.hwnd) {
    ShowWindow(self.hwnd, SW_RESTORE);
    SetForegroundWindow(self.hwnd);
    return;
  }
  self.owner = mainWindow;
  self.health = &health;
  self.removeIcon = removeIcon;
  self.language = language;
  self.path = settingsFilePath();
  EmptyTemplate form{};
  form.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFOREGROUND;
  form.dialog.dwExtendedStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  const OwnWindowDpi perMonitor;
  const HWND window =
      CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &form.dialog, nullptr, optionsProc, 0);
  if (!window) return;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
}

bool takeDrawnGesture(const std::wstring& text) {
  if (!self.hwnd || text.empty() || GetForegroundWindow() != self.hwnd ||
      self.page != static_cast<int>(OptionsPage::gestures)) {
    return false;
  }
  setText(id::gestureName, text);
  setText(id::gestureWrong, L"");
  return true;
}

bool optionsWindowMessage(MSG* message) {
  if (!self.hwnd) return false;
  // Ctrl+Tab and Ctrl+Shift+Tab turn the pages, as in every window of tabs, from any control.
  if (message->message == WM_KEYDOWN && message->wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0 &&
      (message->hwnd == self.hwnd || IsChild(self.hwnd, message->hwnd))) {
    showPage(self.page + (GetKeyState(VK_SHIFT) < 0 ? -1 : 1));
    return true;
  }
  return IsDialogMessageW(self.hwnd, message);
}

void listDevicesInOptions(const InputDevices& devices) {
  seenDevices = &devices;
}
