// The devices of the options window's 输入来源 page, portable: one row per name the settings know
// a device by (two mice of one model, a touchpad's contacts and its own mouse collection are one
// row), what Windows calls it, its clicks since start, and whether the repairs leave it out.
//
//   InputDevices (the hook thread's record) --deviceRows(file)--> loaded   (kept while open)
//                                                                 edited   (the list's checks)
//   deviceWrites(loaded, edited) -> 046D:C077=0, 06CB:CE26=1, delete 1BCF:0005   (nothing else)
//
// A mouse left out is written =0, a touchpad or touch screen brought in =1, and one put back as
// its kind has it loses its line: the file names only the devices the user treats otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/input_source.h"
#include "tray/options.h"

class ProfileStore;

struct DeviceRow {
  std::wstring name;         // vendor:product, the settings' key
  std::wstring description;  // what Windows calls it; empty while not read
  DeviceKind kind;
  std::uint32_t clicks;
  bool leftOut;
};

// In the order the devices were first seen (a touchpad before its mouse collection), with the
// first description read; `leftOut` as the file says for the name, else by kind.
std::vector<DeviceRow> deviceRows(const InputDevices& devices, ProfileStore& store);

std::vector<OptionWrite> deviceWrites(const std::vector<DeviceRow>& loaded,
                                      const std::vector<DeviceRow>& edited);

// The share of the clicks since start whose device could not be told, in whole percent rounded
// up (a single one of many is not 0 %); -1 before the first click.
int untoldPercent(const InputDevices& devices);
