// The mouse's buttons, one row each: what the hook reads of it, what the program sends for it,
// its key in the settings file and its names. Every list of buttons in the program (the input
// filter's states, the switch health's devices, the settings' choices) is sized from this table
// and indexed by the button; a new button is a row here, its texts and the code that treats it.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>

#include "common/texts.h"
#include "common/win32_values.h"
#include "common/window_contract.h"

enum class MouseButton : std::uint8_t { left, right, middle, x1, x2 };

struct ButtonRow {
  MouseButton button;
  // Its messages, as the hook reports them. An X button's message names it in the high word of
  // the mouse data (`xData`, 0 for the others), and so does the input sent for it.
  std::uint32_t downMessage, upMessage, xData;
  std::uint32_t virtualKey;        // its key state, as the system is asked for it
  std::uint32_t keyBit;            // its bit in a wheel message's wParam
  std::uint32_t sendDown, sendUp;  // the flags of its press and release sent as input
  const wchar_t* key;              // its key in [设备选择]
  std::uint32_t menuCommand;       // its row under 设备 in the tray menu
  TextName name;                   // what the menu, the options window and 鼠标健康 call it
  const char* debugName;           // in debug lines and the statistics file
};

inline constexpr ButtonRow kButtons[] = {
    {MouseButton::left, mouse_message::leftDown, mouse_message::leftUp, 0, vk::leftButton,
     mouse_key::leftButton, mouse_input::leftDown, mouse_input::leftUp, L"左键",
     menu_command::leftButton, TextName::menuLeftButton, "left"},
    {MouseButton::right, mouse_message::rightDown, mouse_message::rightUp, 0, vk::rightButton,
     mouse_key::rightButton, mouse_input::rightDown, mouse_input::rightUp, L"右键",
     menu_command::rightButton, TextName::menuRightButton, "right"},
    {MouseButton::middle, mouse_message::middleDown, mouse_message::middleUp, 0, vk::middleButton,
     mouse_key::middleButton, mouse_input::middleDown, mouse_input::middleUp, L"中键",
     menu_command::middleButton, TextName::menuMiddleButton, "middle"},
    {MouseButton::x1, mouse_message::xButtonDown, mouse_message::xButtonUp,
     mouse_message::xButton1Data, vk::xButton1, mouse_key::xButton1, mouse_input::xDown,
     mouse_input::xUp, L"后退键", menu_command::xButton1, TextName::menuBackButton, "x1"},
    {MouseButton::x2, mouse_message::xButtonDown, mouse_message::xButtonUp,
     mouse_message::xButton2Data, vk::xButton2, mouse_key::xButton2, mouse_input::xDown,
     mouse_input::xUp, L"前进键", menu_command::xButton2, TextName::menuForwardButton, "x2"},
};
constexpr int kButtonCount = static_cast<int>(std::size(kButtons));

constexpr const ButtonRow& buttonRow(MouseButton button) {
  return kButtons[static_cast<int>(button)];
}

// Every button, in the table's order.
inline constexpr std::array<MouseButton, kButtonCount> kMouseButtons = [] {
  std::array<MouseButton, kButtonCount> all{};
  for (int b = 0; b < kButtonCount; ++b) all[b] = kButtons[b].button;
  return all;
}();

// Row b is the button numbered b: a button indexes every list of buttons.
constexpr bool buttonRowsInOrder() {
  for (int b = 0; b < kButtonCount; ++b) {
    if (static_cast<int>(kButtons[b].button) != b) return false;
  }
  return true;
}
static_assert(buttonRowsInOrder());
