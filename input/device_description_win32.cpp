#include "input/device_description_win32.h"

#include <winioctl.h>

#include <hidclass.h>
#include <setupapi.h>

#include <memory>

#include "common/process_win32.h"
#include "common/system_library_win32.h"
#include "common/window_contract.h"

namespace {

struct Request {
  HANDLE device;
  int slot;
  HWND window;
};

// Leading and trailing blanks go (some devices pad their strings); false when nothing is left.
bool trimmed(wchar_t* text, std::size_t chars) {
  text[chars - 1] = L'\0';
  std::size_t start = 0;
  while (text[start] == L' ' || text[start] == L'\t') ++start;
  std::size_t length = 0;
  while (text[start + length] != L'\0') ++length;
  while (length > 0 && (text[start + length - 1] == L' ' || text[start + length - 1] == L'\t')) {
    --length;
  }
  for (std::size_t i = 0; i < length; ++i) text[i] = text[start + i];
  text[length] = L'\0';
  return length > 0;
}

DWORD WINAPI describeThread(void* argument) {
  const std::unique_ptr<Request> request(static_cast<Request*>(argument));
  wchar_t path[256] = L"";
  UINT chars = 256;
  if (GetRawInputDeviceInfoW(request->device, RIDI_DEVICENAME, path, &chars) ==
      static_cast<UINT>(-1)) {
    return 0;
  }
  path[255] = L'\0';
  auto description = std::make_unique<DeviceDescription>();
  description->slot = request->slot;
  constexpr std::size_t kChars = sizeof description->text / sizeof description->text[0];
  if (!readProductString(path, description->text, kChars) &&
      !readSystemDescription(path, description->text, kChars)) {
    return 0;
  }
  if (PostMessageW(request->window, window_contract::kDeviceNamedMessage,
                   static_cast<WPARAM>(request->slot),
                   reinterpret_cast<LPARAM>(description.get()))) {
    description.release();  // the window's now
  }
  return 0;
}

}  // namespace

void describeDevice(HANDLE device, int slot, HWND window) {
  auto request = std::make_unique<Request>(Request{device, slot, window});
  // Let go: a device that never answers keeps only its own thread waiting.
  if (startThread(describeThread, request.get())) request.release();
}

bool readProductString(const wchar_t* path, wchar_t* text, std::size_t chars) {
  // No access asked: a mouse is the system's, open for reading to no one else.
  const UniqueHandle file(
      CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE || !file.get()) return false;
  wchar_t product[127] = L"";  // a HID string's longest, and its terminator
  DWORD bytes = 0;
  if (!DeviceIoControl(file.get(), IOCTL_HID_GET_PRODUCT_STRING, nullptr, 0, product,
                       sizeof product - sizeof product[0], &bytes, nullptr)) {
    return false;
  }
  std::size_t i = 0;
  for (; i + 1 < chars && product[i] != L'\0'; ++i) text[i] = product[i];
  text[i] = L'\0';
  return trimmed(text, chars);
}

// SetupAPI is on the system's list of known DLLs, but is looked for in the system folder all the
// same, as every library the program loads.
bool readSystemDescription(const wchar_t* path, wchar_t* text, std::size_t chars) {
  using CreateList = HDEVINFO(WINAPI*)(const GUID*, HWND);
  using OpenInterface = BOOL(WINAPI*)(HDEVINFO, PCWSTR, DWORD, PSP_DEVICE_INTERFACE_DATA);
  using InterfaceDetail =
      BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_W, DWORD,
                    PDWORD, PSP_DEVINFO_DATA);
  using RegistryProperty =
      BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD, PDWORD);
  using DestroyList = BOOL(WINAPI*)(HDEVINFO);
  const wchar_t* const library = L"setupapi.dll";
  const auto createList = systemLibraryFunction<CreateList>(library, "SetupDiCreateDeviceInfoList");
  const auto openInterface =
      systemLibraryFunction<OpenInterface>(library, "SetupDiOpenDeviceInterfaceW");
  const auto interfaceDetail =
      systemLibraryFunction<InterfaceDetail>(library, "SetupDiGetDeviceInterfaceDetailW");
  const auto registryProperty =
      systemLibraryFunction<RegistryProperty>(library, "SetupDiGetDeviceRegistryPropertyW");
  const auto destroyList =
      systemLibraryFunction<DestroyList>(library, "SetupDiDestroyDeviceInfoList");
  if (!createList || !openInterface || !interfaceDetail || !registryProperty || !destroyList) {
    return false;
  }
  const HDEVINFO set = createList(nullptr, nullptr);
  wchar_t description[256] = L"";
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof interfaceData;
  SP_DEVINFO_DATA deviceData{};
  deviceData.cbSize = sizeof deviceData;
  const bool read = openInterface(set, path, 0, &interfaceData) &&
                    (interfaceDetail(set, &interfaceData, nullptr, 0, nullptr, &deviceData) ||
                     GetLastError() == ERROR_INSUFFICIENT_BUFFER) &&
                    registryProperty(set, &deviceData, SPDRP_DEVICEDESC, nullptr,
                                     reinterpret_cast<BYTE*>(description),
                                     sizeof description - sizeof(wchar_t), nullptr);
  destroyList(set);
  if (!read) return false;
  std::size_t i = 0;
  for (; i + 1 < chars && description[i] != L'\0'; ++i) text[i] = description[i];
  text[i] = L'\0';
  return trimmed(text, chars);
}
