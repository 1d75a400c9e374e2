// The autostart entry in the registry: value "Clickmend" under HKEY_LOCAL_MACHINE's or
// HKEY_CURRENT_USER's ...\Run.
#include <windows.h>

#include <memory>
#include <type_traits>

#include "common/dpi_win32.h"
#include "common/identity.h"
#include "common/process_win32.h"
#include "common/texts.h"
#include "settings/settings.h"
#include "tray/autostart.h"
#include "tray/autostart_win32.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kValueName[] = L"Clickmend";

// The longest executable path in quotes, with its terminator. A longer value cannot name this
// executable and is not read.
constexpr DWORD kMaxValueBytes = (32767 + 2 + 1) * sizeof(wchar_t);

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// A Run key, open for as long as the result lives; null when it cannot be opened.
UniqueKey openRunKey(RunKey which, REGSAM access) {
  const HKEY root = which == RunKey::machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, kRunKey, 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return UniqueKey(key);
}

class DesktopAutostart final : public AutostartPlatform {
 public:
  DesktopAutostart(HWND owner, Language language) : owner_(owner), language_(language) {}

  std::optional<std::wstring> readValue(RunKey which) override {
    const UniqueKey key = openRunKey(which, KEY_QUERY_VALUE);
    if (!key.get()) return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), kValueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes > kMaxValueBytes) {
      return std::nullopt;
    }
    // Stored text need not end in a terminator, nor end at the first one; room for one more.
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD got = bytes;
    if (RegQueryValueExW(key.get(), kValueName, nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &got) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      return std::nullopt;
    }
    text.resize(got / sizeof(wchar_t));
    const std::size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
  }

  bool writeValue(RunKey which, const std::wstring& text) override {
    const UniqueKey key = openRunKey(which, KEY_SET_VALUE);
    return key.get() &&
           RegSetValueExW(key.get(), kValueName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }

  void deleteValue(RunKey which) override {
    const UniqueKey key = openRunKey(which, KEY_SET_VALUE);
    if (key.get()) RegDeleteValueW(key.get(), kValueName);
  }

  bool isElevated() override {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const UniqueHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    // Without UAC there is no elevation to ask about: the machine's key answers for itself.
    if (!GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
      return true;
    }
    return elevation.TokenIsElevated != 0;
  }

  std::wstring executablePath() override { return ::executablePath(); }

  bool confirmTemporaryFolder() override {
    const OwnWindowDpi perMonitor;
    return MessageBoxW(owner_, textOf(TextName::autostartTemporaryFolder, language_), kAppName,
                       MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2) == IDYES;
  }

  void reportFailure(AutostartFailure failure) override {
    const TextName text = failure == AutostartFailure::notRegistered
                              ? TextName::autostartNotRegistered
                              : TextName::autostartNotRemoved;
    const OwnWindowDpi perMonitor;
    MessageBoxW(owner_, textOf(text, language_), kAppName, MB_OK | MB_ICONWARNING);
  }

 private:
  HWND owner_;
  Language language_;
};

}  // namespace

bool isAutostartRegistered() {
  DesktopAutostart desktop(nullptr, Language::chinese);  // asks nothing
  return isAutostartRegistered(desktop);
}

void toggleAutostart(HWND window, Language language) {
  DesktopAutostart desktop(window, language);
  toggleAutostart(desktop);
}
