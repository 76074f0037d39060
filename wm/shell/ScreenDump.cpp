#include "wm/shell/ScreenDump.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/QXRegistryProfile.h"
#include "wm/shell/MessageCatalog.h"
#include "wm/shell/ShellState.h"

namespace {

void Put16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void Put32(unsigned char* p, unsigned long v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::string DumpName(int n, const char* extension) {
  return "documents/scrdump" + std::to_string(n) + extension;
}

// Buffered output to the picture's descriptor; remembers a failed write.
class BmpWriter {
 public:
  explicit BmpWriter(int fd) : fd_(fd) {}
  ~BmpWriter() { Flush(); }
  void Write(const unsigned char* data, size_t length) {
    while (length) {
      if (used_ == sizeof buffer_) Flush();
      const size_t n = std::min(length, sizeof buffer_ - used_);
      std::memcpy(buffer_ + used_, data, n);
      used_ += n;
      data += n;
      length -= n;
    }
  }
  void Byte(unsigned char b) { Write(&b, 1); }
  bool Flush() {
    size_t done = 0;
    while (done < used_ && ok_) {
      const ssize_t n = write(fd_, buffer_ + done, used_ - done);
      if (n <= 0) ok_ = false;
      else done += static_cast<size_t>(n);
    }
    used_ = 0;
    return ok_;
  }
  bool Ok() const { return ok_; }

 private:
  int fd_;
  unsigned char buffer_[512];
  size_t used_ = 0;
  bool ok_ = true;
};

struct ComponentShift {
  unsigned long mask = 0;
  int shift = 0, fill = 0;
};

ComponentShift ShiftOf(unsigned long mask) {
  ComponentShift c;
  c.mask = mask;
  int zeros = 0, width = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++zeros;
  }
  while (mask & 1) {
    mask >>= 1;
    ++width;
  }
  c.shift = zeros + (width > 8 ? width - 8 : 0);
  c.fill = width < 8 ? 8 - width : 0;
  return c;
}

unsigned char Component(unsigned long pixel, const ComponentShift& c) {
  return static_cast<unsigned char>(((pixel & c.mask) >> c.shift) << c.fill);
}

// The description profile and the open picture file; -1 when none.
int WriteBmpFile(ShellState* s, int bits, int width, int height, int* number) {
  const int n = FreeScreenDumpNumber();
  if (!n) return -1;
  *number = n;
  QXRegistryDirMake(QXAreaUser, "documents");
  QXProfile* p = QXCreateProfile();
  QXSetStringValue(p, "name", FormatCatalogText(TextScreenDumpName, {std::to_string(n)}).c_str());
  QXSetStringValue(p, "type", "image/x-ms-bmp");
  QXSetStringValue(p, "filename", ("scrdump" + std::to_string(n) + ".bmp").c_str());
  QXSaveRegistryProfile(p, DumpName(n, ".inf").c_str(), QXAreaUser);
  QXDestroyProfile(p);

  char path[4096];
  if (QXRegistryFilePath(QXAreaUser, DumpName(n, ".bmp").c_str(), path, sizeof path) != 0) return -1;
  const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  const int offset = bits == 24 ? 54 : 54 + 1024;
  unsigned char header[54] = {'B', 'M'};
  Put32(header + 2, static_cast<unsigned long>(offset) +
                        static_cast<unsigned long>(BmpRowSize(width, bits)) * static_cast<unsigned long>(height));
  Put32(header + 10, static_cast<unsigned long>(offset));
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<unsigned long>(width));
  Put32(header + 22, static_cast<unsigned long>(height));
  Put16(header + 26, 1);
  Put16(header + 28, static_cast<unsigned>(bits));
  bool ok = write(fd, header, sizeof header) == static_cast<ssize_t>(sizeof header);
  if (ok && bits == 8) {
    const int count = s->sdk.depth >= 8 ? 256 : 1 << s->sdk.depth;
    std::vector<XColor> colors(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      colors[static_cast<size_t>(i)].pixel = static_cast<unsigned long>(i);
      colors[static_cast<size_t>(i)].flags = DoRed | DoGreen | DoBlue;
    }
    XQueryColors(s->sdk.display, s->sdk.colormap, colors.data(), count);
    unsigned char table[1024] = {};
    for (int i = 0; i < count; ++i) {
      table[i * 4] = static_cast<unsigned char>(colors[static_cast<size_t>(i)].blue / 257);
      table[i * 4 + 1] = static_cast<unsigned char>(colors[static_cast<size_t>(i)].green / 257);
      table[i * 4 + 2] = static_cast<unsigned char>(colors[static_cast<size_t>(i)].red / 257);
    }
    ok = write(fd, table, sizeof table) == static_cast<ssize_t>(sizeof table);
  }
  if (!ok) {
    close(fd);
    QXRegistryFileDelete(QXAreaUser, DumpName(n, ".bmp").c_str());
    return -1;
  }
  return fd;
}

XImage* ReadBand(Display* d, Window w, int width, int top, int rows) {
  return XGetImage(d, w, 0, top, static_cast<unsigned>(width), static_cast<unsigned>(rows), AllPlanes, ZPixmap);
}

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

std::vector<std::pair<int, int>> ScreenDumpBands(int height) {
  std::vector<std::pair<int, int>> bands;
  if (height <= 0) return bands;
  for (int top = (height - 1) / ScreenDumpBand * ScreenDumpBand; top >= 0; top -= ScreenDumpBand)
    bands.emplace_back(top, std::min(static_cast<int>(ScreenDumpBand), height - top));
  return bands;
}

int BmpRowSize(int width, int bitsPerPixel) { return ((bitsPerPixel == 24 ? 3 * width : width) + 3) / 4 * 4; }

int FreeScreenDumpNumber() {
  for (int n = 1; n <= ScreenDumpMaxNumber; ++n)
    if (!QXRegistryFileTest(QXAreaUser, DumpName(n, ".bmp").c_str()) &&
        !QXRegistryFileTest(QXAreaUser, DumpName(n, ".inf").c_str()))
      return n;
  return 0;
}

int DumpWindowToBmp(ShellState* s, Window w) {
  Display* d = s->sdk.display;
  if (!d || !w) return 0;
  // The window may go at any moment: its errors end the dump, quietly.
  XSync(d, False);
  auto* previous = XSetErrorHandler(IgnoreXError);
  struct Restore {
    Display* d;
    decltype(previous) handler;
    ~Restore() {
      XSync(d, False);
      XSetErrorHandler(handler);
    }
  } restore{d, previous};

  XWindowAttributes a;
  Window child = 0;
  int x = 0, y = 0;
  if (!XGetWindowAttributes(d, w, &a) || !XTranslateCoordinates(d, w, s->sdk.root, 0, 0, &x, &y, &child)) return 0;
  const int width = a.width, height = a.height;
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > s->sdk.width || y + height > s->sdk.height)
    return 0;

  const auto bands = ScreenDumpBands(height);
  XImage* image = ReadBand(d, w, width, bands[0].first, bands[0].second);
  if (!image) return 0;
  const int imageDepth = image->depth;
  const int bits = imageDepth <= 8 ? 8 : 24;
  ComponentShift red, green, blue;
  if (bits == 24) {
    XVisualInfo want = {};
    want.visualid = XVisualIDFromVisual(a.visual);
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(d, VisualIDMask, &want, &count);
    const bool trueColor = info && count > 0 && info[0].c_class == TrueColor;
    if (trueColor) {
      red = ShiftOf(info[0].red_mask);
      green = ShiftOf(info[0].green_mask);
      blue = ShiftOf(info[0].blue_mask);
    }
    if (info) XFree(info);
    if (!trueColor) {
      XDestroyImage(image);
      return 0;
    }
  }
  int number = 0;
  const int fd = WriteBmpFile(s, bits, width, height, &number);
  if (fd < 0) {
    XDestroyImage(image);
    return 0;
  }
  XDefineCursor(d, s->sdk.root, s->sdk.cursors[SdkCursorBusy]);
  XFlush(d);

  const int rowSize = BmpRowSize(width, bits);
  const int used = bits == 24 ? 3 * width : width;
  std::vector<unsigned char> row(static_cast<size_t>(rowSize), 0);
  BmpWriter out(fd);
  for (size_t b = 0; b < bands.size(); ++b) {
    const int rows = bands[b].second;
    if (b > 0) image = ReadBand(d, w, width, bands[b].first, rows);
    for (int r = rows - 1; r >= 0; --r) {
      if (!image) {
        // A band that could not be read: white, or the text pixel.
        std::fill(row.begin(), row.begin() + used,
                  bits == 24 ? 0xFF : static_cast<unsigned char>(s->sdk.blackPixel));
      } else if (imageDepth == 8 && image->bits_per_pixel == 8) {
        std::memcpy(row.data(), image->data + static_cast<long>(r) * image->bytes_per_line, static_cast<size_t>(width));
      } else if (bits == 8) {
        for (int c = 0; c < width; ++c) row[static_cast<size_t>(c)] = static_cast<unsigned char>(XGetPixel(image, c, r));
      } else {
        for (int c = 0; c < width; ++c) {
          const unsigned long p = XGetPixel(image, c, r);
          unsigned char* o = &row[static_cast<size_t>(c) * 3];
          o[0] = Component(p, blue);
          o[1] = Component(p, green);
          o[2] = Component(p, red);
        }
      }
      out.Write(row.data(), row.size());
    }
    if (image) XDestroyImage(image);
    image = nullptr;
  }
  const bool ok = out.Flush();
  close(fd);
  XDefineCursor(d, s->sdk.root, s->sdk.cursors[SdkCursorNormal]);
  XFlush(d);
  if (!ok) {
    // A partial picture is worse than none: a full disk leaves nothing.
    QXRegistryFileDelete(QXAreaUser, DumpName(number, ".bmp").c_str());
    QXRegistryFileDelete(QXAreaUser, DumpName(number, ".inf").c_str());
    return 0;
  }
  return 1;
}
