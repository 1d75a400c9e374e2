#include "common/system_library_win32.h"

#include "common/debug_console.h"

void restrictLibrarySearch() {
  // Windows 8 and later, and 7 with KB2533623; elsewhere the safe search order (system folders
  // before the current one) is what there is, and run-time loads name the system folder.
  const auto setDefaultDllDirectories =
      reinterpret_cast<decltype(&SetDefaultDllDirectories)>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
}

std::wstring systemFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  UINT got = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
  if (got >= buffer.size()) {
    buffer.resize(got);
    got = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
  }
  buffer.resize(got < buffer.size() ? got : 0);
  return buffer;
}

namespace {

HMODULE loadSystemLibrary(const wchar_t* library) {
  if (const HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return module;
  }
  // Systems without the search flags refuse them; a full path is looked for nowhere else, and
  // the altered search takes the library's own dependencies from its folder too.
  const std::wstring folder = systemFolder();
  if (folder.empty()) return nullptr;
  return LoadLibraryExW((folder + L"\\" + library).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

FARPROC systemLibraryFunction(const wchar_t* library, const char* name) {
  const HMODULE module = loadSystemLibrary(library);
  const FARPROC function = module ? GetProcAddress(module, name) : nullptr;
  if (!function) {
    if (module) FreeLibrary(module);
    std::wstring missing = std::wstring(library) + L"!";
    for (const char* c = name; *c; ++c) missing += static_cast<wchar_t>(*c);
    debugPrintText("Not in the system folder:\t%S\n", missing.c_str());
  }
  return function;
}
