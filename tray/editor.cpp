#include "tray/editor.h"

std::wstring editorCommandLine(const std::wstring& systemFolder, const std::wstring& settingsPath) {
  if (systemFolder.empty() || settingsPath.empty()) return {};
  const bool separated = systemFolder.back() == L'\\';
  const std::wstring program = systemFolder + (separated ? L"" : L"\\") + L"notepad.exe";
  const std::size_t fixedChars = program.size() + 5;  // four quotes and a space
  if (settingsPath.size() + fixedChars > kMaxCommandLineChars) return {};
  return L"\"" + program + L"\" \"" + settingsPath + L"\"";
}
