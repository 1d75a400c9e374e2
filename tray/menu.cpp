#include "tray/menu.h"

#include "common/texts.h"

std::array<MenuRow, kTrayMenuRowCount> trayMenuRows(const Settings& settings,
                                                    bool autostartRegistered, bool paused) {
  using K = MenuRowKind;
  using P = MenuPlace;
  namespace id = menu_command;
  // The repairs act on the chosen buttons only; with none chosen they are shown but cannot
  // be switched until a button is picked under 设备.
  const bool noButton = !settings.leftButton && !settings.rightButton;
  using T = TextName;
  const Language language = settings.language;
  const auto item = [language](P place, T text, std::uint32_t identifier, bool checked,
                               bool disabled = false) {
    return MenuRow{place, K::item, textOf(text, language), identifier, checked, disabled, place};
  };
  const auto submenu = [language](T text, P opens) {
    return MenuRow{P::top, K::submenu, textOf(text, language), 0, false, false, opens};
  };
  const auto separator = [](P place) {
    return MenuRow{place, K::separator, L"", 0, false, false, place};
  };
  return {{
      item(P::top, T::menuClickRepair, id::clickRepair, settings.clickRepair, noButton),
      item(P::top, T::menuReleaseRepair, id::releaseRepair, settings.releaseRepair, noButton),
      item(P::top, T::menuScrollRepair, id::scrollRepair, settings.scrollRepair, noButton),
      submenu(T::menuDevice, P::deviceSubmenu),
      item(P::deviceSubmenu, T::menuLeftButton, id::leftButton, settings.leftButton),
      item(P::deviceSubmenu, T::menuRightButton, id::rightButton, settings.rightButton),
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
      item(P::top, T::menuPause, id::pause, paused),
      item(P::top, T::menuSwitchHealth, id::switchHealth, false),
      item(P::top, T::menuAbout, id::about, false),
      item(P::top, T::menuExit, id::exit, false),
  }};
}

MenuCommandPlan planMenuCommand(std::uintptr_t command) {
  namespace id = menu_command;
  const auto toggle = [](Flag Settings::*flag) {
    return MenuCommandPlan{TrayAction::none, flag, true};
  };
  const auto act = [](TrayAction action) { return MenuCommandPlan{action, nullptr, false}; };
  switch (command) {
    case id::clickRepair:
      return toggle(&Settings::clickRepair);
    case id::releaseRepair:
      return toggle(&Settings::releaseRepair);
    case id::scrollRepair:
      return toggle(&Settings::scrollRepair);
    case id::leftButton:
      return toggle(&Settings::leftButton);
    case id::rightButton:
      return toggle(&Settings::rightButton);
    case id::wheelPassThrough:
      return toggle(&Settings::wheelPassThrough);
    case id::volumeControl:
      return toggle(&Settings::volumeControl);
    case id::gestures:
      return toggle(&Settings::gestures);
    case id::hideIcon:
      return {TrayAction::removeIcon, &Settings::showIcon, true};
    case id::exit:
      return act(TrayAction::destroyWindow);
    case id::about:
      return act(TrayAction::showAbout);
    case id::autostart:
      return act(TrayAction::toggleAutostart);
    case id::editSettings:
      return act(TrayAction::editSettings);
    case id::pause:
      return act(TrayAction::togglePause);
    case id::switchHealth:
      return act(TrayAction::showSwitchHealth);
    case id::options:
      return act(TrayAction::showOptions);
    default:
      return {TrayAction::none, nullptr, true};
  }
}

void flipMenuFlag(Settings& settings, const MenuCommandPlan& plan) {
  if (!plan.flip) return;
  Flag& flag = settings.*plan.flip;
  flag = flag ? 0 : 1;
}
