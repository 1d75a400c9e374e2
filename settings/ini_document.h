// An INI file held as its lines, read and changed the way the Windows profile functions do:
// names matched without regard to ASCII case, spaces around names and values ignored, matching
// quotes around a value removed, the first of duplicate keys winning. A change touches one
// line and leaves every other line, line ending included, as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class IniDocument {
 public:
  enum class Encoding { utf16le, utf8Bom, utf8, bytes };

  static IniDocument parse(const std::string& bytes);
  std::string serialize() const;

  std::optional<std::wstring> value(const std::wstring& section, const std::wstring& key) const;
  // The same value with its quotes, as the user wrote it.
  std::optional<std::wstring> valueAsWritten(const std::wstring& section,
                                             const std::wstring& key) const;
  void setValue(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  // Removes every line of the key, in any case, in every section of that name; false when
  // there is none.
  bool removeKey(const std::wstring& section, const std::wstring& key);
  // The "key=value" lines of every section of that name, in file order, comments left out.
  std::vector<std::wstring> sectionLines(const std::wstring& section) const;

  Encoding encoding() const { return encoding_; }

 private:
  struct Line {
    std::wstring text;
    std::wstring ending;  // "\r\n", "\n", "\r" or empty for the last line
  };
  // The line of the first section named `section` at or after line `from`, or npos.
  std::size_t findSection(const std::wstring& section, std::size_t from) const;
  // The key's line in the first section named `section` that holds it, or npos.
  std::size_t findKey(const std::wstring& section, const std::wstring& key) const;
  std::wstring newlineStyle() const;

  Encoding encoding_ = Encoding::utf8;
  std::vector<Line> lines_;
};

// The value of `key` among one section's "key=value" lines (as GetPrivateProfileSectionW hands
// them out), as written: spaces around it trimmed, quotes kept, the first line naming it winning.
std::optional<std::wstring> keyValueAsWritten(const std::vector<std::wstring>& lines,
                                              const std::wstring& key);

// How many of one section's lines name `key`, in any case.
std::size_t keyLineCount(const std::vector<std::wstring>& lines, const std::wstring& key);

// Every key among one section's lines with its value as written, in order, the first line
// naming a key winning.
std::vector<std::pair<std::wstring, std::wstring>> keyValuesAsWritten(
    const std::vector<std::wstring>& lines);

// The leading integer of a profile value: spaces skipped, an optional sign, decimal digits up
// to the first non-digit, wrapped modulo 2^32. No digits reads as 0.
std::uint32_t profileInteger(const std::wstring& value);
