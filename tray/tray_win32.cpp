#include "tray/tray_win32.h"

// Placeholders until the tray is built.
void addTrayIcon(HWND) {}
void removeTrayIcon(HWND) {}
void showTrayMenu(HWND, const Settings&) {}
void onMenuCommand(HWND, WPARAM, Settings&) {}
