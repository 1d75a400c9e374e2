// The options window's form as data and its layout from the font (tray/options.h).
#include <algorithm>

#include "tray/options.h"

namespace {

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
// The tabs' strip: a line of text and the tab's frame around it.
constexpr int kTabsHeight = 14;
constexpr int kLanguage = 100;
constexpr int kHotkey = 100;  // "Ctrl + Alt + Scroll Lock"

FormCell label(T text, int width = kLabel) {
  return {id::label, F::label, width, text};
}

// A setting's controls: a check box, a number of milliseconds with the note that says it is
// wrong, or a list to pick from.
void settingCells(const SettingRow& setting, std::vector<FormCell>& cells) {
  const int control = optionControlId(setting.setting);
  switch (setting.kind) {
    case SettingKind::flag:
      if (absentIsChoice(setting)) {
        cells.insert(cells.end(), {label(setting.label), {control, F::combo, 150, T::count}});
      } else {
        cells.push_back({control, F::check, kCheck, setting.label});
      }
      return;
    case SettingKind::interval:
    case SettingKind::bounded:
      cells.insert(cells.end(), {label(setting.label),
                                 {control, F::edit, kNumber, T::count},
                                 label(T::optionsMilliseconds, kUnit),
                                 {optionWrongId(setting.setting), F::note,
                                  kWide - kLabel - kNumber - kUnit - 12, setting.hint}});
      return;
    case SettingKind::choice:
      cells.insert(cells.end(),
                   {label(setting.label), {control, F::combo, kWide - kLabel - 4, T::count}});
      return;
    case SettingKind::language:
      cells.insert(cells.end(), {label(setting.label), {control, F::combo, kLanguage, T::count}});
      return;
    case SettingKind::hotkey:
      cells.insert(cells.end(), {label(setting.label), {control, F::hotkey, kHotkey, T::count}});
      return;
  }
}

// The page's settings, a row of the form for each of their lines.
void settingLines(P page, std::vector<FormRow>& rows) {
  for (int line = 0;; ++line) {
    FormRow row{page, {}};
    for (const SettingRow& setting : kSettingRows) {
      if (setting.page == page && setting.line == line) settingCells(setting, row.cells);
    }
    if (row.cells.empty()) return;
    rows.push_back(row);
  }
}

std::vector<FormRow> form() {
  std::vector<FormRow> rows;
  settingLines(P::repairs, rows);
  rows.push_back({P::repairs, {{id::suggestion, F::note, kWide, T::count}}, 3});
  rows.push_back(
      {P::repairs, {{id::applySuggestion, F::button, 2 * kButton + 20, T::healthApplyIntervals}}});
  settingLines(P::features, rows);
  const std::vector<FormRow> lists = {
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
  rows.insert(rows.end(), lists.begin(), lists.end());
  settingLines(P::sources, rows);
  rows.push_back({P::sources, {{id::label, F::note, kWide, T::optionsDevices}}});
  rows.push_back({P::sources, {{id::deviceList, F::checkList, kWide, T::count}}, 8});
  rows.push_back({P::sources, {{id::untold, F::note, kWide, T::count}}, 2});
  return rows;
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
    case F::checkList:
      return 8 * lines + 4;
    case F::edit:
    case F::combo:
    case F::button:
    case F::hotkey:
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
  const int pageTop = margin + down(kTabsHeight) + 2 * gapDown;
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
  layout.tabs = {margin, margin, right, margin + down(kTabsHeight)};
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
