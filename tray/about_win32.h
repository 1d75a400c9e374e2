// The About box.
#pragma once

#include <windows.h>

#include "common/texts.h"

// Modal: returns once the box is closed.
void showAbout(HWND window, Language language);
