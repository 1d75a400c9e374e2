// The settings file in the text editor.
#pragma once

#include <windows.h>

// Opens the settings file in the text editor and returns at once; a thread of its own waits for
// the editor to close and then posts kSettingsChangedMessage to `window`, whose thread applies
// the file.
void editSettings(HWND window);
