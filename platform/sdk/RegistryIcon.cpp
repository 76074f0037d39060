#include "platform/sdk/RegistryIcon.h"

#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/QXRegistryProfile.h"
#include "platform/sdk/JpegDecode.h"
#include "platform/sdk/PixmapCache.h"
#include "platform/sdk/SdkScreen.h"

namespace {

constexpr long kMaxFileBytes = 32L * 1024 * 1024;

bool ReadFile(const char* path, std::vector<unsigned char>* out) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  unsigned char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    out->insert(out->end(), buf, buf + n);
    if (static_cast<long>(out->size()) > kMaxFileBytes) {
      std::fclose(f);
      return false;
    }
  }
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

int Shift(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

}  // namespace

Pixmap PixmapFromRgb(SdkScreen* screen, const JpegImage& image, int width, int height) {
  Display* d = screen->display;
  Visual* v = DefaultVisual(d, screen->screenNumber);
  if (image.width <= 0 || image.height <= 0 || v->c_class != TrueColor || screen->depth < 15) return None;
  if (width <= 0 || height <= 0) {
    width = image.width;
    height = image.height;
  }
  XImage* xi = XCreateImage(d, v, screen->depth, ZPixmap, 0, nullptr, width, height, 32, 0);
  if (!xi) return None;
  std::vector<char> pixels(static_cast<size_t>(xi->bytes_per_line) * height);
  xi->data = pixels.data();
  const int rs = Shift(v->red_mask), gs = Shift(v->green_mask), bs = Shift(v->blue_mask);
  const unsigned long rm = v->red_mask >> rs, gm = v->green_mask >> gs, bm = v->blue_mask >> bs;
  for (int y = 0; y < height; ++y) {
    const int sy = static_cast<int>(static_cast<long>(y) * image.height / height);
    for (int x = 0; x < width; ++x) {
      const int sx = static_cast<int>(static_cast<long>(x) * image.width / width);
      const unsigned char* p = &image.rgb[(static_cast<size_t>(sy) * image.width + sx) * 3];
      const unsigned long pixel = ((p[0] * rm / 255) << rs) | ((p[1] * gm / 255) << gs) | ((p[2] * bm / 255) << bs);
      XPutPixel(xi, x, y, pixel);
    }
  }
  Pixmap pm = XCreatePixmap(d, screen->root, width, height, screen->depth);
  GC gc = XCreateGC(d, pm, 0, nullptr);
  XPutImage(d, pm, gc, xi, 0, 0, 0, 0, width, height);
  XFreeGC(d, gc);
  xi->data = nullptr;  // the vector owns the pixels
  XDestroyImage(xi);
  return pm;
}

namespace {

// The file of the user's area, else the system's.
bool ReadRegistryFile(const char* registryName, std::vector<unsigned char>* bytes) {
  char path[4096];
  for (int area : {QXAreaUser, QXAreaSystem})
    if (QXRegistryFileTest(area, registryName)) {
      if (QXRegistryFilePath(area, registryName, path, sizeof path) != 0) return false;
      bytes->clear();
      return ReadFile(path, bytes);
    }
  return false;
}

}  // namespace

Pixmap PixmapLoadRegistryIcon(SdkScreen* screen, const char* registryName, int size, Pixmap* mask) {
  if (mask) *mask = None;
  std::vector<unsigned char> bytes;
  if (!registryName || !*registryName || !ReadRegistryFile(registryName, &bytes)) return None;
  static const char kXpm[] = "/* XPM */";
  if (bytes.size() >= sizeof kXpm - 1 && !std::memcmp(bytes.data(), kXpm, sizeof kXpm - 1)) {
    bytes.push_back(0);
    Pixmap pixmap = None;
    CreateCheckedXpmPixmap(screen->display, screen->root, reinterpret_cast<const char*>(bytes.data()), &pixmap,
                           mask);
    return pixmap;
  }
  JpegImage image;
  if (!DecodeJpeg(bytes.data(), bytes.size(), &image, nullptr)) return None;
  return PixmapFromRgb(screen, image, size, size);
}

Pixmap JPEGLoadRegistryIcon(SdkScreen* screen, const char* registryName, int width, int height) {
  std::vector<unsigned char> bytes;
  if (!ReadRegistryFile(registryName, &bytes)) return None;
  JpegImage image;
  if (!DecodeJpeg(bytes.data(), bytes.size(), &image, nullptr)) return None;
  return PixmapFromRgb(screen, image, width, height);
}
