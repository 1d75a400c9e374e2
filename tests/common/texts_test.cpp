// The tables of texts: every name in both languages, English without Chinese, the same numbers
// in each; the 语言 value; numbers filled in by position.
#include "common/texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/text.h"

namespace {

bool hasChinese(const std::wstring& text) {
  for (wchar_t c : text) {
    if ((c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF)) return true;
  }
  return false;
}

std::set<std::wstring> placeholders(const std::wstring& text) {
  std::set<std::wstring> found;
  for (std::size_t at = text.find(L'{'); at != std::wstring::npos; at = text.find(L'{', at + 1)) {
    found.insert(text.substr(at, 3));
  }
  return found;
}

TEST(Texts, EachTableHoldsEveryNameOnce) {
  for (const Language language : {Language::chinese, Language::english}) {
    SCOPED_TRACE(language == Language::english ? "English" : "Chinese");
    const TextTable table = textTable(language);
    int seen[kTextCount] = {};
    for (std::size_t i = 0; i < table.size; ++i) {
      const auto name = static_cast<std::size_t>(table.entries[i].name);
      ASSERT_LT(name, kTextCount);
      ++seen[name];
      EXPECT_NE(std::wstring(table.entries[i].text), L"") << "name " << name;
    }
    for (std::size_t name = 0; name < kTextCount; ++name) {
      EXPECT_EQ(seen[name], 1) << "name " << name;
    }
  }
}

TEST(Texts, EnglishSaysTheSameInEnglish) {
  for (std::size_t i = 0; i < kTextCount; ++i) {
    const auto name = static_cast<TextName>(i);
    const std::wstring chinese = textOf(name, Language::chinese);
    const std::wstring english = textOf(name, Language::english);
    SCOPED_TRACE(encodeUtf8(chinese));
    EXPECT_FALSE(hasChinese(english)) << encodeUtf8(english);
    EXPECT_EQ(placeholders(chinese), placeholders(english)) << encodeUtf8(english);
  }
}

TEST(Texts, LanguageValuesAndFilling) {
  struct Case {
    const wchar_t* value;
    Language language;
  };
  const Case languages[] = {
      {L"English", Language::english}, {L"english", Language::english},
      {L"ENGLISH", Language::english}, {L"", Language::chinese},
      {L"Chinese", Language::chinese}, {L"英文", Language::chinese},
      {L"Englis", Language::chinese},  {L"English1", Language::chinese},
  };
  for (const Case& c : languages) {
    EXPECT_EQ(languageNamed(c.value), c.language) << encodeUtf8(c.value);
  }
  struct Filled {
    const wchar_t* pattern;
    const wchar_t* expected;
  };
  const Filled fills[] = {
      {L"{1}：点击 {2} 次", L"a：点击 b 次"},
      {L"{2} before {1}", L"b before a"},
      {L"{3} has no value, nor {0}", L"{3} has no value, nor {0}"},
      {L"cut short {1", L"cut short {1"},
  };
  for (const Filled& f : fills) {
    EXPECT_EQ(fillPattern(f.pattern, {L"a", L"b"}), f.expected) << encodeUtf8(f.pattern);
  }
  EXPECT_EQ(fillText(TextName::healthMilliseconds, Language::english, {L"12"}), L"12 ms");
}

}  // namespace
