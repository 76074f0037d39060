#include "tests/support/Screenshot.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace qwtest {
namespace {

int ShiftOf(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

uint8_t Channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  const unsigned long value = (pixel & mask) >> ShiftOf(mask);
  const unsigned long max = mask >> ShiftOf(mask);
  return static_cast<uint8_t>(value * 255 / max);
}

uint32_t Crc32(const std::string& data) {
  static uint32_t table[256];
  static bool built = false;
  if (!built) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    built = true;
  }
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void Put32(std::string& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>((v >> s) & 0xFF));
}

void Chunk(std::string& out, const char* type, const std::string& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  Put32(out, Crc32(body));
}

}  // namespace

Screenshot CaptureWindow(Display* display, Window window) {
  Screenshot shot;
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(display, window, &attrs) || attrs.map_state != IsViewable) return shot;
  if (!attrs.visual || attrs.visual->c_class != TrueColor) return shot;
  XImage* image = XGetImage(display, window, 0, 0, attrs.width, attrs.height, AllPlanes, ZPixmap);
  if (!image) return shot;
  shot.width = attrs.width;
  shot.height = attrs.height;
  shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      Rgb& c = shot.pixels[static_cast<size_t>(y) * shot.width + x];
      c.r = Channel(p, attrs.visual->red_mask);
      c.g = Channel(p, attrs.visual->green_mask);
      c.b = Channel(p, attrs.visual->blue_mask);
    }
  XDestroyImage(image);
  return shot;
}

Rgb NamedColor(Display* display, const std::string& name) {
  XColor exact, screen;
  Rgb c;
  if (XLookupColor(display, DefaultColormap(display, DefaultScreen(display)), name.c_str(), &exact, &screen)) {
    c.r = static_cast<uint8_t>(screen.red >> 8);
    c.g = static_cast<uint8_t>(screen.green >> 8);
    c.b = static_cast<uint8_t>(screen.blue >> 8);
  }
  return c;
}

bool WritePng(const Screenshot& shot, const std::string& path) {
  if (shot.empty()) return false;
  // The image data: each row a filter byte 0 and its RGB bytes.
  std::string raw;
  raw.reserve(static_cast<size_t>(shot.height) * (shot.width * 3 + 1));
  for (int y = 0; y < shot.height; ++y) {
    raw.push_back('\0');
    for (int x = 0; x < shot.width; ++x) {
      const Rgb c = shot.at(x, y);
      raw.push_back(static_cast<char>(c.r));
      raw.push_back(static_cast<char>(c.g));
      raw.push_back(static_cast<char>(c.b));
    }
  }
  // zlib stream of stored blocks.
  std::string z = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char ch : raw) {
    a = (a + ch) % 65521;
    b = (b + a) % 65521;
  }
  size_t pos = 0;
  do {
    const size_t n = std::min<size_t>(65535, raw.size() - pos);
    const bool last = pos + n == raw.size();
    z.push_back(last ? '\x01' : '\x00');
    z.push_back(static_cast<char>(n & 0xFF));
    z.push_back(static_cast<char>(n >> 8));
    z.push_back(static_cast<char>(~n & 0xFF));
    z.push_back(static_cast<char>((~n >> 8) & 0xFF));
    z.append(raw, pos, n);
    pos += n;
  } while (pos < raw.size());
  Put32(z, (b << 16) | a);

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  Put32(header, static_cast<uint32_t>(shot.width));
  Put32(header, static_cast<uint32_t>(shot.height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter set, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", "");
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!f) return false;
  return std::fwrite(png.data(), 1, png.size(), f.get()) == png.size();
}

}  // namespace qwtest
