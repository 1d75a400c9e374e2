#include "input/raw_input_win32.h"

#include "common/window_contract.h"
#include "input/hook_win32.h"

namespace {

constexpr USHORT kDigitizerPage = 0x0D;
constexpr USHORT kTouchScreenUsage = 0x04;
constexpr USHORT kTouchpadUsage = 0x05;
const wchar_t kWindowClass[] = L"Clickmend.RawInput";

// Raw input of the hook thread alone, read one report at a time or a batch inside the hook. A
// precision touchpad's report is a few dozen bytes.
alignas(8) BYTE reportBuffer[1024];
alignas(8) BYTE batchBuffer[8192];

// A precision touchpad's or touch screen's collection, by its usage.
bool digitizerKind(HANDLE device, DeviceKind* kind) {
  RID_DEVICE_INFO info{};
  info.cbSize = sizeof info;
  UINT size = sizeof info;
  if (GetRawInputDeviceInfoW(device, RIDI_DEVICEINFO, &info, &size) == static_cast<UINT>(-1) ||
      info.dwType != RIM_TYPEHID || info.hid.usUsagePage != kDigitizerPage ||
      (info.hid.usUsage != kTouchScreenUsage && info.hid.usUsage != kTouchpadUsage)) {
    return false;
  }
  *kind = info.hid.usUsage == kTouchScreenUsage ? DeviceKind::touchScreen : DeviceKind::touchpad;
  return true;
}

bool runsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

std::uint64_t counterMicroseconds() {
  static const std::uint64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<std::uint64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const auto count = static_cast<std::uint64_t>(now.QuadPart);
  // In two parts, so that the product never overflows however long the machine has run.
  return count / frequency * 1000000 + count % frequency * 1000000 / frequency;
}

bool RawInputReader::start(HINSTANCE instance, SourceTracker* sources, HWND commandWindow) {
  sources_ = sources;
  commandWindow_ = commandWindow;
  wow64_ = runsUnderWow64();
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);
  window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                            nullptr);
  if (!window_) return false;
  RAWINPUTDEVICE devices[3] = {{0x01, 0x02, RIDEV_INPUTSINK, window_},
                               {kDigitizerPage, kTouchpadUsage, RIDEV_INPUTSINK, window_},
                               {kDigitizerPage, kTouchScreenUsage, RIDEV_INPUTSINK, window_}};
  if (RegisterRawInputDevices(devices, 3, sizeof devices[0])) return true;
  // A system that refuses the digitizers still tells the mice apart.
  return RegisterRawInputDevices(devices, 1, sizeof devices[0]) != FALSE;
}

void RawInputReader::stop() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
}

bool RawInputReader::onMessage(LPARAM rawInput, HookProgress hook) {
  UINT size = sizeof reportBuffer;
  if (GetRawInputData(reinterpret_cast<HRAWINPUT>(rawInput), RID_INPUT, reportBuffer, &size,
                      sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1)) {
    return false;
  }
  const auto* raw = reinterpret_cast<const RAWINPUT*>(reportBuffer);
  handle(raw->header.dwType, raw->header.hDevice, reinterpret_cast<const BYTE*>(&raw->data),
         counterMicroseconds());
  // The system's stamp of the event, not the time it is read here.
  return raw->header.dwType == RIM_TYPEMOUSE &&
         watchdog.onRawInput(static_cast<std::uint32_t>(GetMessageTime()), hook);
}

// A 32-bit program on 64-bit Windows is handed the batch as a 64-bit one lays it out: the
// header's handles take 8 bytes each, so the report starts at 24, and blocks are 8-byte aligned.
void RawInputReader::drain() {
  if (!sources_) return;
  const std::uint64_t us = counterMicroseconds();
  const std::size_t headerSize = wow64_ ? 24 : sizeof(RAWINPUTHEADER);
  const std::size_t alignment = wow64_ ? 8 : sizeof(void*);
  for (int round = 0; round < 4; ++round) {
    UINT size = sizeof batchBuffer;
    const UINT count =
        GetRawInputBuffer(reinterpret_cast<RAWINPUT*>(batchBuffer), &size, sizeof(RAWINPUTHEADER));
    if (count == 0 || count == static_cast<UINT>(-1)) return;
    const BYTE* block = batchBuffer;
    for (UINT i = 0; i < count; ++i) {
      const auto* header = reinterpret_cast<const RAWINPUTHEADER*>(block);
      const std::size_t length = header->dwSize;
      if (length < headerSize || block + length > batchBuffer + sizeof batchBuffer) return;
      const HANDLE device = wow64_ ? reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(
                                         *reinterpret_cast<const std::uint32_t*>(block + 8)))
                                   : header->hDevice;
      handle(header->dwType, device, block + headerSize, us);
      block += (length + alignment - 1) & ~(alignment - 1);
    }
  }
}

// Our own input's report asks for no hook call: the hook lets it pass unexamined.
void RawInputReader::handle(DWORD type, HANDLE device, const BYTE* data, std::uint64_t us) {
  if (!sources_) return;
  if (type == RIM_TYPEMOUSE) {
    const auto* mouse = reinterpret_cast<const RAWMOUSE*>(data);
    if (mouse->ulExtraInformation == kOwnInputMarker) return;
    sources_->rawMouse(slotFor(type, device), mouse->usButtonFlags, us);
  } else if (type == RIM_TYPEHID) {
    sources_->rawContact(slotFor(type, device), us);
  }
}

// A device seen for the first time is given a slot here, by its kind and ids (quick calls to the
// system, no file opened), and the main thread is told to name it. Before a new mouse, the
// digitizers present are added, so that a touchpad's or touch screen's own mouse collection is
// known for theirs (SourceTracker::addDevice), whichever reports first.
int RawInputReader::slotFor(DWORD type, HANDLE device) {
  const auto handle = reinterpret_cast<std::uintptr_t>(device);
  const int slot = sources_->slotOf(handle);
  if (slot >= 0 || handle == 0 || handle == untracked_) return slot;
  if (type == RIM_TYPEMOUSE) {
    addDigitizers();
    return add(device, DeviceKind::mouse);
  }
  DeviceKind kind;
  if (type != RIM_TYPEHID || !digitizerKind(device, &kind)) {
    untracked_ = handle;
    return -1;
  }
  return add(device, kind);
}

int RawInputReader::add(HANDLE device, DeviceKind kind) {
  wchar_t path[256] = L"";
  UINT chars = 256;
  if (GetRawInputDeviceInfoW(device, RIDI_DEVICENAME, path, &chars) == static_cast<UINT>(-1)) {
    path[0] = L'\0';
  }
  path[255] = L'\0';
  wchar_t name[kDeviceShortNameChars];
  shortDeviceName(path, name);
  const int slot = sources_->addDevice(reinterpret_cast<std::uintptr_t>(device), kind, name);
  if (slot < 0) {
    untracked_ = reinterpret_cast<std::uintptr_t>(device);  // every slot taken: told apart no more
    return -1;
  }
  PostMessageW(commandWindow_, window_contract::kDeviceSeenMessage, static_cast<WPARAM>(slot), 0);
  return slot;
}

void RawInputReader::addDigitizers() {
  RAWINPUTDEVICELIST list[256];
  UINT count = 256;
  count = GetRawInputDeviceList(list, &count, sizeof list[0]);
  if (count == static_cast<UINT>(-1)) return;
  DeviceKind kind;
  for (UINT i = 0; i < count; ++i) {
    if (list[i].dwType == RIM_TYPEHID && digitizerKind(list[i].hDevice, &kind) &&
        sources_->slotOf(reinterpret_cast<std::uintptr_t>(list[i].hDevice)) < 0) {
      add(list[i].hDevice, kind);
    }
  }
}
