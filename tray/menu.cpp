#include "tray/menu.h"

std::array<MenuRow, kTrayMenuRowCount> trayMenuRows(const Settings& settings,
                                                    bool autostartRegistered, bool paused) {
  using K = MenuRowKind;
  using P = MenuPlace;
  namespace id = menu_command;
  // The repairs act on the chosen buttons only; with none chosen they are shown but cannot
  // be switched until a button is picked under 设备.
  const bool noButton = !settings.leftButton && !settings.rightButton;
  const auto item = [](P place, const wchar_t* text, std::uint32_t identifier, bool checked,
                       bool disabled = false) {
    return MenuRow{place, K::item, text, identifier, checked, disabled, place};
  };
  const auto submenu = [](const wchar_t* text, P opens) {
    return MenuRow{P::top, K::submenu, text, 0, false, false, opens};
  };
  const auto separator = [](P place) {
    return MenuRow{place, K::separator, L"", 0, false, false, place};
  };
  return {{
      item(P::top, L"屏蔽无效单击", id::clickRepair, settings.clickRepair, noButton),
      item(P::top, L"屏蔽无效释放", id::releaseRepair, settings.releaseRepair, noButton),
      item(P::top, L"屏蔽无效滚动", id::scrollRepair, settings.scrollRepair, noButton),
      submenu(L"设备", P::deviceSubmenu),
      item(P::deviceSubmenu, L"鼠标左键", id::leftButton, settings.leftButton),
      item(P::deviceSubmenu, L"鼠标右键", id::rightButton, settings.rightButton),
      separator(P::top),
      item(P::top, L"滚轮穿透", id::wheelPassThrough, settings.wheelPassThrough),
      item(P::top, L"音量控制", id::volumeControl, settings.volumeControl),
      item(P::top, L"鼠标手势", id::gestures, settings.gestures),
      separator(P::top),
      submenu(L"设置", P::settingsSubmenu),
      item(P::settingsSubmenu, L"编辑配置文件", id::editSettings, false),
      separator(P::settingsSubmenu),
      item(P::settingsSubmenu, L"隐藏图标", id::hideIcon, !settings.showIcon),
      item(P::settingsSubmenu, L"开机启动", id::autostart, autostartRegistered),
      item(P::top, L"暂停", id::pause, paused),
      item(P::top, L"鼠标健康", id::switchHealth, false),
      item(P::top, L"帮助", id::about, false),
      item(P::top, L"退出", id::exit, false),
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
    default:
      return {TrayAction::none, nullptr, true};
  }
}

void flipMenuFlag(Settings& settings, const MenuCommandPlan& plan) {
  if (!plan.flip) return;
  Flag& flag = settings.*plan.flip;
  flag = flag ? 0 : 1;
}
