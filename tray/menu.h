// The tray menu as data: the rows the desktop draws and the command each identifier stands for.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/window_contract.h"
#include "settings/settings.h"

// Where a row stands: the top menu or one of its two submenus.
enum class MenuPlace { top, deviceSubmenu, settingsSubmenu };

enum class MenuRowKind { item, submenu, separator };

struct MenuRow {
  MenuPlace place;
  MenuRowKind kind;
  const wchar_t* text;       // empty for separators
  std::uint32_t identifier;  // 0 for submenus and separators
  bool checked;
  bool disabled;
  MenuPlace opens;      // for a submenu row: the place its own rows name; else `place`
  bool hidden = false;  // not shown in this menu
};

constexpr std::size_t kTrayMenuRowCount = 25;

// Every row of the menu, top to bottom, each submenu's rows right after the row that opens it,
// in the language of `settings`.
// `autostartRegistered` checks "开机启动", `paused` "暂停"; `elevated` (run as administrator)
// hides "以管理员身份重新启动".
std::array<MenuRow, kTrayMenuRowCount> trayMenuRows(const Settings& settings,
                                                    bool autostartRegistered, bool paused = false,
                                                    bool elevated = false);

// What the desktop does for a menu command, in this order: the action, then the flag flipped,
// then the settings file rewritten.
// togglePause and restartElevated are the caller's: the pause and the restart belong to the
// running program, not to the settings.
enum class TrayAction {
  none,
  removeIcon,
  destroyWindow,
  showAbout,
  toggleAutostart,
  editSettings,
  togglePause,
  showSwitchHealth,
  showOptions,
  restartElevated,
};

struct MenuCommandPlan {
  TrayAction action = TrayAction::none;
  Flag Settings::*flip = nullptr;
  bool save = false;
};

// The whole command word is compared: a notification code in its high half makes it unknown.
// An unknown command still rewrites the settings file and does nothing else.
MenuCommandPlan planMenuCommand(std::uintptr_t command);

// The flip and nothing else; the action and the save are the caller's.
void flipMenuFlag(Settings& settings, const MenuCommandPlan& plan);
