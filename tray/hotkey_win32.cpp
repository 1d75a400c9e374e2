#include "tray/hotkey_win32.h"

#include <commctrl.h>

namespace {

// Above every identifier the program registers for good.
constexpr int kProbeId = 0xBFFE;

UINT modifiersOf(std::int32_t key) {
  const UINT held = static_cast<UINT>(key) >> 8;
  return ((held & HOTKEYF_SHIFT) ? MOD_SHIFT : 0) | ((held & HOTKEYF_CONTROL) ? MOD_CONTROL : 0) |
         ((held & HOTKEYF_ALT) ? MOD_ALT : 0);
}

}  // namespace

bool registerHotkey(HWND window, int id, std::int32_t key) {
  const UINT virtualKey = static_cast<UINT>(key) & 0xFF;
  if (virtualKey == 0) return false;
  // Held down, the key would flip 暂停 again at each repeat.
  return RegisterHotKey(window, id, modifiersOf(key) | MOD_NOREPEAT, virtualKey) != FALSE;
}

bool hotkeyFree(HWND window, std::int32_t key) {
  if (key == 0) return true;
  if (!registerHotkey(window, kProbeId, key)) return false;
  UnregisterHotKey(window, kProbeId);
  return true;
}
