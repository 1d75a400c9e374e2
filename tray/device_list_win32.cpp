#include "tray/device_list_win32.h"

#include <commctrl.h>

#include <string>

HWND createDeviceList(HWND dialog, int control, DWORD style, Language language) {
  const HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                    WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                        LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | style,
                                    0, 0, 0, 0, dialog, reinterpret_cast<HMENU>(INT_PTR(control)),
                                    GetModuleHandleW(nullptr), nullptr);
  if (!list) return nullptr;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  const TextName headers[] = {TextName::optionsDeviceColumn, TextName::optionsDeviceIdColumn,
                              TextName::optionsDeviceClicksColumn};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_SUBITEM | (i == 2 ? LVCF_FMT : 0);
    column.fmt = LVCFMT_RIGHT;
    column.pszText = const_cast<wchar_t*>(textOf(headers[i], language));
    column.iSubItem = i;
    SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(i), reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

void fillDeviceList(HWND list, const std::vector<DeviceRow>& rows, Language language) {
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const DeviceRow& row = rows[i];
    const TextName kindName = row.kind == DeviceKind::touchpad      ? TextName::optionsTouchpad
                              : row.kind == DeviceKind::touchScreen ? TextName::optionsTouchScreen
                                                                    : TextName::optionsMouse;
    const std::wstring texts[3] = {
        row.description.empty() ? textOf(kindName, language) : row.description, row.name,
        std::to_wstring(row.clicks)};
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(texts[0].c_str());
    const auto at =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (int column = 1; column < 3; ++column) {
      item.iItem = at;
      item.iSubItem = column;
      item.pszText = const_cast<wchar_t*>(texts[column].c_str());
      SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(at), reinterpret_cast<LPARAM>(&item));
    }
    // The check box's state image: 2 checked, 1 not.
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(row.leftOut ? 1 : 2);
    SendMessageW(list, LVM_SETITEMSTATE, WPARAM(at), reinterpret_cast<LPARAM>(&item));
  }
}

void readDeviceChecks(HWND list, std::vector<DeviceRow>& rows) {
  const auto shown = static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (std::size_t i = 0; i < rows.size() && i < shown; ++i) {
    const auto state =
        static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, WPARAM(i), LVIS_STATEIMAGEMASK));
    rows[i].leftOut = (state & LVIS_STATEIMAGEMASK) != INDEXTOSTATEIMAGEMASK(2);
  }
}

void sizeDeviceColumns(HWND list) {
  RECT client{};
  GetClientRect(list, &client);
  const int width = client.right - client.left;
  const int widths[3] = {width / 2, width / 4, width - width / 2 - width / 4};
  for (int i = 0; i < 3; ++i) SendMessageW(list, LVM_SETCOLUMNWIDTH, WPARAM(i), widths[i]);
}
