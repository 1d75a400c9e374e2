#include "input/hook_win32.h"

#include <cwchar>

#include "common/debug_console.h"

namespace {

class DesktopInputPlatform final : public InputPlatform {
 public:
  HWND commandWindow = nullptr;

  bool isKeyHeld(std::uint32_t virtualKey) override {
    return GetKeyState(static_cast<int>(virtualKey)) < 0;
  }

  // The hook runs before the event reaches any queue, so the asynchronous state is the one that
  // matches the moment of the event for every key and button.
  std::uint32_t mouseKeyState() override {
    struct Bit {
      int key;
      std::uint32_t bit;
    };
    static const Bit bits[] = {
        {VK_LBUTTON, MK_LBUTTON},   {VK_RBUTTON, MK_RBUTTON}, {VK_SHIFT, MK_SHIFT},
        {VK_CONTROL, MK_CONTROL},   {VK_MBUTTON, MK_MBUTTON}, {VK_XBUTTON1, MK_XBUTTON1},
        {VK_XBUTTON2, MK_XBUTTON2},
    };
    std::uint32_t state = 0;
    for (const Bit& b : bits) {
      if (GetAsyncKeyState(b.key) < 0) state |= b.bit;
    }
    return state;
  }

  void print(const char* format, std::int32_t value) override { debugPrint(format, value); }
  void printText(const char* format, const wchar_t* text) override { debugPrintText(format, text); }

  bool postWheel(std::int32_t x, std::int32_t y, std::uint32_t wParam,
                 std::uint32_t lParam) override {
    const HWND target = WindowFromPoint(POINT{x, y});
    return target && PostMessageW(target, WM_MOUSEWHEEL, wParam, static_cast<LPARAM>(lParam));
  }

  // A hung or busy window must not hold the hook, and with it every mouse event of the desktop.
  void sendVolume(std::int32_t x, std::int32_t y, std::uint32_t command) override {
    const HWND target = WindowFromPoint(POINT{x, y});
    if (!target) return;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(target, WM_APPCOMMAND, reinterpret_cast<WPARAM>(target),
                        static_cast<LPARAM>(command), SMTO_ABORTIFHUNG | SMTO_NORMAL, 30, &result);
  }

  void queueGestureCommand(const wchar_t* text) override {
    const unsigned slot = nextSlot++ % kSlots;
    std::wcsncpy(slots[slot], text, kMaxGestureLetters);
    slots[slot][kMaxGestureLetters] = L'\0';
    generation[slot] = nextSlot;
    PostMessageW(commandWindow, kRunGestureCommandMessage, (nextSlot << 4) | slot, 0);
  }

  void deliverButton(std::uint32_t) override {}
  void wakeAfter(std::uint32_t) override {}
  void maskGestureKey() override {}
  bool systemRoutesWheelToCursor() override { return false; }

  const wchar_t* take(WPARAM ticket) {
    const unsigned slot = ticket & 0xF;
    if (slot >= kSlots || generation[slot] != (ticket >> 4)) return L"";
    generation[slot] = 0;
    return slots[slot];
  }

 private:
  // Gestures finish one at a time, but several may finish before the main thread gets to
  // the posted messages; each keeps its own slot.
  static constexpr unsigned kSlots = 8;
  wchar_t slots[kSlots][kMaxGestureLetters + 1] = {};
  WPARAM generation[kSlots] = {};
  WPARAM nextSlot = 0;
};

DesktopInputPlatform platform;
HHOOK hook = nullptr;
HINSTANCE hookInstance = nullptr;
InputFilter* hookFilter = nullptr;
HookWatchdog* hookWatchdog = nullptr;
unsigned installs = 0;

LRESULT CALLBACK lowLevelMouseProc(int code, WPARAM wParam, LPARAM lParam) {
  const std::uint32_t now = GetTickCount();
  hookWatchdog->onHookCall(now);
  MouseEvent event{code, static_cast<std::uint32_t>(wParam), 0, 0, 0};
  if (code == HC_ACTION) {
    const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    event.x = info->pt.x;
    event.y = info->pt.y;
    event.mouseData = info->mouseData;
  }
  if (hookFilter->decide(event, now) == Verdict::Swallow) return 1;
  return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

InputPlatform& desktopInputPlatform() {
  return platform;
}

bool installMouseHook(HINSTANCE instance, InputFilter& filter, HookWatchdog& watchdog,
                      HWND commandWindow) {
  hookInstance = instance;
  hookFilter = &filter;
  hookWatchdog = &watchdog;
  platform.commandWindow = commandWindow;
  hook = SetWindowsHookExW(WH_MOUSE_LL, lowLevelMouseProc, instance, 0);
  installs += hook != nullptr;
  return hook != nullptr;
}

bool reinstallMouseHook() {
  if (!hookFilter) return false;  // never installed: nothing to put back
  const HHOOK fresh = SetWindowsHookExW(WH_MOUSE_LL, lowLevelMouseProc, hookInstance, 0);
  if (!fresh) return false;
  // The new hook is first in the chain before the old one goes, so no event slips past.
  const HHOOK old = hook;
  hook = fresh;
  ++installs;
  if (old) UnhookWindowsHookEx(old);
  return true;
}

void removeMouseHook() {
  if (hook) UnhookWindowsHookEx(hook);
  hook = nullptr;
}

unsigned mouseHookInstalls() {
  return installs;
}

const wchar_t* takeGestureCommand(WPARAM slot) {
  return platform.take(slot);
}
