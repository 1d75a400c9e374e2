// The rights whatever Clickmend starts runs with.
#include "common/process_rights.h"

#include <gtest/gtest.h>

namespace {

// Nothing starts with more rights than the desktop's shell has: an instance run as
// administrator starts it under the shell's process, or not at all.
TEST(ProcessRights, StartsNothingAboveTheShell) {
  const ProcessRights medium{true, false, false, 0x2000}, high{true, false, true, 0x3000};
  const ProcessRights denied{false, true}, system{true, false, false, 0x4000};
  using W = StartWay;
  const struct {
    const char* name;
    ProcessRights ours, shell;
    StartWay withParent, withoutParent;  // the shell's process to be had as parent or not
  } cases[] = {
      {"the usual desktop", medium, medium, W::normally, W::normally},
      {"Wine: every process elevated", high, high, W::normally, W::normally},
      {"run as administrator", high, medium, W::underShell, W::refused},
      {"system integrity", system, high, W::underShell, W::refused},
      {"a shell run as administrator", medium, high, W::normally, W::normally},
      {"no shell, ordinary rights", medium, {}, W::normally, W::normally},
      {"no shell, as administrator", high, {}, W::underShell, W::refused},
      {"the shell refuses us", high, denied, W::underShell, W::refused},
      {"our own rights unread", {}, medium, W::underShell, W::refused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(startWay(c.ours, c.shell, true), c.withParent);
    EXPECT_EQ(startWay(c.ours, c.shell, false), c.withoutParent);
  }
}

}  // namespace
