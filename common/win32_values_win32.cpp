// Every portable copy of a Win32 value checked against windows.h: a wrong copy stops the Windows
// build instead of sending the wrong message.
#include <windows.h>

#include <cstdint>

#include "common/win32_values.h"
#include "common/window_contract.h"

namespace {

static_assert(window_contract::kAppMessageBase == WM_APP);
static_assert(window_contract::kUserMessageBase == WM_USER);
// Private messages stay below the numbers RegisterWindowMessage hands out.
static_assert(window_contract::kRunGestureCommandMessage < 0xC000);
static_assert(window_contract::kSettingsChangedMessage < 0xC000);
static_assert(window_contract::kHookReinstalledMessage < 0xC000);
static_assert(window_contract::kReinstallHookMessage < 0xC000);
static_assert(window_contract::kReleaseHeldMessage < 0xC000);

// WM_COMMAND carries a menu item's identifier in its low word.
constexpr std::uint32_t kMenuCommands[] = {
    menu_command::clickRepair,   menu_command::releaseRepair, menu_command::scrollRepair,
    menu_command::leftButton,    menu_command::rightButton,   menu_command::wheelPassThrough,
    menu_command::volumeControl, menu_command::gestures,      menu_command::hideIcon,
    menu_command::exit,          menu_command::about,         menu_command::autostart,
    menu_command::editSettings,  menu_command::switchHealth,  menu_command::pause,
    menu_command::middleButton,  menu_command::xButton1,      menu_command::xButton2,
};
constexpr bool menuCommandsFitLowWord() {
  for (const std::uint32_t identifier : kMenuCommands) {
    if (identifier != LOWORD(identifier)) return false;
  }
  return true;
}
static_assert(menuCommandsFitLowWord());

static_assert(mouse_message::move == WM_MOUSEMOVE);
static_assert(mouse_message::leftDown == WM_LBUTTONDOWN);
static_assert(mouse_message::leftUp == WM_LBUTTONUP);
static_assert(mouse_message::rightDown == WM_RBUTTONDOWN);
static_assert(mouse_message::rightUp == WM_RBUTTONUP);
static_assert(mouse_message::middleDown == WM_MBUTTONDOWN);
static_assert(mouse_message::middleUp == WM_MBUTTONUP);
static_assert(mouse_message::wheel == WM_MOUSEWHEEL);
static_assert(mouse_message::xButtonDown == WM_XBUTTONDOWN);
static_assert(mouse_message::xButtonUp == WM_XBUTTONUP);
static_assert(mouse_message::xButton1Data == XBUTTON1);
static_assert(mouse_message::xButton2Data == XBUTTON2);
static_assert(mouse_message::horizontalWheel == WM_MOUSEHWHEEL);

static_assert(mouse_input::leftDown == MOUSEEVENTF_LEFTDOWN);
static_assert(mouse_input::leftUp == MOUSEEVENTF_LEFTUP);
static_assert(mouse_input::rightDown == MOUSEEVENTF_RIGHTDOWN);
static_assert(mouse_input::rightUp == MOUSEEVENTF_RIGHTUP);
static_assert(mouse_input::middleDown == MOUSEEVENTF_MIDDLEDOWN);
static_assert(mouse_input::middleUp == MOUSEEVENTF_MIDDLEUP);
static_assert(mouse_input::xDown == MOUSEEVENTF_XDOWN);
static_assert(mouse_input::xUp == MOUSEEVENTF_XUP);

static_assert(mouse_key::leftButton == MK_LBUTTON);
static_assert(mouse_key::rightButton == MK_RBUTTON);
static_assert(mouse_key::shift == MK_SHIFT);
static_assert(mouse_key::control == MK_CONTROL);
static_assert(mouse_key::middleButton == MK_MBUTTON);
static_assert(mouse_key::xButton1 == MK_XBUTTON1);
static_assert(mouse_key::xButton2 == MK_XBUTTON2);

static_assert(app_command::volumeDown ==
              (static_cast<std::uint32_t>(APPCOMMAND_VOLUME_DOWN) << 16 | FAPPCOMMAND_KEY));
static_assert(app_command::volumeUp ==
              (static_cast<std::uint32_t>(APPCOMMAND_VOLUME_UP) << 16 | FAPPCOMMAND_KEY));

static_assert(vk::leftButton == VK_LBUTTON);
static_assert(vk::rightButton == VK_RBUTTON);
static_assert(vk::middleButton == VK_MBUTTON);
static_assert(vk::xButton1 == VK_XBUTTON1);
static_assert(vk::xButton2 == VK_XBUTTON2);
static_assert(vk::shift == VK_SHIFT);
static_assert(vk::control == VK_CONTROL);
static_assert(vk::alt == VK_MENU);
static_assert(vk::leftWindows == VK_LWIN);

static_assert(window_message::close == WM_CLOSE);
static_assert(window_message::sysCommand == WM_SYSCOMMAND);

static_assert(sys_command::minimize == SC_MINIMIZE);
static_assert(sys_command::maximize == SC_MAXIMIZE);
static_assert(sys_command::close == SC_CLOSE);
static_assert(sys_command::restore == SC_RESTORE);
static_assert(sys_command::screenSave == SC_SCREENSAVE);
static_assert(sys_command::monitorPower == SC_MONITORPOWER);

static_assert(kVisibleStyle == WS_VISIBLE);

}  // namespace
