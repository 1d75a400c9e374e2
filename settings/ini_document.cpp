#include "settings/ini_document.h"

#include "common/text.h"
#include "settings/profile_store.h"

namespace {

bool isBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

std::wstring trim(const std::wstring& s) {
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end && isBlank(s[begin])) ++begin;
  while (end > begin && isBlank(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

wchar_t foldAscii(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

bool sameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}

// The section name of a header line, or nullopt for any other line.
std::optional<std::wstring> sectionName(const std::wstring& line) {
  const std::wstring t = trim(line);
  if (t.empty() || t[0] != L'[') return std::nullopt;
  const std::size_t close = t.find(L']');
  return trim(t.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
}

// Key and value of a key line; comments and lines without '=' hold none.
bool splitKeyLine(const std::wstring& line, std::wstring& key, std::wstring& value) {
  const std::wstring t = trim(line);
  if (t.empty() || t[0] == L';' || t[0] == L'[') return false;
  const std::size_t eq = t.find(L'=');
  if (eq == std::wstring::npos) return false;
  key = trim(t.substr(0, eq));
  value = trim(t.substr(eq + 1));
  return true;
}

std::wstring unquote(const std::wstring& v) {
  if (v.size() >= 2 && (v.front() == L'"' || v.front() == L'\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

}  // namespace

IniDocument IniDocument::parse(const std::string& bytes) {
  IniDocument doc;
  std::wstring text;
  if (hasUtf16leBom(bytes)) {
    doc.encoding_ = Encoding::utf16le;
    text = decodeUtf16le(bytes.substr(2));
  } else if (hasUtf8Bom(bytes)) {
    auto decoded = decodeUtf8(bytes.substr(3));
    doc.encoding_ = decoded ? Encoding::utf8Bom : Encoding::bytes;
    if (decoded) text = *decoded;
  } else if (auto decoded = decodeUtf8(bytes)) {
    doc.encoding_ = Encoding::utf8;
    text = *decoded;
  } else {
    doc.encoding_ = Encoding::bytes;
  }
  if (doc.encoding_ == Encoding::bytes) {
    // Neither Unicode form: keep every byte as it is so a rewrite changes nothing else.
    text.reserve(bytes.size());
    for (char c : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) {
      doc.lines_.push_back({text.substr(start), L""});
      break;
    }
    std::size_t next = end + 1;
    if (text[end] == L'\r' && next < text.size() && text[next] == L'\n') ++next;
    doc.lines_.push_back({text.substr(start, end - start), text.substr(end, next - end)});
    start = next;
  }
  return doc;
}

std::string IniDocument::serialize() const {
  std::wstring text;
  for (const Line& line : lines_) {
    text += line.text;
    text += line.ending;
  }
  switch (encoding_) {
    case Encoding::utf16le:
      return "\xFF\xFE" + encodeUtf16le(text);
    case Encoding::utf8Bom:
      return "\xEF\xBB\xBF" + encodeUtf8(text);
    case Encoding::utf8:
      return encodeUtf8(text);
    case Encoding::bytes:
      break;
  }
  std::string bytes;
  bytes.reserve(text.size());
  for (wchar_t c : text) {
    if (static_cast<std::uint32_t>(c) < 0x100) {
      bytes.push_back(static_cast<char>(c));
    } else {
      // A name written into a byte file: store it as UTF-8, like an editor would.
      bytes += encodeUtf8(std::wstring(1, c));
    }
  }
  return bytes;
}

std::size_t IniDocument::findSection(const std::wstring& section, std::size_t from) const {
  for (std::size_t i = from; i < lines_.size(); ++i) {
    const auto name = sectionName(lines_[i].text);
    if (name && sameName(*name, section)) return i;
  }
  return std::wstring::npos;
}

std::size_t IniDocument::findKey(const std::wstring& section, const std::wstring& key) const {
  std::wstring k, v;
  for (std::size_t at = findSection(section, 0); at != std::wstring::npos;
       at = findSection(section, at + 1)) {
    for (std::size_t i = at + 1; i < lines_.size() && !sectionName(lines_[i].text); ++i) {
      if (splitKeyLine(lines_[i].text, k, v) && sameName(k, key)) return i;
    }
  }
  return std::wstring::npos;
}

std::optional<std::wstring> IniDocument::value(const std::wstring& section,
                                               const std::wstring& key) const {
  auto value = valueAsWritten(section, key);
  if (!value) return std::nullopt;
  return unquote(*value);
}

std::optional<std::wstring> IniDocument::valueAsWritten(const std::wstring& section,
                                                        const std::wstring& key) const {
  const std::size_t at = findKey(trim(section), trim(key));
  if (at == std::wstring::npos) return std::nullopt;
  std::wstring k, v;
  splitKeyLine(lines_[at].text, k, v);
  return v;
}

std::vector<std::wstring> IniDocument::sectionLines(const std::wstring& section) const {
  const std::wstring wanted = trim(section);
  std::vector<std::wstring> lines;
  bool inside = false;
  std::wstring k, v;
  for (const Line& line : lines_) {
    if (auto name = sectionName(line.text)) {
      inside = sameName(*name, wanted);
    } else if (inside && splitKeyLine(line.text, k, v)) {
      lines.push_back(trim(line.text));
    }
  }
  return lines;
}

std::optional<std::wstring> keyValueAsWritten(const std::vector<std::wstring>& lines,
                                              const std::wstring& key) {
  const std::wstring wantedKey = trim(key);
  std::wstring k, v;
  for (const std::wstring& line : lines) {
    if (splitKeyLine(line, k, v) && sameName(k, wantedKey)) return v;
  }
  return std::nullopt;
}

std::size_t keyLineCount(const std::vector<std::wstring>& lines, const std::wstring& key) {
  const std::wstring wantedKey = trim(key);
  std::size_t count = 0;
  std::wstring k, v;
  for (const std::wstring& line : lines) {
    if (splitKeyLine(line, k, v) && sameName(k, wantedKey)) ++count;
  }
  return count;
}

std::vector<ProfileEntry> ProfileStore::readSectionAsWritten(const wchar_t* section) {
  std::vector<ProfileEntry> entries;
  for (auto& [key, value] : keyValuesAsWritten(readSection(section)))
    entries.push_back({key, value});
  return entries;
}

std::vector<std::pair<std::wstring, std::wstring>> keyValuesAsWritten(
    const std::vector<std::wstring>& lines) {
  std::vector<std::pair<std::wstring, std::wstring>> found;
  std::wstring k, v;
  for (const std::wstring& line : lines) {
    if (!splitKeyLine(line, k, v)) continue;
    bool seen = false;
    for (const auto& entry : found) seen = seen || sameName(entry.first, k);
    if (!seen) found.emplace_back(k, v);
  }
  return found;
}

bool IniDocument::removeKey(const std::wstring& section, const std::wstring& key) {
  // cs2.exe and CS2.EXE are one name: a line left behind would bring its value back.
  bool removed = false;
  for (std::size_t at = findKey(trim(section), trim(key)); at != std::wstring::npos;
       at = findKey(trim(section), trim(key))) {
    // The last line keeps the file's own ending: none when the file had none.
    if (at + 1 == lines_.size() && at > 0) lines_[at - 1].ending = lines_[at].ending;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
    removed = true;
  }
  return removed;
}

std::wstring IniDocument::newlineStyle() const {
  for (const Line& line : lines_) {
    if (!line.ending.empty()) return line.ending;
  }
  return L"\r\n";
}

void IniDocument::setValue(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value) {
  const std::wstring wantedSection = trim(section);
  const std::wstring wantedKey = trim(key);
  const std::wstring newline = newlineStyle();
  const std::wstring keyLine = wantedKey + L"=" + value;
  const std::size_t at = findKey(wantedSection, wantedKey);
  if (at != std::wstring::npos) {
    lines_[at].text = keyLine;
    return;
  }
  const std::size_t firstSection = findSection(wantedSection, 0);
  if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = newline;
  if (firstSection == std::wstring::npos) {
    lines_.push_back({L"[" + wantedSection + L"]", newline});
    lines_.push_back({keyLine, newline});
    return;
  }
  // New key after the last key line of the section, before any blank lines that close it.
  std::size_t insertAt = firstSection + 1;
  for (std::size_t i = firstSection + 1; i < lines_.size(); ++i) {
    if (sectionName(lines_[i].text)) break;
    if (!trim(lines_[i].text).empty()) insertAt = i + 1;
  }
  // The new line ends like the one before it, so that line and the next keep their breaks.
  const std::wstring& before = lines_[insertAt - 1].ending;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                Line{keyLine, before.empty() ? newline : before});
}

std::uint32_t profileInteger(const std::wstring& value) {
  std::size_t i = 0;
  while (i < value.size() && isBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == L'-' || value[i] == L'+')) {
    negative = value[i] == L'-';
    ++i;
  }
  std::uint32_t result = 0;
  while (i < value.size() && value[i] >= L'0' && value[i] <= L'9') {
    result = result * 10u + static_cast<std::uint32_t>(value[i] - L'0');
    ++i;
  }
  return negative ? 0u - result : result;
}
