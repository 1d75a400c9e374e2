#include "tray/elevation_win32.h"

#include <shellapi.h>

#include "common/debug_console.h"
#include "common/process_win32.h"

namespace {

ProcessRights rightsOf(HANDLE process) {
  ProcessRights rights;
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) {
    rights.accessDenied = GetLastError() == ERROR_ACCESS_DENIED;
    return rights;
  }
  const UniqueHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
    rights.elevated = elevation.TokenIsElevated != 0;
  }
  // The label and its SID: a SID of one sub-authority takes 12 bytes.
  DWORD label[16] = {};
  if (GetTokenInformation(token, TokenIntegrityLevel, label, sizeof label, &size)) {
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label)->Label.Sid;
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    if (count > 0) rights.integrity = *GetSidSubAuthority(sid, count - 1u);
  }
  rights.known = true;
  return rights;
}

}  // namespace

ProcessRights processRightsOf(DWORD processId) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process.get()) {
    ProcessRights rights;
    rights.accessDenied = GetLastError() == ERROR_ACCESS_DENIED;
    return rights;
  }
  return rightsOf(process.get());
}

ProcessRights ourRights() {
  return rightsOf(GetCurrentProcess());
}

bool runsElevated() {
  return ourRights().elevated;
}

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
