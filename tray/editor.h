// Editing the settings file: the editor's command line, decided off the desktop.
#pragma once

#include <cstddef>
#include <string>

// The longest command line CreateProcess takes, without its terminator.
constexpr std::size_t kMaxCommandLineChars = 32766;

// `"<systemFolder>\notepad.exe" "<settingsPath>"`, whatever the paths' length: by its full path,
// so that no notepad.exe beside the program or in the current folder runs instead. Empty when
// either path is missing or the line would be longer than a command line may be.
std::wstring editorCommandLine(const std::wstring& systemFolder, const std::wstring& settingsPath);
