// The options window's controls: made from its form (tray/options.h) and placed by its layout,
// from the window's font and DPI.
#pragma once

#include <windows.h>

#include <vector>

#include "common/texts.h"

// Every control of the window in `dialog`, with the texts of `language`: the form's controls,
// 确定 取消 应用, the pages' tabs, and the lists to pick from filled (each setting's choices, the
// gesture actions, the programs' rules). The form's controls, in its order, labels included.
std::vector<HWND> createOptionsControls(HWND dialog, Language language);
// The page's tab selected, its controls shown and the other pages' hidden.
void showOptionsPage(HWND dialog, const std::vector<HWND>& cells, int page);
// Every control placed for the window's DPI in a font made for it, and the window sized to
// them: at `suggested` after a change of DPI, else centred. The font is returned; `oldFont`, the
// one it replaces, is deleted.
HFONT arrangeOptions(HWND dialog, const std::vector<HWND>& cells, HFONT oldFont,
                     const RECT* suggested);
