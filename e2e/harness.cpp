#include "e2e/harness.h"
#include "common/window_contract.h"

#include <cstdio>
#include <cstdlib>

#include "common/file_access.h"
#include "common/identity.h"
#include "common/text.h"

namespace e2e {

namespace {

// A Unix path as this process sees it: Wine shows the root as Z:.
std::wstring windowsPathOf(const char* unixPath) {
  std::wstring path(unixPath, unixPath + std::char_traits<char>::length(unixPath));
  if (!path.empty() && path[0] == L'/') {
    for (wchar_t& c : path) {
      if (c == L'/') c = L'\\';
    }
    path = L"Z:" + path;
  }
  return path;
}

// CLICKMEND_EXE holds the Unix path of the built program.
std::wstring builtExePath() {
  const char* raw = std::getenv("CLICKMEND_EXE");
  return raw ? windowsPathOf(raw) : L"";
}

// Not under a "Temp" folder: autostart would ask about it.
std::wstring newScratchFolder() {
  static unsigned counter = 0;
  CreateDirectoryW(L"C:\\clickmend-e2e", nullptr);
  for (;;) {
    std::wstring folder = L"C:\\clickmend-e2e\\run-" + std::to_wstring(GetCurrentProcessId()) +
                          L"-" + std::to_wstring(++counter);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
  }
}

const wchar_t kTargetClass[] = L"ClickmendE2ETarget";

}  // namespace

std::string narrow(const std::wstring& text) {
  return encodeUtf8(text);
}

std::wstring settingsText(const std::wstring& extra, bool repairInjected) {
  return L"[修复参数]\r\n单击间隔=" + std::to_wstring(kClickInterval) + L"\r\n释放间隔=" +
         std::to_wstring(kReleaseInterval) + L"\r\n滚动间隔=" + std::to_wstring(kScrollInterval) +
         L"\r\n" + (repairInjected ? kSimulatedInputRepaired : L"") + extra;
}

HWND createTopmostWindow(const wchar_t* className, WNDPROC proc, const wchar_t* title, int x, int y,
                         int width, int height, void* param) {
  // Registering the class again fails and leaves the first registration as it was.
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
  return CreateWindowExW(WS_EX_TOPMOST, className, title, WS_POPUP | WS_VISIBLE | WS_BORDER, x, y,
                         width, height, nullptr, nullptr, GetModuleHandleW(nullptr), param);
}

Target::Target(int x, int y, int width, int height, const wchar_t* title) {
  hwnd_ = createTopmostWindow(kTargetClass, proc, title, x, y, width, height, this);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetForegroundWindow(hwnd_);
  pump(200);
  received_.clear();
}

Target::~Target() {
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
  pump(20);
}

POINT Target::center() const {
  RECT r;
  GetWindowRect(hwnd_, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

int Target::count(UINT message) const {
  int n = 0;
  for (const Received& r : received_) n += r.message == message;
  return n;
}

std::vector<Received> Target::only(UINT message) const {
  std::vector<Received> out;
  for (const Received& r : received_) {
    if (r.message == message) out.push_back(r);
  }
  return out;
}

std::string Target::describe() const {
  std::string out = "the target saw:";
  if (received_.empty()) out += " nothing";
  for (const Received& r : received_) {
    char line[96];
    const char* name = nullptr;
    switch (r.message) {
      case WM_LBUTTONDOWN:
        name = "LBUTTONDOWN";
        break;
      case WM_LBUTTONUP:
        name = "LBUTTONUP";
        break;
      case WM_RBUTTONDOWN:
        name = "RBUTTONDOWN";
        break;
      case WM_RBUTTONUP:
        name = "RBUTTONUP";
        break;
      case WM_MOUSEWHEEL:
        name = "MOUSEWHEEL";
        break;
      case WM_APPCOMMAND:
        name = "APPCOMMAND";
        break;
      case WM_CONTEXTMENU:
        name = "CONTEXTMENU";
        break;
      case WM_SYSCOMMAND:
        name = "SYSCOMMAND";
        break;
      default:
        break;
    }
    if (name) {
      std::snprintf(line, sizeof line, " %s(w=0x%lx l=0x%lx)", name,
                    static_cast<unsigned long>(r.wParam), static_cast<unsigned long>(r.lParam));
    } else {
      std::snprintf(line, sizeof line, " 0x%x", r.message);
    }
    out += line;
  }
  return out;
}

LRESULT CALLBACK Target::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Target*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  const bool interesting =
      (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && message != WM_MOUSEMOVE) ||
      message == WM_APPCOMMAND || message == WM_CONTEXTMENU || message == WM_SYSCOMMAND;
  if (self && interesting) {
    self->received_.push_back({message, wParam, lParam, static_cast<DWORD>(GetMessageTime())});
  }
  if (message == WM_APPCOMMAND) return TRUE;  // handled: no default volume change here
  if (message == WM_SYSCOMMAND && self) return 0;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void pump(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
}

bool titleHolds(HWND window, const std::wstring& part, DWORD ms, std::wstring& title) {
  return pumpUntil(
      [&] {
        wchar_t text[512] = L"";
        GetWindowTextW(window, text, 512);
        title = text;
        return title.find(part) != std::wstring::npos;
      },
      ms);
}

void moveTo(POINT p) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void restIn(const Target& target, DWORD ms) {
  moveTo(target.center());
  pump(ms);
}

void mouseButton(DWORD flag, DWORD data) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flag;
  in.mi.mouseData = data;
  SendInput(1, &in, sizeof in);
}

void wheel(int delta) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_WHEEL;
  in.mi.mouseData = static_cast<DWORD>(delta);
  SendInput(1, &in, sizeof in);
}

void key(WORD virtualKey, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = virtualKey;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

void chord(std::initializer_list<WORD> keys) {
  for (const WORD k : keys) key(k, true);
  for (auto k = std::rbegin(keys); k != std::rend(keys); ++k) key(*k, false);
}

bool playXInput(const std::string& steps, std::string* problem) {
  static unsigned played = 0;
  const char* player = std::getenv("CLICKMEND_X_INPUT");
  if (!player) {
    *problem = "CLICKMEND_X_INPUT names no player";
    return false;
  }
  const std::string done = "/tmp/clickmend-x-input-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(++played);
  const std::wstring doneFile = windowsPathOf(done.c_str());
  DeleteFileW(doneFile.c_str());
  // The X server's pointer ends in the screen's far corner, where no window of ours ever is.
  // Moves sent later with SendInput move Wine's cursor but not the X pointer, and Wine takes
  // the X pointer's place again whenever a window appears or goes under it: left over where
  // the steps ended, it would pull the cursor back there in the middle of a later case.
  const std::string corner = " wait 50000 move " +
                             std::to_string(GetSystemMetrics(SM_CXSCREEN) - 1) + " " +
                             std::to_string(GetSystemMetrics(SM_CYSCREEN) - 1);
  std::wstring commandLine =
      windowsPathOf(player) + L" " + decodeUtf8(done + " " + steps + corner).value_or(L"");
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  // Wine runs the Unix program and hands back no handle that can be waited on: the done file
  // says when it finished.
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi)) {
    *problem = "the player did not start: " + narrow(commandLine);
    return false;
  }
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  pumpUntil([&] { return GetFileAttributesW(doneFile.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000);
  pump(20);  // the file's one line written
  const auto outcome = readFileBytes(doneFile, 256);
  DeleteFileW(doneFile.c_str());
  *problem = outcome ? *outcome : "the player did not finish in 30 s: " + narrow(commandLine);
  return *problem == "ok";
}

void chatteringClick(POINT at) {
  moveTo(at);
  pump(kClickInterval + 200);
  mouseButton(MOUSEEVENTF_LEFTDOWN);
  pump(100);
  mouseButton(MOUSEEVENTF_LEFTUP);
  pump(60);
  mouseButton(MOUSEEVENTF_LEFTDOWN);
  pump(1000);
  mouseButton(MOUSEEVENTF_LEFTUP);
  pump(200);
}

HWND findClickmendWindow() {
  return FindWindowW(kAppName, kAppName);
}

Clickmend::Clickmend(const std::wstring& settings, bool writeSettings) {
  if (prepare("\xFF\xFE" + encodeUtf16le(settings), writeSettings)) start(15000);
}

Clickmend::Clickmend(const std::string& settingsBytes, NotStarted) {
  prepare(settingsBytes, true);
}

bool Clickmend::prepare(const std::string& settingsBytes, bool writeSettings) {
  folder_ = newScratchFolder();
  exe_ = folder_ + L"\\clickmend.exe";
  if (!CopyFileW(builtExePath().c_str(), exe_.c_str(), FALSE)) {
    std::fprintf(stderr, "cannot copy %s\n", narrow(builtExePath()).c_str());
    return false;
  }
  prepared_ = !writeSettings || writeFileBytes(settingsPath(), settingsBytes);
  return prepared_;
}

bool Clickmend::start(DWORD waitMs) {
  // A left-over instance of an earlier, failed run would make this one exit at once, until its
  // window is gone and then its process, which holds the instance mutex.
  for (int i = 0; i < 50 && findClickmendWindow(); ++i) {
    DWORD id = 0;
    GetWindowThreadProcessId(findClickmendWindow(), &id);
    PostMessageW(findClickmendWindow(), WM_CLOSE, 0, 0);
    const HANDLE leftOver = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (leftOver) WaitForSingleObject(leftOver, 5000);
    if (leftOver) CloseHandle(leftOver);
    Sleep(100);
  }
  // Started again after it ended: the earlier process is done with.
  if (process_) CloseHandle(process_);
  window_ = nullptr;
  process_ = launch(&processId_);
  if (!process_) return false;
  pumpUntil(
      [&] {
        const HWND w = findClickmendWindow();
        DWORD owner = 0;
        if (w) GetWindowThreadProcessId(w, &owner);
        if (w && owner == processId_) window_ = w;
        // The hook goes in once the window has applied the settings.
        return (window_ && hookInstalls() != 0) ||
               WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
      },
      waitMs);
  pump(300);
  return window_ != nullptr;
}

UINT_PTR Clickmend::hookInstalls() const {
  return reinterpret_cast<UINT_PTR>(GetPropW(window_, window_contract::kHookInstallsProperty));
}

Clickmend::~Clickmend() {
  if (process_) {
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
      if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 99);
    }
    CloseHandle(process_);
  }
  SetFileAttributesW(settingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  pump(20);
}

HANDLE Clickmend::launch(DWORD* processId, const std::wstring& arguments, HANDLE output) const {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (output) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = output;
  }
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + exe_ + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  if (!CreateProcessW(exe_.c_str(), commandLine.data(), nullptr, nullptr, output != nullptr, 0,
                      nullptr, folder_.c_str(), &si, &pi)) {
    return nullptr;
  }
  CloseHandle(pi.hThread);
  *processId = pi.dwProcessId;
  return pi.hProcess;
}

std::wstring Clickmend::settingsPath() const {
  return folder_ + L"\\clickmend.ini";
}

std::wstring Clickmend::settingsFileText() const {
  auto bytes = readFileBytes(settingsPath(), 1 << 24);
  if (!bytes) return L"<no settings file>";
  if (hasUtf16leBom(*bytes)) return decodeUtf16le(bytes->substr(2));
  return decodeUtf8(*bytes).value_or(L"<not UTF-8>");
}

// Replacing a file fails while anyone has it open, and the program reads this one at moments of
// its own (the fit's answer, a device's first sight, a reload): the write waits until the file is
// free, as an editor's user would try again.
bool Clickmend::writeSettingsFile(const std::wstring& text) const {
  const std::string bytes = "\xFF\xFE" + encodeUtf16le(text);
  return pumpUntil([&] { return writeFileBytes(settingsPath(), bytes); }, 5000);
}

DWORD Clickmend::waitForExit(DWORD ms) {
  DWORD code = STILL_ACTIVE;
  pumpUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, ms);
  GetExitCodeProcess(process_, &code);
  return code;
}

DWORD Clickmend::runSecondInstance(DWORD ms, const std::wstring& arguments, std::string* output) {
  // The pipe holds far more than the program writes, so it is read once the program ended.
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (output && !CreatePipe(&readEnd, &writeEnd, &inherited, 1 << 16)) return 0xFFFFFFFF;
  if (readEnd) SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  DWORD id = 0;
  HANDLE second = launch(&id, arguments, writeEnd);
  if (writeEnd) CloseHandle(writeEnd);
  DWORD code = 0xFFFFFFFF;
  if (second) {
    pumpUntil([&] { return WaitForSingleObject(second, 0) == WAIT_OBJECT_0; }, ms);
    GetExitCodeProcess(second, &code);
    if (code == STILL_ACTIVE) TerminateProcess(second, 98);
    CloseHandle(second);
  }
  if (readEnd) {
    output->clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      output->append(buffer, got);
    }
    CloseHandle(readEnd);
  }
  return code;
}

}  // namespace e2e
