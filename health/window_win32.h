// The 鼠标健康 window: what the counts say about each button and the wheel, and buttons that
// act on the calibration's advice. One at a time, on the main thread; it reads the hook's
// counts through the counting snapshot only.
#pragma once

#include <windows.h>

struct Settings;
class SwitchHealth;

// Opens the window, or brings the open one to the front. Both records outlive the window.
void openSwitchHealthWindow(Settings& settings, SwitchHealth& health);
// The message loop's turn for the window's keys (Tab, Enter, Esc): true when it took `message`.
bool switchHealthWindowMessage(MSG* message);
