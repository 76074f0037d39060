// Screenshots of windows for tests: the pixels of a window (XGetImage, 24-bit
// TrueColor) as RGB, pixel probes, and PNG files to look at.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qwtest {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // row by row
  bool empty() const { return pixels.empty(); }
  Rgb at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The window's contents (its own area, children included); empty when the
// window is not viewable or its visual is not TrueColor.
Screenshot CaptureWindow(Display* display, Window window);

// The colour that the server gives a colour name ("grey75"), as RGB.
Rgb NamedColor(Display* display, const std::string& name);

// Writes an 8-bit RGB PNG (uncompressed deflate blocks); false on an I/O error.
bool WritePng(const Screenshot& shot, const std::string& path);

}  // namespace qwtest
