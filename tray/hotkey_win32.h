// The pause hot key, as the options window's hot key field holds it and [功能设置] 暂停热键
// writes it (modifiers × 256 + virtual key), registered with the system.
#pragma once

#include <windows.h>

#include <cstdint>

// Registers `key` for `window` under `id`, without auto-repeat; false when another program
// holds it (or it names no key).
bool registerHotkey(HWND window, int id, std::int32_t key);
// No other program holds `key` now (checked by holding it for `window` for a moment); none is
// always free.
bool hotkeyFree(HWND window, std::int32_t key);
