#include "input/input_source.h"

#include "input/button_machine.h"

namespace {
// Counted by the hook thread alone: a plain add, not a locked one, in the hook's time.
void countOne(std::atomic<std::uint32_t>& count) {
  count.store(count.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

// The bits of the five buttons' presses and releases and the two wheels.
constexpr std::uint16_t kRawBits = 0x0FFF;
constexpr std::uint16_t kRawPressBits = 0x0155;

// Of a single bit: one instruction on every compiler the program is built with.
int bitIndex(std::uint16_t bit) {
  return __builtin_ctz(bit);
}

// The button of a press's or release's bit, or -1 for a wheel's.
int buttonOf(std::uint16_t bit) {
  const int index = bitIndex(bit);
  return index < 2 * kButtonCount ? index / 2 : -1;
}
}  // namespace

namespace {
bool isHex(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
}
wchar_t upper(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// The last four hex digits of the run after `tag` and one '_' or '&' ("VID_046D", "VID&0002046D").
bool idAfter(const wchar_t* path, const wchar_t* tag, wchar_t* out) {
  for (const wchar_t* p = path; *p != L'\0'; ++p) {
    int t = 0;
    while (tag[t] != L'\0' && upper(p[t]) == tag[t]) ++t;
    if (tag[t] != L'\0' || (p[t] != L'_' && p[t] != L'&')) continue;
    const wchar_t* digits = p + t + 1;
    int length = 0;
    while (isHex(digits[length])) ++length;
    if (length < 4) continue;
    for (int i = 0; i < 4; ++i) out[i] = upper(digits[length - 4 + i]);
    return true;
  }
  return false;
}
}  // namespace

void shortDeviceName(const wchar_t* path, wchar_t (&name)[12]) {
  if (idAfter(path, L"VID", name) && idAfter(path, L"PID", name + 5)) {
    name[4] = L':';
    name[9] = L'\0';
    return;
  }
  // Without ids ("\\?\HID#SYNA7DB5&Col02#..."), the device's own part, the same for each of its
  // collections.
  const wchar_t* part = path;
  while (*part != L'\0' && *part != L'#') ++part;
  int length = 0;
  if (*part == L'#') {
    for (++part; part[length] != L'\0' && part[length] != L'#' && part[length] != L'&' &&
                 length < kDeviceShortNameChars - 1;
         ++length) {
      name[length] = part[length];
    }
  }
  name[length] = L'\0';
}

namespace {
bool sameName(const wchar_t* a, const wchar_t* b) {
  int i = 0;
  while (a[i] != L'\0' && a[i] == b[i]) ++i;
  return a[i] == b[i];
}
}  // namespace

std::uint16_t rawBitOf(const MouseEvent& event) {
  if (event.message == mouse_message::wheel) return raw_button::wheel;
  if (event.message == mouse_message::horizontalWheel) return raw_button::horizontalWheel;
  const ButtonMessage& m = event.buttonMessage;
  if (!m.known) return 0;
  return static_cast<std::uint16_t>(1u << (2 * static_cast<int>(m.button) + (m.press ? 0 : 1)));
}

bool deviceLeftOut(DeviceKind kind, std::int32_t setting) {
  if (setting == 0 || setting == 1) return setting == 0;
  return kind != DeviceKind::mouse;
}

bool injectedRepaired(std::int32_t setting, bool remoteSession) {
  if (setting == 0 || setting == 1) return setting == 1;
  return remoteSession;
}

int SourceTracker::slotOf(std::uintptr_t handle) const {
  if (handle == 0) return -1;
  for (int i = 0; i < kMaxDevices; ++i) {
    if (devices_.at[i].handle.load(std::memory_order_relaxed) == handle) return i;
  }
  return -1;
}

int SourceTracker::addDevice(std::uintptr_t handle, DeviceKind kind, const wchar_t* shortName) {
  if (kind == DeviceKind::mouse) kind = kindOfName(shortName);
  for (int i = 0; i < kMaxDevices && handle != 0; ++i) {
    InputDevice& device = devices_.at[i];
    if (device.handle.load(std::memory_order_relaxed) != 0) continue;
    device.kind = kind;
    int length = 0;
    for (; shortName[length] != L'\0' && length + 1 < kDeviceShortNameChars; ++length) {
      device.shortName[length] = shortName[length];
    }
    device.shortName[length] = L'\0';
    device.leftOut = deviceLeftOut(kind, -1) ? 1 : 0;
    device.handle.store(handle, std::memory_order_release);
    return i;
  }
  return -1;
}

// A touchpad or touch screen names its mouse collection with its own ids.
DeviceKind SourceTracker::kindOfName(const wchar_t* shortName) const {
  for (const InputDevice& device : devices_.at) {
    if (device.handle.load(std::memory_order_acquire) != 0 && device.kind != DeviceKind::mouse &&
        sameName(device.shortName, shortName)) {
      return device.kind;
    }
  }
  return DeviceKind::mouse;
}

// Each bit a hook call is waiting for is taken by that call; the rest wait for theirs.
void SourceTracker::rawMouse(int slot, std::uint16_t buttonFlags, std::uint64_t us) {
  lastMouse_ = static_cast<std::int8_t>(slot);
  lastMouseUs_ = us;
  contactLast_ = false;
  std::uint16_t bits = buttonFlags & kRawBits;
  for (std::uint16_t rest = bits; rest != 0; rest = static_cast<std::uint16_t>(rest & (rest - 1))) {
    const std::uint16_t bit = rest & static_cast<std::uint16_t>(-rest);
    const int index = bitIndex(bit);
    if (awaited_[index] == 0) continue;
    if (us - awaitedUs_[index] > kRawMatchUs) {
      awaited_[index] = 0;
      continue;
    }
    --awaited_[index];
    bits = static_cast<std::uint16_t>(bits & ~bit);
  }
  if (bits == 0) return;
  if (reportCount_ == kRawReports) {
    for (int i = 1; i < kRawReports; ++i) reports_[i - 1] = reports_[i];
    --reportCount_;
  }
  reports_[reportCount_++] = {static_cast<std::int8_t>(slot), bits, us};
}

void SourceTracker::rawContact(int slot, std::uint64_t us) {
  if (slot < 0) return;
  lastContact_ = static_cast<std::int8_t>(slot);
  lastContactUs_ = us;
  contactSeen_ = true;
  contactLast_ = true;
}

// The oldest report still waiting for a hook call of that bit: raw input and hook calls each
// come in the order the events happened.
bool SourceTracker::takeRawReport(std::uint16_t rawBit, std::uint64_t us, int* slot) {
  for (int i = 0; i < reportCount_; ++i) {
    RawReport& report = reports_[i];
    if ((report.bits & rawBit) == 0 || us - report.us > kRawMatchUs) continue;
    *slot = report.slot;
    report.bits = static_cast<std::uint16_t>(report.bits & ~rawBit);
    if (report.bits == 0) {
      for (int j = i + 1; j < reportCount_; ++j) reports_[j - 1] = reports_[j];
      --reportCount_;
    }
    return true;
  }
  return false;
}

int SourceTracker::deviceOf(std::uint16_t rawBit, std::uint64_t us) {
  const bool recentContact = contactSeen_ && us - lastContactUs_ <= kContactBeforeClickUs;
  int slot = -1;
  if (!takeRawReport(rawBit, us, &slot)) {
    const int index = bitIndex(rawBit);
    if (us - awaitedUs_[index] > kRawMatchUs) awaited_[index] = 0;
    if (awaited_[index] < 255) ++awaited_[index];
    awaitedUs_[index] = us;
    slot = contactLast_ && recentContact ? lastContact_ : lastMouse_;
  }
  if (slot < 0 && recentContact) slot = lastContact_;
  return slot;
}

EventSource SourceTracker::hookEvent(std::uint16_t rawBit, bool injected, std::uintptr_t extra,
                                     std::uint64_t us) {
  if ((extra & kTouchSignatureMask) == kTouchSignature) return {SourceKind::touch, -1};
  if (rawBit == 0) return {injected ? SourceKind::injected : SourceKind::unknown, -1};
  const int slot = deviceOf(rawBit, us);
  if (injected) return {SourceKind::injected, -1};
  EventSource source{slot >= 0 ? SourceKind::device : SourceKind::unknown,
                     static_cast<std::int8_t>(slot)};
  const int button = buttonOf(rawBit);
  if (button < 0) return source;
  if ((rawBit & kRawPressBits) == 0) {
    if (pressSeen_[button]) source = pressSource_[button];
    pressSeen_[button] = false;
    return source;
  }
  pressSource_[button] = source;
  pressSeen_[button] = true;
  countOne(devices_.clicks);
  countOne(slot >= 0 ? devices_.at[slot].clicks : devices_.untold);
  return source;
}

Repair SourceTracker::repairOf(EventSource source) const {
  switch (source.kind) {
    case SourceKind::touch:
      return Repair::standAside;
    case SourceKind::injected:
      return injectedRepaired(settings_.simulatedInput, devices_.remoteSession != 0) ? Repair::apply
                                                                                     : Repair::skip;
    case SourceKind::device:
      return devices_.at[source.device].leftOut != 0 ? Repair::skip : Repair::apply;
    case SourceKind::unknown:
      break;
  }
  return Repair::apply;
}

const wchar_t* SourceTracker::nameOf(EventSource source) const {
  switch (source.kind) {
    case SourceKind::touch:
      return L"触摸/笔";
    case SourceKind::injected:
      return L"模拟输入";
    case SourceKind::device:
      return devices_.at[source.device].shortName;
    case SourceKind::unknown:
      break;
  }
  return L"未知";
}
