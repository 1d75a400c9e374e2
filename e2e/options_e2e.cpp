// The options window driven as a user would: opened from the menu's command, its controls
// clicked and filled, 应用 / 确定 / 取消 pressed; the settings file and the running program
// checked.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>

#include "common/texts.h"
#include "common/window_contract.h"
#include "e2e/harness.h"
#include "tray/options.h"

namespace {

using namespace e2e;
using K = SettingKey;

// Wide: the window reads the file and replays the click record before it shows.
constexpr DWORD kOpenMs = 15000;

// A hand-written file: comments, a key no version knows, gestures and programs.
const std::wstring kHandWritten = settingsText(
    L"; kept by hand\r\n"
    L"[修复功能]\r\n"
    L"单击=1\r\n"
    L"unknown = stays\r\n"
    L"[鼠标手势]\r\n"
    L"; my gestures\r\n"
    L"DR=3\r\n"
    L"L=\"C:\\Program Files\\x.exe\" \"a b\"\r\n"
    L"[排除程序]\r\n"
    L"cs2.exe=1\r\n");

struct WindowsOf {
  DWORD processId;
  const wchar_t* title;
  int found = 0;
  HWND last = nullptr, first = nullptr;
};

BOOL CALLBACK countWindow(HWND window, LPARAM context) {
  auto& of = *reinterpret_cast<WindowsOf*>(context);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  if (processId == of.processId && IsWindowVisible(window) && std::wstring(title) == of.title) {
    if (++of.found == 1) of.first = window;
    of.last = window;
  }
  return TRUE;
}

WindowsOf optionsWindows(const Clickmend& program) {
  WindowsOf of{program.processId(), textOf(TextName::optionsTitle, Language::chinese)};
  EnumWindows(countWindow, reinterpret_cast<LPARAM>(&of));
  return of;
}

HWND openOptions(const Clickmend& program) {
  PostMessageW(program.window(), WM_COMMAND, menu_command::options, 0);
  HWND window = nullptr;
  pumpUntil([&] { return (window = optionsWindows(program).last) != nullptr; }, kOpenMs);
  return window;
}

// The message box the options window `window` shows, which bears the window's title (or null
// when none came).
HWND boxOf(const Clickmend& program, HWND window) {
  HWND box = nullptr;
  pumpUntil(
      [&] {
        const WindowsOf now = optionsWindows(program);
        box = now.first == window ? now.last : now.first;
        return now.found == 2;
      },
      kOpenMs);
  return optionsWindows(program).found == 2 ? box : nullptr;
}

// The settings file's text, then the options window opened (or null).
std::pair<std::wstring, HWND> readAndOpenOptions(const Clickmend& program) {
  std::wstring before = program.settingsFileText();
  return {before, openOptions(program)};
}

// The page the tabs show.
int shownPage(HWND window) {
  return static_cast<int>(SendDlgItemMessageW(window, option_id::pages, TCM_GETCURSEL, 0, 0));
}

// Ctrl+Tab, or Ctrl+Shift+Tab `backwards`, from wherever the focus is: the next page (the last
// from the first) shows, with its controls.
::testing::AssertionResult turnPage(HWND window, bool backwards = false) {
  const int to = (shownPage(window) + (backwards ? kOptionsPageCount - 1 : 1)) % kOptionsPageCount;
  SetForegroundWindow(window);
  backwards ? chord({VK_CONTROL, VK_SHIFT, VK_TAB}) : chord({VK_CONTROL, VK_TAB});
  int first = 0;  // the page's first control that is not a label
  for (const FormRow& row : optionsForm()) {
    if (!first && static_cast<int>(row.page) == to && row.cells[0].id != option_id::label) {
      first = row.cells[0].id;
    }
  }
  if (pumpUntil([&] { return shownPage(window) == to; }, 5000) &&
      IsWindowVisible(GetDlgItem(window, first))) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "not on page " << to;
}

void turnTo(HWND window, OptionsPage page) {
  while (shownPage(window) != static_cast<int>(page) && turnPage(window)) {
  }
}

void click(HWND window, int control) {
  SendMessageW(GetDlgItem(window, control), BM_CLICK, 0, 0);
}

void type(HWND window, int control, const wchar_t* text) {
  SendMessageW(GetDlgItem(window, control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void choose(HWND window, int control, int row) {
  SendMessageW(GetDlgItem(window, control), CB_SETCURSEL, WPARAM(row), 0);
}

bool closes(const Clickmend& program) {
  return pumpUntil([&] { return optionsWindows(program).found == 0; }, kOpenMs);
}

std::wstring replaced(std::wstring text, const std::wstring& from, const std::wstring& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

TEST(OptionsWindow, ApplyWritesTheUncheckedRepairAndNoOtherLine) {
  Clickmend program(kHandWritten);
  ASSERT_TRUE(program.started());
  const auto [before, window] = readAndOpenOptions(program);
  ASSERT_TRUE(window) << "WM_COMMAND 0x806A opened no window";
  PostMessageW(program.window(), WM_COMMAND, menu_command::options, 0);
  pump(500);
  EXPECT_EQ(optionsWindows(program).found, 1) << "the row again opens no second window";

  click(window, optionControlId(K::clickRepair));
  click(window, option_id::apply);
  EXPECT_EQ(narrow(program.settingsFileText()), narrow(replaced(before, L"单击=1", L"单击=0")));
  click(window, option_id::cancel);
  EXPECT_TRUE(closes(program));
}

TEST(OptionsWindow, CancelAfterChangesWritesNothing) {
  Clickmend program(kHandWritten);
  ASSERT_TRUE(program.started());
  const auto [before, window] = readAndOpenOptions(program);
  ASSERT_TRUE(window);
  click(window, optionControlId(K::clickRepair));
  type(window, optionControlId(K::clickInterval), L"80");
  EXPECT_TRUE(turnPage(window, true)) << "Ctrl+Shift+Tab from the first page";
  type(window, option_id::programName, L"mstsc.exe");
  click(window, option_id::programAdd);
  click(window, option_id::cancel);
  EXPECT_TRUE(closes(program));
  EXPECT_EQ(narrow(program.settingsFileText()), narrow(before));
}

TEST(OptionsWindow, AProgramAddedWithRuleTwoIsInTheFile) {
  Clickmend program(kHandWritten);
  ASSERT_TRUE(program.started());
  const auto [before, window] = readAndOpenOptions(program);
  ASSERT_TRUE(window);
  for (int page = 0; page < static_cast<int>(OptionsPage::programs); ++page) {
    ASSERT_TRUE(turnPage(window)) << "Ctrl+Tab";
  }
  type(window, option_id::programName, L"mstsc.exe");
  choose(window, option_id::programRule, 1);
  click(window, option_id::programAdd);
  click(window, option_id::ok);
  EXPECT_TRUE(closes(program));
  EXPECT_EQ(narrow(program.settingsFileText()),
            narrow(replaced(before, L"cs2.exe=1\r\n", L"cs2.exe=1\r\nmstsc.exe=2\r\n")));
}

// A list view's message whose item (and its text) lives in the program, where a list view of
// another process needs it: written there, sent, read back.
std::wstring sendListItem(HWND list, UINT message, int row, LVITEMW item) {
  DWORD processId = 0;
  GetWindowThreadProcessId(list, &processId);
  const HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  struct Remote {
    LVITEMW item;
    wchar_t text[128];
  } local{item, {}};
  void* remote = VirtualAllocEx(process, nullptr, sizeof local, MEM_COMMIT, PAGE_READWRITE);
  local.item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof item);
  local.item.cchTextMax = 128;
  WriteProcessMemory(process, remote, &local, sizeof local, nullptr);
  SendMessageW(list, message, WPARAM(row), reinterpret_cast<LPARAM>(remote));
  ReadProcessMemory(process, remote, &local, sizeof local, nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  local.text[127] = L'\0';
  return local.text;
}

// Wine's one mouse, seen once input moved it, is listed as it calls itself, with its ids; its
// check cleared and 模拟输入 put back to 默认, the file leaves it out and loses 模拟输入's line.
TEST(OptionsWindow, TheMouseSeenIsListedAndLeftOut) {
  Clickmend program(kHandWritten);
  ASSERT_TRUE(program.started());
  {
    Target target(200, 200, 300, 200);  // Wine gives raw input only while a window is in front
    restIn(target, 1000);               // the mouse named on a thread of its own meanwhile
  }
  const HWND window = openOptions(program);
  ASSERT_TRUE(window);
  const HWND list = GetDlgItem(window, option_id::deviceList);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
  LVITEMW item{};
  item.iSubItem = 1;
  EXPECT_EQ(narrow(sendListItem(list, LVM_GETITEMTEXTW, 0, item)), "845E:0001");
  item.iSubItem = 0;
  EXPECT_EQ(narrow(sendListItem(list, LVM_GETITEMTEXTW, 0, item)), "Wine HID mouse");
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(1);
  sendListItem(list, LVM_SETITEMSTATE, 0, item);
  choose(window, optionControlId(K::simulatedInput), 0);
  click(window, option_id::ok);
  EXPECT_TRUE(closes(program));
  const std::string after = narrow(program.settingsFileText());
  EXPECT_NE(after.find("845E:0001=0\r\n"), std::string::npos) << after;
  EXPECT_EQ(after.find("模拟输入"), std::string::npos) << after;
}

// Written meanwhile (by Notepad, say): the window tells, and writes its own change over the file
// as it is now.
TEST(OptionsWindow, AFileChangedMeanwhileIsToldAndKept) {
  Clickmend program(kHandWritten);
  ASSERT_TRUE(program.started());
  const HWND window = openOptions(program);
  ASSERT_TRUE(window);
  const std::wstring changed = program.settingsFileText() + L"[notes]\r\nby=hand\r\n";
  ASSERT_TRUE(program.writeSettingsFile(changed));
  click(window, optionControlId(K::clickRepair));
  // Posted: the message box holds the window's answer until it is closed.
  PostMessageW(GetDlgItem(window, option_id::apply), BM_CLICK, 0, 0);
  const HWND box = boxOf(program, window);
  ASSERT_TRUE(box) << "the change on disk was not told";
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  const std::string expected = narrow(replaced(changed, L"单击=1", L"单击=0"));
  EXPECT_TRUE(pumpUntil([&] { return narrow(program.settingsFileText()) == expected; }, kOpenMs))
      << narrow(program.settingsFileText());
  click(window, option_id::cancel);
  EXPECT_TRUE(closes(program));
}

// Held open by another program (a sync client, an editor), the file cannot be written: 确定 says
// so, and not that the file changed, and the window stays open with the edit for the next try.
TEST(OptionsWindow, ASaveThatFailsIsToldAndTheEditKept) {
  Clickmend program(kHandWritten);
  ASSERT_TRUE(program.started());
  // Chosen by hand and applied: the reload after the refused save, under the hold, keeps it.
  program.writeSettingsFile(replaced(program.settingsFileText(), L"左键=0", L"左键=1"));
  SendMessageW(program.window(), window_contract::kSettingsChangedMessage, 0, 0);
  const auto [before, window] = readAndOpenOptions(program);
  ASSERT_TRUE(window);
  click(window, optionControlId(K::clickRepair));
  // The program reads the file too (when the fit's answer comes, for one): held once it is free.
  HANDLE held = INVALID_HANDLE_VALUE;
  pumpUntil(
      [&] {
        held = CreateFileW(program.settingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
        return held != INVALID_HANDLE_VALUE;
      },
      kOpenMs);
  ASSERT_NE(held, INVALID_HANDLE_VALUE) << "the file could not be held";
  PostMessageW(GetDlgItem(window, option_id::ok), BM_CLICK, 0, 0);
  HWND box = nullptr;
  pumpUntil([&] { return (box = optionsWindows(program).first) != window; }, kOpenMs);
  wchar_t said[512] = {};
  GetDlgItemTextW(box, 0xFFFF, said, 512);  // a message box's text
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  pump(500);
  CloseHandle(held);
  SendMessageW(program.window(), WM_COMMAND, 0x80FF, 0);  // a command that only saves the flags
  ASSERT_NE(program.settingsFileText().find(L"左键=1"), std::wstring::npos) << "defaults saved";
  EXPECT_EQ(narrow(said), narrow(fillText(TextName::optionsNotSaved, Language::chinese,
                                          {program.settingsPath()})));
  EXPECT_EQ(optionsWindows(program).found, 1) << "the window closed as if it had saved";
  EXPECT_EQ(IsDlgButtonChecked(window, optionControlId(K::clickRepair)), BST_UNCHECKED);
  click(window, option_id::ok);
  EXPECT_TRUE(closes(program));
  EXPECT_EQ(narrow(program.settingsFileText()), narrow(replaced(before, L"单击=1", L"单击=0")));
}

// Set on the 功能 page, the pause hot key flips 暂停 as the menu does: a chattering click passes
// whole while paused and is repaired again after the second press. A key another program holds
// is refused with a message, and not written.
TEST(OptionsWindow, APauseHotkeySetInTheWindowPausesTheRepairs) {
  Clickmend program(settingsText(L"[设备选择]\r\n左键=1\r\n"));
  ASSERT_TRUE(program.started());
  ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'K')) << "held by this test";
  const HWND window = openOptions(program);
  ASSERT_TRUE(window);
  turnTo(window, OptionsPage::features);
  const HWND field = GetDlgItem(window, optionControlId(K::pauseHotkey));
  ASSERT_TRUE(IsWindowVisible(field));
  SendMessageW(field, HKM_SETHOTKEY, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
  PostMessageW(GetDlgItem(window, option_id::apply), BM_CLICK, 0, 0);
  const HWND box = boxOf(program, window);
  ASSERT_TRUE(box) << "a key another program holds was taken silently";
  wchar_t said[512] = {};
  GetDlgItemTextW(box, 0xFFFF, said, 512);
  EXPECT_EQ(narrow(said), narrow(textOf(TextName::hotkeyTaken, Language::chinese)));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  pumpUntil([&] { return optionsWindows(program).found == 1; }, kOpenMs);
  UnregisterHotKey(nullptr, 1);
  EXPECT_EQ(program.settingsFileText().find(L"暂停热键"), std::wstring::npos);

  const WORD pauseKey = MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT);
  SendMessageW(field, HKM_SETHOTKEY, pauseKey, 0);
  click(window, option_id::ok);
  ASSERT_TRUE(closes(program));
  EXPECT_NE(program.settingsFileText().find(L"暂停热键=" + std::to_wstring(pauseKey)),
            std::wstring::npos);
  Target target(200, 200, 300, 200);
  for (const int downs : {2, 1}) {
    SCOPED_TRACE(downs == 2 ? "paused" : "resumed");
    chord({VK_CONTROL, VK_MENU, 'P'});
    pump(300);
    target.clear();
    chatteringClick(target.center());
    EXPECT_EQ(target.count(WM_LBUTTONDOWN), downs) << target.describe();
  }
}

// Alt held, the right button dragged up from `at`: the gesture U.
void drawUp(POINT at) {
  moveTo(at);
  pump(kClickInterval + 200);
  key(VK_MENU, true);
  pump(50);
  mouseButton(MOUSEEVENTF_RIGHTDOWN);
  pump(20);
  for (int i = 0; i < 12; ++i) {
    at.y -= 10;
    moveTo(at);
    pump(10);
  }
  mouseButton(MOUSEEVENTF_RIGHTUP);
  pump(50);
  key(VK_MENU, false);
}

std::wstring fieldText(HWND window, int control) {
  wchar_t text[64] = {};
  SendMessageW(GetDlgItem(window, control), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
  return text;
}

// Drawn over the window, U fills the gesture field; bound to 最小化, it then runs at once.
TEST(OptionsWindow, AGestureDrawnAndAddedRunsAtOnce) {
  Clickmend program(kHandWritten);
  ASSERT_TRUE(program.started());
  const HWND window = openOptions(program);
  ASSERT_TRUE(window);
  turnTo(window, OptionsPage::gestures);
  RECT at{};
  GetWindowRect(window, &at);
  drawUp({(at.left + at.right) / 2, (at.top + at.bottom) / 2 + 60});
  ASSERT_TRUE(pumpUntil([&] { return fieldText(window, option_id::gestureName) == L"U"; }, 5000))
      << narrow(fieldText(window, option_id::gestureName));
  choose(window, option_id::gestureAction, 2);  // 3 最小化
  click(window, option_id::gestureAdd);
  click(window, option_id::ok);
  ASSERT_TRUE(closes(program));
  EXPECT_NE(
      program.settingsFileText().find(L"DR=3\r\nL=\"C:\\Program Files\\x.exe\" \"a b\"\r\nU=3\r\n"),
      std::wstring::npos)
      << narrow(program.settingsFileText());

  Target target(100, 100, 600, 500);
  drawUp(target.center());
  const auto minimised = [&] {
    for (const Received& r : target.only(WM_SYSCOMMAND)) {
      if ((r.wParam & 0xFFF0) == SC_MINIMIZE) return true;
    }
    return false;
  };
  EXPECT_TRUE(pumpUntil(minimised, 5000)) << target.describe();
}

}  // namespace
