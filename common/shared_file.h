// A file beside the settings that this instance shares with others and with the user: another
// user's session may run the same exe from the same folder, and the user may open the file in a
// spreadsheet or keep it in a folder a sync client watches. So every save reads the file again,
// adds what this instance has and writes the sum, under one lock across sessions, and what the
// save finds decides what it does:
//   missing or ours           the sum written
//   held by another program   nothing now; the next save tries again
//   not ours                  left alone (the user's own file): memory only from then on
//   damaged                   moved aside beside itself as NAME.damaged-YYYYMMDD (-2, -3, ...
//                             while that name is taken), then a fresh file written; nothing of
//                             it is ever deleted
// A save that cannot have the lock goes on without it: a save skipped would lose this
// instance's counts for sure, two instances saving at the same instant only perhaps.
#pragma once

#include <functional>
#include <string>

enum class FileRead { missing, done, held, tooLarge };
enum class FileVerdict { ours, notOurs, damaged };

// The platform under one shared file: the desktop's file and named mutex, or a test's double.
class SharedFileAccess {
 public:
  virtual ~SharedFileAccess() = default;
  // The lock across sessions, waited for a bounded time; false when it cannot be had.
  virtual bool lock() = 0;
  virtual void unlock() = 0;
  // A file larger than the most its reader takes is tooLarge, its bytes unread.
  virtual FileRead read(std::string* bytes) = 0;
  // Written beside the file and moved over it: a failed write leaves the file as it was.
  virtual bool write(const std::string& bytes) = 0;
  // Renames the file to its own name followed by `suffix`, never over another file: false when
  // that name is taken or the move failed.
  virtual bool moveAside(const std::wstring& suffix) = 0;
};

struct SharedSave {
  // notWritten: the write failed (a read-only folder, a full disk); held: read nothing.
  enum class Outcome { written, unchanged, notWritten, held, notOurs };
  Outcome outcome = Outcome::held;
  std::wstring movedAside;  // the suffix a damaged file was moved aside with, else empty
};

// One read-add-write under the lock. `judge` says what the file's bytes are; `merge` gets them
// ("" for no file, and for a damaged one once moved aside) and puts the bytes to write in `out`,
// false when nothing changed and the file may stay as it is. `date` (YYYY-MM-DD) is today's.
// A file too large to read is judged damaged.
SharedSave saveShared(SharedFileAccess& file, const std::string& date,
                      const std::function<FileVerdict(const std::string&)>& judge,
                      const std::function<bool(const std::string&, std::string*)>& merge);

// The name of the lock of the file at `foldedPath`, its full path in one case: within the
// object manager's bounds whatever the path's length, in the namespace every session sees.
std::wstring sharedFileLockName(const std::wstring& foldedPath);
