#include "app/elevation_win32.h"

#include <windows.h>

#include <shellapi.h>

#include "common/debug_console.h"
#include "common/process_win32.h"

bool restartElevated() {
  const std::wstring path = executablePath();
  SHELLEXECUTEINFOW start{};
  start.cbSize = sizeof start;
  // The system says nothing of a failure: a refused prompt is the user's own answer.
  start.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  start.lpVerb = L"runas";
  start.lpFile = path.c_str();
  start.lpParameters = L"/takeover";
  start.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&start)) return true;
  debugPrint("Restart as administrator failed:\t%d\n", static_cast<std::int32_t>(GetLastError()));
  return false;
}
