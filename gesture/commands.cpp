#include "gesture/commands.h"

#include <string>
#include <utility>

#include "settings/profile_store.h"
#include "settings/settings.h"

namespace {

// GetParent cannot loop on a real desktop, but a window tree changing under us is not ours to
// trust: no real nesting comes near this depth.
constexpr int kMaxAncestors = 1024;

// What the desktop's fixed buffers would have held.
std::wstring asBuffered(std::wstring text) {
  if (text.size() > kWindowTextBuffer - 1) text.resize(kWindowTextBuffer - 1);
  return text;
}

wchar_t asciiLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c;
}

bool equalIgnoringAsciiCase(const std::wstring& text, const wchar_t* name) {
  std::size_t i = 0;
  for (; i < text.size() && name[i] != L'\0'; ++i) {
    if (asciiLower(text[i]) != asciiLower(name[i])) return false;
  }
  return i == text.size() && name[i] == L'\0';
}

WindowHandle targetWindow(WindowOps& ops) {
  WindowHandle window = ops.windowFromPoint(ops.cursorPosition());
  for (int depth = 0; depth < kMaxAncestors; ++depth) {
    const WindowHandle parent = ops.parent(window);
    if (parent == 0) break;
    window = parent;
  }
  return window;
}

struct Target {
  WindowHandle window;
  std::wstring className;
  bool isProtected;
};

// The title and style are read before the class name, and the class name is read even for a
// window already known to be protected: the debug line shows it either way.
Target examineTarget(WindowOps& ops) {
  Target target{targetWindow(ops), {}, false};
  const std::uint32_t style = ops.style(target.window);
  const std::wstring title = asBuffered(ops.title(target.window));
  target.isProtected =
      equalIgnoringAsciiCase(title, L"Program Manager") || (style & kVisibleStyle) == 0;
  target.className = asBuffered(ops.className(target.window));
  for (const wchar_t* name : {L"tooltips_class32", L"Shell_TrayWnd", L"WorkerW"}) {
    if (equalIgnoringAsciiCase(target.className, name)) target.isProtected = true;
  }
  return target;
}

// The commands that are one system command to the window under the gesture.
constexpr std::pair<GestureCommand, std::uintptr_t> kWindowSysCommands[] = {
    {GestureCommand::minimize, sys_command::minimize},
    {GestureCommand::maximize, sys_command::maximize},
    {GestureCommand::restore, sys_command::restore},
    {GestureCommand::close, sys_command::close},
};

void postSysCommand(WindowOps& ops, WindowHandle window, std::uintptr_t command,
                    std::intptr_t lParam = 0) {
  ops.postMessage(window, window_message::sysCommand, command, lParam);
}

bool equalPathsIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

// Exact, case-sensitive match: two applications' classes differing only in case are different
// applications. A class alone does not make an application: browsers, editors and chat programs
// built on one framework share theirs, and every Store app has the same frame. So only windows
// whose process runs the target's program file are closed; a process whose file cannot be read
// is not taken for the target's, unless it is the target's own.
void closeEveryWindowOfClass(WindowOps& ops, const Target& target) {
  const std::uint32_t targetProcess = ops.processIdOf(target.window);
  std::wstring targetProgram;
  bool targetProgramRead = false;
  for (const WindowHandle window : ops.topLevelWindows()) {
    if (ops.parent(window) != 0 || !ops.isVisible(window)) continue;
    if (asBuffered(ops.className(window)) != target.className) continue;
    const std::uint32_t process = ops.processIdOf(window);
    if (process != targetProcess) {
      if (!targetProgramRead) {
        targetProgram = ops.programPath(targetProcess);
        targetProgramRead = true;
      }
      if (targetProgram.empty() ||
          !equalPathsIgnoringCase(ops.programPath(process), targetProgram)) {
        continue;
      }
    }
    postSysCommand(ops, window, sys_command::close);
  }
}

void startProgram(const wchar_t* text, WindowOps& ops, ProfileStore& bindings) {
  // As written: "C:\My Tools\x.exe" "arg one" stripped of its outer quotes names no program.
  const std::wstring commandLine =
      bindings.readStringAsWritten(kGestureSection, text, std::wstring::npos);
  // An absent binding reads as the empty command line, which names no program.
  if (commandLine.empty()) return;
  const std::optional<std::uint32_t> processId = ops.startProcess(commandLine);
  if (!processId) return;
  // The identifier goes into the format itself: the line carries a number and a text.
  std::string format = "start:";
  char digits[12];
  int n = 0;
  for (std::uint32_t id = *processId; n == 0 || id != 0; id /= 10) digits[n++] = '0' + id % 10;
  while (n > 0) format += digits[--n];
  format += " %S\n\n";
  ops.printText(format.c_str(), commandLine.c_str());
  ops.startWatcher(*processId);
}

}  // namespace

void runGestureCommandWith(const wchar_t* text, WindowOps& ops, ProfileStore& bindings) {
  if (text == nullptr || *text == L'\0') return;
  const Target target = examineTarget(ops);
  ops.printText("Class:%S\n", target.className.c_str());

  const auto command = static_cast<GestureCommand>(bindings.readInt(kGestureSection, text, 0));
  switch (command) {
    case GestureCommand::startProgram:
      startProgram(text, ops, bindings);
      return;
    case GestureCommand::screenSaver:
      postSysCommand(ops, kBroadcastWindow, sys_command::screenSave);
      return;
    case GestureCommand::monitorsOff:
      postSysCommand(ops, kBroadcastWindow, sys_command::monitorPower, kMonitorsOff);
      return;
    case GestureCommand::quitClickmend:
      ops.postMessage(ops.clickmendWindow(), window_message::close, 0, 0);
      return;
    default:
      break;
  }

  if (target.isProtected) return;
  if (command == GestureCommand::topmost || command == GestureCommand::notTopmost) {
    ops.setTopmost(target.window, command == GestureCommand::topmost);
  } else if (command == GestureCommand::closeClass) {
    closeEveryWindowOfClass(ops, target);
  }
  for (const auto& [bound, sysCommand] : kWindowSysCommands) {
    if (command == bound) postSysCommand(ops, target.window, sysCommand);
  }
}

bool makeProcessWindowsTopmost(WindowOps& ops, std::uint32_t processId) {
  bool found = false;
  for (const WindowHandle window : ops.topLevelWindows()) {
    if (ops.parent(window) != 0 || !ops.isVisible(window)) continue;
    if (ops.processIdOf(window) != processId) continue;
    ops.setTopmost(window, true);
    found = true;
  }
  return found;
}

// Holding the process (not just its identifier) keeps the identifier from passing to another
// process while we poll, and lets us stop once a program that never shows a window has ended.
void watchForFirstWindow(WindowOps& ops, WatchedProcess& process) {
  for (int pass = 0; pass < kMaxWatcherPasses; ++pass) {
    process.waitBeforePass();
    if (makeProcessWindowsTopmost(ops, process.id())) return;
    if (process.hasEnded()) return;
  }
}
