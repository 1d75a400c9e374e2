#include "common/shared_file.h"

#include <cstdint>

namespace {

// Names tried beside a damaged file (.damaged-DATE, then -2 to -99) before it is left where it is
// until the next save.
constexpr int kAsideNames = 99;

class LockHeld {
 public:
  explicit LockHeld(SharedFileAccess& file) : file_(file), held_(file.lock()) {}
  ~LockHeld() {
    if (held_) file_.unlock();
  }
  LockHeld(const LockHeld&) = delete;
  LockHeld& operator=(const LockHeld&) = delete;

 private:
  SharedFileAccess& file_;
  bool held_;
};

bool moveAside(SharedFileAccess& file, const std::string& date, std::wstring* suffix) {
  std::wstring base = L".damaged-";
  for (char c : date) {
    if (c >= '0' && c <= '9') base += static_cast<wchar_t>(c);
  }
  for (int n = 1; n <= kAsideNames; ++n) {
    *suffix = n == 1 ? base : base + L"-" + std::to_wstring(n);
    if (file.moveAside(*suffix)) return true;
  }
  suffix->clear();
  return false;
}

}  // namespace

SharedSave saveShared(SharedFileAccess& file, const std::string& date,
                      const std::function<FileVerdict(const std::string&)>& judge,
                      const std::function<bool(const std::string&, std::string*)>& merge) {
  SharedSave save;
  const LockHeld lock(file);
  std::string bytes;
  const FileRead read = file.read(&bytes);
  if (read == FileRead::held) return save;
  FileVerdict verdict = FileVerdict::ours;
  if (read == FileRead::tooLarge) verdict = FileVerdict::damaged;
  if (read == FileRead::done) verdict = judge(bytes);
  if (read != FileRead::done) bytes.clear();
  if (verdict == FileVerdict::notOurs) {
    save.outcome = SharedSave::Outcome::notOurs;
    return save;
  }
  if (verdict == FileVerdict::damaged) {
    if (!moveAside(file, date, &save.movedAside)) return save;
    bytes.clear();
  }
  std::string out;
  if (!merge(bytes, &out) && save.movedAside.empty()) {
    save.outcome = SharedSave::Outcome::unchanged;
  } else {
    save.outcome = file.write(out) ? SharedSave::Outcome::written : SharedSave::Outcome::notWritten;
  }
  return save;
}

std::wstring sharedFileLockName(const std::wstring& foldedPath) {
  // FNV-1a over the path's UTF-16 units: two spellings of one file are one lock once folded.
  std::uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : foldedPath) {
    for (int byte = 0; byte < 2; ++byte) {
      hash ^= (static_cast<std::uint32_t>(c) >> (8 * byte)) & 0xFF;
      hash *= 1099511628211ull;
    }
  }
  wchar_t digits[17] = {};
  for (int i = 15; i >= 0; --i, hash >>= 4) digits[i] = L"0123456789abcdef"[hash & 0xF];
  return std::wstring(L"Global\\Clickmend-file-") + digits;
}
