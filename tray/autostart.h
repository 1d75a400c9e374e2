// The autostart entry: the Run value that starts this executable at logon, and the toggle the
// menu offers for it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The desktop under the decision: the one registry value, the running executable and the
// question asked before registering from a temporary folder.
class AutostartPlatform {
 public:
  virtual ~AutostartPlatform() = default;
  // The value's text; nullopt when it is absent, not text, or cannot be read.
  virtual std::optional<std::wstring> readValue() = 0;
  virtual void writeValue(const std::wstring& text) = 0;
  virtual void deleteValue() = 0;
  // Empty when the path cannot be found out.
  virtual std::wstring executablePath() = 0;
  // True when the user still wants autostart from a temporary folder.
  virtual bool confirmTemporaryFolder() = 0;
};

// The text written to the value: the path in double quotes, so that a path with spaces
// (C:\Program Files\...) is not split at logon into another program (C:\Program.exe).
std::wstring autostartValueFor(const std::wstring& executablePath);

// True when `value` names `executablePath`, quoted or not, regardless of case: entries written
// unquoted by earlier versions count as ours too.
bool namesExecutable(const std::wstring& value, const std::wstring& executablePath);

bool isAutostartRegistered(AutostartPlatform& platform);

// Registered: the value is deleted, without a question. Otherwise it is (over)written with this
// executable, after asking when the path holds "Temp" (case-sensitive: the temporary folders
// Windows makes are spelt so).
void toggleAutostart(AutostartPlatform& platform);

// The longest command line CreateProcess takes, without its terminator.
constexpr std::size_t kMaxCommandLineChars = 32766;

// `notepad.exe "<settingsPath>"`, whatever the path's length; empty when there is no path or
// the line would be longer than a command line may be.
std::wstring editorCommandLine(const std::wstring& settingsPath);
