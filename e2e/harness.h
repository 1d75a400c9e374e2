// End-to-end harness: runs the real clickmend.exe under Wine with a prepared settings file,
// opens target windows in this test process and injects input with SendInput, so the tests
// assert on what an application really receives.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace e2e {

// Intervals in the test settings are scaled up so that a loaded machine cannot flip a result.
constexpr int kClickInterval = 400;
constexpr int kReleaseInterval = 200;
constexpr int kScrollInterval = 400;

// SendInput's input is injected: the program repairs it like the mouse's only where the file says
// so. Every test that repairs, counts or records what it injects writes this.
constexpr wchar_t kSimulatedInputRepaired[] = L"[输入来源]\r\n模拟输入=1\r\n";

// The settings file text for a test: the scaled intervals, kSimulatedInputRepaired unless
// `repairInjected` is false, then `extra` lines (each "key=value" under a "[section]" line the
// caller writes).
std::wstring settingsText(const std::wstring& extra, bool repairInjected = true);

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;  // the message's time stamp (GetMessageTime)
};

// A visible topmost popup window with a border at `x`, `y`, of the class `className`, which is
// registered with `proc` on first use; `param` goes to WM_CREATE.
HWND createTopmostWindow(const wchar_t* className, WNDPROC proc, const wchar_t* title, int x, int y,
                         int width, int height, void* param = nullptr);

// A visible top-level window of this process that records what it receives.
class Target {
 public:
  Target(int x, int y, int width, int height, const wchar_t* title = L"e2e target");
  ~Target();
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  HWND hwnd() const { return hwnd_; }
  POINT center() const;
  int count(UINT message) const;
  std::vector<Received> only(UINT message) const;
  void clear() { received_.clear(); }
  // What the window saw, for failure messages.
  std::string describe() const;
  const std::vector<Received>& received() const { return received_; }

 private:
  static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  std::vector<Received> received_;
};

// Pumps this thread's messages for `ms` milliseconds.
void pump(DWORD ms);
// Pumps until `done()` holds or `ms` pass; returns done().
template <typename Done>
bool pumpUntil(Done done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    pump(10);
  }
  return true;
}

// Pumps until the title of `window` holds `part` or `ms` pass; returns whether it does, with the
// title last read in `title`.
bool titleHolds(HWND window, const std::wstring& part, DWORD ms, std::wstring& title);

// Injected input.
void moveTo(POINT p);
// Moves the cursor to the middle of `target` and pumps `ms` with it resting there.
void restIn(const Target& target, DWORD ms);
void mouseButton(DWORD flag, DWORD data = 0);  // MOUSEEVENTF_LEFTDOWN, ...; data: XBUTTON1, ...
void wheel(int delta);
void key(WORD virtualKey, bool down);
// The keys pressed in order and let go in the reverse order: {VK_CONTROL, VK_TAB} is Ctrl+Tab.
void chord(std::initializer_list<WORD> keys);

// The same input as a mouse makes it: played through the X server (scripts/x_input_play.c), so
// that Wine delivers it as the mouse's own, not flagged injected and with the raw input of its
// mouse. `steps` as the player reads them ("move 500 300 wait 4000 down 1 ..."). Pumps this
// thread's messages until the player has handed every step to the X server; false, with what
// went wrong in `problem`, when it did not.
bool playXInput(const std::string& steps, std::string* problem);

// The chattering click, scaled: the cursor is moved to `at` and left there past the click
// interval, then press, bounce up 100 ms later, down again 60 ms after that, real release a
// second later.
void chatteringClick(POINT at);

// A running clickmend.exe in a scratch folder of its own, with its settings file beside it.
class Clickmend {
 public:
  // Writes `settings` (UTF-16LE) as the settings file unless `writeSettings` is false, starts the
  // program and waits for its main window and hook.
  explicit Clickmend(const std::wstring& settings, bool writeSettings = true);
  // Writes these bytes as the settings file and does not start yet: the case may make the file
  // read-only or hold it open first, then call start().
  struct NotStarted {};
  Clickmend(const std::string& settingsBytes, NotStarted);
  ~Clickmend();  // closes it if it still runs
  Clickmend(const Clickmend&) = delete;
  Clickmend& operator=(const Clickmend&) = delete;

  // The exe was copied and the settings file written.
  bool prepared() const { return prepared_; }
  // Starts the program, also again once it has ended; true once its window is there and its
  // hook installed.
  bool start(DWORD waitMs = 60000);
  bool started() const { return window_ != nullptr; }
  HWND window() const { return window_; }
  DWORD processId() const { return processId_; }
  HANDLE process() const { return process_; }
  const std::wstring& folder() const { return folder_; }
  const std::wstring& exePath() const { return exe_; }
  std::wstring settingsPath() const;
  // How often the program installed its hook (its window's diagnostic property).
  UINT_PTR hookInstalls() const;
  // The settings file's text whatever its encoding.
  std::wstring settingsFileText() const;
  void writeSettingsFile(const std::wstring& text) const;
  // Waits for the process to end; its exit code, or STILL_ACTIVE after `ms`.
  DWORD waitForExit(DWORD ms);
  // Starts another process of the same exe in the same folder, with `arguments` on its command
  // line; returns its exit code after it ended (STILL_ACTIVE when it had not ended within `ms`).
  // With `output`, its standard output and error are a pipe whose text lands there.
  DWORD runSecondInstance(DWORD ms, const std::wstring& arguments = L"",
                          std::string* output = nullptr);

 private:
  HANDLE launch(DWORD* processId, const std::wstring& arguments = L"",
                HANDLE output = nullptr) const;
  bool prepare(const std::string& settingsBytes, bool writeSettings);
  bool prepared_ = false;
  std::wstring folder_;
  std::wstring exe_;
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
};

// The main window of a running instance, or null.
HWND findClickmendWindow();
std::string narrow(const std::wstring& text);

}  // namespace e2e
