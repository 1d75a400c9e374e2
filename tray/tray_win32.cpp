#include "tray/tray_win32.h"

#include <shellapi.h>

#include <memory>
#include <string>
#include <type_traits>

#include "common/dpi_win32.h"
#include "common/identity.h"
#include "common/process_win32.h"
#include "common/texts.h"
#include "common/window_contract.h"
#include "health/window_win32.h"
#include "tray/about_win32.h"
#include "tray/autostart_win32.h"
#include "tray/editor_win32.h"
#include "tray/menu.h"
#include "tray/options_win32.h"

namespace {

constexpr UINT kTrayIconId = 101;

NOTIFYICONDATAW trayIconRecord(HWND window) {
  NOTIFYICONDATAW record{};
  record.cbSize = sizeof record;
  record.hWnd = window;
  record.uID = kTrayIconId;
  return record;
}

struct MenuDestroyer {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

// Appends the rows to the top menu and to the submenus their submenu rows open. A submenu
// attached to the top menu is destroyed with it.
void appendRows(HMENU top, const std::array<MenuRow, kTrayMenuRowCount>& rows) {
  HMENU submenus[3] = {top, nullptr, nullptr};
  const auto menuAt = [&submenus](MenuPlace place) { return submenus[static_cast<int>(place)]; };
  for (const MenuRow& row : rows) {
    const HMENU target = menuAt(row.place);
    if (!target || row.hidden) continue;
    switch (row.kind) {
      case MenuRowKind::separator:
        AppendMenuW(target, MF_SEPARATOR, 0, nullptr);
        break;
      case MenuRowKind::submenu: {
        UniqueMenu submenu(CreatePopupMenu());
        if (!submenu) break;
        if (AppendMenuW(target, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.get()),
                        row.text)) {
          submenus[static_cast<int>(row.opens)] = submenu.release();
        }
        break;
      }
      case MenuRowKind::item:
        AppendMenuW(target,
                    MF_STRING | (row.checked ? MF_CHECKED : MF_UNCHECKED) |
                        (row.disabled ? MF_DISABLED : 0),
                    row.identifier, row.text);
        break;
    }
  }
}

void showTrayIcon(HWND window, DWORD operation, bool paused, Language language) {
  NOTIFYICONDATAW record = trayIconRecord(window);
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = window_contract::kTrayCallbackMessage;
  record.hIcon = LoadIconW(GetModuleHandleW(nullptr), paused ? L"C" : L"B");
  std::wstring tip = kAppName;
  if (paused) tip += textOf(TextName::tipPaused, language);
  lstrcpynW(record.szTip, tip.c_str(), static_cast<int>(sizeof record.szTip / sizeof(wchar_t)));
  Shell_NotifyIconW(operation, &record);
}

}  // namespace

void addTrayIcon(HWND window, bool paused, Language language) {
  showTrayIcon(window, NIM_ADD, paused, language);
}

void showTrayIconPaused(HWND window, bool paused, Language language) {
  showTrayIcon(window, NIM_MODIFY, paused, language);
}

void removeTrayIcon(HWND window) {
  NOTIFYICONDATAW record = trayIconRecord(window);
  Shell_NotifyIconW(NIM_DELETE, &record);
}

void showTrayBalloon(HWND window, const wchar_t* title, const std::wstring& text) {
  NOTIFYICONDATAW record = trayIconRecord(window);
  record.uFlags = NIF_INFO;
  record.dwInfoFlags = NIIF_INFO;
  constexpr std::size_t kTitleRoom = sizeof record.szInfoTitle / sizeof record.szInfoTitle[0];
  constexpr std::size_t kTextRoom = sizeof record.szInfo / sizeof record.szInfo[0];
  lstrcpynW(record.szInfoTitle, title, static_cast<int>(kTitleRoom));
  lstrcpynW(record.szInfo, text.c_str(), static_cast<int>(kTextRoom));
  Shell_NotifyIconW(NIM_MODIFY, &record);
}

void showTrayMenu(HWND window, const Settings& settings, bool paused) {
  // The cursor read in the menu's awareness: the point it is shown at is in the same pixels.
  const OwnWindowDpi perMonitor;
  POINT cursor{};
  GetCursorPos(&cursor);
  const UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  appendRows(menu.get(),
             trayMenuRows(settings, isAutostartRegistered(), paused, ourRights().elevated));
  // In the foreground the menu closes when the user clicks elsewhere, and the message posted
  // after it lets the next menu open properly too.
  SetForegroundWindow(window);
  TrackPopupMenu(menu.get(), TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, window, nullptr);
  PostMessageW(window, WM_NULL, 0, 0);
}

TrayAction onMenuCommand(HWND window, WPARAM identifier, Settings& settings, SwitchHealth& health) {
  const MenuCommandPlan plan = planMenuCommand(identifier);
  switch (plan.action) {
    case TrayAction::none:
    case TrayAction::togglePause:
    case TrayAction::restartElevated:
      break;
    case TrayAction::removeIcon:
      removeTrayIcon(window);
      break;
    case TrayAction::destroyWindow:
      DestroyWindow(window);
      break;
    case TrayAction::showAbout:
      showAbout(window, settings.language);
      break;
    case TrayAction::toggleAutostart:
      toggleAutostart(window, settings.language);
      break;
    case TrayAction::editSettings:
      editSettings(window);
      break;
    case TrayAction::showOptions:
      openOptionsWindow(window, settings.language, health, removeTrayIcon);
      break;
    case TrayAction::showSwitchHealth: {
      const OwnWindowDpi perMonitor;
      openSwitchHealthWindow(settings, health);
      break;
    }
  }
  flipMenuFlag(settings, plan);
  if (plan.save) saveSettings(settings, settingsFilePath());
  return plan.action;
}
