// Two threads saving and one loading the settings file together, thousands of times, while a
// fourth plays the hook and decides events on the record the loader fills, handing each button
// event to the test pad's feed while a fifth, the pad's, opens it, takes from it and closes it.
//
// Built with ThreadSanitizer (scripts/tsan.sh), which fails the run on any data race. The
// program checks the rest itself: every load reads the user's own intervals and modifier
// choice, and at the end the file holds every line the user wrote, in order and unchanged,
// but for the values of the nine flags the program writes, which read 0 or 1; and the pad took
// each event whole and in the order the hook gave it.
//
// Usage: settings_tsan [rounds]   (default 2000 saves per saving thread, as many loads)
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/file_access.h"
#include "common/text.h"
#include "input/input_filter.h"
#include "input/null_platform.h"
#include "input/pad_feed.h"
#include "settings/profile_store.h"
#include "settings/settings.h"
#include "tests/test_files.h"

namespace {

// The user's file as they left it: UTF-8 (the first save turns it into UTF-16), their own
// comments, values the program never writes, gesture commands and a section of their own.
const wchar_t* const kUserLines[] = {
    L"; Clickmend settings, edited by hand",
    L"[修复功能]",
    L"单击=1",
    L"释放=0",
    L"滚动=1",
    L"",
    L"[修复参数]",
    L"单击间隔=123",
    L"释放间隔=45",
    L"滚动间隔=67",
    L"",
    L"[设备选择]",
    L"左键=1",
    L"右键=0",
    L"",
    L"[功能设置]",
    L"滚轮穿透=1",
    L"音量控制=0",
    L"鼠标手势=1",
    L"显示图标=1",
    L"调试模式=0",
    L"快捷键=3",
    L"",
    L"[鼠标手势]",
    L"DR=notepad.exe",
    L"UL=\"C:\\Program Files\\Tool\\tool.exe\" /quiet",
    L"",
    L"[my notes]",
    L"; keep this",
    L"colour = blue",
};

// The nine keys a save writes (their names are unique across the sections above).
const wchar_t* const kWrittenKeys[] = {L"单击",     L"释放",     L"滚动",     L"左键",    L"右键",
                                       L"滚轮穿透", L"音量控制", L"鼠标手势", L"显示图标"};

bool isWrittenFlagLine(const std::wstring& line, const std::wstring& original) {
  for (const wchar_t* key : kWrittenKeys) {
    const std::wstring prefix = std::wstring(key) + L"=";
    if (original.rfind(prefix, 0) == 0) return line == prefix + L"0" || line == prefix + L"1";
  }
  return false;
}

std::vector<std::wstring> splitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (rounds <= 0) {
    std::fprintf(stderr, "usage: settings_tsan [rounds]\n");
    return 2;
  }

  // Alone first: a full feed drops the newest and says so at the next take; opening again
  // drops what an earlier opening left unread.
  static PadFeed full;
  static PadSwitchEvent out[kPadFeedSlots + 1];
  bool lost = false;
  full.open();
  for (std::uint32_t i = 1; i <= kPadFeedSlots + 1; ++i) full.push({i * 1000ull, i});
  const std::size_t kept = full.take(out, kPadFeedSlots + 1, &lost);
  full.push({1, 1});
  full.open();
  if (kept != kPadFeedSlots || !lost || out[kept - 1].tick != kPadFeedSlots ||
      full.take(out, 1, &lost) != 0 || lost) {
    std::fprintf(stderr, "settings_tsan: the pad's feed kept %zu events of %u\n", kept,
                 kPadFeedSlots + 1);
    return 1;
  }

  TempDir dir;
  const std::wstring path = dir.file(L"clickmend.ini");
  std::wstring userText;
  for (const wchar_t* line : kUserLines) userText += std::wstring(line) + L"\r\n";
  if (!writeFileBytes(path, encodeUtf8(userText))) {
    std::fprintf(stderr, "settings_tsan: cannot write the settings file\n");
    return 2;
  }

  // The record the program keeps: loaded into by one thread, read by the hook.
  Settings live;
  std::atomic<bool> stop{false};
  std::atomic<int> badLoads{0};
  PadFeed pad;

  auto saver = [&](int pattern) {
    Settings mine;
    loadSettings(mine, path);
    for (int i = 0; i < rounds; ++i) {
      const int bits = i ^ pattern;
      mine.clickRepair = bits & 1;
      mine.showIcon = (bits >> 1) & 1;
      mine.wheelPassThrough = (bits >> 2) & 1;
      saveSettings(mine, path);
    }
  };
  auto loader = [&] {
    for (int i = 0; i < rounds; ++i) {
      loadSettings(live, path);
      if (live.clickInterval != 123 || live.releaseInterval != 45 || live.scrollInterval != 67 ||
          live.modifierChoice != 3u || live.gestureKey != vk::shift) {
        badLoads.fetch_add(1);
      }
    }
  };
  auto hook = [&] {
    FilterState state;
    GestureTracker gesture;
    NullInputPlatform platform;
    InputFilter filter(live, state, gesture, platform);
    const std::uint32_t messages[] = {mouse_message::move,    mouse_message::leftDown,
                                      mouse_message::leftUp,  mouse_message::rightDown,
                                      mouse_message::rightUp, mouse_message::wheel};
    std::uint32_t tick = 0;
    while (!stop.load()) {
      for (std::uint32_t message : messages) {
        tick += 7;
        filter.decide({0, message, 100, 100, 120u << 16}, {tick, std::uint64_t{tick} * 1000});
        const ButtonMessage button = readButtonMessage(message, 0);
        if (button.known && pad.isOpen()) {
          pad.push({std::uint64_t{tick} * 1000, tick, 100, 100,
                    static_cast<std::uint8_t>(button.button), button.press});
        }
      }
    }
  };
  // The main thread's side: each event whole (its time agrees with its tick), none twice, none
  // out of order.
  std::atomic<int> padProblems{0};
  std::uint64_t padTaken = 0;
  auto padReader = [&] {
    PadSwitchEvent taken[64];
    std::uint32_t lastTick = 0;
    bool dropped = false;
    while (!stop.load()) {
      pad.open();
      for (int i = 0; i < 20; ++i) {
        const std::size_t n = pad.take(taken, 64, &dropped);
        for (std::size_t k = 0; k < n; ++k) {
          const PadSwitchEvent& e = taken[k];
          if (e.us != std::uint64_t{e.tick} * 1000 || e.tick <= lastTick || e.button > 1) {
            padProblems.fetch_add(1);
          }
          lastTick = e.tick;
        }
        padTaken += n;
      }
      pad.close();
    }
  };

  std::thread hookThread(hook);
  std::thread padThread(padReader);
  std::thread a(saver, 0);
  std::thread b(saver, 5);
  std::thread c(loader);
  a.join();
  b.join();
  c.join();
  stop = true;
  hookThread.join();
  padThread.join();

  int failures = 0;
  if (badLoads != 0) {
    std::fprintf(stderr, "settings_tsan: %d of %d loads did not read the user's values\n",
                 badLoads.load(), rounds);
    ++failures;
  }
  const auto bytes = readFileBytes(path, kMaxSettingsFileBytes);
  if (!bytes || !hasUtf16leBom(*bytes)) {
    std::fprintf(stderr, "settings_tsan: the settings file is gone or not UTF-16\n");
    return 1;
  }
  const std::vector<std::wstring> lines = splitLines(decodeUtf16le(bytes->substr(2)));
  const std::size_t expected = sizeof kUserLines / sizeof kUserLines[0];
  if (lines.size() != expected) {
    std::fprintf(stderr, "settings_tsan: the file has %zu lines, the user wrote %zu\n",
                 lines.size(), expected);
    ++failures;
  }
  for (std::size_t i = 0; i < lines.size() && i < expected; ++i) {
    const std::wstring original = kUserLines[i];
    if (lines[i] != original && !isWrittenFlagLine(lines[i], original)) {
      std::fprintf(stderr, "settings_tsan: line %zu is \"%s\", the user wrote \"%s\"\n", i + 1,
                   encodeUtf8(lines[i]).c_str(), encodeUtf8(original).c_str());
      ++failures;
    }
  }
  for (const auto& entry : std::filesystem::directory_iterator(encodeUtf8(dir.file(L"")))) {
    if (entry.path().filename() != "clickmend.ini") {
      std::fprintf(stderr, "settings_tsan: %s was left beside the settings file\n",
                   entry.path().filename().c_str());
      ++failures;
    }
  }
  if (padProblems != 0 || padTaken == 0) {
    std::fprintf(stderr,
                 "settings_tsan: the pad took %llu events, %d of them torn or out of order\n",
                 static_cast<unsigned long long>(padTaken), padProblems.load());
    ++failures;
  }
  if (failures != 0) return 1;
  std::printf(
      "settings_tsan: %d saves on each of two threads and %d loads: the file holds the "
      "user's %zu lines; the pad took %llu events whole and in order\n",
      rounds, rounds, expected, static_cast<unsigned long long>(padTaken));
  return 0;
}
