#include "common/process_rights.h"

namespace {

// What a program the user starts by hand gets: the shell's rights on a desktop with the system's
// prompt for administrator rights (UAC), and a standard user's everywhere.
constexpr std::uint32_t kMediumIntegrity = 0x2000;
constexpr std::uint32_t kHighIntegrity = 0x3000;

// Of two known rights, the first are more: higher in integrity, or elevated where the second
// are not.
bool above(const ProcessRights& first, const ProcessRights& second) {
  return first.integrity > second.integrity || (first.elevated && !second.elevated);
}

bool aboveTheShell(const ProcessRights& ours, const ProcessRights& shell) {
  if (!ours.known) return true;
  if (!shell.known) return ours.elevated || ours.integrity > kMediumIntegrity;
  return above(ours, shell);
}

}  // namespace

bool outOfOurReach(const ProcessRights& program, const ProcessRights& ours) {
  if (program.known) return above(program, ours);
  return program.accessDenied && !ours.elevated && ours.integrity < kHighIntegrity;
}

StartWay startWay(const ProcessRights& ours, const ProcessRights& shell, bool shellCanBeParent) {
  if (!aboveTheShell(ours, shell)) return StartWay::normally;
  return shellCanBeParent ? StartWay::underShell : StartWay::refused;
}
