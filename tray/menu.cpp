#include "tray/menu.h"

#include "common/texts.h"

std::array<MenuRow, kTrayMenuRowCount> trayMenuRows(const Settings& settings,
                                                    bool autostartRegistered, bool paused,
                                                    bool elevated) {
  using K = MenuRowKind;
  using P = MenuPlace;
  namespace id = menu_command;
  // The repairs act on the chosen buttons only; with none chosen they are shown but cannot
  // be switched until a button is picked under 设备.
  const bool noButton = !anyButtonChosen(settings);
  using T = TextName;
  const Language language = settings.language;
  const auto item = [language](P place, T text, std::uint32_t identifier, bool checked,
                               bool disabled = false) {
    return MenuRow{place, K::item, textOf(text, language), identifier, checked, disabled, place};
  };
  const auto submenu = [language](T text, P opens) {
    return MenuRow{P::top, K::submenu, textOf(text, language), 0, false, false, opens};
  };
  const auto device = [&](MouseButton button) {
    const ButtonRow& row = buttonRow(button);
    return item(P::deviceSubmenu, row.name, row.menuCommand, buttonChosen(settings, button));
  };
  const auto separator = [](P place) {
    return MenuRow{place, K::separator, L"", 0, false, false, place};
  };
  return {{
      item(P::top, T::menuClickRepair, id::clickRepair, settings.clickRepair, noButton),
      item(P::top, T::menuReleaseRepair, id::releaseRepair, settings.releaseRepair, noButton),
      item(P::top, T::menuScrollRepair, id::scrollRepair, settings.scrollRepair, noButton),
      submenu(T::menuDevice, P::deviceSubmenu),
      device(MouseButton::left),
      device(MouseButton::right),
      device(MouseButton::middle),
      device(MouseButton::x1),
      device(MouseButton::x2),
      separator(P::top),
      item(P::top, T::menuWheelPassThrough, id::wheelPassThrough, settings.wheelPassThrough),
      item(P::top, T::menuVolumeControl, id::volumeControl, settings.volumeControl),
      item(P::top, T::menuGestures, id::gestures, settings.gestures),
      separator(P::top),
      submenu(T::menuSettings, P::settingsSubmenu),
      item(P::settingsSubmenu, T::menuOptions, id::options, false),
      item(P::settingsSubmenu, T::menuEditSettings, id::editSettings, false),
      separator(P::settingsSubmenu),
      item(P::settingsSubmenu, T::menuHideIcon, id::hideIcon, !settings.showIcon),
      item(P::settingsSubmenu, T::menuAutostart, id::autostart, autostartRegistered),
      MenuRow{P::settingsSubmenu, K::item, textOf(T::menuRestartElevated, language),
              id::restartElevated, false, false, P::settingsSubmenu, elevated},
      item(P::top, T::menuPause, id::pause, paused),
      item(P::top, T::menuSwitchHealth, id::switchHealth, false),
      item(P::top, T::menuAbout, id::about, false),
      item(P::top, T::menuExit, id::exit, false),
  }};
}

namespace {

struct PlannedCommand {
  std::uint32_t identifier;
  MenuCommandPlan plan;
};

// A check row flips its flag and saves; the others act and save nothing.
constexpr MenuCommandPlan flips(Flag Settings::*flag) {
  return {TrayAction::none, flag, true};
}
constexpr MenuCommandPlan acts(TrayAction action) {
  return {action, nullptr, false};
}

const PlannedCommand kPlans[] = {
    {menu_command::clickRepair, flips(&Settings::clickRepair)},
    {menu_command::releaseRepair, flips(&Settings::releaseRepair)},
    {menu_command::scrollRepair, flips(&Settings::scrollRepair)},
    {menu_command::wheelPassThrough, flips(&Settings::wheelPassThrough)},
    {menu_command::volumeControl, flips(&Settings::volumeControl)},
    {menu_command::gestures, flips(&Settings::gestures)},
    {menu_command::hideIcon, {TrayAction::removeIcon, &Settings::showIcon, true}},
    {menu_command::exit, acts(TrayAction::destroyWindow)},
    {menu_command::about, acts(TrayAction::showAbout)},
    {menu_command::autostart, acts(TrayAction::toggleAutostart)},
    {menu_command::editSettings, acts(TrayAction::editSettings)},
    {menu_command::pause, acts(TrayAction::togglePause)},
    {menu_command::switchHealth, acts(TrayAction::showSwitchHealth)},
    {menu_command::options, acts(TrayAction::showOptions)},
    {menu_command::restartElevated, acts(TrayAction::restartElevated)},
};

}  // namespace

MenuCommandPlan planMenuCommand(std::uintptr_t command) {
  // A button's row flips its choice.
  for (MouseButton button : kMouseButtons) {
    if (buttonRow(button).menuCommand == command) {
      return flips(kButtonChosen[static_cast<int>(button)]);
    }
  }
  for (const PlannedCommand& c : kPlans) {
    if (c.identifier == command) return c.plan;
  }
  return {TrayAction::none, nullptr, true};
}

void flipMenuFlag(Settings& settings, const MenuCommandPlan& plan) {
  if (!plan.flip) return;
  Flag& flag = settings.*plan.flip;
  flag = flag ? 0 : 1;
}
