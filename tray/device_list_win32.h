// The 输入来源 page's list of devices (tray/device_list.h): a list view of one row per device,
// its check box on while the repairs are for it, then what Windows calls it, its ids and its
// clicks since start. A standard control, so that a screen reader says each row and its check.
#pragma once

#include <windows.h>

#include <vector>

#include "common/texts.h"
#include "tray/device_list.h"

// A list view in `dialog` with the check boxes and the three columns; the common controls'
// classes are registered before (tray/options_form_win32.cpp).
HWND createDeviceList(HWND dialog, int control, DWORD style, Language language);
void fillDeviceList(HWND list, const std::vector<DeviceRow>& rows, Language language);
// Each row's check read into `rows` (off: left out), in the order they were filled; a row the
// list does not show (a device seen since it was filled) keeps its value.
void readDeviceChecks(HWND list, std::vector<DeviceRow>& rows);
// The columns share the list's width: the name half, the ids and the clicks a quarter each.
void sizeDeviceColumns(HWND list);
