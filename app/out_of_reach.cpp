#include "app/out_of_reach.h"

bool tellOutOfReach(const ProcessRights& program, const ProcessRights& ours,
                    const Settings& settings) {
  return anyButtonChosen(settings) && outOfOurReach(program, ours);
}
