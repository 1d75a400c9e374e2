// Run as administrator: the rights of this and other processes, and starting Clickmend again
// through the system's elevation prompt.
#pragma once

#include <windows.h>

#include "input/program_rule.h"

// The rights of the process, from its token; unknown (and whether that was refused) when it
// cannot be opened.
ProcessRights processRightsOf(DWORD processId);
ProcessRights ourRights();
bool runsElevated();

// Starts this program again as administrator, with /takeover: the new instance asks this one to
// end once it runs. False when it was not started: the prompt refused (ERROR_CANCELLED) or
// another failure, each a debug line and nothing more.
bool restartElevated();
