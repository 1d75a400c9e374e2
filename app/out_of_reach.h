// The balloon for a program in the foreground whose windows the hook cannot see.
#pragma once

#include "common/process_rights.h"
#include "settings/settings.h"

// Worth showing for a program out of our reach (common/process_rights.h) only while a button is
// chosen for repair, whichever it is.
bool tellOutOfReach(const ProcessRights& program, const ProcessRights& ours,
                    const Settings& settings);
