// The command line that drives the running program, both ends: `clickmend.exe /pause` sends a
// WM_COPYDATA to the main window of the instance already running, which carries it out there.
#include "app/remote_win32.h"

#include <cstring>
#include <string>

#include "app/program_win32.h"
#include "app/remote_command.h"
#include "common/debug_console.h"
#include "common/identity.h"
#include "common/text.h"
#include "common/window_contract.h"
#include "health/diagnosis_win32.h"
#include "health/health_win32.h"
#include "tray/menu.h"
#include "tray/tray_win32.h"

namespace {

namespace contract = window_contract;

// The sender waits this long for the whole answer; the receiver's reply must fit inside it.
constexpr UINT kAnswerTimeoutMs = 2000;
constexpr UINT kReplyTimeoutMs = 1000;

// Today's figures per device, as counted up to now.
std::string todayStats(SwitchHealth& health) {
  std::string date;
  const HealthCounts today = health.today(&date);
  const DeviceCounts* d = today.devices;
  DeviceFigures figures[healthDeviceCount];
  std::size_t count = 0;
  // The lines of the statistics file: the middle and side buttons once they counted anything.
  const struct {
    const char* name;
    int device;
    bool always;
  } devices[] = {{"left", healthLeft, true},   {"right", healthRight, true},
                 {"wheel", healthWheel, true}, {"middle", healthMiddle, false},
                 {"x1", healthX1, false},      {"x2", healthX2, false}};
  for (const auto& device : devices) {
    const DeviceCounts& c = d[device.device];
    if (!device.always && !c.events && !c.repaired) continue;
    figures[count++] = {device.name, c.events, c.chatter, c.repaired};
  }
  return statsText(date.c_str(), figures, count);
}

// Sent back to the sender's window while its SendMessage waits: a bounded answer to a window it
// named itself, which a hung one cannot hold.
bool sendReply(HWND window, HWND sender, const std::string& text) {
  if (!IsWindow(sender) || text.size() > contract::kMaxReplyBytes) return false;
  COPYDATASTRUCT reply{contract::kReplyCopyData, static_cast<DWORD>(text.size()),
                       const_cast<char*>(text.data())};
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(sender, WM_COPYDATA, reinterpret_cast<WPARAM>(window),
                             reinterpret_cast<LPARAM>(&reply), SMTO_ABORTIFHUNG, kReplyTimeoutMs,
                             &result) != 0;
}

// ---- The command line's side ----

// The caller's standard output and error: the pipe or file it handed over, else the console it
// was started from. A GUI program gets no console of its own, so it attaches to its parent's.
class CallerOutput {
 public:
  CallerOutput() : out_(given(STD_OUTPUT_HANDLE)), err_(given(STD_ERROR_HANDLE)) {
    if ((out_ && err_) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    console_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (console_ == INVALID_HANDLE_VALUE) console_ = nullptr;
    if (!out_) out_ = console_;
    if (!err_) err_ = console_;
  }
  ~CallerOutput() {
    if (console_) CloseHandle(console_);
  }
  CallerOutput(const CallerOutput&) = delete;
  CallerOutput& operator=(const CallerOutput&) = delete;

  void out(const std::string& text) { write(out_, text); }
  void err(const std::string& text) { write(err_, text); }

 private:
  static HANDLE given(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE) return nullptr;
    return GetFileType(handle) == FILE_TYPE_UNKNOWN ? nullptr : handle;
  }
  // Lines end as Windows text does, in a console, a file or a batch file's `for /f` alike. The
  // text is UTF-8: a console is given it as Unicode, whatever its code page.
  static void write(HANDLE handle, const std::string& text) {
    if (!handle) return;
    std::string lines;
    for (char c : text) {
      if (c == '\n') lines += '\r';
      lines += c;
    }
    DWORD written = 0, mode = 0;
    if (GetConsoleMode(handle, &mode)) {
      const std::wstring wide = decodeUtf8(lines).value_or(std::wstring());
      WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      return;
    }
    WriteFile(handle, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
  }

  HANDLE out_;
  HANDLE err_;
  HANDLE console_ = nullptr;
};

// A message-only window of the caller, where the running program's /stats text arrives.
class ReplyWindow {
 public:
  ReplyWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Clickmend.Reply";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, windowClass.hInstance, nullptr);
    // Run as administrator, the caller would otherwise never get the reply of a Clickmend that
    // runs without: the system drops messages from a lower level. proc checks what comes.
    if (window_) ChangeWindowMessageFilterEx(window_, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
  }
  ~ReplyWindow() {
    if (window_) DestroyWindow(window_);
  }
  ReplyWindow(const ReplyWindow&) = delete;
  ReplyWindow& operator=(const ReplyWindow&) = delete;

  HWND get() const { return window_; }
  static const std::string& text() { return text_; }

 private:
  static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!data || data->dwData != contract::kReplyCopyData ||
        data->cbData > contract::kMaxReplyBytes || (data->cbData && !data->lpData)) {
      return FALSE;
    }
    text_.assign(static_cast<const char*>(data->lpData), data->cbData);
    return TRUE;
  }

  static inline std::string text_;
  HWND window_ = nullptr;
};

int sendCommand(CallerOutput& io, RemoteCommand command) {
  // The instance the single-instance rule finds; nothing is started when there is none.
  const HWND running = FindWindowW(kAppName, kAppName);
  if (!running) {
    io.err("clickmend: Clickmend is not running\n");
    return 1;
  }
  const ReplyWindow reply;
  const char* name = remoteCommandName(command);
  COPYDATASTRUCT data{contract::kCommandCopyData, static_cast<DWORD>(std::strlen(name)),
                      const_cast<char*>(name)};
  // SMTO_NORMAL: the /stats reply is a message sent to this thread while it waits here.
  DWORD_PTR answer = 0;
  const bool answered =
      SendMessageTimeoutW(running, WM_COPYDATA, reinterpret_cast<WPARAM>(reply.get()),
                          reinterpret_cast<LPARAM>(&data), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          kAnswerTimeoutMs, &answer) != 0;
  // Refused: the running one answered 0 (its reply could not reach this window), or the system
  // kept the command from it (it runs as administrator and this command line does not).
  if ((answered && answer == 0) || (!answered && GetLastError() == ERROR_ACCESS_DENIED)) {
    io.err("clickmend: the running Clickmend refused the command\n");
    return 4;
  }
  if (!answered) {
    io.err("clickmend: the running Clickmend did not answer within 2 seconds\n");
    return 3;
  }
  if (answer == contract::kAnswerPaused) io.out("paused\n");
  if (answer == contract::kAnswerRunning) io.out("running\n");
  if (command == RemoteCommand::stats || command == RemoteCommand::diagnose) {
    io.out(ReplyWindow::text());
  }
  return 0;
}

}  // namespace

LRESULT onRemoteCommand(Program& program, HWND window, WPARAM sender,
                        const COPYDATASTRUCT* message) {
  const auto command =
      message ? readRemoteCommand(message->dwData, message->lpData, message->cbData) : std::nullopt;
  if (!command) {
    debugPrint("Copy data ignored:\t%d\n",
               message ? static_cast<std::int32_t>(message->cbData) : 0);
    return 0;
  }
  const auto state = [&program] {
    return program.paused() ? contract::kAnswerPaused : contract::kAnswerRunning;
  };
  switch (*command) {
    case RemoteCommand::pause:
      program.setPaused(window, true);
      return state();
    case RemoteCommand::resume:
      program.setPaused(window, false);
      return state();
    case RemoteCommand::toggle:
      program.setPaused(window, !program.paused());
      return state();
    case RemoteCommand::reload:
      // As when the editor closes, and done before the answer: a script's next step sees it.
      SendMessageW(window, contract::kSettingsChangedMessage, 0, 0);
      return contract::kAnswerDone;
    case RemoteCommand::quit:
      // After the answer, as the menu's 退出: the sender must not wait on a window being torn down.
      PostMessageW(window, WM_COMMAND, menu_command::exit, 0);
      return contract::kAnswerDone;
    case RemoteCommand::options:
      // After the answer, as the menu's row: the window opens on the program's own time.
      PostMessageW(window, WM_COMMAND, menu_command::options, 0);
      return contract::kAnswerDone;
    case RemoteCommand::stats:
      return sendReply(window, reinterpret_cast<HWND>(sender), todayStats(program.health))
                 ? contract::kAnswerDone
                 : 0;
    case RemoteCommand::diagnose:
      return sendReply(window, reinterpret_cast<HWND>(sender),
                       diagnoseClickmend(program.settings, program.health))
                 ? contract::kAnswerDone
                 : 0;
  }
  return 0;
}

bool askRunningToQuit() {
  const HWND running = FindWindowW(kAppName, kAppName);
  if (!running) return false;
  const char* name = remoteCommandName(RemoteCommand::quit);
  COPYDATASTRUCT data{contract::kCommandCopyData, static_cast<DWORD>(std::strlen(name)),
                      const_cast<char*>(name)};
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer) != 0;
}

std::optional<int> runCommandLine(const wchar_t* commandLine) {
  const StartRequest request = parseCommandLine(commandLine ? commandLine : L"");
  if (request.kind == StartKind::run || request.kind == StartKind::takeOver) return std::nullopt;
  CallerOutput io;
  switch (request.kind) {
    case StartKind::run:
    case StartKind::takeOver:
    case StartKind::help:
      io.out(kCommandLineHelp);
      return 0;
    case StartKind::invalid:
      io.err("clickmend: unknown switch or extra arguments\n");
      io.err(kCommandLineHelp);
      return 2;
    case StartKind::send:
      return sendCommand(io, request.command);
  }
  return 2;
}
