// Portable copies of the Win32 values the portable code reads and writes: messages, key and
// button bits, virtual keys, commands and styles. common/win32_values_win32.cpp checks each
// against windows.h.
#pragma once

#include <cstdint>

// The mouse messages the low-level hook reports.
namespace mouse_message {
constexpr std::uint32_t move = 0x200;
constexpr std::uint32_t leftDown = 0x201;
constexpr std::uint32_t leftUp = 0x202;
constexpr std::uint32_t rightDown = 0x204;
constexpr std::uint32_t rightUp = 0x205;
constexpr std::uint32_t middleDown = 0x207;
constexpr std::uint32_t middleUp = 0x208;
constexpr std::uint32_t wheel = 0x20A;
constexpr std::uint32_t xButtonDown = 0x20B;  // high word of the mouse data: 1 or 2, which one
constexpr std::uint32_t xButtonUp = 0x20C;
constexpr std::uint32_t horizontalWheel = 0x20E;
// Which X button, in the high word of an X button event's mouse data.
constexpr std::uint32_t xButton1Data = 1;
constexpr std::uint32_t xButton2Data = 2;
}  // namespace mouse_message

// The flags of a button's press and release sent as input (MOUSEINPUT's dwFlags); an X button's
// input names which one in its mouse data, as its message does in the high word.
namespace mouse_input {
constexpr std::uint32_t leftDown = 0x0002;
constexpr std::uint32_t leftUp = 0x0004;
constexpr std::uint32_t rightDown = 0x0008;
constexpr std::uint32_t rightUp = 0x0010;
constexpr std::uint32_t middleDown = 0x0020;
constexpr std::uint32_t middleUp = 0x0040;
constexpr std::uint32_t xDown = 0x0080;
constexpr std::uint32_t xUp = 0x0100;
}  // namespace mouse_input

// The key and button bits the receiver of a wheel message reads from its wParam.
namespace mouse_key {
constexpr std::uint32_t leftButton = 0x0001;
constexpr std::uint32_t rightButton = 0x0002;
constexpr std::uint32_t shift = 0x0004;
constexpr std::uint32_t control = 0x0008;
constexpr std::uint32_t middleButton = 0x0010;
constexpr std::uint32_t xButton1 = 0x0020;
constexpr std::uint32_t xButton2 = 0x0040;
}  // namespace mouse_key

// WM_APPCOMMAND's lParam for a command from the keyboard (the command in the high word).
namespace app_command {
constexpr std::uint32_t volumeDown = 9u << 16;
constexpr std::uint32_t volumeUp = 10u << 16;
}  // namespace app_command

// Virtual-key codes the settings refer to.
namespace vk {
constexpr std::uint32_t leftButton = 0x01;
constexpr std::uint32_t rightButton = 0x02;
constexpr std::uint32_t middleButton = 0x04;
constexpr std::uint32_t xButton1 = 0x05;
constexpr std::uint32_t xButton2 = 0x06;
constexpr std::uint32_t shift = 0x10;
constexpr std::uint32_t control = 0x11;
constexpr std::uint32_t alt = 0x12;
constexpr std::uint32_t leftWindows = 0x5B;
}  // namespace vk

// What the gesture commands post to other windows: messages, and WM_SYSCOMMAND's commands.
namespace window_message {
constexpr std::uint32_t close = 0x0010;
constexpr std::uint32_t sysCommand = 0x0112;
}  // namespace window_message

namespace sys_command {
constexpr std::uintptr_t minimize = 0xF020;
constexpr std::uintptr_t maximize = 0xF030;
constexpr std::uintptr_t close = 0xF060;
constexpr std::uintptr_t restore = 0xF120;
constexpr std::uintptr_t screenSave = 0xF140;
constexpr std::uintptr_t monitorPower = 0xF170;
}  // namespace sys_command

// WS_VISIBLE.
constexpr std::uint32_t kVisibleStyle = 0x10000000;
