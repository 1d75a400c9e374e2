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
    {N::menuMiddleButton, L"鼠标中键"},
    {N::menuBackButton, L"后退键"},
    {N::menuForwardButton, L"前进键"},
    {N::menuWheelPassThrough, L"滚轮穿透"},
    {N::menuVolumeControl, L"音量控制"},
    {N::menuGestures, L"鼠标手势"},
    {N::menuSettings, L"设置"},
    {N::menuOptions, L"选项…"},
    {N::menuEditSettings, L"编辑配置文件"},
    {N::menuHideIcon, L"隐藏图标"},
    {N::menuAutostart, L"开机启动"},
    {N::menuRestartElevated, L"以管理员身份重新启动"},
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
    {N::outOfReachBalloon,
     L"前台的窗口属于以管理员身份运行的程序。Clickmend "
     L"没有管理员权限，在这样的窗口里的点击不会被修复。"
     L"需要时，请在菜单的 设置 中选择 以管理员身份重新启动。"},
    {N::startRefusedBalloon,
     L"程序没有启动。Clickmend 以管理员身份运行，而手势绑定的程序和配置文件的编辑器只以桌面的权限"
     L"启动，现在无法得到这样的权限（桌面没有运行，或拒绝了 Clickmend）。"},
    {N::pausedBalloon, L"修复已暂停。再按一次暂停热键即恢复。"},
    {N::resumedBalloon, L"修复已恢复。"},
    {N::hotkeyTaken, L"这个键已被其他程序占用，不能用作暂停热键。请换一个键。"},
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
    {N::healthNotSaved,
     L"设置没有保存：无法写入配置文件\n{1}\n它可能是只读文件、所在磁盘已满，或正被另一个程序占用。"
     L"修复设置保持原样，稍后可以再按一次这个按钮。"},
    {N::healthNotRepaired, L"{1}在 {3} 次点击中抖动了 {2} 次（每千次 {4}），还没有修复"},
    {N::healthOutcome, L"{1} 次连击、{2} 次丢失"},
    {N::healthChoiceClick, L"单击间隔 {1} 毫秒"},
    {N::healthChoiceClickOff, L"关闭单击修复"},
    {N::healthChoiceRelease, L"释放间隔 {1} 毫秒、保护间隔 {2} 毫秒"},
    {N::healthChoiceLongHold, L"、长按保护间隔 {1} 毫秒（按住超过 {2} 毫秒时）"},
    {N::healthChoiceReleaseOff, L"关闭释放修复"},
    {N::healthChoiceBlip, L"抖动时长 {1} 毫秒"},
    {N::healthChoiceBlipOff, L"不按时长判断抖动"},
    {N::healthChoiceBoth, L"{1}、{2}、{3}"},
    {N::healthFitTooFew, L"已记录 {1} 次点击；再点击 {2} 次后，这里会按你的点击给出建议间隔"},
    {N::healthFitNothing, L"最近 {1} 次点击：现在 {2}，没有更好的设置"},
    {N::healthFitBetter, L"最近 {1} 次点击：现在 {2}；改用{3}：{4}"},
    {N::healthFitTradeOff,
     L"你的双击和抖动一样快：改用{1}会是 {2}。把双击放慢一点，或者考虑更换微动开关"},
    {N::healthAnalysing, L"正在分析…"},
    {N::healthBalloon, L"{1}好像在抖动：今天每千次点击抖动 {2} 次。点这里查看鼠标健康。"},
    {N::healthBalloonFit, L"{1}好像在抖动：今天每千次点击抖动 {2} 次。{3}。点这里查看鼠标健康。"},
    {N::healthPadOpen, L"打开测试区"},
    {N::healthPadHide, L"收起测试区"},
    {N::healthPadCaption,
     L"测试区：用任意键在方框里点击、双击或拖动；下面每次点击一行，最新的在最上面"},
    {N::healthPadFace, L"在这里点击"},
    {N::healthPadClear, L"清除"},
    {N::healthPadSwitchLane, L"开关"},
    {N::healthPadProgramLane, L"程序"},
    {N::healthPadDown, L"按"},
    {N::healthPadUp, L"松"},
    {N::healthPadNothing, L"无"},
    {N::healthPadRow, L"{1}{2}：开关 {3}；程序 {4}（毫秒）。{5}{6}"},
    {N::healthPadPending, L"判断中…"},
    {N::healthPadClean, L"干净"},
    {N::healthPadBounceRepaired, L"抖动已修复：吞掉 {1} 次按下、{2} 次松开"},
    {N::healthPadBounceLeaked, L"抖动漏过"},
    {N::healthPadBreakRepaired, L"按住时断开已修复：吞掉 {1} 次按下、{2} 次松开"},
    {N::healthPadBreakLeaked, L"按住时断开未修复"},
    {N::healthPadLost, L"点击丢失"},
    {N::healthPadInjected, L"（模拟输入）"},
    {N::healthPadTouch, L"（触摸/笔）"},
    {N::healthPadDevice, L"（{1}）"},
    {N::healthPadWhatIf, L"。按现在的间隔开启修复：{1}"},
    {N::fileMovedAside,
     L"{1} 已损坏，无法读取：已改名为 {2} 留在同一文件夹，并重新开始一个新文件。"},
    {N::healthCopyDiagnosis, L"复制诊断信息"},
    {N::healthDiagnosisCopied, L"诊断信息已复制"},
    {N::healthDiagnosisNotCopied, L"诊断信息没有复制：另一个程序正占用剪贴板。请稍后再按一次。"},
    {N::optionsTitle, L"Clickmend 选项"},
    {N::optionsPageRepairs, L"修复"},
    {N::optionsPageFeatures, L"功能"},
    {N::optionsPageGestures, L"鼠标手势"},
    {N::optionsPagePrograms, L"排除程序"},
    {N::optionsOk, L"确定"},
    {N::optionsCancel, L"取消"},
    {N::optionsApply, L"应用"},
    {N::optionsScrollInterval, L"滚动间隔"},
    {N::optionsGuardInterval, L"保护间隔"},
    {N::optionsBlipLength, L"抖动时长"},
    {N::optionsLongHoldGuard, L"长按保护间隔"},
    {N::optionsLongHoldGuardCost, L"拖动的松开晚到这么久"},
    {N::optionsDragThreshold, L"拖动阈值"},
    {N::optionsMilliseconds, L"毫秒"},
    {N::optionsWrongNumber, L"应为 {1} 到 {2} 的整数"},
    {N::optionsNoSuggestion, L"鼠标健康还没有可以建议的间隔。"},
    {N::optionsShowIcon, L"显示图标"},
    {N::optionsDebugMode, L"调试模式"},
    {N::optionsFullScreenPause, L"全屏暂停"},
    {N::optionsModifier, L"快捷键"},
    {N::optionsModifier1, L"Alt"},
    {N::optionsModifier2, L"Ctrl"},
    {N::optionsModifier3, L"Shift"},
    {N::optionsModifier4, L"Windows 键"},
    {N::optionsModifier5, L"手势用 Alt，音量用鼠标右键"},
    {N::optionsModifier6, L"手势用 Alt，音量用鼠标左键"},
    {N::optionsLanguage, L"语言"},
    {N::optionsPauseHotkey, L"暂停热键"},
    {N::optionsChinese, L"中文"},
    {N::optionsEnglish, L"English"},
    {N::optionsGesture, L"手势"},
    {N::optionsDrawHint, L"也可以在这个窗口里画出手势：按住快捷键，用右键拖动。"},
    {N::optionsAction, L"动作"},
    {N::optionsCommandLine, L"命令行"},
    {N::optionsBrowse, L"浏览…"},
    {N::optionsAdd, L"添加"},
    {N::optionsChange, L"修改"},
    {N::optionsRemove, L"删除"},
    {N::optionsRunProgram, L"运行程序"},
    {N::optionsAction1, L"置顶"},
    {N::optionsAction2, L"取消置顶"},
    {N::optionsAction3, L"最小化"},
    {N::optionsAction4, L"最大化"},
    {N::optionsAction5, L"还原"},
    {N::optionsAction6, L"关闭"},
    {N::optionsAction7, L"关闭同类的所有窗口"},
    {N::optionsAction8, L"屏幕保护"},
    {N::optionsAction9, L"关闭显示器"},
    {N::optionsAction10, L"退出 Clickmend"},
    {N::optionsWrongGesture, L"只能由 U、R、D、L 组成，相邻两个不同，最多 {1} 个"},
    {N::optionsWrongCommand, L"请写要运行的命令行，不能以数字开头"},
    {N::optionsProgram, L"程序"},
    {N::optionsRule, L"规则"},
    {N::optionsRule1, L"1：关闭手势、音量控制和滚轮穿透"},
    {N::optionsRule2, L"2：所有鼠标事件原样通过"},
    {N::optionsOpenPrograms, L"已打开的程序"},
    {N::optionsWrongProgram, L"只写程序文件名，例如 cs2.exe"},
    {N::optionsExeFiles, L"程序 (*.exe)"},
    {N::optionsNotSaved,
     L"设置没有保存：无法写入配置文件\n{1}\n它可能是只读文件、所在磁盘已满，或正被另一个程序占用。"
     L"你的改动仍在窗口里，稍后可以再按 确定 或 应用。"},
    {N::optionsFileChanged,
     L"配置文件在这个窗口打开后被改动过：已重新读取，你的改动写在它的新内容上。"},
    {N::optionsPageSources, L"输入来源"},
    {N::optionsSimulatedInput, L"模拟输入"},
    {N::optionsSimulatedDefault, L"默认（仅远程会话修复）"},
    {N::optionsSimulatedUntouched, L"不修复"},
    {N::optionsSimulatedRepaired, L"修复"},
    {N::optionsDevices, L"修复这些设备的点击（取消勾选即不修复）："},
    {N::optionsDeviceColumn, L"设备"},
    {N::optionsDeviceIdColumn, L"编号"},
    {N::optionsDeviceClicksColumn, L"点击"},
    {N::optionsMouse, L"鼠标"},
    {N::optionsTouchpad, L"触摸板"},
    {N::optionsTouchScreen, L"触摸屏"},
    {N::optionsUntold, L"启动以来的 {2} 次点击中，{1}% 无法分辨来自哪个设备。"},
};

// The README's English names.
const NamedText kEnglish[] = {
    {N::menuClickRepair, L"Swallow bounced presses"},
    {N::menuReleaseRepair, L"Swallow bounced releases"},
    {N::menuScrollRepair, L"Swallow reversed notches"},
    {N::menuDevice, L"Device"},
    {N::menuLeftButton, L"Left button"},
    {N::menuRightButton, L"Right button"},
    {N::menuMiddleButton, L"Middle button"},
    {N::menuBackButton, L"Back button"},
    {N::menuForwardButton, L"Forward button"},
    {N::menuWheelPassThrough, L"Wheel pass-through"},
    {N::menuVolumeControl, L"Volume control"},
    {N::menuGestures, L"Gestures"},
    {N::menuSettings, L"Settings"},
    {N::menuOptions, L"Options..."},
    {N::menuEditSettings, L"Edit settings file"},
    {N::menuHideIcon, L"Hide icon"},
    {N::menuAutostart, L"Start at logon"},
    {N::menuRestartElevated, L"Restart as administrator"},
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
    {N::outOfReachBalloon,
     L"The window in front belongs to a program that runs as administrator. Clickmend runs "
     L"without administrator rights, so clicks in such windows are not repaired. If you need "
     L"them repaired, choose Settings > Restart as administrator in the menu."},
    {N::startRefusedBalloon,
     L"Nothing was started. Clickmend runs as administrator, and starts the programs bound to "
     L"gestures and the settings file's editor only with the desktop's rights, which cannot be "
     L"had now (the desktop is not running, or refused Clickmend)."},
    {N::pausedBalloon, L"Repairs paused. Press the pause hot key again to resume."},
    {N::resumedBalloon, L"Repairs resumed."},
    {N::hotkeyTaken,
     L"Another program already holds this key: it cannot be the pause hot key. Choose another."},
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
    {N::healthNotSaved,
     L"The settings were not saved: the settings file\n{1}\ncould not be written. It may be "
     L"read-only, its disk may be full, or another program may hold it open. The repairs stay "
     L"as they were: press the button again later."},
    {N::healthNotRepaired,
     L"{1} chattered {2} times in {3} clicks ({4} per 1000) and is not "
     L"repaired"},
    {N::healthOutcome, L"{1} doubled, {2} lost"},
    {N::healthChoiceClick, L"click interval {1} ms"},
    {N::healthChoiceClickOff, L"click repair off"},
    {N::healthChoiceRelease, L"release interval {1} ms, hold guard {2} ms"},
    {N::healthChoiceLongHold, L", long-hold guard {1} ms (after holds over {2} ms)"},
    {N::healthChoiceReleaseOff, L"release repair off"},
    {N::healthChoiceBlip, L"blip length {1} ms"},
    {N::healthChoiceBlipOff, L"blips not told by length"},
    {N::healthChoiceBoth, L"{1}, {2}, {3}"},
    {N::healthFitTooFew,
     L"{1} clicks recorded; after {2} more, a suggestion fitted to your clicks appears here"},
    {N::healthFitNothing, L"Your last {1} clicks: now {2}; nothing does better"},
    {N::healthFitBetter, L"Your last {1} clicks: now {2}; with {3}: {4}"},
    {N::healthFitTradeOff,
     L"Your double clicks are as fast as the bounces: {1} would give {2}. Double-click a "
     L"little slower, or plan to replace the switch"},
    {N::healthAnalysing, L"Analysing…"},
    {N::healthBalloon,
     L"{1} seems to chatter: {2} in 1000 clicks today. Click to see Mouse "
     L"health."},
    {N::healthBalloonFit,
     L"{1} seems to chatter: {2} in 1000 clicks today. {3}. Click to see Mouse health."},
    {N::healthPadOpen, L"Test pad"},
    {N::healthPadHide, L"Hide test pad"},
    {N::healthPadCaption,
     L"Test pad: click, double-click or drag in the box with any button; below, one row per "
     L"click, newest first"},
    {N::healthPadFace, L"Click here"},
    {N::healthPadClear, L"Clear"},
    {N::healthPadSwitchLane, L"Switch"},
    {N::healthPadProgramLane, L"Programs"},
    {N::healthPadDown, L"down"},
    {N::healthPadUp, L"up"},
    {N::healthPadNothing, L"nothing"},
    {N::healthPadRow, L"{1}{2}: switch {3}; programs {4} (ms). {5}{6}"},
    {N::healthPadPending, L"Judging…"},
    {N::healthPadClean, L"Clean"},
    {N::healthPadBounceRepaired, L"Chatter repaired: {1} presses and {2} releases swallowed"},
    {N::healthPadBounceLeaked, L"Chatter got through"},
    {N::healthPadBreakRepaired,
     L"Break in the hold repaired: {1} presses and {2} releases swallowed"},
    {N::healthPadBreakLeaked, L"Break in the hold not repaired"},
    {N::healthPadLost, L"Click lost"},
    {N::healthPadInjected, L" (injected input)"},
    {N::healthPadTouch, L" (touch/pen)"},
    {N::healthPadDevice, L" ({1})"},
    {N::healthPadWhatIf, L". With repair on at the current intervals: {1}"},
    {N::fileMovedAside,
     L"{1} was damaged and could not be read: it is kept as {2} in the same folder, and a new "
     L"one is started."},
    {N::healthCopyDiagnosis, L"Copy diagnosis"},
    {N::healthDiagnosisCopied, L"Diagnosis copied"},
    {N::healthDiagnosisNotCopied,
     L"The diagnosis was not copied: another program holds the clipboard. Press the button "
     L"again in a moment."},
    {N::optionsTitle, L"Clickmend Options"},
    {N::optionsPageRepairs, L"Repairs"},
    {N::optionsPageFeatures, L"Features"},
    {N::optionsPageGestures, L"Gestures"},
    {N::optionsPagePrograms, L"Excluded programs"},
    {N::optionsOk, L"OK"},
    {N::optionsCancel, L"Cancel"},
    {N::optionsApply, L"Apply"},
    {N::optionsScrollInterval, L"wheel interval"},
    {N::optionsGuardInterval, L"hold guard"},
    {N::optionsBlipLength, L"blip length"},
    {N::optionsLongHoldGuard, L"long-hold guard"},
    {N::optionsLongHoldGuardCost, L"a drag's drop comes this much later"},
    {N::optionsDragThreshold, L"drag threshold"},
    {N::optionsMilliseconds, L"ms"},
    {N::optionsWrongNumber, L"a whole number from {1} to {2}"},
    {N::optionsNoSuggestion, L"Mouse health has no interval to suggest yet."},
    {N::optionsShowIcon, L"Show the icon"},
    {N::optionsDebugMode, L"Debug console"},
    {N::optionsFullScreenPause, L"Stand aside in full screen"},
    {N::optionsModifier, L"Hot key"},
    {N::optionsModifier1, L"Alt"},
    {N::optionsModifier2, L"Ctrl"},
    {N::optionsModifier3, L"Shift"},
    {N::optionsModifier4, L"Windows key"},
    {N::optionsModifier5, L"Alt for gestures, right button for volume"},
    {N::optionsModifier6, L"Alt for gestures, left button for volume"},
    {N::optionsLanguage, L"Language"},
    {N::optionsPauseHotkey, L"Pause hot key"},
    {N::optionsChinese, L"Chinese"},
    {N::optionsEnglish, L"English"},
    {N::optionsGesture, L"Gesture"},
    {N::optionsDrawHint,
     L"Or draw the gesture in this window: hold the hot key and drag with the right button."},
    {N::optionsAction, L"Action"},
    {N::optionsCommandLine, L"Command line"},
    {N::optionsBrowse, L"Browse..."},
    {N::optionsAdd, L"Add"},
    {N::optionsChange, L"Change"},
    {N::optionsRemove, L"Remove"},
    {N::optionsRunProgram, L"Run a program"},
    {N::optionsAction1, L"Always on top"},
    {N::optionsAction2, L"Not on top"},
    {N::optionsAction3, L"Minimise"},
    {N::optionsAction4, L"Maximise"},
    {N::optionsAction5, L"Restore"},
    {N::optionsAction6, L"Close"},
    {N::optionsAction7, L"Close all of its kind"},
    {N::optionsAction8, L"Screen saver"},
    {N::optionsAction9, L"Monitors off"},
    {N::optionsAction10, L"Quit Clickmend"},
    {N::optionsWrongGesture, L"only U, R, D and L, no letter twice in a row, at most {1}"},
    {N::optionsWrongCommand, L"the command line to run, not starting with a digit"},
    {N::optionsProgram, L"Program"},
    {N::optionsRule, L"Rule"},
    {N::optionsRule1, L"1: gestures, volume control and pass-through off"},
    {N::optionsRule2, L"2: every mouse event untouched"},
    {N::optionsOpenPrograms, L"Open programs"},
    {N::optionsWrongProgram, L"the program file's name only, such as cs2.exe"},
    {N::optionsExeFiles, L"Programs (*.exe)"},
    {N::optionsNotSaved,
     L"The settings were not saved: the settings file\n{1}\ncould not be written. It may be "
     L"read-only, its disk may be full, or another program may hold it open. Your changes are "
     L"still in this window: press OK or Apply again later."},
    {N::optionsFileChanged,
     L"The settings file changed while this window was open: it was read again and your changes "
     L"were written over its new content."},
    {N::optionsPageSources, L"Input sources"},
    {N::optionsSimulatedInput, L"Simulated input"},
    {N::optionsSimulatedDefault, L"Default (repaired in a remote session only)"},
    {N::optionsSimulatedUntouched, L"Not repaired"},
    {N::optionsSimulatedRepaired, L"Repaired"},
    {N::optionsDevices, L"Repair the clicks of these devices (clear one to leave it out):"},
    {N::optionsDeviceColumn, L"Device"},
    {N::optionsDeviceIdColumn, L"IDs"},
    {N::optionsDeviceClicksColumn, L"Clicks"},
    {N::optionsMouse, L"Mouse"},
    {N::optionsTouchpad, L"Touchpad"},
    {N::optionsTouchScreen, L"Touch screen"},
    {N::optionsUntold, L"Of the {2} clicks since start, {1}% could not be told by device."},
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
