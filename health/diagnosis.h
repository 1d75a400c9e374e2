// The diagnosis: what Clickmend knows of the machine it runs on and of itself, as one block of
// plain text that `clickmend.exe /diagnose` prints and 鼠标健康's 复制诊断信息 copies, for a
// user to paste where someone helps them. Its lines are in English whatever 语言 says, as the
// command line's output is, so that two blocks read alike; the settings keep their own names.
// Nothing in it is personal: the files are named without their folder, and no user, machine or
// path outside the program's folder appears.
//
// The clocks are measured where the program runs, never assumed: Windows' tick advances in
// steps of 15.625 ms (15 or 16 ms read), Wine's every millisecond; a timer asked for 1 ms is
// clamped by the system and woken at its tick. Each figure is read from samples, given here as
// series so that tests can feed them:
//   tick readings   the time stamps of messages, taken as fast as they come: the step is the
//                   median advance, so that a reading late by a step or two (the thread was not
//                   running) weighs no more than one
//   timer wake-ups  the performance counter's µs at each: the period is their span over the
//                   periods between, what the timer gets however the system spaces them; and
//                   the time stamps of its messages, whose step is read as the tick's
//   hook delays     from sending a probe of our own to the hook seeing it: median and worst
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/process_rights.h"
#include "health/health_view.h"
#include "health/what_if.h"

// 0 when the readings never advanced.
std::uint32_t tickStepMs(const std::vector<std::uint32_t>& readings);
// 0 for fewer than two wake-ups.
std::uint64_t timerPeriodUs(const std::vector<std::uint64_t>& wakeUpsUs);

struct DelayFigures {
  std::size_t count = 0;
  std::uint64_t medianUs = 0;
  std::uint64_t worstUs = 0;
};
DelayFigures delayFigures(std::vector<std::uint64_t> delaysUs);

// What was measured in the few hundred milliseconds a diagnosis takes.
struct Measured {
  std::uint32_t tickStepMs = 0;
  std::size_t tickSteps = 0;  // the advances it is read from
  std::uint64_t timerPeriodUs = 0;
  std::uint32_t timerStampStepMs = 0;
  std::size_t timerPeriods = 0;
  std::int64_t counterFrequency = 0;  // the performance counter's counts per second
  DelayFigures hookDelay;
  std::size_t probesSent = 0;
};

// What became of one of our files.
enum class FileState { missing, ours, notOurs, damaged, movedAside, held, readOnly };

struct DiagnosedFile {
  std::wstring name;  // without its folder
  std::uint64_t bytes = 0;
  FileState state = FileState::missing;
};

struct Diagnosis {
  std::string windows;  // "10.0.19045"
  std::string wine;     // Wine's version where the program runs under it, else empty
  int windowsBits = 32, ourBits = 32;
  unsigned ansiCodePage = 0, oemCodePage = 0;
  std::string locale, displayLanguage;  // "zh-CN"
  Language texts = Language::chinese;
  ProcessRights ours;
  bool shellFound = false;
  ProcessRights shell;
  int systemDpi = 96;
  std::vector<int> monitorDpis;
  Measured measured;
  unsigned hookInstalls = 0;
  std::vector<std::wstring> changedSettings;  // "[修复参数] 单击间隔=60"
  std::size_t gestureLines = 0, programLines = 0;
  PeriodCounts last7Days[healthDeviceCount];
  bool anyChatters = false;  // a button the fit is for
  bool fitMade = false;
  ClickFit fit;
  std::vector<DiagnosedFile> files;
  std::size_t filesNotListed = 0;  // damaged files moved aside past the most listed
};

// The block, UTF-8, lines ending in "\n".
std::string diagnosisText(const Diagnosis& diagnosis);
