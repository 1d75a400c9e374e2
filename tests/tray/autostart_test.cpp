// The autostart toggle against a fake Run value, and the editor's command line.
#include "tray/autostart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "tray/editor.h"

namespace {

// The two Run values as variables; everything that changes them, every question and every
// message, is recorded. A refusing key records the attempt and keeps its value.
class FakeAutostart final : public AutostartPlatform {
 public:
  std::optional<std::wstring> values[2];
  bool refuses[2] = {false, false};
  bool elevated = true;
  std::wstring path;
  bool answer = false;
  std::vector<std::string> calls;

  std::optional<std::wstring> readValue(RunKey key) override { return values[index(key)]; }
  bool writeValue(RunKey key, const std::wstring& text) override {
    calls.push_back("write " + name(key) + " " + encodeUtf8(text) + refusal(key));
    if (!refuses[index(key)]) values[index(key)] = text;
    return !refuses[index(key)];
  }
  void deleteValue(RunKey key) override {
    calls.push_back("delete " + name(key) + refusal(key));
    if (!refuses[index(key)]) values[index(key)].reset();
  }
  bool isElevated() override { return elevated; }
  std::wstring executablePath() override { return path; }
  bool confirmTemporaryFolder() override {
    calls.push_back(answer ? "ask: yes" : "ask: no");
    return answer;
  }
  void reportFailure(AutostartFailure failure) override {
    calls.push_back(failure == AutostartFailure::notRegistered ? "told: not registered"
                                                               : "told: not removed");
  }

 private:
  static int index(RunKey key) { return key == RunKey::machine ? 0 : 1; }
  static std::string name(RunKey key) { return key == RunKey::machine ? "HKLM" : "HKCU"; }
  std::string refusal(RunKey key) const { return refuses[index(key)] ? " (refused)" : ""; }
};

using Calls = std::vector<std::string>;

constexpr wchar_t kProgramFiles[] = L"C:\\Program Files\\Clickmend\\clickmend.exe";
const std::string kWriteProgramFiles = "write HKLM \"C:\\Program Files\\Clickmend\\clickmend.exe\"";
const std::string kUserWriteProgramFiles =
    "write HKCU \"C:\\Program Files\\Clickmend\\clickmend.exe\"";
constexpr wchar_t kUserTemp[] = L"C:\\Users\\ann\\AppData\\Local\\Temp\\dl\\clickmend.exe";
const std::string kWriteUserTemp =
    "write HKLM \"C:\\Users\\ann\\AppData\\Local\\Temp\\dl\\clickmend.exe\"";
const Calls kDeleteBoth = {"delete HKLM", "delete HKCU"};

struct Case {
  const char* name;
  std::wstring path;
  std::optional<std::wstring> value;  // under HKLM before the toggle; nullopt: absent
  bool answer;                        // to the temporary-folder question, if asked
  bool registered;                    // what the menu shows before the toggle
  Calls calls;                        // what the toggle does
  std::optional<std::wstring> userValue = std::nullopt;  // under HKCU
  bool elevated = true;
  bool machineRefuses = false;
  bool userRefuses = false;
};

void runToggle(const Case& c) {
  SCOPED_TRACE(c.name);
  FakeAutostart fake;
  fake.path = c.path;
  fake.values[0] = c.value;
  fake.values[1] = c.userValue;
  fake.refuses[0] = c.machineRefuses;
  fake.refuses[1] = c.userRefuses;
  fake.elevated = c.elevated;
  fake.answer = c.answer;
  EXPECT_EQ(isAutostartRegistered(fake), c.registered);
  EXPECT_TRUE(fake.calls.empty()) << "looking changed something";
  toggleAutostart(fake);
  EXPECT_EQ(fake.calls, c.calls);
  // After a write the menu shows the entry as ours, after a delete as absent; a refusal the
  // user was told of, or a No, leaves the state as it was.
  const bool changed =
      !c.calls.empty() && c.calls.back() != "ask: no" && c.calls.back().rfind("told:", 0) != 0;
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
      {"quoted", kProgramFiles, L"\"C:\\Program Files\\Clickmend\\clickmend.exe\"", false, true,
       kDeleteBoth},
      {"unquoted, as written by earlier versions", kProgramFiles,
       L"C:\\Program Files\\Clickmend\\clickmend.exe", false, true, kDeleteBoth},
      {"quoted, other case", kProgramFiles, L"\"c:\\PROGRAM FILES\\clickmend\\ClickMend.EXE\"",
       false, true, kDeleteBoth},
      {"unquoted, other case", kProgramFiles, L"c:\\program files\\CLICKMEND\\clickmend.exe", false,
       true, kDeleteBoth},
      {"in a Temp folder: no question on removal", kUserTemp,
       L"\"C:\\Users\\ann\\AppData\\Local\\Temp\\dl\\clickmend.exe\"", false, true, kDeleteBoth},
      {"user name with Latin letters beyond ASCII", L"C:\\Users\\Łukasz Żółć\\clickmend.exe",
       L"c:\\users\\łukasz żółć\\CLICKMEND.EXE", false, true, kDeleteBoth},
      {"user name in Cyrillic", L"C:\\Users\\Ёлка Иванова\\clickmend.exe",
       L"\"C:\\Users\\ёлка иванова\\clickmend.exe\"", false, true, kDeleteBoth},
      {"user name in Greek", L"C:\\Users\\ΑΘΗΝΑ\\clickmend.exe", L"C:\\Users\\αθηνα\\clickmend.exe",
       false, true, kDeleteBoth},
      {"Chinese folder", L"D:\\工具\\鼠标\\clickmend.exe", L"\"d:\\工具\\鼠标\\clickmend.exe\"",
       false, true, kDeleteBoth},
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
       {"write HKLM \"C:\\temp\\clickmend.exe\""}},
      {"upper-case TEMP: no question",
       L"C:\\TEMP\\clickmend.exe",
       std::nullopt,
       false,
       false,
       {"write HKLM \"C:\\TEMP\\clickmend.exe\""}},
  };
  for (const Case& c : cases) runToggle(c);
}

// Under UAC the machine's key takes no write from an unelevated program; the user's key starts
// the program at logon as well.
TEST(Autostart, TheUsersKeyWhenTheMachinesIsRefused) {
  const std::wstring quoted = autostartValueFor(kProgramFiles);
  const Case cases[] = {
      {"not elevated: the user's key, the machine's not even tried",
       kProgramFiles,
       std::nullopt,
       false,
       false,
       {kUserWriteProgramFiles},
       std::nullopt,
       false},
      {"elevated, the machine's key refuses: the user's key",
       kProgramFiles,
       std::nullopt,
       false,
       false,
       {kWriteProgramFiles + " (refused)", kUserWriteProgramFiles},
       std::nullopt,
       true,
       true},
      {"neither key takes it: the user is told",
       kProgramFiles,
       std::nullopt,
       false,
       false,
       {kUserWriteProgramFiles + " (refused)", "told: not registered"},
       std::nullopt,
       false,
       false,
       true},
      {"under the user's key only: registered, and deleted from both", kProgramFiles, std::nullopt,
       false, true, kDeleteBoth, quoted, false},
      {"unquoted under the user's key, another copy under the machine's: deleted from both",
       kProgramFiles, L"D:\\Old\\clickmend.exe", false, true, kDeleteBoth, kProgramFiles, false},
      {"under the machine's key, which refuses the delete: the user is told",
       kProgramFiles,
       quoted,
       false,
       true,
       {"delete HKLM (refused)", "delete HKCU", "told: not removed"},
       std::nullopt,
       false,
       true},
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

TEST(EditorCommandLine, TheSystemsNotepadSizedToThePath) {
  const std::wstring system = L"C:\\Windows\\system32";
  const std::wstring opening = L"\"C:\\Windows\\system32\\notepad.exe\" \"";
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
    const std::wstring line = editorCommandLine(system, c.path);
    if (c.fits) {
      EXPECT_EQ(line, opening + c.path + L"\"");
      EXPECT_LE(line.size(), kMaxCommandLineChars);
    } else {
      EXPECT_EQ(line, L"");
    }
  }
  EXPECT_EQ(editorCommandLine(L"C:\\", L"C:\\x.ini"), L"\"C:\\notepad.exe\" \"C:\\x.ini\"");
  EXPECT_EQ(editorCommandLine(L"", L"C:\\x.ini"), L"") << "no system folder: no editor";
}

}  // namespace
