#include "health/diagnosis.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "common/text.h"
#include "common/version.h"

namespace {

std::uint64_t median(std::vector<std::uint64_t> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// Appends one formatted piece: a line of the block is one call.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void add(std::string& text, const char* format, ...) {
  char piece[512];
  va_list values;
  va_start(values, format);
  const int length = std::vsnprintf(piece, sizeof piece, format, values);
  va_end(values);
  if (length > 0)
    text.append(piece, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof piece - 1));
}

// "15.6", "0.08": ms to a tenth, or a hundredth below 1 ms.
std::string milliseconds(std::uint64_t us) {
  char text[32];
  const auto ms = static_cast<unsigned long long>(us / 1000);
  if (us < 1000) std::snprintf(text, sizeof text, "0.%02u", static_cast<unsigned>(us / 10));
  if (us >= 1000)
    std::snprintf(text, sizeof text, "%llu.%u", ms, static_cast<unsigned>(us % 1000 / 100));
  return text;
}

void addRights(std::string& text, const char* whose, const ProcessRights& r) {
  if (!r.known) {
    add(text, "%s unknown%s", whose, r.accessDenied ? " (refused)" : "");
    return;
  }
  add(text, "%s %s, integrity 0x%04X", whose, r.elevated ? "elevated" : "not elevated",
      static_cast<unsigned>(r.integrity));
}

const char* const kStateNames[] = {"missing",
                                   "ours",
                                   "not ours, left alone",
                                   "damaged, moved aside at the next save",
                                   "damaged, moved aside",
                                   "held by another program",
                                   "read-only: read, never written"};
static_assert(sizeof kStateNames / sizeof *kStateNames ==
              static_cast<std::size_t>(FileState::readOnly) + 1);

const char* const kDeviceNames[healthDeviceCount] = {"left", "right", "middle",
                                                     "x1",   "x2",    "wheel"};

void addClocks(std::string& text, const Measured& m) {
  add(text, "Tick step: %u ms (%u steps of the time stamps on messages)\n", m.tickStepMs,
      static_cast<unsigned>(m.tickSteps));
  add(text, "Timer asked for 1 ms: every %s ms, its messages stamped %u ms apart (%u periods)\n",
      milliseconds(m.timerPeriodUs).c_str(), m.timerStampStepMs,
      static_cast<unsigned>(m.timerPeriods));
  add(text, "Performance counter: %lld Hz\n", static_cast<long long>(m.counterFrequency));
  if (m.hookDelay.count == 0) {
    add(text, "Hook delay: no probe seen (0 of %u probes)\n", static_cast<unsigned>(m.probesSent));
    return;
  }
  add(text, "Hook delay: median %s ms, worst %s ms (%u of %u probes seen)\n",
      milliseconds(m.hookDelay.medianUs).c_str(), milliseconds(m.hookDelay.worstUs).c_str(),
      static_cast<unsigned>(m.hookDelay.count), static_cast<unsigned>(m.probesSent));
}

}  // namespace

std::uint32_t tickStepMs(const std::vector<std::uint32_t>& readings) {
  std::vector<std::uint64_t> advances;
  for (std::size_t i = 1; i < readings.size(); ++i) {
    // Unsigned: a tick that wrapped past 49.7 days advances all the same.
    if (readings[i] != readings[i - 1]) advances.push_back(readings[i] - readings[i - 1]);
  }
  return static_cast<std::uint32_t>(median(std::move(advances)));
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
  add(text, "Windows %s %d-bit, Clickmend %d-bit%s%s\n", d.windows.c_str(), d.windowsBits,
      d.ourBits, d.wine.empty() ? "" : ", under Wine ", d.wine.c_str());
  add(text, "Code pages: ANSI %u, OEM %u; locale %s; display language %s; texts %s\n",
      d.ansiCodePage, d.oemCodePage, d.locale.c_str(), d.displayLanguage.c_str(),
      d.texts == Language::english ? "English" : "Chinese");
  addRights(text, "Rights: Clickmend", d.ours);
  if (d.shellFound) addRights(text, "; desktop shell", d.shell);
  if (!d.shellFound) text += "; no desktop shell found";
  add(text, "\nDPI: system %d; monitors", d.systemDpi);
  for (int dpi : d.monitorDpis) add(text, " %d", dpi);
  text += "\n";
  addClocks(text, d.measured);
  add(text, "Hook installs since start: %u\nSettings not at their defaults:", d.hookInstalls);
  for (const std::wstring& line : d.changedSettings) text += " " + encodeUtf8(line) + ";";
  if (d.changedSettings.empty()) text += " none";
  add(text,
      "\nLines in [排除程序]: %u; in [鼠标手势]: %u\nLast 7 days (events, chatter, repaired):",
      static_cast<unsigned>(d.programLines), static_cast<unsigned>(d.gestureLines));
  for (int device = 0; device < healthDeviceCount; ++device) {
    const PeriodCounts& c = d.last7Days[device];
    const bool always = device <= healthRight || device == healthWheel;
    if (!always && c.events == 0 && c.repaired == 0) continue;
    add(text, " %s %llu %llu %llu;", kDeviceNames[device],
        static_cast<unsigned long long>(c.events), static_cast<unsigned long long>(c.chatter),
        static_cast<unsigned long long>(c.repaired));
  }
  text += "\nFit: ";
  if (!d.anyChatters) text += "no button chatters enough to fit the repairs to";
  if (d.anyChatters && !d.fitMade) text += "none made since start (鼠标健康 makes one)";
  if (d.anyChatters && d.fitMade) text += encodeUtf8(fitFound(d.fit, Language::english));
  text += "\nFiles:\n";
  for (const DiagnosedFile& file : d.files) {
    add(text, "  %s: ", encodeUtf8(file.name).c_str());
    if (file.state != FileState::missing) {
      add(text, "%llu bytes, ", static_cast<unsigned long long>(file.bytes));
    }
    add(text, "%s\n", kStateNames[static_cast<int>(file.state)]);
  }
  if (d.filesNotListed > 0) {
    add(text, "  and %u more damaged files moved aside\n", static_cast<unsigned>(d.filesNotListed));
  }
  return text;
}
