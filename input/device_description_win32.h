// What Windows calls a device the raw input named: the product string the device gives where it
// gives one ("USB Optical Mouse"), else the system's description of it (most mice say
// "HID-compliant mouse", in the system's language). Shown beside the device's ids; the settings
// key stays the ids alone (input/input_source.h).
#pragma once

#include <windows.h>

#include <cstddef>

#include "input/input_source.h"

// A device's text, as the thread that read it hands it over.
struct DeviceDescription {
  int slot;
  wchar_t text[kDeviceDescriptionChars];
};

// Asking the device for its string waits on the device (a request over USB or Bluetooth), so the
// text is read on a thread of its own, off the hook's and the main window's; `window` is then
// posted kDeviceNamedMessage with the slot in wParam and a DeviceDescription the receiver owns in
// lParam (nothing when the device names itself nowhere).
void describeDevice(HANDLE device, int slot, HWND window);

// The product string of a HID device's path ("\\?\HID#VID_046D&PID_C077#..."), opened with no
// access rights; false when it has none.
bool readProductString(const wchar_t* path, wchar_t* text, std::size_t chars);
// The system's description of the device behind a device interface's path.
bool readSystemDescription(const wchar_t* path, wchar_t* text, std::size_t chars);
