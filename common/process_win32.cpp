#include "common/process_win32.h"

#include <atomic>
#include <memory>

#include "common/debug_console.h"
#include "common/window_contract.h"

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

// Its token's rights, or, where the process could not be opened (just now: the last error tells
// why), whether that was refused.
ProcessRights rightsOfOpened(HANDLE process) {
  if (process) return rightsOf(process);
  ProcessRights rights;
  rights.accessDenied = GetLastError() == ERROR_ACCESS_DENIED;
  return rights;
}

// The desktop's shell, opened to be asked its rights and, where it lets us, to be a parent.
struct Shell {
  bool found = false;
  UniqueHandle process;
  bool canBeParent = false;
  ProcessRights rights;
};

// The process of the shell window or, where there is none, of the taskbar: Explorer holds both,
// and Wine's desktop has a taskbar but no shell window.
Shell openShell() {
  HWND window = GetShellWindow();
  if (!window) window = FindWindowW(L"Shell_TrayWnd", nullptr);
  DWORD id = 0;
  if (window) GetWindowThreadProcessId(window, &id);
  Shell shell;
  if (id == 0) return shell;
  shell.found = true;
  // One handle for both questions: an identifier opened twice might name two processes.
  const DWORD query = PROCESS_QUERY_LIMITED_INFORMATION;
  shell.process = UniqueHandle(OpenProcess(query | PROCESS_CREATE_PROCESS, FALSE, id));
  shell.canBeParent = shell.process.get() != nullptr;
  if (!shell.canBeParent) shell.process = UniqueHandle(OpenProcess(query, FALSE, id));
  shell.rights = rightsOfOpened(shell.process.get());
  return shell;
}

// The attribute that makes `parent` the new process's parent: it gets the parent's token. The
// list points at the handle it was given, so neither moves while it lives.
class ParentAttribute {
 public:
  explicit ParentAttribute(HANDLE parent) : parent_(parent) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_ = std::make_unique<unsigned char[]>(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.get());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent_,
                                   sizeof parent_, nullptr, nullptr)) {
      DeleteProcThreadAttributeList(list);
      return;
    }
    list_ = list;
  }
  ~ParentAttribute() {
    if (list_) DeleteProcThreadAttributeList(list_);
  }
  ParentAttribute(const ParentAttribute&) = delete;
  ParentAttribute& operator=(const ParentAttribute&) = delete;
  // Null when the list could not be made.
  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

 private:
  HANDLE parent_;
  std::unique_ptr<unsigned char[]> buffer_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

std::optional<StartedProcess> create(std::wstring& commandLine,
                                     LPPROC_THREAD_ATTRIBUTE_LIST attributes) {
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = attributes ? sizeof startup : sizeof startup.StartupInfo;
  startup.lpAttributeList = attributes;
  PROCESS_INFORMATION info{};
  // CreateProcessW may write into the command line it is given: `commandLine` is our copy.
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                      attributes ? EXTENDED_STARTUPINFO_PRESENT : 0, nullptr, nullptr,
                      &startup.StartupInfo, &info)) {
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  return StartedProcess{UniqueHandle(info.hProcess), info.dwProcessId};
}

std::atomic<HWND> refusalWindow{nullptr};
std::atomic<bool> refusalReported{false};

// Once a session: a gesture bound to a program, drawn again and again, is not a balloon each
// time.
void reportRefusal(const std::wstring& commandLine) {
  if (refusalReported.exchange(true)) return;
  debugPrintText("Start refused, above the shell's rights:\t%S\n", commandLine.c_str());
  if (const HWND window = refusalWindow.load()) {
    PostMessageW(window, window_contract::kStartRefusedMessage, 0, 0);
  }
}

}  // namespace

std::optional<StartedProcess> startCommandLine(std::wstring commandLine) {
  const ProcessRights ours = ourRights();
  const Shell shell = openShell();
  // The attribute is made only where the rights call for it.
  if (startWay(ours, shell.rights, true) == StartWay::normally) return create(commandLine, nullptr);
  std::optional<ParentAttribute> parent;
  if (shell.canBeParent) parent.emplace(shell.process.get());
  if (startWay(ours, shell.rights, parent && parent->list()) == StartWay::refused) {
    reportRefusal(commandLine);
    return std::nullopt;
  }
  return create(commandLine, parent->list());
}

void reportRefusedStartsTo(HWND window) {
  refusalWindow.store(window);
}

ProcessRights processRightsOf(DWORD processId) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  return rightsOfOpened(process.get());
}

ProcessRights ourRights() {
  return rightsOf(GetCurrentProcess());
}

std::optional<ProcessRights> shellRights() {
  const Shell shell = openShell();
  if (!shell.found) return std::nullopt;
  return shell.rights;
}
