// Where each mouse event came from, and whether the repairs are for it: only the worn mouse's
// switches chatter. Windows makes mouse events from touch and pen input, other programs send
// them (macro tools, on-screen keyboards, remote-control tools), and a laptop has a touchpad
// beside the mouse; judged as bounces of the mouse's switch, a touchpad's double tap or a macro's
// double click with no gap would lose its second click.
//
// The source of one event, first that applies:
//   touch/pen   its extra information carries Windows' signature (kTouchSignature): passes as it
//               came, never judged, counted, recorded or sent again as our own input
//   模拟输入     flagged injected, not ours: repaired when [输入来源] 模拟输入 says so (absent: in
//   a
//               remote session only, where the remote user's mouse arrives as injected input)
//   a device    the raw input names it: repaired unless the user left it out ([输入来源] <name>=0;
//               a precision touchpad and a touch screen are left out unless brought in with =1)
//   unknown     repaired, as every event was before sources were told apart
//
// Correlation. The hook's data does not name the device; raw input does, but it arrives as
// WM_INPUT on the hook thread, and the system asks the hook first. Under Wine the click's raw
// input is already queued when the hook is called, and the hook reads it there (a button event
// only: moves would cost a call each); on Windows it may come only after the hook answered.
// H a hook call, r raw input (its device in brackets), t a touchpad's contact report:
//   "the click's own raw input is there first"     r[A] r[B]P ... H(P)       B: its own report
//   "the device that moved last"                   r[A] r[A] H(P) r[A]P      A
//   "a raw press that comes after its hook call"   H(P) r[A]P                the late report is
//                                                  its own hook call's, never the next press's
//   "a touchpad tap double in between two clicks"  r[M] H(P) H(R) t t H(P) H(R) t H(P) H(R)
//                                                  r[M] H(P) H(R)   M, touchpad twice, M
//   "a touchpad whose clicks name no device"       t r[-]P H(P)              the touchpad: it
//                                                  reported contact kContactBeforeClickUs or less
//                                                  before the click (PTP taps give no device)
//   "a contact long before a mouse's click"        t ... 10 s ... r[M] H(P)  M
//   "a mouse plugged in during a drag"             r[A] H(P) r[B] r[B] H(R)  a release belongs to
//                                                  its press: A, whatever moved since
// A device the raw input names for the first time gets a slot at once, repaired or left out by
// its kind until the main thread has named it and read the settings for that name; from then
// on the setting decides. More devices than slots are unknown.
#pragma once

#include <atomic>
#include <cstdint>

#include "input/input_platform.h"
#include "settings/settings.h"

// The signature Windows writes into the extra information of the mouse events it makes from
// touch and pen input: (extra & kTouchSignatureMask) == kTouchSignature; bit 0x80 is set for
// touch, clear for pen.
constexpr std::uintptr_t kTouchSignatureMask = 0xFFFFFF00;
constexpr std::uintptr_t kTouchSignature = 0xFF515700;

// Raw input's button flags (RAWMOUSE::usButtonFlags): button b's press is bit 2b, its release
// bit 2b + 1, in the order of MouseButton; then the wheels.
namespace raw_button {
constexpr std::uint16_t wheel = 0x0400;
constexpr std::uint16_t horizontalWheel = 0x0800;
}  // namespace raw_button
// The raw input bit of the hook's button event or wheel notch; 0 for any other event.
std::uint16_t rawBitOf(const MouseEvent& event);

enum class DeviceKind : std::uint8_t { mouse, touchpad, touchScreen };

// What the debug line calls a device: its vendor and product ids, "046D:C077", read from the
// system's path of it ("\\?\HID#VID_046D&PID_C077&MI_01#...", or a Bluetooth device's
// "...VID&0002046D_PID&B016..."); where it names neither, the path's second part up to its first
// '&' ("SYNA7DB5" of "HID#SYNA7DB5&Col02#...", a touchpad on the laptop's own bus).
void shortDeviceName(const wchar_t* path, wchar_t (&name)[12]);

// A precision touchpad and a touch screen are left out unless the user brings one in: their
// taps are no worn switch. [输入来源] <name>: 0 left out, 1 repaired, absent (-1) by kind.
bool deviceLeftOut(DeviceKind kind, std::int32_t setting);

// [输入来源] 模拟输入: 1 repaired, 0 untouched, absent (-1) repaired in a remote session only.
bool injectedRepaired(std::int32_t setting, bool remoteSession);

// A raw input report of a touchpad or touch screen counts as its contact this long before a
// click whose own device cannot be told: a tap's click follows the lift's report within a few
// milliseconds, and a precision touchpad reports every 7 to 10 ms while touched.
constexpr std::uint64_t kContactBeforeClickUs = 50000;
// A hook call and the raw input of the same event are this close at most, in either order.
constexpr std::uint64_t kRawMatchUs = 100000;

constexpr int kMaxDevices = 16;
constexpr int kDeviceShortNameChars = 12;  // "046D:C077" and its terminator
constexpr int kDeviceDescriptionChars = 64;
static_assert(kDeviceShortNameChars == 12, "shortDeviceName writes 12 characters at most");

// One device the raw input named. The hook thread fills a free slot and publishes its handle
// last; the main thread names it and sets `leftOut` from the settings; clicks are counted by the
// hook thread and read by the main thread.
struct InputDevice {
  std::atomic<std::uintptr_t> handle{0};  // the raw input's device handle; 0: a free slot
  DeviceKind kind = DeviceKind::mouse;
  wchar_t shortName[kDeviceShortNameChars] = {};  // vendor:product, for the debug line
  // What Windows calls it ("HID-compliant mouse"); written and read by the main thread alone.
  wchar_t description[kDeviceDescriptionChars] = {};
  Flag leftOut;
  std::atomic<std::uint32_t> clicks{0};  // presses since start
};

// The devices seen since start, the process-wide record the hook thread and the main thread
// share.
struct InputDevices {
  InputDevice at[kMaxDevices];
  std::atomic<std::uint32_t> clicks{0};  // presses of the desktop's own input (not injected)
  std::atomic<std::uint32_t> untold{0};  // of them, whose device could not be told
  Flag remoteSession;                    // the session is a remote one (main thread)
};

enum class SourceKind : std::uint8_t { device, unknown, injected, touch };

struct EventSource {
  SourceKind kind;
  std::int8_t device;  // the slot in InputDevices, for SourceKind::device
};

// How the input filter treats an event of that source (InputFilter::decide).
enum class Repair : std::uint8_t {
  apply,       // as the settings say
  skip,        // routed as ever (gestures, volume, pass-through), but no repair judges it
  standAside,  // passes untouched, and nothing held back may overtake it
};

// The hook thread's side: raw input in, each hook event's source out. Nothing here allocates or
// takes a lock; the lookup for a hook event is a few comparisons.
class SourceTracker {
 public:
  SourceTracker(const Settings& settings, InputDevices& devices)
      : settings_(settings), devices_(devices) {}

  // The slot of a device handle, or -1 when it has none yet (or no device, 0).
  int slotOf(std::uintptr_t handle) const;
  // A device seen for the first time: its slot, or -1 when every slot is taken. A mouse named as
  // a touchpad or touch screen already seen is that device's own mouse collection (a precision
  // touchpad has one beside its contacts, as most touch screens do), and is of its kind: the
  // Win32 side adds the digitizers present before a mouse it has not seen yet.
  int addDevice(std::uintptr_t handle, DeviceKind kind, const wchar_t* shortName);
  // A mouse's raw report (`slot` -1: one that names no device) with its button flags, or a
  // touchpad's or touch screen's report, handled at `us`.
  void rawMouse(int slot, std::uint16_t buttonFlags, std::uint64_t us);
  void rawContact(int slot, std::uint64_t us);

  // The hook's event at `us` (not ours): `rawBit` as rawBitOf reads it.
  EventSource hookEvent(std::uint16_t rawBit, bool injected, std::uintptr_t extra,
                        std::uint64_t us);
  Repair repairOf(EventSource source) const;
  // What the debug line calls the source.
  const wchar_t* nameOf(EventSource source) const;

 private:
  int deviceOf(std::uint16_t rawBit, std::uint64_t us);
  DeviceKind kindOfName(const wchar_t* shortName) const;
  bool takeRawReport(std::uint16_t rawBit, std::uint64_t us, int* slot);

  const Settings& settings_;
  InputDevices& devices_;
  // The raw reports that came before their hook call, newest last: their device and the bits
  // not yet taken by one.
  struct RawReport {
    std::int8_t slot;
    std::uint16_t bits;
    std::uint64_t us;
  };
  static constexpr int kRawReports = 8;
  RawReport reports_[kRawReports] = {};
  int reportCount_ = 0;
  // Hook calls whose raw report has not come yet, per bit: how many, and when the last was.
  std::uint8_t awaited_[16] = {};
  std::uint64_t awaitedUs_[16] = {};
  // The latest report of a mouse, and of a touchpad or touch screen.
  std::int8_t lastMouse_ = -1;
  std::uint64_t lastMouseUs_ = 0;
  std::int8_t lastContact_ = -1;
  std::uint64_t lastContactUs_ = 0;
  bool contactSeen_ = false;
  bool contactLast_ = false;  // the latest report was a contact's
  // The source of each button's press, for its release.
  EventSource pressSource_[kButtonCount] = {};
  bool pressSeen_[kButtonCount] = {};
};
