// Starting Clickmend again as administrator, through the system's elevation prompt.
#pragma once

// Starts this program again as administrator, with /takeover: the new instance asks this one to
// end once it runs. The one start that does not go through startCommandLine: it is the user's
// own request, and the system asks for consent. False when it was not started: the prompt refused
// (ERROR_CANCELLED) or another failure, each a debug line and nothing more.
bool restartElevated();
