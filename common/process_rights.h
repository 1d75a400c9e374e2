// The rights a process runs with, and the rule that keeps whatever Clickmend starts (the
// programs bound to gestures, the editor of the settings file) within the rights of the
// desktop's shell: the settings file lies where every program of the user's can write it, and a
// line put there must not run as administrator because Clickmend does.
#pragma once

#include <cstdint>

// What could be learnt of a process's rights.
struct ProcessRights {
  bool known = false;           // its token could be read
  bool accessDenied = false;    // the system refused to open it or its token
  bool elevated = false;        // run as administrator (the token's elevation)
  std::uint32_t integrity = 0;  // its integrity level: 0x2000 medium, 0x3000 high, 0x4000 system
};

enum class StartWay {
  normally,    // with our own rights
  underShell,  // with the shell's process as the new one's parent, which gives it its rights
  refused,     // not at all
};

// How a program is started, from our rights and the shell's:
//   ours no more than the shell's (the usual case; Wine, where every process counts as
//   elevated, the shell too)                                     normally
//   ours more, and the shell's process can be the parent         underShell
//   ours more, and no parent to be had (no shell, or it refuses) refused
// Ours are more where they are higher in integrity or elevated where the shell's are not. Where
// the shell's cannot be read (no shell runs, or it refuses us), ours are more unless they are an
// ordinary program's (medium integrity or less, not elevated); where ours cannot be read, they
// count as more.
StartWay startWay(const ProcessRights& ours, const ProcessRights& shell, bool shellCanBeParent);

// Windows keeps a low-level hook's view, and its injected input, away from the windows of a
// process above the hook's own: one run as administrator, or of a higher integrity level, or
// (the same in practice) one that refuses a process without administrator rights its token.
bool outOfOurReach(const ProcessRights& program, const ProcessRights& ours);
