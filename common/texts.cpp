#include "common/texts.h"

#include <array>

namespace {

using N = TextName;

// The program's language. The menu rows, the message boxes' texts and the names of the settings
// are the design's own and stay exactly as they are.
const NamedText kChinese[] = {
    {N::menuClickRepair, L"屏蔽无效单击"},
    {N::menuReleaseRepair, L"屏蔽无效释放"},
    {N::menuScrollRepair, L"屏蔽无效滚动"},
    {N::menuDevice, L"设备"},
    {N::menuLeftButton, L"鼠标左键"},
    {N::menuRightButton, L"鼠标右键"},
    {N::menuWheelPassThrough, L"滚轮穿透"},
    {N::menuVolumeControl, L"音量控制"},
    {N::menuGestures, L"鼠标手势"},
    {N::menuSettings, L"设置"},
    {N::menuEditSettings, L"编辑配置文件"},
    {N::menuHideIcon, L"隐藏图标"},
    {N::menuAutostart, L"开机启动"},
    {N::menuPause, L"暂停"},
    {N::menuSwitchHealth, L"鼠标健康"},
    {N::menuAbout, L"帮助"},
    {N::menuExit, L"退出"},
    {N::tipPaused, L" (已暂停)"},
    {N::hookFailed, L"SetWindowsHookEx Failed!"},
    {N::autostartTemporaryFolder,
     L"你正在临时文件夹中运行本软件，不建议启用开机自动启动。\n你如果依然想要开机启动，请选择 "
     L"是。"},
    {N::autostartNotRegistered, L"无法写入开机启动项，开机启动未能启用。"},
    {N::autostartNotRemoved,
     L"无法删除开机启动项：它是为所有用户设置的，请以管理员身份运行本软件后再试。"},
    {N::aboutText,
     L"Clickmend v{1}\n"
     L"\n"
     L"我常驻在通知区域，替用旧了的鼠标遮掩毛病：按键抖动多出来的单击和过早的释放、"
     L"滚轮抖动造成的反向滚动，都由我悄悄屏蔽。\n"
     L"\n"
     L"此外我还提供：滚轮穿透（滚轮滚动鼠标指针下方的窗口）、按住快捷键用滚轮调节音量，"
     L"以及按住快捷键用右键拖出的鼠标手势。\n"
     L"\n"
     L"各项判定间隔和鼠标手势的绑定都写在本程序旁边的同名配置文件（.ini）里，"
     L"可在菜单“设置 → 编辑配置文件”中修改。"},
    {N::aboutOk, L"确定"},
    {N::healthTitle, L"鼠标健康"},
    {N::healthClose, L"关闭"},
    {N::healthLeftButton, L"鼠标左键"},
    {N::healthRightButton, L"鼠标右键"},
    {N::healthWheel, L"滚轮"},
    {N::healthRepairOn, L"{1}：修复已开启"},
    {N::healthRepairOff, L"{1}：修复未开启"},
    {N::healthNothingCounted, L"还没有统计到点击"},
    {N::healthToday, L"今天"},
    {N::healthLast7Days, L"最近 7 天"},
    {N::healthLast30Days, L"最近 30 天"},
    {N::healthClickFigures, L"{1}：点击 {2} 次，抖动 {3} 次（每千次 {4}），已修复 {5} 次"},
    {N::healthWheelFigures, L"{1}：滚动 {2} 格，反向 {3} 格（每千格 {4}），已修复 {5} 格"},
    {N::healthDaysChart, L"最近 30 天每千次的抖动（最高 {1}）"},
    {N::healthGapsChart, L"两次按下相隔多久，两键合计（抖动高亮，次数取对数）"},
    {N::healthMilliseconds, L"{1} 毫秒"},
    {N::healthClickInterval, L"单击间隔"},
    {N::healthReleaseInterval, L"释放间隔"},
    {N::healthChooseButton, L"为{1}开启修复"},
    {N::healthApplyIntervals, L"应用建议间隔"},
    {N::healthNotRepaired, L"{1}在 {3} 次点击中抖动了 {2} 次（每千次 {4}），还没有修复"},
    {N::healthOutcome, L"{1} 次连击、{2} 次丢失"},
    {N::healthChoiceClick, L"单击间隔 {1} 毫秒"},
    {N::healthChoiceClickOff, L"关闭单击修复"},
    {N::healthChoiceRelease, L"释放间隔 {1} 毫秒、保护间隔 {2} 毫秒"},
    {N::healthChoiceReleaseOff, L"关闭释放修复"},
    {N::healthChoiceBoth, L"{1}、{2}"},
    {N::healthFitTooFew, L"已记录 {1} 次点击；再点击 {2} 次后，这里会按你的点击给出建议间隔"},
    {N::healthFitNothing, L"最近 {1} 次点击：现在 {2}，没有更好的设置"},
    {N::healthFitBetter, L"最近 {1} 次点击：现在 {2}；改用{3}：{4}"},
    {N::healthFitTradeOff,
     L"你的双击和抖动一样快：改用{1}会是 {2}。把双击放慢一点，或者考虑更换微动开关"},
    {N::healthBalloon, L"{1}好像在抖动：今天每千次点击抖动 {2} 次。点这里查看鼠标健康。"},
    {N::healthBalloonFit, L"{1}好像在抖动：今天每千次点击抖动 {2} 次。{3}。点这里查看鼠标健康。"},
};

// The README's English names.
const NamedText kEnglish[] = {
    {N::menuClickRepair, L"Swallow bounced presses"},
    {N::menuReleaseRepair, L"Swallow bounced releases"},
    {N::menuScrollRepair, L"Swallow reversed notches"},
    {N::menuDevice, L"Device"},
    {N::menuLeftButton, L"Left button"},
    {N::menuRightButton, L"Right button"},
    {N::menuWheelPassThrough, L"Wheel pass-through"},
    {N::menuVolumeControl, L"Volume control"},
    {N::menuGestures, L"Gestures"},
    {N::menuSettings, L"Settings"},
    {N::menuEditSettings, L"Edit settings file"},
    {N::menuHideIcon, L"Hide icon"},
    {N::menuAutostart, L"Start at logon"},
    {N::menuPause, L"Pause"},
    {N::menuSwitchHealth, L"Mouse health"},
    {N::menuAbout, L"About"},
    {N::menuExit, L"Quit"},
    {N::tipPaused, L" (paused)"},
    {N::hookFailed, L"SetWindowsHookEx Failed!"},
    {N::autostartTemporaryFolder,
     L"You are running this program from a temporary folder; starting it at logon is not "
     L"recommended.\nIf you still want it to start at logon, choose Yes."},
    {N::autostartNotRegistered, L"The logon entry could not be written: Start at logon is off."},
    {N::autostartNotRemoved,
     L"The logon entry cannot be removed: it was set for all users. Run this program as "
     L"administrator and try again."},
    {N::aboutText,
     L"Clickmend v{1}\n"
     L"\n"
     L"I sit in the notification area and hide the faults of a worn mouse: I quietly swallow "
     L"the extra clicks and early releases of a chattering button and the reversed notches of "
     L"a jittering wheel.\n"
     L"\n"
     L"I also offer wheel pass-through (the wheel scrolls the window under the pointer), volume "
     L"control with the wheel while the hot key is held, and mouse gestures dragged with the "
     L"right button while the hot key is held.\n"
     L"\n"
     L"The intervals and the gesture bindings are kept in the settings file of the same name "
     L"(.ini) beside this program; change them from the menu: Settings, Edit settings file."},
    {N::aboutOk, L"OK"},
    {N::healthTitle, L"Mouse health"},
    {N::healthClose, L"Close"},
    {N::healthLeftButton, L"Left button"},
    {N::healthRightButton, L"Right button"},
    {N::healthWheel, L"Wheel"},
    {N::healthRepairOn, L"{1}: repair on"},
    {N::healthRepairOff, L"{1}: repair off"},
    {N::healthNothingCounted, L"no clicks counted yet"},
    {N::healthToday, L"Today"},
    {N::healthLast7Days, L"Last 7 days"},
    {N::healthLast30Days, L"Last 30 days"},
    {N::healthClickFigures, L"{1}: {2} clicks, {3} chatter ({4} per 1000), {5} repaired"},
    {N::healthWheelFigures, L"{1}: {2} notches, {3} reversed ({4} per 1000), {5} repaired"},
    {N::healthDaysChart, L"Chatter per 1000, last 30 days (top {1})"},
    {N::healthGapsChart,
     L"Time from one press to the next, both buttons (chatter highlighted, counts on a log "
     L"scale)"},
    {N::healthMilliseconds, L"{1} ms"},
    {N::healthClickInterval, L"click interval"},
    {N::healthReleaseInterval, L"release interval"},
    {N::healthChooseButton, L"Repair: {1}"},
    {N::healthApplyIntervals, L"Apply suggested intervals"},
    {N::healthNotRepaired,
     L"{1} chattered {2} times in {3} clicks ({4} per 1000) and is not "
     L"repaired"},
    {N::healthOutcome, L"{1} doubled, {2} lost"},
    {N::healthChoiceClick, L"click interval {1} ms"},
    {N::healthChoiceClickOff, L"click repair off"},
    {N::healthChoiceRelease, L"release interval {1} ms, hold guard {2} ms"},
    {N::healthChoiceReleaseOff, L"release repair off"},
    {N::healthChoiceBoth, L"{1}, {2}"},
    {N::healthFitTooFew,
     L"{1} clicks recorded; after {2} more, a suggestion fitted to your clicks appears here"},
    {N::healthFitNothing, L"Your last {1} clicks: now {2}; nothing does better"},
    {N::healthFitBetter, L"Your last {1} clicks: now {2}; with {3}: {4}"},
    {N::healthFitTradeOff,
     L"Your double clicks are as fast as the bounces: {1} would give {2}. Double-click a "
     L"little slower, or plan to replace the switch"},
    {N::healthBalloon,
     L"{1} seems to chatter: {2} in 1000 clicks today. Click to see Mouse "
     L"health."},
    {N::healthBalloonFit,
     L"{1} seems to chatter: {2} in 1000 clicks today. {3}. Click to see Mouse health."},
};

using Index = std::array<const wchar_t*, kTextCount>;

Index indexOf(const TextTable& table) {
  Index index{};
  for (std::size_t i = 0; i < table.size; ++i) {
    const auto at = static_cast<std::size_t>(table.entries[i].name);
    if (at < kTextCount && !index[at]) index[at] = table.entries[i].text;
  }
  return index;
}

}  // namespace

Language languageNamed(const std::wstring& value) {
  static constexpr wchar_t kEnglishName[] = L"english";
  if (value.size() != sizeof kEnglishName / sizeof kEnglishName[0] - 1) return Language::chinese;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const wchar_t c = value[i] >= L'A' && value[i] <= L'Z' ? value[i] - L'A' + L'a' : value[i];
    if (c != kEnglishName[i]) return Language::chinese;
  }
  return Language::english;
}

TextTable textTable(Language language) {
  if (language == Language::english) return {kEnglish, sizeof kEnglish / sizeof kEnglish[0]};
  return {kChinese, sizeof kChinese / sizeof kChinese[0]};
}

const wchar_t* textOf(TextName name, Language language) {
  static const Index chinese = indexOf(textTable(Language::chinese));
  static const Index english = indexOf(textTable(Language::english));
  const auto at = static_cast<std::size_t>(name);
  if (at >= kTextCount) return L"";
  // A name missing from English (tests/common keeps both whole) still reads in Chinese.
  const wchar_t* text = language == Language::english ? english[at] : nullptr;
  if (!text) text = chinese[at];
  return text ? text : L"";
}

std::wstring fillPattern(const std::wstring& pattern, std::initializer_list<std::wstring> values) {
  std::wstring text;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const bool slot = pattern[i] == L'{' && i + 2 < pattern.size() && pattern[i + 2] == L'}' &&
                      pattern[i + 1] >= L'1' && pattern[i + 1] <= L'9';
    const auto n = slot ? static_cast<std::size_t>(pattern[i + 1] - L'1') : 0;
    if (slot && n < values.size()) {
      text += values.begin()[n];
      i += 2;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

std::wstring fillText(TextName name, Language language,
                      std::initializer_list<std::wstring> values) {
  return fillPattern(textOf(name, language), values);
}
