// Any bytes as a settings file: read, looked up, changed and written back.
//
// Input layout: section NUL key NUL value NUL file-bytes (missing parts are empty). The names
// are read as UTF-8, or byte by byte where they are not UTF-8, then made into names a caller
// could write: no line breaks, no ']' in a section, no '=' in a key, no quotes round a value.
//
// For every input, beyond no crash and no read out of bounds (ASan, UBSan):
// - the document as read is written back byte for byte; a UTF-16 file loses only an odd last
//   byte, which is no character;
// - setValue(section, key, value) either rewrites the one line holding the key, or inserts one
//   key line, or appends a section header and a key line at the end: every other line keeps
//   its text and its ending (the last line may gain the ending it lacked), so the file grows
//   by at most two lines;
// - it rewrites a line exactly when the key was there to read before;
// - the written file reads back as itself and, unless a byte file turned into UTF-8 by the
//   change, the key reads back as the value and another key reads as it did;
// - profileInteger on arbitrary text: leading blanks and trailing non-digits change nothing, a
//   minus sign negates modulo 2^32, and a short run of digits reads as its number.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "settings/ini_document.h"

namespace {

using Encoding = IniDocument::Encoding;

[[noreturn]] void failed(const char* what) {
  std::fprintf(stderr, "settings_fuzz: %s\n", what);
  std::abort();
}

void check(bool condition, const char* what) {
  if (!condition) failed(what);
}

std::wstring widen(const std::string& bytes) {
  std::wstring out;
  for (char c : bytes) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

std::wstring toWide(const std::string& bytes) {
  return decodeUtf8(bytes).value_or(widen(bytes));
}

bool isBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

std::wstring trim(const std::wstring& s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && isBlank(s[begin])) ++begin;
  while (end > begin && isBlank(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

std::wstring without(const std::wstring& s, const wchar_t* banned) {
  std::wstring out;
  for (wchar_t c : s) {
    if (!std::wcschr(banned, c) || c == L'\0') out.push_back(c);
  }
  return out;
}

bool sameName(const std::wstring& a, const std::wstring& b) {
  auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? c + 32 : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// Text as a document of this encoding stores it: a byte file keeps characters below 256 as
// bytes and the others as their UTF-8 bytes.
std::wstring asStored(Encoding encoding, const std::wstring& text) {
  if (encoding != Encoding::bytes) return text;
  std::wstring out;
  for (wchar_t c : text) {
    if (static_cast<std::uint32_t>(c) < 0x100) {
      out.push_back(c);
    } else {
      out += widen(encodeUtf8(std::wstring(1, c)));
    }
  }
  return out;
}

// The text of serialized bytes in the encoding the document was read in.
std::wstring textOf(Encoding encoding, const std::string& bytes) {
  switch (encoding) {
    case Encoding::utf16le:
      check(hasUtf16leBom(bytes), "a UTF-16 file was written without its BOM");
      return decodeUtf16le(bytes.substr(2));
    case Encoding::utf8Bom: {
      check(hasUtf8Bom(bytes), "a UTF-8 file was written without its BOM");
      auto text = decodeUtf8(bytes.substr(3));
      check(text.has_value(), "a UTF-8 file was written as something else");
      return *text;
    }
    case Encoding::utf8: {
      auto text = decodeUtf8(bytes);
      check(text.has_value(), "a UTF-8 file was written as something else");
      return *text;
    }
    case Encoding::bytes:
      break;
  }
  return widen(bytes);
}

struct Line {
  std::wstring text, ending;
  bool operator==(const Line& o) const { return text == o.text && ending == o.ending; }
  bool operator!=(const Line& o) const { return !(*this == o); }
};

// Lines end at CR LF, LF or CR.
std::vector<Line> linesOf(const std::wstring& text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) {
      lines.push_back({text.substr(start), L""});
      break;
    }
    std::size_t next = end + 1;
    if (text[end] == L'\r' && next < text.size() && text[next] == L'\n') ++next;
    lines.push_back({text.substr(start, end - start), text.substr(end, next - end)});
    start = next;
  }
  return lines;
}

void checkRoundTrip(const std::string& bytes, const IniDocument& doc) {
  std::string expected = bytes;
  if (doc.encoding() == Encoding::utf16le && bytes.size() % 2 == 1) expected.pop_back();
  check(doc.serialize() == expected, "a document read and written unchanged is not the same");
}

// The lines after setValue against the lines before: one rewritten, one inserted, or a header
// and a key line appended; nothing else differs.
void checkOneChange(const std::vector<Line>& before, const std::vector<Line>& after,
                    bool keyExisted, const std::wstring& header, const std::wstring& keyLine) {
  if (keyExisted) {
    check(after.size() == before.size(), "rewriting a key changed the number of lines");
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
      if (before[i] == after[i]) continue;
      ++changed;
      check(after[i].text == keyLine, "a line other than the key's was changed");
      check(after[i].ending == before[i].ending, "rewriting a key changed its line ending");
    }
    check(changed <= 1, "rewriting a key changed more than one line");
    return;
  }

  // Adding lines first ends an unterminated last line, in the file's own line-ending style.
  std::vector<Line> kept = before;
  std::wstring newline = L"\r\n";
  for (const Line& line : before) {
    if (!line.ending.empty()) {
      newline = line.ending;
      break;
    }
  }
  if (!kept.empty() && kept.back().ending.empty()) kept.back().ending = newline;

  if (after.size() == kept.size() + 1) {
    std::size_t at = 0;
    while (at < kept.size() && kept[at] == after[at]) ++at;
    check(after[at].text == keyLine, "the inserted line is not the key line");
    check(!after[at].ending.empty(), "the inserted key line has no line ending");
    for (std::size_t i = at; i < kept.size(); ++i) {
      check(after[i + 1] == kept[i], "a line after the inserted key changed");
    }
  } else if (after.size() == kept.size() + 2) {
    for (std::size_t i = 0; i < kept.size(); ++i) {
      check(after[i] == kept[i], "a line changed when a section was appended");
    }
    check(after[kept.size()] == Line{header, newline}, "the appended header is wrong");
    check(after[kept.size() + 1] == Line{keyLine, newline}, "the appended key line is wrong");
  } else {
    failed("adding a key did not add one or two lines");
  }
}

void checkProfileInteger(const std::wstring& text) {
  const std::uint32_t n = profileInteger(text);
  check(profileInteger(L" \t " + text) == n, "leading blanks changed the number");
  check(profileInteger(text + L"x") == n, "a trailing non-digit changed the number");

  std::size_t first = 0;
  while (first < text.size() && isBlank(text[first])) ++first;
  if (first < text.size() && text[first] >= L'0' && text[first] <= L'9') {
    const std::wstring rest = text.substr(first);
    check(profileInteger(L"-" + rest) == 0u - n, "a minus sign did not negate the number");
    check(profileInteger(L"+" + rest) == n, "a plus sign changed the number");
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= L'0' && rest[digits] <= L'9') ++digits;
    if (digits <= 9) {
      const std::uint32_t plain =
          static_cast<std::uint32_t>(std::wcstoul(rest.substr(0, digits).c_str(), nullptr, 10));
      check(n == plain, "a short run of digits did not read as its number");
    }
  }
}

// Splits the input at its first three NUL bytes.
std::vector<std::string> splitInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts(4);
  std::size_t part = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (part < 3 && data[i] == 0) {
      ++part;
      continue;
    }
    parts[part].push_back(static_cast<char>(data[i]));
  }
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> parts = splitInput(data, size);
  const std::string& bytes = parts[3];

  checkProfileInteger(toWide(parts[2]));
  checkProfileInteger(toWide(bytes));

  IniDocument doc = IniDocument::parse(bytes);
  checkRoundTrip(bytes, doc);
  const Encoding encoding = doc.encoding();
  const std::vector<Line> before = linesOf(textOf(encoding, doc.serialize()));

  // A byte file holds byte names: its caller names keys as they are stored.
  auto name = [&](const std::string& raw, const wchar_t* banned) {
    return asStored(encoding, trim(without(toWide(raw), banned)));
  };
  const std::wstring section = name(parts[0], L"\r\n]");
  std::wstring key = name(parts[1], L"\r\n=");
  if (!key.empty() && (key[0] == L'[' || key[0] == L';')) key.insert(0, 1, L'k');
  const std::wstring value = name(parts[2], L"\r\n\"'");
  // A second key in the same section, looked up before and after the change.
  const std::wstring otherKey = name(parts[2], L"\r\n=");

  const std::optional<std::wstring> oldValue = doc.value(section, key);
  const std::optional<std::wstring> otherBefore = doc.value(section, otherKey);
  if (oldValue) checkProfileInteger(*oldValue);

  doc.setValue(section, key, value);
  const std::string written = doc.serialize();
  const std::vector<Line> after = linesOf(textOf(encoding, written));
  checkOneChange(before, after, oldValue.has_value(), L"[" + section + L"]", key + L"=" + value);

  const IniDocument reread = IniDocument::parse(written);
  check(reread.serialize() == written, "the written file does not read back as itself");
  // A byte file is one that is not UTF-8; a change can make it UTF-8 and so read differently,
  // every byte kept. Any other file keeps its encoding.
  if (reread.encoding() != encoding) {
    check(encoding == Encoding::bytes, "a Unicode file changed its encoding");
    return 0;
  }
  check(reread.value(section, key) == value, "the key does not read back as the value written");
  if (!sameName(otherKey, key)) {
    check(reread.value(section, otherKey) == otherBefore, "another key changed its value");
  }
  return 0;
}
