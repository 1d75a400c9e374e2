// Every text a user reads, by name, in one table per language: Chinese, the program's own, and
// English when the settings ask for it ([功能设置] 语言=English). Code asks for a name; no window
// assembles a sentence from fragments. The command line's output, the debug lines and the
// settings file's own names are not user texts here and stay as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

enum class Language : std::uint8_t { chinese, english };

// The value of 语言: English (in any case) is English, anything else, or nothing, Chinese.
Language languageNamed(const std::wstring& value);

enum class TextName : int {
  // The tray menu, top to bottom.
  menuClickRepair,
  menuReleaseRepair,
  menuScrollRepair,
  menuDevice,
  menuLeftButton,
  menuRightButton,
  menuMiddleButton,
  menuBackButton,
  menuForwardButton,
  menuWheelPassThrough,
  menuVolumeControl,
  menuGestures,
  menuSettings,
  menuOptions,
  menuEditSettings,
  menuHideIcon,
  menuAutostart,
  menuRestartElevated,
  menuPause,
  menuSwitchHealth,
  menuAbout,
  menuExit,
  // The icon's tip after the program's name while paused.
  tipPaused,
  // Message boxes.
  hookFailed,
  autostartTemporaryFolder,
  autostartNotRegistered,
  autostartNotRemoved,
  // The balloon when a window of a program run as administrator comes to the front.
  outOfReachBalloon,
  // The balloon when nothing could be started with no more than the desktop's rights.
  startRefusedBalloon,
  // The balloons of the pause hot key, and the message when another program holds its key.
  pausedBalloon,
  resumedBalloon,
  hotkeyTaken,
  // The About box: {1} is the version.
  aboutText,
  aboutOk,
  // The 鼠标健康 window and its balloon. Numbers come in as {1}, {2}, ...
  healthTitle,
  healthClose,
  healthWheel,
  healthRepairOn,   // {1} device
  healthRepairOff,  // {1} device
  healthNothingCounted,
  healthToday,
  healthLast7Days,
  healthLast30Days,
  healthClickFigures,  // {1} period, {2} clicks, {3} chatter, {4} per 1000, {5} repaired
  healthWheelFigures,  // {1} period, {2} notches, {3} reversed, {4} per 1000, {5} repaired
  healthDaysChart,     // {1} the chart's top
  healthGapsChart,
  healthMilliseconds,  // {1}
  healthClickInterval,
  healthReleaseInterval,
  healthChooseButton,  // {1} device
  healthApplyIntervals,
  healthNotSaved,     // {1} the settings file's path
  healthNotRepaired,  // {1} device, {2} chatter, {3} clicks, {4} per 1000
  healthOutcome,      // {1} doubled, {2} lost
  healthChoiceClick,  // {1} ms
  healthChoiceClickOff,
  healthChoiceRelease,   // {1} ms, {2} the hold guard's ms
  healthChoiceLongHold,  // added to healthChoiceRelease: {1} the long-hold window's ms, {2} the
                         // drag threshold's ms
  healthChoiceReleaseOff,
  healthChoiceBlip,  // {1} ms
  healthChoiceBlipOff,
  healthChoiceBoth,   // {1} the click repair's part, {2} the release repair's, {3} the blip rule's
  healthFitTooFew,    // {1} clicks recorded, {2} more needed
  healthFitNothing,   // {1} clicks, {2} outcome now
  healthFitBetter,    // {1} clicks, {2} outcome now, {3} the choice, {4} its outcome
  healthFitTradeOff,  // {1} the choice with fewest doubled, {2} its outcome
  healthAnalysing,    // until the fit comes
  healthBalloon,      // {1} device, {2} chatter in 1000 clicks today
  healthBalloonFit,   // {1} device, {2} chatter in 1000 clicks today, {3} what the fit found
  // The test pad (测试区) of the 鼠标健康 window.
  healthPadOpen,
  healthPadHide,
  healthPadCaption,
  healthPadFace,
  healthPadClear,
  healthPadSwitchLane,
  healthPadProgramLane,
  healthPadDown,
  healthPadUp,
  healthPadNothing,
  // {1} button, {2} its source, {3} the switch's lane, {4} the program's, {5} verdict, {6} what
  // the repair would have done
  healthPadRow,
  healthPadPending,
  healthPadClean,
  healthPadBounceRepaired,  // {1} presses swallowed, {2} releases swallowed
  healthPadBounceLeaked,
  healthPadBreakRepaired,  // {1} presses swallowed, {2} releases swallowed
  healthPadBreakLeaked,
  healthPadLost,
  healthPadInjected,  // the sources
  healthPadTouch,
  healthPadDevice,      // {1} its short name
  healthPadWhatIf,      // {1} verdict
  fileMovedAside,       // {1} a damaged file's name, {2} the name it was moved aside to
  healthCopyDiagnosis,  // the button, and what it says once it copied
  healthDiagnosisCopied,
  healthDiagnosisNotCopied,
  // The options window: its pages, its rows, its buttons and what it says of a wrong value.
  optionsTitle,
  optionsPageRepairs,
  optionsPageFeatures,
  optionsPageGestures,
  optionsPagePrograms,
  optionsOk,
  optionsCancel,
  optionsApply,
  optionsScrollInterval,
  optionsGuardInterval,
  optionsBlipLength,
  optionsLongHoldGuard,
  optionsLongHoldGuardCost,
  optionsDragThreshold,
  optionsMilliseconds,
  optionsWrongNumber,  // {1} least, {2} most
  optionsNoSuggestion,
  optionsShowIcon,
  optionsDebugMode,
  optionsFullScreenPause,
  optionsModifier,
  optionsModifier1,
  optionsModifier2,
  optionsModifier3,
  optionsModifier4,
  optionsModifier5,
  optionsModifier6,
  optionsLanguage,
  optionsPauseHotkey,
  optionsChinese,
  optionsEnglish,
  optionsGesture,
  optionsDrawHint,
  optionsAction,
  optionsCommandLine,
  optionsBrowse,
  optionsAdd,
  optionsChange,
  optionsRemove,
  optionsRunProgram,
  optionsAction1,
  optionsAction2,
  optionsAction3,
  optionsAction4,
  optionsAction5,
  optionsAction6,
  optionsAction7,
  optionsAction8,
  optionsAction9,
  optionsAction10,
  optionsWrongGesture,  // {1} the most letters
  optionsWrongCommand,
  optionsProgram,
  optionsRule,
  optionsRule1,
  optionsRule2,
  optionsOpenPrograms,
  optionsWrongProgram,
  optionsExeFiles,
  optionsNotSaved,  // {1} the settings file's path
  optionsFileChanged,
  // The 输入来源 page: 模拟输入's choices, the devices' list and the share of clicks untold.
  optionsPageSources,
  optionsSimulatedInput,
  optionsSimulatedDefault,
  optionsSimulatedUntouched,
  optionsSimulatedRepaired,
  optionsDevices,
  optionsDeviceColumn,
  optionsDeviceIdColumn,
  optionsDeviceClicksColumn,
  optionsMouse,
  optionsTouchpad,
  optionsTouchScreen,
  optionsUntold,  // {1} percent, {2} clicks
  count
};

constexpr std::size_t kTextCount = static_cast<std::size_t>(TextName::count);

// The text of `name` in `language`.
const wchar_t* textOf(TextName name, Language language);

// The text with {1} .. {9} replaced by the values, in any order a language needs.
std::wstring fillText(TextName name, Language language, std::initializer_list<std::wstring> values);
std::wstring fillPattern(const std::wstring& pattern, std::initializer_list<std::wstring> values);

// One language's table as written, for the check that each holds every name once.
struct NamedText {
  TextName name;
  const wchar_t* text;
};
struct TextTable {
  const NamedText* entries;
  std::size_t size;
};
TextTable textTable(Language language);
