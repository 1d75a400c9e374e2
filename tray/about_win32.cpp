// The About box: a dialog laid out from its font and its DPI (tray/about.h), again whenever it
// moves to a monitor of another DPI.
#include <windows.h>

#include <string>

#include "common/dpi_win32.h"
#include "common/identity.h"
#include "common/texts.h"
#include "common/version.h"
#include "tray/about.h"
#include "tray/about_win32.h"

namespace {

constexpr int kTextId = 100;
constexpr int kIconId = 101;

// An empty dialog: the controls are made and placed once the box knows its DPI.
struct alignas(DWORD) AboutTemplate {
  DLGTEMPLATE dialog;
  WORD menu = 0, windowClass = 0, title = 0;  // none, the dialog class, set later
};

struct AboutBox {
  Language language = Language::chinese;
  HFONT font = nullptr;
  HICON icon = nullptr;
};

// The edit control breaks lines at CR LF; read-only, it is the text that scrolls when it must.
std::wstring aboutText(Language language) {
  std::wstring text;
  for (wchar_t c : fillText(TextName::aboutText, language, {L"" CLICKMEND_VERSION})) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  return text;
}

void place(HWND control, const LayoutRect& r) {
  MoveWindow(control, r.left, r.top, r.width(), r.height(), TRUE);
}

// Everything from the DPI the box has now: the font, the icon, the wrap, the sizes. `suggested`:
// where the system would put it after a change of DPI; else it is centred on its monitor.
void arrange(HWND dialog, AboutBox& box, const RECT* suggested) {
  const int dpi = windowDpi(dialog);
  const HWND text = GetDlgItem(dialog, kTextId);
  const HWND ok = GetDlgItem(dialog, IDOK);
  const HWND icon = GetDlgItem(dialog, kIconId);
  const HFONT font = createMessageFont(dpi);
  for (HWND control : {text, ok}) SendMessageW(control, WM_SETFONT, WPARAM(font), FALSE);
  SendMessageW(text, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  if (box.font) DeleteObject(box.font);
  box.font = font;
  const int iconSize = scaleForDpi(32, dpi);
  const auto image = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), L"A", IMAGE_ICON, iconSize, iconSize, 0));
  SendMessageW(icon, STM_SETICON, WPARAM(image), 0);
  if (box.icon) DestroyIcon(box.icon);
  box.icon = image;

  const auto style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE));
  const SIZE frame = frameSize(style, exStyle, dpi);
  const LayoutRect work = workAreaOf(dialog, suggested);
  const LayoutRect room{0, 0, work.width() - frame.cx, work.height() - frame.cy};
  const FontMetrics metrics = measureFont(font);
  // The edit control wraps the text as it will show it; its line count gives the height.
  const int width = aboutTextWidth(metrics, dpi, room);
  ShowScrollBar(text, SB_VERT, FALSE);
  MoveWindow(text, 0, 0, width, room.height(), FALSE);
  const auto lines = static_cast<int>(SendMessageW(text, EM_GETLINECOUNT, 0, 0));
  const AboutLayout layout = layoutAbout(metrics, dpi, lines * metrics.lineHeight, room);
  ShowScrollBar(text, SB_VERT, layout.scroll);
  place(text, layout.text);
  place(icon, layout.icon);
  place(ok, layout.ok);

  const int outerWidth = layout.width + frame.cx, outerHeight = layout.height + frame.cy;
  const LayoutRect at =
      suggested ? fitToWorkArea({suggested->left, suggested->top, suggested->left + outerWidth,
                                 suggested->top + outerHeight},
                                work)
                : centreInWorkArea(outerWidth, outerHeight, work);
  SetWindowPos(dialog, nullptr, at.left, at.top, at.width(), at.height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND control(HWND dialog, const wchar_t* className, DWORD style, int id, const wchar_t* text) {
  return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dialog,
                         reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<AboutBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      box = reinterpret_cast<AboutBox*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      keepDialogFromScaling(dialog);
      SetWindowTextW(dialog, kAppName);
      control(dialog, L"STATIC", SS_ICON | SS_CENTERIMAGE, kIconId, nullptr);
      control(dialog, L"EDIT", ES_MULTILINE | ES_READONLY, kTextId,
              aboutText(box->language).c_str());
      const HWND ok = control(dialog, L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK,
                              textOf(TextName::aboutOk, box->language));
      arrange(dialog, *box, nullptr);
      SetFocus(ok);
      return FALSE;  // the focus is set
    }
    case WM_DPICHANGED:
      if (box) arrange(dialog, *box, reinterpret_cast<const RECT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDOK);
      return TRUE;
    case WM_DESTROY:
      if (box) {
        if (box->font) DeleteObject(box->font);
        if (box->icon) DestroyIcon(box->icon);
        *box = AboutBox();
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void showAbout(HWND window, Language language) {
  AboutTemplate layout{};
  layout.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  AboutBox box;
  box.language = language;
  {
    const OwnWindowDpi perMonitor;
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &layout.dialog, window, aboutProc,
                            reinterpret_cast<LPARAM>(&box));
  }
  InvalidateRect(window, nullptr, FALSE);
}
