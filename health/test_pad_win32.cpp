#include "health/test_pad_win32.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/identity.h"
#include "common/texts.h"
#include "health/test_pad.h"
#include "health/what_if.h"
#include "input/hook_win32.h"

namespace {

constexpr UINT_PTR kTakeTimer = 1;
// Often enough that a row follows a click at once; the feed holds far more than comes meanwhile.
constexpr UINT kPadTakeMs = 50;

// A row of the list: the click's press and button.
using RowKey = std::pair<std::uint64_t, int>;

struct TestPad {
  HWND window = nullptr;  // the 鼠标健康 window
  HWND box = nullptr, caption = nullptr, list = nullptr, clear = nullptr;
  HFONT font = nullptr;
  const Settings* settings = nullptr;
  PadFeed* feed = nullptr;
  PadRecord record;
  bool fresh = false;            // events came since the clicks were read
  std::vector<PadClick> clicks;  // oldest first
  std::vector<RowKey> rows;      // the list's, newest first
  std::vector<std::wstring> rowTexts;
  bool chosen = false;  // a row chosen in the list: its click is drawn, else the latest
  RowKey chosenRow;
  std::wstring drawn;  // the row of the click drawn, to draw again only when it changes
  LayoutRect lanes;
  int scrollY = 0;
};
TestPad pad;  // one window at a time

RowKey keyOf(const PadClick& click) {
  return {click.pressUs, click.button};
}

const PadClick* drawnClick() {
  for (const PadClick& click : pad.clicks) {
    if (pad.chosen && keyOf(click) == pad.chosenRow) return &click;
  }
  return pad.clicks.empty() ? nullptr : &pad.clicks.back();
}

void redrawLanes() {
  const RECT r{pad.lanes.left, pad.lanes.top - pad.scrollY, pad.lanes.right,
               pad.lanes.bottom - pad.scrollY};
  InvalidateRect(pad.window, &r, TRUE);
}

// The list made to hold `rows` (newest first, as the list has them): rows gone are deleted, new
// ones inserted and changed ones replaced, so that the rest, and a screen reader's place in
// them, stay.
void showRows(const std::vector<RowKey>& rows, const std::vector<std::wstring>& texts) {
  const auto put = [&](std::size_t at, std::size_t row) {
    SendMessageW(pad.list, LB_INSERTSTRING, at, reinterpret_cast<LPARAM>(texts[row].c_str()));
    pad.rows.insert(pad.rows.begin() + at, rows[row]);
    pad.rowTexts.insert(pad.rowTexts.begin() + at, texts[row]);
  };
  const auto drop = [&](std::size_t at) {
    SendMessageW(pad.list, LB_DELETESTRING, at, 0);
    pad.rows.erase(pad.rows.begin() + at);
    pad.rowTexts.erase(pad.rowTexts.begin() + at);
  };
  std::size_t at = 0;
  for (std::size_t row = 0; row < rows.size(); ++row, ++at) {
    while (at < pad.rows.size() && rows[row] < pad.rows[at]) drop(at);  // newer than any now
    if (at < pad.rows.size() && pad.rows[at] == rows[row]) {
      if (pad.rowTexts[at] == texts[row]) continue;
      drop(at);
    }
    put(at, row);
  }
  while (pad.rows.size() > rows.size()) drop(pad.rows.size() - 1);
  // A row wider than the list scrolls across.
  const HDC dc = GetDC(pad.list);
  const HGDIOBJ oldFont = SelectObject(dc, pad.font);
  int widest = 0;
  for (const std::wstring& text : pad.rowTexts) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max<int>(widest, size.cx);
  }
  SelectObject(dc, oldFont);
  ReleaseDC(pad.list, dc);
  SendMessageW(pad.list, LB_SETHORIZONTALEXTENT, widest + GetSystemMetrics(SM_CXEDGE) * 4, 0);
  std::size_t chosen = 0;
  while (pad.chosen && chosen < pad.rows.size() && pad.rows[chosen] != pad.chosenRow) ++chosen;
  pad.chosen = pad.chosen && chosen < pad.rows.size();
  SendMessageW(pad.list, LB_SETCURSEL, pad.chosen ? chosen : static_cast<WPARAM>(-1), 0);
}

void readClicks() {
  pad.clicks = padClicks(pad.record, repairChoiceOf(*pad.settings), performanceCounterUs());
  std::vector<RowKey> rows;
  std::vector<std::wstring> texts;
  for (auto click = pad.clicks.rbegin(); click != pad.clicks.rend(); ++click) {
    rows.push_back(keyOf(*click));
    texts.push_back(padRow(*click, pad.settings->language));
  }
  showRows(rows, texts);
  const PadClick* drawn = drawnClick();
  const std::wstring row = drawn ? padRow(*drawn, pad.settings->language) : L"";
  if (row != pad.drawn) redrawLanes();
  pad.drawn = row;
}

// The hook's events since the last take, each press noted as made over the box or not; the
// clicks read again when anything came or one is still being judged. A feed that dropped
// events leaves the clicks before them unjudgeable: they go.
void take() {
  PadSwitchEvent events[64];
  std::size_t taken = 0;
  do {
    bool lost = false;
    taken = pad.feed->take(events, 64, &lost);
    if (lost) pad.record = PadRecord();
    for (std::size_t i = 0; i < taken; ++i) {
      const PadSwitchEvent& e = events[i];
      const bool overPad = e.press && WindowFromPhysicalPoint(POINT{e.x, e.y}) == pad.box;
      pad.record.switches.push_back(
          {{e.us, e.tick, e.button, e.press}, overPad, e.repaired, e.source, e.device});
    }
    pad.fresh = pad.fresh || taken > 0 || lost;
  } while (taken == 64);
  bool judging = false;
  for (const PadClick& click : pad.clicks) {
    judging = judging || click.outcome.verdict == PadVerdict::pending;
  }
  if (pad.fresh || judging) readClicks();
  pad.fresh = false;
}

// What the box received: the button's press or release as the window saw it, at the time it
// came. A press keeps every later event of the drag coming to the box, wherever it is let go.
void received(HWND box, int button, bool press, WPARAM keys) {
  pad.record.received.push_back({performanceCounterUs(), button, press});
  pad.fresh = true;
  if (press) {
    SetCapture(box);
  } else if (!(keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2))) {
    ReleaseCapture();
  }
}

void paintBox(HWND box) {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(box, &ps);
  RECT r;
  GetClientRect(box, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
  DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
  const HGDIOBJ oldFont = SelectObject(dc, pad.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  const wchar_t* face = textOf(TextName::healthPadFace, pad.settings->language);
  DrawTextW(dc, face, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  EndPaint(box, &ps);
}

LRESULT CALLBACK boxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  static const struct {
    UINT message;
    int button;  // -1: the side button wParam names
    bool press;
  } kButtons[] = {
      {WM_LBUTTONDOWN, healthLeft, true},    {WM_LBUTTONDBLCLK, healthLeft, true},
      {WM_LBUTTONUP, healthLeft, false},     {WM_RBUTTONDOWN, healthRight, true},
      {WM_RBUTTONDBLCLK, healthRight, true}, {WM_RBUTTONUP, healthRight, false},
      {WM_MBUTTONDOWN, healthMiddle, true},  {WM_MBUTTONDBLCLK, healthMiddle, true},
      {WM_MBUTTONUP, healthMiddle, false},   {WM_XBUTTONDOWN, -1, true},
      {WM_XBUTTONDBLCLK, -1, true},          {WM_XBUTTONUP, -1, false},
  };
  for (const auto& b : kButtons) {
    if (message != b.message) continue;
    const int side = GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? healthX1 : healthX2;
    received(box, b.button < 0 ? side : b.button, b.press, GET_KEYSTATE_WPARAM(wParam));
    return b.button < 0;  // a side button's message is answered TRUE
  }
  switch (message) {
    case WM_TIMER:
      if (wParam == kTakeTimer) take();
      return 0;
    case WM_PAINT:
      paintBox(box);
      return 0;
    default:
      return DefWindowProcW(box, message, wParam, lParam);
  }
}

HWND control(const wchar_t* className, DWORD exStyle, DWORD style, int id, const wchar_t* text) {
  const HWND made =
      CreateWindowExW(exStyle, className, text, WS_CHILD | style, 0, 0, 0, 0, pad.window,
                      reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(pad.font), FALSE);
  return made;
}

}  // namespace

void openTestPad(HWND window, HFONT font, const Settings& settings, PadFeed& feed) {
  if (pad.window) return;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  static const bool registered = [instance] {
    WNDCLASSEXW boxClass{};
    boxClass.cbSize = sizeof boxClass;
    boxClass.style = CS_HREDRAW | CS_VREDRAW;
    boxClass.lpfnWndProc = boxProc;
    boxClass.hInstance = instance;
    boxClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    boxClass.lpszClassName = kTestPadClass;
    return RegisterClassExW(&boxClass) != 0;
  }();
  if (!registered) return;
  pad.window = window;
  pad.font = font;
  pad.settings = &settings;
  pad.feed = &feed;
  const Language language = settings.language;
  pad.box = control(kTestPadClass, 0, 0, -1, textOf(TextName::healthPadFace, language));
  // The caption comes right before the list: it is the list's name to a screen reader.
  pad.caption = control(L"STATIC", 0, SS_LEFT | SS_NOPREFIX, -1,
                        textOf(TextName::healthPadCaption, language));
  pad.list = control(L"LISTBOX", WS_EX_CLIENTEDGE,
                     LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                     kTestPadListId, L"");
  pad.clear = control(L"BUTTON", 0, BS_PUSHBUTTON | WS_TABSTOP, kTestPadClearId,
                      textOf(TextName::healthPadClear, language));
  feed.open();
  SetTimer(pad.box, kTakeTimer, kPadTakeMs, nullptr);
}

void closeTestPad() {
  if (!pad.window) return;
  pad.feed->close();
  for (HWND made : {pad.box, pad.caption, pad.list, pad.clear}) {
    if (IsWindow(made)) DestroyWindow(made);
  }
  pad = TestPad();
}

bool testPadOpen() {
  return pad.window != nullptr;
}

void placeTestPad(const HealthLayout& layout, int scrollY) {
  if (!pad.window) return;
  pad.lanes = layout.padLanes;
  pad.scrollY = scrollY;
  const std::pair<HWND, LayoutRect> places[] = {{pad.box, layout.pad},
                                                {pad.caption, layout.padCaption},
                                                {pad.list, layout.padList},
                                                {pad.clear, layout.padClear}};
  for (const auto& [made, r] : places) {
    MoveWindow(made, r.left, r.top - scrollY, r.width(), r.height(), TRUE);
    ShowWindow(made, SW_SHOWNA);
  }
}

void setTestPadFont(HFONT font) {
  if (!pad.window) return;
  pad.font = font;
  for (HWND made : {pad.caption, pad.list, pad.clear}) {
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  InvalidateRect(pad.box, nullptr, TRUE);
}

bool testPadCommand(WPARAM wParam) {
  if (!pad.window) return false;
  switch (LOWORD(wParam)) {
    case kTestPadClearId:
      if (HIWORD(wParam) == BN_CLICKED) {
        pad.record = PadRecord();
        pad.chosen = false;
        readClicks();
      }
      return true;
    case kTestPadListId:
      if (HIWORD(wParam) == LBN_SELCHANGE) {
        const LRESULT row = SendMessageW(pad.list, LB_GETCURSEL, 0, 0);
        pad.chosen = row >= 0 && static_cast<std::size_t>(row) < pad.rows.size();
        if (pad.chosen) pad.chosenRow = pad.rows[row];
        redrawLanes();
      }
      return true;
    default:
      return false;
  }
}

void drawTestPadLanes(HDC dc, const LayoutRect& area, const ChartStyle& style) {
  if (pad.window) drawPadLanes(dc, area, drawnClick(), style);
}
