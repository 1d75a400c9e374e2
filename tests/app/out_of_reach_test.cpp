// The balloon for a program whose windows the hook cannot see.
#include "app/out_of_reach.h"

#include <gtest/gtest.h>

namespace {

// Windows keeps the hook from a program run as administrator while we are not; the balloon
// says so while any button is chosen (the left one unless the row names another).
TEST(OutOfReach, ProgramsOutOfOurReach) {
  const ProcessRights medium{true, false, false, 0x2000}, high{true, false, true, 0x3000};
  const ProcessRights denied{false, true}, system{true, false, false, 0x4000};
  const struct {
    ProcessRights program, ours;
    bool told;
    Flag Settings::*chosen = &Settings::leftButton;
  } cases[] = {{medium, medium, false},
               {high, medium, true},
               {denied, medium, true},
               {{}, medium, false},
               {system, medium, true},
               {high, high, false},
               {denied, high, false},
               {system, high, true},
               {high, medium, true, &Settings::middleButton},
               {high, medium, true, &Settings::xButton1},
               {high, medium, true, &Settings::xButton2},
               {high, medium, false, nullptr}};
  for (const auto& c : cases) {
    Settings settings;
    if (c.chosen) settings.*c.chosen = 1;
    EXPECT_EQ(tellOutOfReach(c.program, c.ours, settings), c.told) << &c - cases;
  }
}

}  // namespace
