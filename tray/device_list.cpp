#include "tray/device_list.h"

#include <algorithm>

#include "settings/profile_store.h"

std::vector<DeviceRow> deviceRows(const InputDevices& devices, ProfileStore& store) {
  std::vector<DeviceRow> rows;
  for (const InputDevice& device : devices.at) {
    if (device.handle.load(std::memory_order_acquire) == 0) continue;
    const std::uint32_t clicks = device.clicks.load(std::memory_order_relaxed);
    DeviceRow* row = nullptr;
    for (DeviceRow& r : rows) {
      if (r.name == device.shortName) row = &r;
    }
    if (row) {
      row->clicks += clicks;
      if (row->description.empty()) row->description = device.description;
      continue;
    }
    const auto setting =
        static_cast<std::int32_t>(store.readInt(kInputSourceSection, device.shortName, -1));
    rows.push_back({device.shortName, device.description, device.kind, clicks,
                    deviceLeftOut(device.kind, setting)});
  }
  return rows;
}

std::vector<OptionWrite> deviceWrites(const std::vector<DeviceRow>& loaded,
                                      const std::vector<DeviceRow>& edited) {
  std::vector<OptionWrite> writes;
  for (std::size_t i = 0; i < loaded.size() && i < edited.size(); ++i) {
    const DeviceRow& row = edited[i];
    if (row.leftOut == loaded[i].leftOut) continue;
    if (row.leftOut == deviceLeftOut(row.kind, -1)) {
      writes.push_back({kInputSourceSection, row.name, std::nullopt});
    } else {
      writes.push_back({kInputSourceSection, row.name, row.leftOut ? L"0" : L"1"});
    }
  }
  return writes;
}

int untoldPercent(const InputDevices& devices) {
  const std::uint64_t clicks = devices.clicks.load(std::memory_order_relaxed);
  const std::uint64_t untold = devices.untold.load(std::memory_order_relaxed);
  if (clicks == 0) return -1;
  return static_cast<int>((std::min(untold, clicks) * 100 + clicks - 1) / clicks);
}
