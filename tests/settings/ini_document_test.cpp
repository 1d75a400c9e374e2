// The file-backed reader and writer keeps what it does not change, byte for byte.
#include "settings/ini_document.h"

#include <gtest/gtest.h>

namespace {

TEST(IniDocument, UntouchedBytesSurviveAWrite) {
  struct Case {
    const char* name;
    std::string before;
    std::string after;  // after setting [s] k=1
  };
  const Case cases[] = {
      {"utf-8 BOM with invalid bytes", "\xEF\xBB\xBF; \xFF\xFE junk\r\n",
       "\xEF\xBB\xBF; \xFF\xFE junk\r\n[s]\r\nk=1\r\n"},
      {"latin-1 comment", "; caf\xE9\n[s]\nk=0\n", "; caf\xE9\n[s]\nk=1\n"},
      {"lone CR endings before a blank line", "[s]\ra=1\r\n\n[t]\r", "[s]\ra=1\r\nk=1\r\n\n[t]\r"},
      {"no final newline", "[s]\r\nk=0", "[s]\r\nk=1"},
      {"new key after the last key, before blank lines", "[s]\r\na=1\r\n\r\n[t]\r\n",
       "[s]\r\na=1\r\nk=1\r\n\r\n[t]\r\n"},
      {"empty file", "", "[s]\r\nk=1\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IniDocument doc = IniDocument::parse(c.before);
    doc.setValue(L"s", L"k", L"1");
    EXPECT_EQ(doc.serialize(), c.after);
    EXPECT_EQ(IniDocument::parse(doc.serialize()).value(L"S", L"K"),
              std::optional<std::wstring>(L"1"));
  }
}

TEST(IniDocument, ProfileIntegers) {
  struct Case {
    const wchar_t* text;
    std::uint32_t value;
  };
  const Case cases[] = {{L"42", 42},        {L"-1", 4294967295u},
                        {L"4294967297", 1}, {L"42A9", 42},
                        {L"B42", 0},        {L"  7", 7},
                        {L"+", 0},          {L"-", 0},
                        {L"0x10", 0},       {L"99999999999999999999", 1661992959u}};
  for (const Case& c : cases) {
    EXPECT_EQ(profileInteger(c.text), c.value) << std::string(c.text, c.text + wcslen(c.text));
  }
}

}  // namespace
