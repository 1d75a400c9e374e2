#include "common/process_rights.h"

namespace {

// What a program the user starts by hand gets: the shell's rights on a desktop with the system's
// prompt for administrator rights (UAC), and a standard user's everywhere.
constexpr std::uint32_t kMediumIntegrity = 0x2000;

bool aboveTheShell(const ProcessRights& ours, const ProcessRights& shell) {
  if (!ours.known) return true;
  if (!shell.known) return ours.elevated || ours.integrity > kMediumIntegrity;
  return ours.integrity > shell.integrity || (ours.elevated && !shell.elevated);
}

}  // namespace

StartWay startWay(const ProcessRights& ours, const ProcessRights& shell, bool shellCanBeParent) {
  if (!aboveTheShell(ours, shell)) return StartWay::normally;
  return shellCanBeParent ? StartWay::underShell : StartWay::refused;
}
