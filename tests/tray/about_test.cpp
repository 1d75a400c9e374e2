// The About box's layout and the scale and fit rules under it, at 96, 144 and 192 dpi on a small
// and a large screen: everything inside the client area, the window inside the work area,
// nothing overlapping.
#include "tray/about.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string corners(const LayoutRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

TEST(DpiLayout, ScaleAndFit) {
  EXPECT_EQ(scaleForDpi(32, 144), 48);
  EXPECT_EQ(scaleForDpi(7, 144), 11);  // 10.5 rounds up
  EXPECT_EQ(lineForDpi(1, 96), 1);
  EXPECT_EQ(lineForDpi(1, 120), 1);
  EXPECT_EQ(lineForDpi(1, 144), 2);
  EXPECT_EQ(dialogUnitsAcross(50, {24, 12}), 150);
  EXPECT_EQ(dialogUnitsDown(14, {24, 12}), 42);

  struct Axis {
    const char* name;
    int fixed, wanted, least, room, stretch, overflow;
  };
  const Axis axes[] = {
      {"room enough: as wanted", 100, 200, 50, 400, 200, 0},
      {"short of room: the chart shrinks", 100, 200, 50, 220, 120, 0},
      {"too little even at least: scroll", 100, 200, 50, 120, 50, 30},
  };
  for (const Axis& a : axes) {
    const AxisFit fit = fitAxis(a.fixed, a.wanted, a.least, a.room);
    EXPECT_EQ(fit.stretch, a.stretch) << a.name;
    EXPECT_EQ(fit.overflow, a.overflow) << a.name;
  }

  struct Placed {
    const char* name;
    LayoutRect area, window, expected;
  };
  const LayoutRect main{0, 0, 1024, 728};
  const LayoutRect left{-1280, 0, 0, 984};  // a monitor left of the main one
  const Placed placed[] = {
      {"inside: stays", main, {100, 100, 500, 400}, {100, 100, 500, 400}},
      {"past the right edge: moved in", main, {900, 100, 1300, 400}, {624, 100, 1024, 400}},
      {"larger than the area: cut", main, {-50, -50, 1100, 900}, {0, 0, 1024, 728}},
      {"below the left monitor", left, {-100, 900, 300, 1100}, {-400, 784, 0, 984}},
  };
  for (const Placed& p : placed) {
    SCOPED_TRACE(p.name);
    EXPECT_EQ(corners(fitToWorkArea(p.window, p.area)), corners(p.expected));
  }
}

// The text as the edit control wraps it: Chinese characters two average characters wide, and
// three blank lines between the paragraphs.
int textHeight(int characters, int width, const FontMetrics& font) {
  const int perLine = width / (2 * font.charWidth);
  return ((characters + perLine - 1) / perLine + 6) * font.lineHeight;
}

TEST(AboutLayout, FitsAtEveryDpiOnSmallAndLargeScreens) {
  struct Screen {
    int width, height;
  };
  struct Case {
    int dpi;
    Screen screen;
    int characters;
    bool scroll;
  };
  const Case cases[] = {
      {96, {1024, 768}, 200, false},   {144, {1024, 768}, 200, false},
      {192, {1024, 768}, 200, false},  {96, {1920, 1080}, 200, false},
      {144, {1920, 1080}, 200, false}, {192, {1920, 1080}, 200, false},
      {192, {1024, 768}, 2000, true},  // a text far longer than the screen
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.dpi) + " dpi, " + std::to_string(c.screen.width) + "x" +
                 std::to_string(c.screen.height) + ", " + std::to_string(c.characters));
    // SimSun at 9 points, the frame of a dialog and a taskbar, all at this DPI.
    const FontMetrics font{scaleForDpi(12, c.dpi), scaleForDpi(6, c.dpi)};
    const int frameWidth = scaleForDpi(6, c.dpi), frameHeight = scaleForDpi(29, c.dpi);
    const LayoutRect work{0, 0, c.screen.width, c.screen.height - scaleForDpi(40, c.dpi)};
    const LayoutRect room{0, 0, work.width() - frameWidth, work.height() - frameHeight};
    const int height = textHeight(c.characters, aboutTextWidth(font, c.dpi, room), font);
    const AboutLayout layout = layoutAbout(font, c.dpi, height, room);

    const LayoutRect client{0, 0, layout.width, layout.height};
    EXPECT_TRUE(inside(client, room));
    for (const LayoutRect* r : {&layout.icon, &layout.text, &layout.ok}) {
      EXPECT_TRUE(inside(*r, client));
      EXPECT_GT(r->width(), 0);
      EXPECT_GT(r->height(), 0);
    }
    EXPECT_FALSE(overlap(layout.icon, layout.text));
    EXPECT_FALSE(overlap(layout.text, layout.ok));
    EXPECT_FALSE(overlap(layout.icon, layout.ok));
    EXPECT_EQ(layout.scroll, c.scroll);
    if (!c.scroll) {
      EXPECT_EQ(layout.text.height(), height);
    }
    EXPECT_EQ(layout.icon.width(), scaleForDpi(32, c.dpi));
    EXPECT_GE(layout.ok.height(), font.lineHeight);
    const LayoutRect window =
        centreInWorkArea(layout.width + frameWidth, layout.height + frameHeight, work);
    EXPECT_TRUE(inside(window, work));
    EXPECT_EQ(window.width(), layout.width + frameWidth);
  }
}

}  // namespace
