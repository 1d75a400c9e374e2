// Editing the settings file: the text editor started on it, and the file applied once it closes.
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/debug_console.h"
#include "common/process_win32.h"
#include "common/system_library_win32.h"
#include "common/window_contract.h"
#include "settings/settings.h"
#include "tray/editor.h"
#include "tray/editor_win32.h"

namespace {

// One per use of the menu item; several may wait at once. The main window re-reads the file also
// when the editor could not be started, so the menu item always applies what the file says.
DWORD WINAPI configEditor(void* argument) {
  const HWND window = static_cast<HWND>(argument);
  std::wstring commandLine = editorCommandLine(systemFolder(), settingsFilePath());
  if (!commandLine.empty()) {
    if (auto editor = startCommandLine(std::move(commandLine))) {
      WaitForSingleObject(editor->process.get(), INFINITE);
    }
  }
  PostMessageW(window, window_contract::kSettingsChangedMessage, 0, 0);
  return 0;
}

}  // namespace

void editSettings(HWND window) {
  debugPrint("%d\n", static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window)));
  // Without a thread there is no editor either; the file is still read again.
  if (!startThread(configEditor, window)) {
    PostMessageW(window, window_contract::kSettingsChangedMessage, 0, 0);
  }
}
