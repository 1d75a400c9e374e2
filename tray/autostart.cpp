#include "tray/autostart.h"

namespace {

// Windows compares file names without regard to case across every script that has case. Paths
// hold mostly Latin, Greek and Cyrillic letters (user names in C:\Users\...), so those are
// folded; a letter beyond them only ever matches itself.
wchar_t foldCase(wchar_t c) {
  const auto shifted = [c](int by) { return static_cast<wchar_t>(c + by); };
  if (c >= L'A' && c <= L'Z') return shifted(32);
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : shifted(32);  // À..Þ, but not ×
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs capital and small letters as even and odd code points, with the
    // parity swapped between 0x139 and 0x148 and again from 0x179; İ and ı belong to no pair.
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    const bool oddCapitals = (c >= 0x139 && c <= 0x148) || c >= 0x179;
    const bool capital = (c % 2 == 1) == oddCapitals;
    return capital ? shifted(1) : c;
  }
  if (c >= 0x391 && c <= 0x3A9) return c == 0x3A2 ? c : shifted(32);  // Greek
  if (c >= 0x400 && c <= 0x40F) return shifted(80);                   // Cyrillic Ѐ..Џ
  if (c >= 0x410 && c <= 0x42F) return shifted(32);                   // Cyrillic А..Я
  if (c >= 0xFF21 && c <= 0xFF3A) return shifted(32);                 // fullwidth Ａ..Ｚ
  return c;
}

bool equalAsFileNames(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

}  // namespace

std::wstring autostartValueFor(const std::wstring& executablePath) {
  return L"\"" + executablePath + L"\"";
}

bool namesExecutable(const std::wstring& value, const std::wstring& executablePath) {
  if (executablePath.empty()) return false;
  const bool quoted = value.size() >= 2 && value.front() == L'"' && value.back() == L'"';
  const std::wstring named = quoted ? value.substr(1, value.size() - 2) : value;
  return equalAsFileNames(named, executablePath);
}

bool isAutostartRegistered(AutostartPlatform& platform) {
  const std::wstring path = platform.executablePath();
  for (const RunKey key : kRunKeys) {
    const std::optional<std::wstring> value = platform.readValue(key);
    if (value && namesExecutable(*value, path)) return true;
  }
  return false;
}

void toggleAutostart(AutostartPlatform& platform) {
  if (isAutostartRegistered(platform)) {
    for (const RunKey key : kRunKeys) platform.deleteValue(key);
    // The machine's key refuses an unelevated delete; the entry would start the program still.
    if (isAutostartRegistered(platform)) platform.reportFailure(AutostartFailure::notRemoved);
    return;
  }
  const std::wstring path = platform.executablePath();
  // Without a path there is nothing to register; an empty entry would start nothing.
  if (path.empty()) return;
  if (path.find(L"Temp") != std::wstring::npos && !platform.confirmTemporaryFolder()) return;
  const std::wstring value = autostartValueFor(path);
  // Unelevated, the machine's key refuses the write, or Windows moves it into a virtual store
  // that logon never reads: it is not even tried. The user's key starts the program as well.
  if (platform.isElevated() && platform.writeValue(RunKey::machine, value)) return;
  if (platform.writeValue(RunKey::user, value)) return;
  platform.reportFailure(AutostartFailure::notRegistered);
}
