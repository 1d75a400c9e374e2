// Gesture commands against a recorded desktop. The bindings are real settings files, so the same
// cases check the file-backed store on the host and the profile functions under Wine.
#include "gesture/commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/file_access.h"
#include "common/text.h"
#include "settings/profile_store.h"
#include "settings/settings.h"
#include "tests/test_files.h"

namespace {

using Log = std::vector<std::string>;

std::string narrow(const std::wstring& text) {
  return encodeUtf8(text);
}

struct FakeWindow {
  WindowHandle parent = 0;
  std::uint32_t style = kVisibleStyle;
  std::wstring title;
  std::wstring className;
  std::uint32_t processId = 0;
  // IsWindowVisible turns true at this watcher pass; 0 is visible from the start.
  int shownAtPass = 0;
};

// A desktop of windows that records every effect in order, and the queries apart.
class FakeDesktop final : public WindowOps {
 public:
  std::map<WindowHandle, FakeWindow> windows;
  std::vector<WindowHandle> topLevel;  // in EnumWindows order
  ScreenPoint cursor{640, 480};
  WindowHandle underCursor = 0;
  WindowHandle mainWindow = 99;
  std::optional<std::uint32_t> startedProcessId = 4321;
  std::map<std::uint32_t, std::wstring> programs;  // by process; absent: unreadable
  int pass = 0;
  Log effects;
  Log reads;

  void add(WindowHandle handle, FakeWindow window, bool listedTopLevel = true) {
    windows[handle] = window;
    if (listedTopLevel) topLevel.push_back(handle);
  }

  ScreenPoint cursorPosition() override {
    reads.push_back("cursor");
    return cursor;
  }
  WindowHandle windowFromPoint(ScreenPoint point) override {
    reads.push_back("windowFromPoint " + std::to_string(point.x) + "," + std::to_string(point.y));
    return underCursor;
  }
  WindowHandle parent(WindowHandle window) override {
    reads.push_back("parent " + std::to_string(window));
    return find(window).parent;
  }
  std::uint32_t style(WindowHandle window) override {
    reads.push_back("style " + std::to_string(window));
    return find(window).style;
  }
  bool isVisible(WindowHandle window) override {
    reads.push_back("visible " + std::to_string(window));
    const FakeWindow& w = find(window);
    return (w.style & kVisibleStyle) != 0 && pass >= w.shownAtPass;
  }
  std::wstring title(WindowHandle window) override {
    reads.push_back("title " + std::to_string(window));
    return find(window).title;
  }
  std::wstring className(WindowHandle window) override {
    reads.push_back("class " + std::to_string(window));
    return find(window).className;
  }
  std::uint32_t processIdOf(WindowHandle window) override {
    reads.push_back("process " + std::to_string(window));
    return find(window).processId;
  }
  std::wstring programPath(std::uint32_t processId) override {
    reads.push_back("program " + std::to_string(processId));
    const auto it = programs.find(processId);
    return it == programs.end() ? std::wstring() : it->second;
  }
  std::vector<WindowHandle> topLevelWindows() override {
    reads.push_back("enumerate");
    return topLevel;
  }
  WindowHandle clickmendWindow() override {
    reads.push_back("find clickmend");
    return mainWindow;
  }
  void postMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) override {
    char line[96];
    std::snprintf(line, sizeof line, "post %llu 0x%x 0x%llx %lld",
                  static_cast<unsigned long long>(window), static_cast<unsigned>(message),
                  static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
    effects.push_back(line);
  }
  void setTopmost(WindowHandle window, bool topmost) override {
    effects.push_back((topmost ? "topmost " : "not topmost ") + std::to_string(window));
  }
  std::optional<std::uint32_t> startProcess(const std::wstring& commandLine) override {
    effects.push_back("start " + narrow(commandLine));
    return startedProcessId;
  }
  void startWatcher(std::uint32_t processId) override {
    effects.push_back("watch " + std::to_string(processId));
  }
  void printText(const char* format, const wchar_t* text) override {
    std::string line = format;
    line.replace(line.find("%S"), 2, narrow(text));
    effects.push_back("print " + line);
  }

 private:
  FakeWindow none_{0, 0, L"", L"", 0, 0};
  // Like the desktop, a window that is not there answers with zeros and empty texts.
  const FakeWindow& find(WindowHandle window) const {
    const auto it = windows.find(window);
    return it == windows.end() ? none_ : it->second;
  }
};

std::string sysCommand(WindowHandle window, unsigned command, long long lParam = 0) {
  char line[64];
  std::snprintf(line, sizeof line, "post %llu 0x112 0x%x %lld",
                static_cast<unsigned long long>(window), command, lParam);
  return line;
}
std::string classLine(const std::string& name) {
  return "print Class:" + name + "\n";
}

// Settings files holding one gesture section each; every file is new, so no store can answer
// from what it read of an earlier one.
class Bindings {
 public:
  std::unique_ptr<ProfileStore> open(const std::wstring& lines) {
    const std::wstring path = dir_.file(L"bindings" + std::to_wstring(++count_) + L".ini");
    const std::wstring text = L"[" + std::wstring(kGestureSection) + L"]\r\n" + lines + L"\r\n";
    EXPECT_TRUE(writeFileBytes(path, "\xFF\xFE" + encodeUtf16le(text)));
    return openProfileStore(path);
  }

 private:
  TempDir dir_;
  int count_ = 0;
};

// An application window (10) with an edit control (11) holding a scroll bar (12) under the cursor.
constexpr WindowHandle kApp = 10;
constexpr WindowHandle kEdit = 11;
constexpr WindowHandle kScrollBar = 12;

FakeDesktop applicationUnderCursor() {
  FakeDesktop desktop;
  desktop.add(kApp, {0, kVisibleStyle | 0x00CF0000, L"notes.txt - Notepad", L"Notepad", 7});
  desktop.add(kEdit, {kApp, kVisibleStyle | 0x40000000, L"", L"Edit", 7}, false);
  desktop.add(kScrollBar, {kEdit, kVisibleStyle | 0x40000000, L"", L"ScrollBar", 7}, false);
  desktop.underCursor = kScrollBar;
  return desktop;
}

Log run(FakeDesktop& desktop, ProfileStore& bindings, const wchar_t* gesture = L"DR") {
  runGestureCommandWith(gesture, desktop, bindings);
  return desktop.effects;
}

TEST(GestureCommand, ActionsByNumber) {
  const std::string appClass = classLine("Notepad");
  struct Case {
    const char* name;
    const wchar_t* binding;
    Log effects;
  };
  const Case cases[] = {
      {"1 makes the target topmost", L"DR=1", {appClass, "topmost 10"}},
      {"2 takes it out of the topmost band", L"DR=2", {appClass, "not topmost 10"}},
      {"3 minimises", L"DR=3", {appClass, sysCommand(kApp, 0xF020)}},
      {"4 maximises", L"DR=4", {appClass, sysCommand(kApp, 0xF030)}},
      {"5 restores", L"DR=5", {appClass, sysCommand(kApp, 0xF120)}},
      {"6 closes", L"DR=6", {appClass, sysCommand(kApp, 0xF060)}},
      {"7 closes the class (here the target alone)", L"DR=7", {appClass, sysCommand(kApp, 0xF060)}},
      {"8 starts the screen saver everywhere", L"DR=8", {appClass, sysCommand(0xFFFF, 0xF140)}},
      {"9 switches the monitors off", L"DR=9", {appClass, sysCommand(0xFFFF, 0xF170, 2)}},
      {"10 closes Clickmend's own window", L"DR=10", {appClass, "post 99 0x10 0x0 0"}},
      {"11 does nothing", L"DR=11", {appClass}},
      {"a huge number does nothing", L"DR=100000", {appClass}},
      {"a negative number does nothing", L"DR=-3", {appClass}},
      {"a value that begins with digits reads as its number",
       L"DR=3d.exe",
       {appClass, sysCommand(kApp, 0xF020)}},
      {"leading zeros", L"DR=004", {appClass, sysCommand(kApp, 0xF030)}},
      {"another gesture's binding is not this one's", L"D=3\r\nDRD=4\r\nRD=5", {appClass}},
  };
  Bindings bindings;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop = applicationUnderCursor();
    EXPECT_EQ(run(desktop, *bindings.open(c.binding)), c.effects);
  }
}

TEST(GestureCommand, StartsTheBoundCommandLine) {
  const std::string appClass = classLine("Notepad");
  const std::wstring longLine = L"notepad.exe " + std::wstring(300, L'x');
  const std::string whole = "notepad.exe " + std::string(300, 'x');
  struct Case {
    const char* name;
    const wchar_t* gesture;
    std::wstring binding;
    bool starts;
    Log effects;
  };
  const Case cases[] = {
      {"a program is started and watched",
       L"U",
       L"U=notepad.exe",
       true,
       {appClass, "start notepad.exe", "print start:4321 notepad.exe\n\n", "watch 4321"}},
      {"arguments go with it",
       L"U",
       L"U=notepad.exe C:\\notes.txt",
       true,
       {appClass, "start notepad.exe C:\\notes.txt",
        "print start:4321 notepad.exe C:\\notes.txt\n\n", "watch 4321"}},
      {"a quoted path with a space and a quoted argument keep their quotes",
       L"U",
       L"U=\"C:\\My Tools\\x.exe\" \"arg one\"",
       true,
       {appClass, "start \"C:\\My Tools\\x.exe\" \"arg one\"",
        "print start:4321 \"C:\\My Tools\\x.exe\" \"arg one\"\n\n", "watch 4321"}},
      {"a quoted path alone keeps its quotes (unquoted it would start C:\\My.exe)",
       L"U",
       L"U=\"C:\\My Tools\\x.exe\"",
       true,
       {appClass, "start \"C:\\My Tools\\x.exe\"", "print start:4321 \"C:\\My Tools\\x.exe\"\n\n",
        "watch 4321"}},
      {"a quoted number still reads as the action",
       L"U",
       L"U=\"3\"",
       true,
       {appClass, sysCommand(kApp, 0xF020)}},
      {"a program that does not start is neither reported nor watched",
       L"U",
       L"U=no-such-program.exe",
       false,
       {appClass, "start no-such-program.exe"}},
      {"0 itself is tried as a command line", L"L", L"L=0", false, {appClass, "start 0"}},
      {"an absent binding starts nothing", L"UL", L"U=3", true, {appClass}},
      {"an empty binding starts nothing", L"U", L"U=", true, {appClass}},
      {"a command line past 254 characters is read whole",
       L"R",
       L"R=" + longLine,
       true,
       {appClass, "start " + whole, "print start:4321 " + whole + "\n\n", "watch 4321"}},
  };
  Bindings bindings;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop = applicationUnderCursor();
    if (!c.starts) desktop.startedProcessId.reset();
    EXPECT_EQ(run(desktop, *bindings.open(c.binding), c.gesture), c.effects);
  }
}

TEST(GestureCommand, TargetIsTheTopLevelAncestorOfTheWindowUnderTheCursor) {
  Bindings bindings;
  FakeDesktop desktop = applicationUnderCursor();
  desktop.cursor = {-200, 35};  // a monitor left of the primary one
  EXPECT_EQ(run(desktop, *bindings.open(L"DR=3")),
            (Log{classLine("Notepad"), sysCommand(kApp, 0xF020)}));
  const Log reads = {"cursor",    "windowFromPoint -200,35",
                     "parent 12", "parent 11",
                     "parent 10", "style 10",
                     "title 10",  "class 10"};
  EXPECT_EQ(desktop.reads, reads) << "style, then title, then class name, all of the ancestor";
}

TEST(GestureCommand, ProtectedTargetsAreLeftAlone) {
  struct Case {
    const char* name;
    FakeWindow target;
    bool isProtected;
  };
  const std::uint32_t shown = kVisibleStyle | 0x00CF0000;
  const Case cases[] = {
      {"the desktop by its title", {0, shown, L"Program Manager", L"Progman"}, true},
      {"title in capitals", {0, shown, L"PROGRAM MANAGER", L"Progman"}, true},
      {"title in small letters", {0, shown, L"program manager", L"Progman"}, true},
      {"a longer title is not the desktop's", {0, shown, L"Program Manager 2", L"Progman"}, false},
      {"a shorter title is not the desktop's", {0, shown, L"Program Manage", L"Progman"}, false},
      {"a style without WS_VISIBLE", {0, 0x00CF0000, L"hidden", L"App"}, true},
      {"a style with nothing but WS_VISIBLE", {0, kVisibleStyle, L"bare", L"App"}, false},
      {"tooltips", {0, shown, L"", L"tooltips_class32"}, true},
      {"tooltips in capitals", {0, shown, L"", L"TOOLTIPS_CLASS32"}, true},
      {"the taskbar", {0, shown, L"", L"Shell_TrayWnd"}, true},
      {"the taskbar in small letters", {0, shown, L"", L"shell_traywnd"}, true},
      {"the desktop's worker window", {0, shown, L"", L"WorkerW"}, true},
      {"the worker window in capitals", {0, shown, L"", L"WORKERW"}, true},
      {"a class that only begins like the worker's", {0, shown, L"", L"WorkerWindow"}, false},
      {"a class the worker's name ends", {0, shown, L"", L"Worker"}, false},
      {"a secondary taskbar is not protected", {0, shown, L"", L"Shell_SecondaryTrayWnd"}, false},
      {"a title far beyond the buffer", {0, shown, std::wstring(1000, L'P'), L"App"}, false},
  };
  Bindings bindings;
  for (const Case& c : cases) {
    for (const wchar_t* binding : {L"DR=1", L"DR=2", L"DR=3", L"DR=4", L"DR=5", L"DR=6", L"DR=7"}) {
      SCOPED_TRACE(std::string(c.name) + ", " + narrow(binding));
      FakeDesktop desktop;
      desktop.add(20, c.target);
      desktop.underCursor = 20;
      const Log effects = run(desktop, *bindings.open(binding));
      ASSERT_FALSE(effects.empty());
      EXPECT_EQ(effects.front(), classLine(narrow(c.target.className)));
      EXPECT_EQ(effects.size(), c.isProtected ? 1u : 2u);
    }
  }
}

TEST(GestureCommand, ProtectionFollowsTheAncestorNotTheWindowUnderTheCursor) {
  Bindings bindings;
  {
    SCOPED_TRACE("desktop icons: a list view inside Program Manager");
    FakeDesktop desktop;
    desktop.add(30, {0, kVisibleStyle, L"Program Manager", L"Progman"});
    desktop.add(31, {30, kVisibleStyle, L"", L"SHELLDLL_DefView"}, false);
    desktop.add(32, {31, kVisibleStyle, L"FolderView", L"SysListView32"}, false);
    desktop.underCursor = 32;
    EXPECT_EQ(run(desktop, *bindings.open(L"DR=6")), Log{classLine("Progman")});
  }
  {
    SCOPED_TRACE("an application's child that happens to carry a protected class");
    FakeDesktop desktop = applicationUnderCursor();
    desktop.windows[kScrollBar].className = L"WorkerW";
    EXPECT_EQ(run(desktop, *bindings.open(L"DR=6")),
              (Log{classLine("Notepad"), sysCommand(kApp, 0xF060)}));
  }
}

TEST(GestureCommand, ActionsNotAboutTheTargetRunOverProtectedWindows) {
  struct Case {
    const char* name;
    const wchar_t* binding;
    Log after;
  };
  const Case cases[] = {
      {"a program starts",
       L"DR=notepad.exe",
       {"start notepad.exe", "print start:4321 notepad.exe\n\n", "watch 4321"}},
      {"the screen saver", L"DR=8", {sysCommand(0xFFFF, 0xF140)}},
      {"monitors off", L"DR=9", {sysCommand(0xFFFF, 0xF170, 2)}},
      {"quit", L"DR=10", {"post 99 0x10 0x0 0"}},
  };
  Bindings bindings;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    desktop.add(40, {0, kVisibleStyle, L"", L"Shell_TrayWnd"});
    desktop.underCursor = 40;
    Log expected = {classLine("Shell_TrayWnd")};
    expected.insert(expected.end(), c.after.begin(), c.after.end());
    EXPECT_EQ(run(desktop, *bindings.open(c.binding)), expected);
  }
}

TEST(GestureCommand, NoWindowUnderTheCursorIsProtected) {
  Bindings bindings;
  for (const wchar_t* binding : {L"DR=1", L"DR=3", L"DR=7"}) {
    SCOPED_TRACE(narrow(binding));
    FakeDesktop desktop;
    desktop.underCursor = 0;
    EXPECT_EQ(run(desktop, *bindings.open(binding)), Log{classLine("")});
  }
}

TEST(GestureCommand, ClassNamesAreReadAsTheBufferHoldsThem) {
  Bindings bindings;
  FakeDesktop desktop;
  const std::wstring longClass(300, L'c');
  desktop.add(50, {0, kVisibleStyle, L"", longClass});
  desktop.add(51, {0, kVisibleStyle, L"", longClass.substr(0, 254) + L"d"});
  desktop.add(52, {0, kVisibleStyle, L"", longClass.substr(0, 253)});
  desktop.underCursor = 50;
  const Log expected = {classLine(std::string(254, 'c')), sysCommand(50, 0xF060),
                        sysCommand(51, 0xF060)};
  EXPECT_EQ(run(desktop, *bindings.open(L"DR=7")), expected)
      << "classes alike in their first 254 characters read the same";
}

TEST(GestureCommand, ClosingAClassClosesItsVisibleTopLevelWindows) {
  Bindings bindings;
  FakeDesktop desktop = applicationUnderCursor();
  desktop.add(60, {0, kVisibleStyle, L"second", L"Notepad", 7});
  desktop.add(61, {0, 0, L"hidden", L"Notepad"});
  desktop.add(62, {60, kVisibleStyle, L"owned dialog", L"Notepad"});  // owned: GetParent answers
  desktop.add(63, {0, kVisibleStyle, L"other case", L"NOTEPAD"});
  desktop.add(64, {0, kVisibleStyle, L"other class", L"WordPadClass"});
  desktop.add(65, {0, kVisibleStyle, L"longer name", L"Notepad2"});
  desktop.add(66, {0, kVisibleStyle, L"third", L"Notepad", 7});
  desktop.add(67, {0, kVisibleStyle, L"shorter name", L"Notepa"});
  const Log expected = {classLine("Notepad"), sysCommand(kApp, 0xF060), sysCommand(60, 0xF060),
                        sysCommand(66, 0xF060)};
  EXPECT_EQ(run(desktop, *bindings.open(L"DR=7")), expected);
}

// Chrome, Edge, Visual Studio Code and Slack all draw their windows with Chrome_WidgetWin_1.
TEST(GestureCommand, ClosingAClassClosesOnlyTheWindowsOfTheTargetsProgram) {
  Bindings bindings;
  FakeDesktop desktop;
  const std::wstring shared = L"Chrome_WidgetWin_1";
  desktop.add(20, {0, kVisibleStyle, L"browser", shared, 7});
  desktop.add(21, {0, kVisibleStyle, L"another browser process", shared, 8});
  desktop.add(22, {0, kVisibleStyle, L"editor", shared, 9});
  desktop.add(23, {0, kVisibleStyle, L"of higher rights", shared, 10});
  desktop.programs = {{7, L"C:\\Browser\\browser.exe"},
                      {8, L"c:\\browser\\BROWSER.EXE"},
                      {9, L"C:\\Editor\\editor.exe"}};
  desktop.underCursor = 20;
  const Log expected = {classLine("Chrome_WidgetWin_1"), sysCommand(20, 0xF060),
                        sysCommand(21, 0xF060)};
  EXPECT_EQ(run(desktop, *bindings.open(L"DR=7")), expected);
}

TEST(GestureCommand, ClosingAClassOverAProtectedWindowClosesNothing) {
  Bindings bindings;
  FakeDesktop desktop;
  desktop.add(70, {0, kVisibleStyle, L"", L"WorkerW"});
  desktop.add(71, {0, kVisibleStyle, L"", L"WorkerW"});
  desktop.underCursor = 70;
  EXPECT_EQ(run(desktop, *bindings.open(L"DR=7")), Log{classLine("WorkerW")});
  for (const std::string& read : desktop.reads) EXPECT_NE(read, "enumerate");
}

TEST(GestureCommand, AnEmptyGestureRunsNothing) {
  Bindings bindings;
  const auto store = bindings.open(L"=3");
  for (const wchar_t* text : {static_cast<const wchar_t*>(nullptr), L""}) {
    FakeDesktop desktop = applicationUnderCursor();
    runGestureCommandWith(text, desktop, *store);
    EXPECT_TRUE(desktop.effects.empty());
    EXPECT_TRUE(desktop.reads.empty());
  }
}

TEST(GestureCommand, ALoopingParentChainEnds) {
  Bindings bindings;
  FakeDesktop desktop;
  desktop.add(80, {81, kVisibleStyle, L"", L"A"});
  desktop.add(81, {80, kVisibleStyle, L"", L"B"});
  desktop.underCursor = 80;
  const Log effects = run(desktop, *bindings.open(L"DR=3"));
  ASSERT_EQ(effects.size(), 2u);
  EXPECT_EQ(effects[1].rfind("post 8", 0), 0u) << effects[1];
}

// The started program as a watcher sees it; each wait is one watcher pass on the desktop.
class FakeProcess final : public WatchedProcess {
 public:
  FakeProcess(FakeDesktop& desktop, std::uint32_t id, int endsAtPass)
      : desktop_(desktop), id_(id), endsAtPass_(endsAtPass) {}
  std::uint32_t id() override { return id_; }
  bool hasEnded() override { return desktop_.pass >= endsAtPass_; }
  void waitBeforePass() override {
    // A watcher that never stops would spin here for ever; fail instead.
    if (desktop_.pass >= kMaxWatcherPasses) throw std::runtime_error("watcher still polling");
    ++desktop_.pass;
    desktop_.effects.push_back("wait");
  }

 private:
  FakeDesktop& desktop_;
  std::uint32_t id_;
  int endsAtPass_;
};

TEST(TopmostWatcher, StopsAtTheFirstWindowOrWhenTheProgramEnds) {
  constexpr std::uint32_t kStarted = 500;
  constexpr int kNever = 1 << 30;
  const std::uint32_t shown = kVisibleStyle;
  struct Case {
    const char* name;
    std::vector<std::pair<WindowHandle, FakeWindow>> windows;
    int endsAtPass;
    Log effects;
  };
  const Case cases[] = {
      {"a window already there at the first pass",
       {{90, {0, shown, L"", L"", kStarted, 0}}},
       kNever,
       {"wait", "topmost 90"}},
      {"a window that shows at the third pass",
       {{90, {0, shown, L"", L"", kStarted, 3}}},
       kNever,
       {"wait", "wait", "wait", "topmost 90"}},
      {"every matching window of that pass, in order",
       {{90, {0, shown, L"", L"", kStarted, 2}},
        {91, {0, shown, L"", L"", 600, 0}},
        {92, {0, shown, L"", L"", kStarted, 2}}},
       kNever,
       {"wait", "wait", "topmost 90", "topmost 92"}},
      {"only the first pass with a window counts: later windows are left",
       {{90, {0, shown, L"", L"", kStarted, 1}}, {91, {0, shown, L"", L"", kStarted, 2}}},
       kNever,
       {"wait", "topmost 90"}},
      {"a program that ends without a window stops the watcher",
       {{91, {0, shown, L"", L"", 600, 0}}},
       4,
       {"wait", "wait", "wait", "wait"}},
      {"a program that ended at once", {}, 0, {"wait"}},
      {"a program that never shows a window is watched for kMaxWatcherPasses passes",
       {},
       kNever,
       Log(kMaxWatcherPasses, "wait")},
      {"a hidden window is waited for; the program ends first",
       {{90, {0, 0, L"", L"", kStarted, 0}}},
       3,
       {"wait", "wait", "wait"}},
      {"an owned window of the program is passed over",
       {{93, {0, shown, L"", L"", 600, 0}},
        {90, {93, shown, L"", L"", kStarted, 0}},
        {94, {0, shown, L"", L"", kStarted, 2}}},
       kNever,
       {"wait", "wait", "topmost 94"}},
      {"a window showing as the program ends is still made topmost",
       {{90, {0, shown, L"", L"", kStarted, 2}}},
       2,
       {"wait", "wait", "topmost 90"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    for (const auto& [handle, window] : c.windows) desktop.add(handle, window);
    FakeProcess process(desktop, kStarted, c.endsAtPass);
    watchForFirstWindow(desktop, process);
    EXPECT_EQ(desktop.effects, c.effects);
  }
}

}  // namespace
