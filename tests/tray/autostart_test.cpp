// The autostart toggle against a fake Run value, and the editor's command line.
#include "tray/autostart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/text.h"

namespace {

// The Run value as a variable; everything that changes it, and every question, is recorded.
class FakeAutostart final : public AutostartPlatform {
 public:
  std::optional<std::wstring> value;
  std::wstring path;
  bool answer = false;
  std::vector<std::string> calls;

  std::optional<std::wstring> readValue() override { return value; }
  void writeValue(const std::wstring& text) override {
    calls.push_back("write " + encodeUtf8(text));
    value = text;
  }
  void deleteValue() override {
    calls.push_back("delete");
    value.reset();
  }
  std::wstring executablePath() override { return path; }
  bool confirmTemporaryFolder() override {
    calls.push_back(answer ? "ask: yes" : "ask: no");
    return answer;
  }
};

using Calls = std::vector<std::string>;

constexpr wchar_t kProgramFiles[] = L"C:\\Program Files\\Clickmend\\clickmend.exe";
const std::string kWriteProgramFiles = "write \"C:\\Program Files\\Clickmend\\clickmend.exe\"";
constexpr wchar_t kUserTemp[] = L"C:\\Users\\ann\\AppData\\Local\\Temp\\dl\\clickmend.exe";
const std::string kWriteUserTemp =
    "write \"C:\\Users\\ann\\AppData\\Local\\Temp\\dl\\clickmend.exe\"";

struct Case {
  const char* name;
  std::wstring path;
  std::optional<std::wstring> value;  // before the toggle; nullopt: absent
  bool answer;                        // to the temporary-folder question, if asked
  bool registered;                    // what the menu shows before the toggle
  Calls calls;                        // what the toggle does
};

void runToggle(const Case& c) {
  SCOPED_TRACE(c.name);
  FakeAutostart fake;
  fake.path = c.path;
  fake.value = c.value;
  fake.answer = c.answer;
  EXPECT_EQ(isAutostartRegistered(fake), c.registered);
  EXPECT_TRUE(fake.calls.empty()) << "looking changed something";
  toggleAutostart(fake);
  EXPECT_EQ(fake.calls, c.calls);
  // After a write the menu shows the entry as ours, after a delete as absent; otherwise the
  // state is what it was.
  const bool changed = !c.calls.empty() && c.calls.back() != "ask: no";
  EXPECT_EQ(isAutostartRegistered(fake), changed ? !c.registered : c.registered);
}

TEST(Autostart, NotRegisteredOrAnotherCopy) {
  const Case cases[] = {
      {"absent: written in quotes at once",
       kProgramFiles,
       std::nullopt,
       false,
       false,
       {kWriteProgramFiles}},
      {"another copy: overwritten",
       kProgramFiles,
       L"\"D:\\Old\\clickmend.exe\"",
       false,
       false,
       {kWriteProgramFiles}},
      {"another copy, unquoted: overwritten",
       kProgramFiles,
       L"D:\\Old\\clickmend.exe",
       false,
       false,
       {kWriteProgramFiles}},
      {"this copy with arguments is not this entry",
       kProgramFiles,
       L"\"C:\\Program Files\\Clickmend\\clickmend.exe\" /tray",
       false,
       false,
       {kWriteProgramFiles}},
      {"a quote at one end only",
       kProgramFiles,
       L"\"C:\\Program Files\\Clickmend\\clickmend.exe",
       false,
       false,
       {kWriteProgramFiles}},
      {"doubled quotes",
       kProgramFiles,
       L"\"\"C:\\Program Files\\Clickmend\\clickmend.exe\"\"",
       false,
       false,
       {kWriteProgramFiles}},
      {"empty value", kProgramFiles, L"", false, false, {kWriteProgramFiles}},
      {"a lone quote", kProgramFiles, L"\"", false, false, {kWriteProgramFiles}},
      {"a prefix of the path",
       kProgramFiles,
       L"C:\\Program Files\\Clickmend\\clickmend",
       false,
       false,
       {kWriteProgramFiles}},
      {"a very long value",
       kProgramFiles,
       std::wstring(100000, L'x'),
       false,
       false,
       {kWriteProgramFiles}},
      {"unknown executable path: nothing to register", L"", std::nullopt, false, false, {}},
      {"unknown executable path never matches an empty value", L"", L"", false, false, {}},
  };
  for (const Case& c : cases) runToggle(c);
}

TEST(Autostart, RegisteredIsDeletedWithoutAQuestion) {
  const Case cases[] = {
      {"quoted",
       kProgramFiles,
       L"\"C:\\Program Files\\Clickmend\\clickmend.exe\"",
       false,
       true,
       {"delete"}},
      {"unquoted, as written by earlier versions",
       kProgramFiles,
       L"C:\\Program Files\\Clickmend\\clickmend.exe",
       false,
       true,
       {"delete"}},
      {"quoted, other case",
       kProgramFiles,
       L"\"c:\\PROGRAM FILES\\clickmend\\ClickMend.EXE\"",
       false,
       true,
       {"delete"}},
      {"unquoted, other case",
       kProgramFiles,
       L"c:\\program files\\CLICKMEND\\clickmend.exe",
       false,
       true,
       {"delete"}},
      {"in a Temp folder: no question on removal",
       kUserTemp,
       L"\"C:\\Users\\ann\\AppData\\Local\\Temp\\dl\\clickmend.exe\"",
       false,
       true,
       {"delete"}},
      {"user name with Latin letters beyond ASCII",
       L"C:\\Users\\Łukasz Żółć\\clickmend.exe",
       L"c:\\users\\łukasz żółć\\CLICKMEND.EXE",
       false,
       true,
       {"delete"}},
      {"user name in Cyrillic",
       L"C:\\Users\\Ёлка Иванова\\clickmend.exe",
       L"\"C:\\Users\\ёлка иванова\\clickmend.exe\"",
       false,
       true,
       {"delete"}},
      {"user name in Greek",
       L"C:\\Users\\ΑΘΗΝΑ\\clickmend.exe",
       L"C:\\Users\\αθηνα\\clickmend.exe",
       false,
       true,
       {"delete"}},
      {"Chinese folder",
       L"D:\\工具\\鼠标\\clickmend.exe",
       L"\"d:\\工具\\鼠标\\clickmend.exe\"",
       false,
       true,
       {"delete"}},
  };
  for (const Case& c : cases) runToggle(c);
}

TEST(Autostart, TemporaryFolderQuestion) {
  const Case cases[] = {
      {"Temp, answered yes: written",
       kUserTemp,
       std::nullopt,
       true,
       false,
       {"ask: yes", kWriteUserTemp}},
      {"Temp, answered no: nothing changes", kUserTemp, std::nullopt, false, false, {"ask: no"}},
      {"Temp, another copy registered, answered no: left as it was",
       kUserTemp,
       L"\"D:\\Old\\clickmend.exe\"",
       false,
       false,
       {"ask: no"}},
      {"Temp as part of a longer name",
       L"C:\\Templates\\clickmend.exe",
       std::nullopt,
       false,
       false,
       {"ask: no"}},
      {"lower-case temp: no question",
       L"C:\\temp\\clickmend.exe",
       std::nullopt,
       false,
       false,
       {"write \"C:\\temp\\clickmend.exe\""}},
      {"upper-case TEMP: no question",
       L"C:\\TEMP\\clickmend.exe",
       std::nullopt,
       false,
       false,
       {"write \"C:\\TEMP\\clickmend.exe\""}},
  };
  for (const Case& c : cases) runToggle(c);
}

// Folding stops at letters that are not one another's other case.
TEST(Autostart, DifferentLettersStayDifferent) {
  const struct {
    const char* name;
    std::wstring path;
    std::wstring value;
  } cases[] = {
      {"ASCII neighbours", L"C:\\a\\x.exe", L"C:\\b\\x.exe"},
      {"letter and the sign after Z", L"C:\\Z\\x.exe", L"C:\\[\\x.exe"},
      {"× is not a capital of ÷", L"C:\\×\\x.exe", L"C:\\÷\\x.exe"},
      {"İ is not I", L"C:\\İ\\x.exe", L"C:\\i\\x.exe"},
      {"Ł is not L", L"C:\\Ł\\x.exe", L"C:\\l\\x.exe"},
      {"Ĺ and ĸ are no pair", L"C:\\Ĺ\\x.exe", L"C:\\ĸ\\x.exe"},
      {"Cyrillic Е is not Latin e", L"C:\\Е\\x.exe", L"C:\\e\\x.exe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(namesExecutable(c.value, c.path));
    EXPECT_FALSE(namesExecutable(autostartValueFor(c.value), c.path));
  }
}

TEST(EditorCommandLine, SizedToThePath) {
  const std::wstring opening = L"notepad.exe \"";
  const std::size_t longest = kMaxCommandLineChars - opening.size() - 1;
  const std::wstring path400 = L"C:\\" + std::wstring(383, L'd') + L"\\clickmend.ini";
  ASSERT_EQ(path400.size(), 400u);
  const struct {
    const char* name;
    std::wstring path;
    bool fits;
  } cases[] = {
      {"short path", L"C:\\Tools\\clickmend.ini", true},
      {"path with spaces", L"C:\\Program Files\\Clickmend\\clickmend.ini", true},
      {"Chinese path", L"D:\\工具\\鼠标修复.ini", true},
      {"400 characters", path400, true},
      {"just above the old 245-character limit", L"C:\\" + std::wstring(229, L'd') + L"\\x.ini",
       true},
      {"the longest a command line holds", std::wstring(longest, L'p'), true},
      {"one more than a command line holds", std::wstring(longest + 1, L'p'), false},
      {"no path", L"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring line = editorCommandLine(c.path);
    if (c.fits) {
      EXPECT_EQ(line, opening + c.path + L"\"");
      EXPECT_LE(line.size(), kMaxCommandLineChars);
    } else {
      EXPECT_EQ(line, L"");
    }
  }
  EXPECT_EQ(editorCommandLine(path400).size(), 414u);
}

}  // namespace
