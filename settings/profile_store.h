// The private-profile operations the settings need, over whichever store the platform has: one
// implementation per platform (profile_store_win32.cpp, profile_store_posix.cpp), chosen by the
// build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Settings files above this size are not read and never rewritten by us.
constexpr std::size_t kMaxSettingsFileBytes = 64u * 1024u * 1024u;

// One "key=value" line of a section, as written: spaces around both trimmed, quotes kept.
struct ProfileEntry {
  std::wstring key, value;
};

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // The integer the value's leading number forms, wrapped to 32 bits; `fallback` when the
  // key, the section or the file is absent or the value is empty.
  virtual std::uint32_t readInt(const wchar_t* section, const wchar_t* key,
                                std::int32_t fallback) = 0;
  // The value, at most `maxChars - 1` characters; empty when absent.
  virtual std::wstring readString(const wchar_t* section, const wchar_t* key,
                                  std::size_t maxChars) = 0;
  // The value as written in the file, at most `maxChars - 1` characters; empty when absent. The
  // profile functions strip a value's outer quotes, which a quoted program path needs.
  virtual std::wstring readStringAsWritten(const wchar_t* section, const wchar_t* key,
                                           std::size_t maxChars) = 0;
  // The section's "key=value" lines as written, in order (as GetPrivateProfileSectionW gives
  // them); empty when absent.
  virtual std::vector<std::wstring> readSection(const wchar_t* section) = 0;
  // Replaces one value or adds the key (and the section); false when the file was not written.
  virtual bool writeString(const wchar_t* section, const wchar_t* key, const wchar_t* value) = 0;
  // Every key of the section in file order, the first of duplicates only; empty when absent.
  // Read through readSection on every platform.
  std::vector<ProfileEntry> readSectionAsWritten(const wchar_t* section);
  // Removes every line of the key (cs2.exe and CS2.EXE alike) and nothing else; false when
  // there was none to remove or the file was not written.
  virtual bool deleteKey(const wchar_t* section, const wchar_t* key) = 0;
};

// The platform's own store for the file at `path`: the profile functions on Windows, a
// file-backed reader and writer elsewhere.
std::unique_ptr<ProfileStore> openProfileStore(const std::wstring& path);
