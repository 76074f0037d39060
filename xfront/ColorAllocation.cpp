#include "xfront/ColorAllocation.h"

#include <cstdlib>
#include <vector>

#include "base/LogMsg.h"

namespace {

const char* const kBlackScheme[kSessionColorCount] = {
    "#c0c0c0", "#000000", "#000000", "#666666", "#00ffff", "#00ff00", "#ff99cc", "#ff0000",
    "#66ffcc", "#ffffcc", "#ffff00", "#ffffcc", "#ffffcc", "#00ccff", "#000000", "#66ffcc",
    "#ffffff", "#000000", "#000000", "#c0c0c0", "#cccccc", "#ffffff"};

}  // namespace

const char* const* DefaultColorScheme() { return kBlackScheme; }

unsigned long ComposeRgb565(unsigned short red, unsigned short green, unsigned short blue) {
  return (red & 0xF800u) | ((green >> 5) & 0x07E0u) | (blue >> 11);
}

int BestFitCell(const XColor& wanted, const XColor* cells, size_t count) {
  int best = -1;
  int bestDistance = 0;
  for (size_t i = 0; i < count; ++i) {
    if (cells[i].flags != wanted.flags) continue;
    const int d = std::abs((wanted.red >> 8) - (cells[i].red >> 8)) +
                  std::abs((wanted.green >> 8) - (cells[i].green >> 8)) +
                  std::abs((wanted.blue >> 8) - (cells[i].blue >> 8));
    if (best < 0 || d < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = d;
    }
    if (d < 26) break;
  }
  return best;
}

bool MyAllocColor(Display* display, Colormap colormap, int screen, XColor* color) {
  Visual* visual = DefaultVisual(display, screen);
  // Only a real RGB565 layout may be composed directly.
  if (DefaultDepth(display, screen) == 16 && visual->red_mask == 0xF800 && visual->green_mask == 0x07E0 &&
      visual->blue_mask == 0x001F) {
    color->pixel = ComposeRgb565(color->red, color->green, color->blue);
    return true;
  }
  return XAllocColor(display, colormap, color) != 0;
}

void findBestFitColor(XColor* color, Display* display, int screen) {
  const Colormap colormap = DefaultColormap(display, screen);
  const int cells = std::min(256, DisplayCells(display, screen));
  std::vector<XColor> all(static_cast<size_t>(cells));
  for (int i = 0; i < cells; ++i) {
    all[i].pixel = static_cast<unsigned long>(i);
    all[i].flags = DoRed | DoGreen | DoBlue;
  }
  XQueryColors(display, colormap, all.data(), cells);
  const int best = BestFitCell(*color, all.data(), all.size());
  if (best < 0) return;
  color->pixel = all[best].pixel;
  XQueryColor(display, colormap, color);
}

unsigned long AllocateColor(const char* name, Colormap colormap, Display* display, int screen, bool* failed) {
  XColor color = {};
  if (!name || !XParseColor(display, colormap, name, &color)) {
    LogMsg(LevelError, "%s: incorrect color request made in AllocateColor - %s is not correct.\n", "QWC0063",
           name ? name : "(null)");
    return 0;
  }
  color.flags = DoRed | DoGreen | DoBlue;
  if (MyAllocColor(display, colormap, screen, &color)) return color.pixel;
  findBestFitColor(&color, display, screen);
  if (failed) *failed = true;
  return color.pixel;
}
