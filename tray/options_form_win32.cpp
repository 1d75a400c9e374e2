#include "tray/options_form_win32.h"

#include <commctrl.h>

#include "common/dpi_win32.h"
#include "common/system_library_win32.h"
#include "settings/settings_table.h"
#include "tray/device_list_win32.h"
#include "tray/options.h"

namespace {

namespace id = option_id;

// A drop-down list shows this many rows below its field.
constexpr int kDropDownRows = 12;

HWND create(HWND dialog, const wchar_t* className, DWORD style, DWORD exStyle, int control,
            const wchar_t* caption) {
  return CreateWindowExW(exStyle, className, caption, WS_CHILD | style, 0, 0, 0, 0, dialog,
                         reinterpret_cast<HMENU>(INT_PTR(control ? control : -1)),
                         GetModuleHandleW(nullptr), nullptr);
}

// The common controls (the tabs, the hot key field, the devices' list) come from comctl32.dll,
// which the exe does not import: loaded from the system folder, as every library the program loads
// at run time.
bool commonControlsReady() {
  static const bool ready = [] {
    const auto init = systemLibraryFunction<decltype(&InitCommonControlsEx)>(
        L"comctl32.dll", "InitCommonControlsEx");
    INITCOMMONCONTROLSEX classes{sizeof classes,
                                 ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_LISTVIEW_CLASSES};
    return init && init(&classes);
  }();
  return ready;
}

HWND createCell(HWND dialog, const FormCell& cell, DWORD group, Language language) {
  const wchar_t* caption = cell.text == TextName::count ? L"" : textOf(cell.text, language);
  const auto make = [&](const wchar_t* className, DWORD style, DWORD exStyle = 0) {
    return create(dialog, className, style | group, exStyle, cell.id, caption);
  };
  switch (cell.kind) {
    case FormKind::label:
      return make(L"STATIC", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE);
    case FormKind::note:
      return make(L"STATIC", SS_LEFT | SS_NOPREFIX);
    case FormKind::check:
      return make(L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP);
    case FormKind::edit:
      return make(L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
    case FormKind::combo:
      return make(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
    case FormKind::button:
      return make(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP);
    case FormKind::list:
      return make(L"LISTBOX",
                  LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                  WS_EX_CLIENTEDGE);
    case FormKind::hotkey:
      if (commonControlsReady()) {
        const HWND field = make(HOTKEY_CLASSW, WS_TABSTOP, WS_EX_CLIENTEDGE);
        // A key alone or with Shift alone would be taken from every program's typing: Ctrl+Alt
        // is added to it.
        SendMessageW(field, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                     MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        return field;
      }
      return make(L"STATIC", SS_LEFT);
    case FormKind::checkList:
      return commonControlsReady() ? createDeviceList(dialog, cell.id, group, language) : nullptr;
  }
  return nullptr;
}

// The list's rows, the first selected where `select`.
void fillCombo(HWND dialog, int control, const TextName* rows, int count, Language language,
               bool select = false) {
  for (int row = 0; row < count; ++row) {
    SendDlgItemMessageW(dialog, control, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(textOf(rows[row], language)));
  }
  if (select) SendDlgItemMessageW(dialog, control, CB_SETCURSEL, 0, 0);
}

// The pages' tabs, made last: the bottom of the window's order, so that the keys reach the page's
// controls first. Without the common controls there are none, and Ctrl+Tab still turns pages.
void createTabs(HWND dialog, Language language) {
  if (!commonControlsReady()) return;
  const HWND tabs =
      create(dialog, WC_TABCONTROLW, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, id::pages, L"");
  const TextName names[kOptionsPageCount] = {
      TextName::optionsPageRepairs, TextName::optionsPageFeatures, TextName::optionsPageGestures,
      TextName::optionsPagePrograms, TextName::optionsPageSources};
  for (int page = 0; page < kOptionsPageCount; ++page) {
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(textOf(names[page], language));
    SendMessageW(tabs, TCM_INSERTITEMW, page, reinterpret_cast<LPARAM>(&tab));
  }
}

void place(HWND control, const LayoutRect& r, int extraHeight = 0) {
  MoveWindow(control, r.left, r.top, r.width(), r.height() + extraHeight, TRUE);
}

}  // namespace

std::vector<HWND> createOptionsControls(HWND dialog, Language language) {
  using T = TextName;
  std::vector<HWND> cells;
  for (const FormRow& row : optionsForm()) {
    for (const FormCell& cell : row.cells) {
      cells.push_back(createCell(dialog, cell, cells.empty() ? WS_GROUP : 0, language));
    }
  }
  const struct {
    int id;
    DWORD style;
    T text;
  } buttons[] = {{id::ok, BS_DEFPUSHBUTTON | WS_GROUP, T::optionsOk},
                 {id::cancel, BS_PUSHBUTTON, T::optionsCancel},
                 {id::apply, BS_PUSHBUTTON, T::optionsApply}};
  for (const auto& b : buttons) {
    create(dialog, L"BUTTON", b.style | WS_TABSTOP | WS_VISIBLE, 0, b.id, textOf(b.text, language));
  }
  createTabs(dialog, language);
  for (const SettingRow& row : kSettingRows) {
    if (row.choices) {
      fillCombo(dialog, optionControlId(row.setting), row.choices, row.most - row.least + 1,
                language);
    }
  }
  const T actions[] = {T::optionsAction1,  T::optionsAction2,   T::optionsAction3,
                       T::optionsAction4,  T::optionsAction5,   T::optionsAction6,
                       T::optionsAction7,  T::optionsAction8,   T::optionsAction9,
                       T::optionsAction10, T::optionsRunProgram};
  fillCombo(dialog, id::gestureAction, actions, 11, language, true);
  const T rules[] = {T::optionsRule1, T::optionsRule2};
  fillCombo(dialog, id::programRule, rules, 2, language, true);
  return cells;
}

void showOptionsPage(HWND dialog, const std::vector<HWND>& cells, int page) {
  SendDlgItemMessageW(dialog, id::pages, TCM_SETCURSEL, page, 0);
  std::size_t at = 0;
  for (const FormRow& row : optionsForm()) {
    for (std::size_t i = 0; i < row.cells.size() && at < cells.size(); ++i) {
      ShowWindow(cells[at++], static_cast<int>(row.page) == page ? SW_SHOW : SW_HIDE);
    }
  }
  // The focus on a control now hidden goes to the tabs, where the arrows turn pages too.
  const HWND focus = GetFocus();
  const HWND tabs = GetDlgItem(dialog, id::pages);
  if (focus && IsChild(dialog, focus) && !IsWindowVisible(focus)) {
    SendMessageW(dialog, WM_NEXTDLGCTL, WPARAM(tabs ? tabs : GetDlgItem(dialog, id::ok)), TRUE);
  }
}

HFONT arrangeOptions(HWND dialog, const std::vector<HWND>& cells, HFONT oldFont,
                     const RECT* suggested) {
  const int dpi = windowDpi(dialog);
  const HFONT font = createMessageFont(dpi);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, WM_SETFONT, WPARAM(font), FALSE);
  }
  if (oldFont) DeleteObject(oldFont);
  const FontMetrics metrics = measureFont(font);
  const OptionsLayout layout = layoutOptions(metrics);
  place(GetDlgItem(dialog, id::pages), layout.tabs);
  std::size_t at = 0;
  for (const FormRow& row : optionsForm()) {
    for (const FormCell& cell : row.cells) {
      if (at >= layout.cells.size() || at >= cells.size()) break;
      place(cells[at], layout.cells[at],
            cell.kind == FormKind::combo ? kDropDownRows * metrics.lineHeight : 0);
      ++at;
    }
  }
  sizeDeviceColumns(GetDlgItem(dialog, id::deviceList));
  place(GetDlgItem(dialog, id::ok), layout.ok);
  place(GetDlgItem(dialog, id::cancel), layout.cancel);
  place(GetDlgItem(dialog, id::apply), layout.apply);
  // The list's columns: the name, then what it does.
  const int tab = 4 * 16;  // dialog units of the list's font: the longest usual gesture text
  for (int list : {id::gestureList, id::programList}) {
    const int stops = list == id::programList ? 2 * tab : tab;
    SendDlgItemMessageW(dialog, list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stops));
  }

  const auto style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE));
  const SIZE frame = frameSize(style, exStyle, dpi);
  const LayoutRect work = workAreaOf(dialog, suggested);
  const int width = layout.width + frame.cx, height = layout.height + frame.cy;
  const LayoutRect r = suggested ? fitToWorkArea({suggested->left, suggested->top,
                                                  suggested->left + width, suggested->top + height},
                                                 work)
                                 : centreInWorkArea(width, height, work);
  SetWindowPos(dialog, nullptr, r.left, r.top, r.width(), r.height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(dialog, nullptr, TRUE);
  return font;
}
