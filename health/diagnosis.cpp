#include "health/diagnosis.h"

#include <algorithm>
#include <cstdio>

#include "common/text.h"
#include "common/version.h"

namespace {

template <typename T>
T median(std::vector<T> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

std::string number(std::uint64_t n) {
  return std::to_string(n);
}

// "15.6 ms", "0.08 ms": to a tenth, or a hundredth below 1 ms.
std::string milliseconds(std::uint64_t us) {
  char text[32];
  if (us < 1000) {
    std::snprintf(text, sizeof text, "%u.%02u ms", 0u, static_cast<unsigned>(us / 10));
  } else {
    std::snprintf(text, sizeof text, "%llu.%u ms", static_cast<unsigned long long>(us / 1000),
                  static_cast<unsigned>(us % 1000 / 100));
  }
  return text;
}

std::string rights(const ProcessRights& r) {
  if (!r.known) return r.accessDenied ? "unknown (refused)" : "unknown";
  char integrity[16];
  std::snprintf(integrity, sizeof integrity, "0x%04X", static_cast<unsigned>(r.integrity));
  return std::string(r.elevated ? "elevated" : "not elevated") + ", integrity " + integrity;
}

const char* stateName(FileState state) {
  switch (state) {
    case FileState::missing:
      return "missing";
    case FileState::ours:
      return "ours";
    case FileState::notOurs:
      return "not ours, left alone";
    case FileState::damaged:
      return "damaged, moved aside at the next save";
    case FileState::movedAside:
      return "damaged, moved aside";
    case FileState::held:
      return "held by another program";
    case FileState::readOnly:
      return "read-only: read, never written";
  }
  return "";
}

const char* const kDeviceNames[healthDeviceCount] = {"left", "right", "middle",
                                                     "x1",   "x2",    "wheel"};

void addClocks(std::string& text, const Measured& m) {
  text += "Tick step: " + (m.tickStepMs ? number(m.tickStepMs) + " ms" : "not seen") + " (" +
          number(m.tickSteps) + " steps of the time stamps on messages)\n";
  text += "Timer asked for 1 ms: ";
  if (m.timerPeriods > 0) {
    text += "every " + milliseconds(m.timerPeriodUs) + ", its messages stamped " +
            number(m.timerStampStepMs) + " ms apart (" + number(m.timerPeriods) + " periods)\n";
  } else {
    text += "never woke\n";
  }
  text +=
      "Performance counter: " + number(static_cast<std::uint64_t>(m.counterFrequency)) + " Hz\n";
  text += "Hook delay: ";
  if (m.hookDelay.count > 0) {
    text += "median " + milliseconds(m.hookDelay.medianUs) + ", worst " +
            milliseconds(m.hookDelay.worstUs) + " (";
  } else {
    text += "no probe seen (";
  }
  text += number(m.hookDelay.count) + " of " + number(m.probesSent) + " probes seen)\n";
}

}  // namespace

std::uint32_t tickStepMs(const std::vector<std::uint32_t>& readings) {
  std::vector<std::uint32_t> advances;
  for (std::size_t i = 1; i < readings.size(); ++i) {
    // Unsigned: a tick that wrapped past 49.7 days advances all the same.
    if (readings[i] != readings[i - 1]) advances.push_back(readings[i] - readings[i - 1]);
  }
  return median(advances);
}

std::uint64_t timerPeriodUs(const std::vector<std::uint64_t>& wakeUpsUs) {
  if (wakeUpsUs.size() < 2) return 0;
  return (wakeUpsUs.back() - wakeUpsUs.front()) / (wakeUpsUs.size() - 1);
}

DelayFigures delayFigures(std::vector<std::uint64_t> delaysUs) {
  DelayFigures figures;
  figures.count = delaysUs.size();
  if (delaysUs.empty()) return figures;
  figures.worstUs = *std::max_element(delaysUs.begin(), delaysUs.end());
  figures.medianUs = median(std::move(delaysUs));
  return figures;
}

std::string diagnosisText(const Diagnosis& d) {
  std::string text = "Clickmend " CLICKMEND_VERSION " diagnosis\n";
  text += "Windows " + d.windows + " " + number(static_cast<std::uint64_t>(d.windowsBits)) +
          "-bit, Clickmend " + number(static_cast<std::uint64_t>(d.ourBits)) + "-bit" +
          (d.wine.empty() ? "" : ", under Wine " + d.wine) + "\n";
  text += "Code pages: ANSI " + number(d.ansiCodePage) + ", OEM " + number(d.oemCodePage) +
          "; locale " + d.locale + "; display language " + d.displayLanguage + "; texts " +
          (d.texts == Language::english ? "English" : "Chinese") + "\n";
  text += "Rights: Clickmend " + rights(d.ours) + "; desktop shell " +
          (d.shellFound ? rights(d.shell) : std::string("not found")) + "\n";
  text += "DPI: system " + number(static_cast<std::uint64_t>(d.systemDpi)) + "; monitors";
  for (int dpi : d.monitorDpis) text += " " + number(static_cast<std::uint64_t>(dpi));
  text += "\n";
  addClocks(text, d.measured);
  text += "Hook installs since start: " + number(d.hookInstalls) + "\n";
  text += "Settings not at their defaults:";
  for (const std::wstring& line : d.changedSettings) text += " " + encodeUtf8(line) + ";";
  if (d.changedSettings.empty()) text += " none";
  text += "\nLines in [排除程序]: " + number(d.programLines) +
          "; in [鼠标手势]: " + number(d.gestureLines) + "\n";
  text += "Last 7 days (events, chatter, repaired):";
  for (int device = 0; device < healthDeviceCount; ++device) {
    const PeriodCounts& c = d.last7Days[device];
    const bool always = device <= healthRight || device == healthWheel;
    if (!always && c.events == 0 && c.repaired == 0) continue;
    text += std::string(" ") + kDeviceNames[device] + " " + number(c.events) + " " +
            number(c.chatter) + " " + number(c.repaired) + ";";
  }
  text += "\nFit: ";
  if (!d.anyChatters) {
    text += "no button chatters enough to fit the repairs to\n";
  } else {
    text += d.fitMade ? encodeUtf8(fitFound(d.fit, Language::english)) + "\n"
                      : "none made since start (鼠标健康 makes one)\n";
  }
  text += "Files:\n";
  for (const DiagnosedFile& file : d.files) {
    text += "  " + encodeUtf8(file.name) + ": ";
    if (file.state != FileState::missing) text += number(file.bytes) + " bytes, ";
    text += std::string(stateName(file.state)) + "\n";
  }
  if (d.filesNotListed > 0) {
    text += "  and " + number(d.filesNotListed) + " more damaged files moved aside\n";
  }
  return text;
}
