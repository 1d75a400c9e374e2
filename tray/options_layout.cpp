// The options window's form as data and its layout from the font (tray/options.h).
#include <algorithm>

#include "tray/options.h"

namespace {

using K = OptionKey;
using P = OptionsPage;
using F = FormKind;
using T = TextName;
namespace id = option_id;

// Dialog units: wide enough for the English texts, which run longer than the Chinese.
constexpr int kCheck = 100;
constexpr int kLabel = 64;
constexpr int kNumber = 32;
constexpr int kUnit = 24;
constexpr int kWide = 308;
constexpr int kButton = 50;
constexpr int kPageButton = 74;

FormCell check(K key, T text) {
  return {optionControlId(key), F::check, kCheck, text};
}
FormCell label(T text, int width = kLabel) {
  return {id::label, F::label, width, text};
}

FormRow interval(T name, K key) {
  return {P::repairs,
          {label(name),
           {optionControlId(key), F::edit, kNumber, T::count},
           label(T::optionsMilliseconds, kUnit),
           {optionWrongId(key), F::note, kWide - kLabel - kNumber - kUnit - 12, T::count}}};
}

std::vector<FormRow> form() {
  return {
      {P::repairs,
       {check(K::clickRepair, T::menuClickRepair), check(K::releaseRepair, T::menuReleaseRepair),
        check(K::scrollRepair, T::menuScrollRepair)}},
      {P::repairs,
       {check(K::leftButton, T::menuLeftButton), check(K::rightButton, T::menuRightButton)}},
      {P::repairs,
       {check(K::middleButton, T::menuMiddleButton), check(K::xButton1, T::menuBackButton),
        check(K::xButton2, T::menuForwardButton)}},
      interval(T::healthClickInterval, K::clickInterval),
      interval(T::healthReleaseInterval, K::releaseInterval),
      interval(T::optionsScrollInterval, K::scrollInterval),
      interval(T::optionsGuardInterval, K::holdGuard),
      interval(T::optionsBlipLength, K::blipLength),
      {P::repairs, {{id::suggestion, F::note, kWide, T::count}}, 3},
      {P::repairs, {{id::applySuggestion, F::button, 2 * kButton + 20, T::healthApplyIntervals}}},

      {P::features,
       {check(K::wheelPassThrough, T::menuWheelPassThrough),
        check(K::volumeControl, T::menuVolumeControl), check(K::gestures, T::menuGestures)}},
      {P::features,
       {check(K::showIcon, T::optionsShowIcon), check(K::debugMode, T::optionsDebugMode),
        check(K::fullScreenPause, T::optionsFullScreenPause)}},
      {P::features,
       {label(T::optionsModifier),
        {optionControlId(K::modifier), F::combo, kWide - kLabel - 4, T::count}}},
      {P::features,
       {label(T::optionsLanguage), {optionControlId(K::language), F::combo, 100, T::count}}},

      {P::gestures, {{id::gestureList, F::list, kWide, T::count}}, 7},
      {P::gestures,
       {label(T::optionsGesture),
        {id::gestureName, F::edit, 60, T::count},
        {id::gestureWrong, F::note, kWide - kLabel - 60 - 8, T::count}}},
      {P::gestures, {{id::label, F::note, kWide, T::optionsDrawHint}}, 2},
      {P::gestures, {label(T::optionsAction), {id::gestureAction, F::combo, 150, T::count}}},
      {P::gestures,
       {label(T::optionsCommandLine),
        {id::gestureCommand, F::edit, kWide - kLabel - kButton - 8, T::count},
        {id::gestureBrowse, F::button, kButton, T::optionsBrowse}}},
      {P::gestures,
       {{id::gestureAdd, F::button, kButton, T::optionsAdd},
        {id::gestureChange, F::button, kButton, T::optionsChange},
        {id::gestureRemove, F::button, kButton, T::optionsRemove}}},

      {P::programs, {{id::programList, F::list, kWide, T::count}}, 7},
      {P::programs,
       {label(T::optionsProgram),
        {id::programName, F::edit, 120, T::count},
        {id::programBrowse, F::button, kButton, T::optionsBrowse},
        {id::programOpen, F::button, kWide - kLabel - 120 - kButton - 12, T::optionsOpenPrograms}}},
      {P::programs,
       {label(T::optionsRule), {id::programRule, F::combo, kWide - kLabel - 4, T::count}}},
      {P::programs,
       {{id::programAdd, F::button, kButton, T::optionsAdd},
        {id::programChange, F::button, kButton, T::optionsChange},
        {id::programRemove, F::button, kButton, T::optionsRemove},
        {id::programWrong, F::note, kWide - 3 * kButton - 12, T::count}}},
  };
}

// A control's height in dialog units down: a line of text, or a field or button around one.
int cellHeight(FormKind kind, int lines) {
  switch (kind) {
    case F::label:
    case F::check:
      return 10;
    case F::note:
      return 8 * lines + 2;
    case F::list:
      return 8 * lines + 4;
    case F::edit:
    case F::combo:
    case F::button:
      return 14;
  }
  return 14;
}

}  // namespace

const std::vector<FormRow>& optionsForm() {
  static const std::vector<FormRow> rows = form();
  return rows;
}

OptionsLayout layoutOptions(const FontMetrics& font) {
  const auto across = [&font](int units) { return dialogUnitsAcross(units, font); };
  const auto down = [&font](int units) { return dialogUnitsDown(units, font); };
  const int margin = across(7), gap = across(4), gapDown = down(4);
  const int buttonHeight = down(14);
  OptionsLayout layout;
  int right = 0;
  for (int page = 0; page < kOptionsPageCount; ++page) {
    const int left = margin + page * (across(kPageButton) + gap);
    layout.pages[page] = {left, margin, left + across(kPageButton), margin + buttonHeight};
    right = std::max(right, layout.pages[page].right);
  }
  const int pageTop = margin + buttonHeight + 2 * gapDown;
  int bottom[kOptionsPageCount];
  std::fill(bottom, bottom + kOptionsPageCount, pageTop);
  for (const FormRow& row : optionsForm()) {
    int& y = bottom[static_cast<int>(row.page)];
    int height = 0;
    for (const FormCell& cell : row.cells) {
      height = std::max(height, down(cellHeight(cell.kind, row.lines)));
    }
    int x = margin;
    for (const FormCell& cell : row.cells) {
      // A label or a check box takes the row's height and centres its line on the fields beside
      // it; a field keeps its own height in the middle of the row.
      const bool line = cell.kind == F::label || cell.kind == F::check;
      const int h = line ? height : down(cellHeight(cell.kind, row.lines));
      const int top = y + (height - h) / 2;
      layout.cells.push_back({x, top, x + across(cell.widthUnits), top + h});
      x += across(cell.widthUnits) + gap;
      right = std::max(right, x - gap);
    }
    y += height + gapDown;
  }
  const int buttonsTop = *std::max_element(bottom, bottom + kOptionsPageCount) + gapDown;
  layout.width = right + margin;
  const int buttonWidth = across(kButton);
  const auto button = [&](int fromRight) {
    const int r = layout.width - margin - fromRight * (buttonWidth + gap);
    return LayoutRect{r - buttonWidth, buttonsTop, r, buttonsTop + buttonHeight};
  };
  layout.apply = button(0);
  layout.cancel = button(1);
  layout.ok = button(2);
  layout.height = buttonsTop + buttonHeight + margin;
  return layout;
}
