#include "tray/program_picker_win32.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "common/process_win32.h"
#include "common/system_library_win32.h"
#include "input/program_rule.h"

namespace {

BOOL CALLBACK addProgramOf(HWND window, LPARAM found) {
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId == GetCurrentProcessId()) return TRUE;
  const std::wstring name = programFileName(programPathOf(processId));
  auto& list = *reinterpret_cast<std::vector<std::wstring>*>(found);
  if (!name.empty() && std::find(list.begin(), list.end(), name) == list.end()) {
    list.push_back(name);
  }
  return TRUE;
}

}  // namespace

std::optional<std::wstring> browseForProgram(HWND owner, const wchar_t* filterName) {
  using GetOpenFileName = BOOL(WINAPI*)(OPENFILENAMEW*);
  const auto open = systemLibraryFunction<GetOpenFileName>(L"comdlg32.dll", "GetOpenFileNameW");
  if (!open) return std::nullopt;
  std::wstring filter = filterName;
  filter += L'\0';
  filter += L"*.exe";
  filter += L'\0';
  std::wstring file(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!open(&dialog)) return std::nullopt;
  file.resize(file.find(L'\0'));
  return file;
}

std::optional<std::wstring> pickProgramWithWindow(HWND owner, const RECT& at) {
  std::vector<std::wstring> names;
  EnumWindows(addProgramOf, reinterpret_cast<LPARAM>(&names));
  std::sort(names.begin(), names.end());
  const HMENU menu = CreatePopupMenu();
  if (!menu) return std::nullopt;
  for (std::size_t i = 0; i < names.size(); ++i) {
    AppendMenuW(menu, MF_STRING, i + 1, names[i].c_str());
  }
  const auto chosen = static_cast<std::size_t>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.left, at.bottom, 0, owner, nullptr));
  DestroyMenu(menu);
  if (chosen < 1 || chosen > names.size()) return std::nullopt;
  return names[chosen - 1];
}
