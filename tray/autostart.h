// The autostart entry: the Run value that starts this executable at logon, and the toggle the
// menu offers for it.
#pragma once

#include <optional>
#include <string>

// The Run keys logon reads: the machine's, for every user (writing it needs an elevated
// process), and the current user's.
enum class RunKey { machine, user };
constexpr RunKey kRunKeys[] = {RunKey::machine, RunKey::user};

enum class AutostartFailure { notRegistered, notRemoved };

// The desktop under the decision: the value named "Clickmend" under either Run key, the running
// executable, and what the user is asked and told.
class AutostartPlatform {
 public:
  virtual ~AutostartPlatform() = default;
  // The value's text; nullopt when it is absent, not text, or cannot be read.
  virtual std::optional<std::wstring> readValue(RunKey key) = 0;
  // False when the key refused the write.
  virtual bool writeValue(RunKey key, const std::wstring& text) = 0;
  virtual void deleteValue(RunKey key) = 0;
  // True when the process may write for every user: elevated, or on a system without UAC.
  virtual bool isElevated() = 0;
  // Empty when the path cannot be found out.
  virtual std::wstring executablePath() = 0;
  // True when the user still wants autostart from a temporary folder.
  virtual bool confirmTemporaryFolder() = 0;
  virtual void reportFailure(AutostartFailure failure) = 0;
};

// The text written to the value: the path in double quotes, so that a path with spaces
// (C:\Program Files\...) is not split at logon into another program (C:\Program.exe).
std::wstring autostartValueFor(const std::wstring& executablePath);

// True when `value` names `executablePath`, quoted or not, regardless of case: entries written
// unquoted by earlier versions count as ours too.
bool namesExecutable(const std::wstring& value, const std::wstring& executablePath);

// True when the value under either key names this executable.
bool isAutostartRegistered(AutostartPlatform& platform);

// Registered: the value is deleted from both keys, without a question; the user is told when
// one still names this executable. Otherwise it is (over)written with this executable, after
// asking when the path holds "Temp" (case-sensitive: the temporary folders Windows makes are
// spelt so): under the machine's key when elevated and that key takes it, else under the user's;
// the user is told when neither does.
void toggleAutostart(AutostartPlatform& platform);
