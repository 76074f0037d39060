#include "xfront/XStuffImage.h"

#include <Xm/DrawingA.h>
#include <Xm/Form.h>
#include <Xm/ScrollBar.h>
#include <Xm/ScrolledW.h>
#include <Xm/Xm.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

#include "base/LogMsg.h"
#include "image/ColourReduction.h"
#include "image/ImageObject.h"
#include "image/ImageStore.h"
#include "session/AppResources.h"

namespace {

// The plane masks the trim box cycles through, so that it shows on any
// background.
constexpr unsigned long kPlaneMasks[8] = {0x01010101, 0x02020203, 0x84848485, 0x88888889,
                                          0x10101011, 0x20202023, 0xC4C4C4C5, 0xFFFFFFFF};

// A trim box must be larger than this in both directions to be drawn.
constexpr int kSmallestBox = 9;

int MultiClickTime() { return AppResources().MULTI_CLICK_TIME > 0 ? AppResources().MULTI_CLICK_TIME : 250; }

XStuffImage* ImageOfWidget(Widget w) {
  XtPointer data = nullptr;
  XtVaGetValues(w, XmNuserData, &data, nullptr);
  return static_cast<XStuffImage*>(data);
}

// Registered with every window made: an application context cannot be
// asked which actions it has, and one destroyed and made again at the same
// address would otherwise lack them. The newest registration is the one
// used.
void RegisterActions(XtAppContext app) {
  static XtActionsRec actions[] = {
      {const_cast<String>("dragscroll"), XStuffImage::DragScrollAction},
      {const_cast<String>("trim_magnify"), XStuffImage::TrimMagnifyAction},
  };
  XtAppAddActions(app, actions, XtNumber(actions));
}

const char kTranslations[] =
    "<Btn1Down>: dragscroll()\n"
    "<Btn1Motion>: dragscroll()\n"
    "<Btn2Down>: dragscroll()\n"
    "<Btn2Motion>: dragscroll()\n"
    "<Btn3Down>: trim_magnify()\n"
    "<Btn3Motion>: trim_magnify()\n"
    "<Btn3Up>: trim_magnify()";

// Shift and width of a colour mask.
void MaskShape(unsigned long mask, int* shift, int* bits) {
  *shift = 0;
  *bits = 0;
  if (!mask) return;
  while (!(mask & 1)) {
    mask >>= 1;
    ++*shift;
  }
  while (mask & 1) {
    mask >>= 1;
    ++*bits;
  }
}

void FillComponent(unsigned long mask, unsigned long* lut) {
  int shift = 0, bits = 0;
  MaskShape(mask, &shift, &bits);
  const unsigned long top = bits ? (1ul << bits) - 1 : 0;
  for (unsigned int c = 0; c < 256; ++c) lut[c] = ((c * top + 127) / 255) << shift;
}

bool HostIsLittleEndian() {
  const uint16_t one = 1;
  unsigned char first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

void ClampRect(int* x, int* y, int* w, int* h) {
  if (*x < 0) {
    *w += *x;
    *x = 0;
  }
  if (*y < 0) {
    *h += *y;
    *y = 0;
  }
}

}  // namespace

XStuffImage::XStuffImage(Widget parent) : parent_(parent) {}

XStuffImage::~XStuffImage() {
  FreeAllocatedPixels();
  if (gc_) XFreeGC(display_, gc_);
  if (scrolled_) {
    XtRemoveAllCallbacks(scrolled_, XmNdestroyCallback);
    XtDestroyWidget(scrolled_);
  }
}

int XStuffImage::DrawingAreaInit(const ImageWindowState& state, const Cells& cells) {
  if (scrolled_) return 0;
  display_ = XtDisplay(parent_);
  Screen* screen = XtScreen(parent_);
  RegisterActions(XtWidgetToApplicationContext(parent_));
  visual_ = DefaultVisualOfScreen(screen);
  depth_ = DefaultDepthOfScreen(screen);
  colormap_ = DefaultColormapOfScreen(screen);
  trueColour_ = visual_->c_class == TrueColor || visual_->c_class == DirectColor;
  if (!coloursSet_) {
    foreground_ = BlackPixelOfScreen(screen);
    background_ = WhitePixelOfScreen(screen);
  }
  cells_ = cells;
  hIncrement_ = 5 * cells.cellWidth;
  vIncrement_ = 5 * cells.cellHeight;

  if (!CreateWidgets()) return -1;
  gc_ = XCreateGC(display_, RootWindowOfScreen(screen), 0, nullptr);
  XSetGraphicsExposures(display_, gc_, True);
  XSetSubwindowMode(display_, gc_, IncludeInferiors);
  ResizeImageWindow(state, cells);
  XtManageChild(scrolled_);
  return 0;
}

bool XStuffImage::CreateWidgets() {
  scrolled_ = XtVaCreateWidget("scrollwin", xmScrolledWindowWidgetClass, parent_, XmNscrollingPolicy,
                               XmAPPLICATION_DEFINED, XmNvisualPolicy, XmCONSTANT, XmNscrollBarDisplayPolicy,
                               XmSTATIC, XmNshadowThickness, 0, XmNspacing, 0, nullptr);
  if (!scrolled_) {
    LogMsg(LevelError, "image:  image area could not be created\n");
    return false;
  }
  XtAddCallback(
      scrolled_, XmNdestroyCallback,
      [](Widget, XtPointer self, XtPointer) {
        auto* image = static_cast<XStuffImage*>(self);
        image->scrolled_ = image->area_ = image->horizontal_ = image->vertical_ = nullptr;
      },
      this);
  horizontal_ = XtVaCreateManagedWidget("hscroll", xmScrollBarWidgetClass, scrolled_, XmNorientation, XmHORIZONTAL,
                                        nullptr);
  vertical_ =
      XtVaCreateManagedWidget("vscroll", xmScrollBarWidgetClass, scrolled_, XmNorientation, XmVERTICAL, nullptr);
  area_ = XtVaCreateManagedWidget("image_area", xmDrawingAreaWidgetClass, scrolled_, XmNuserData, this,
                                  XmNmarginWidth, 0, XmNmarginHeight, 0, XmNresizePolicy, XmRESIZE_NONE,
                                  XmNbackground, background_, nullptr);
  if (!area_ || !horizontal_ || !vertical_) {
    LogMsg(LevelError, "image:  image area could not be created\n");
    XtDestroyWidget(scrolled_);
    return false;
  }
  XmScrolledWindowSetAreas(scrolled_, horizontal_, vertical_, area_);
  XtOverrideTranslations(area_, XtParseTranslationTable(kTranslations));
  XtAddCallback(area_, XmNexposeCallback, ExposeCallback, this);
  XtAddCallback(area_, XmNresizeCallback, ResizeCallback, this);
  for (Widget bar : {horizontal_, vertical_})
    for (const char* reason : {XmNvalueChangedCallback, XmNdragCallback, XmNincrementCallback,
                               XmNdecrementCallback, XmNpageIncrementCallback, XmNpageDecrementCallback,
                               XmNtoTopCallback, XmNtoBottomCallback})
      XtAddCallback(bar, reason, ScrollCallback, this);
  return true;
}

void XStuffImage::ResizeImageWindow(const ImageWindowState& state, const Cells& cells) {
  if (!scrolled_) return;
  cells_ = cells;
  // The host's cells, kept on the screen: a window reaching past it would
  // make the session window grow.
  unsigned int column = std::max<unsigned int>(state.column, 1), row = std::max<unsigned int>(state.row, 1);
  unsigned int columns = std::max<unsigned int>(state.columns, 1), rows = std::max<unsigned int>(state.rows, 1);
  if (cells.columns) {
    column = std::min(column, cells.columns);
    columns = std::min(columns, cells.columns - column + 1);
  }
  if (cells.rows) {
    row = std::min(row, cells.rows);
    rows = std::min(rows, cells.rows - row + 1);
  }
  const int x = cells.originX + static_cast<int>((column - 1) * cells.cellWidth);
  const int y = cells.originY + static_cast<int>((row - 1) * cells.cellHeight);
  const unsigned int w = columns * cells.cellWidth;
  const unsigned int h = rows * cells.cellHeight;
  vIncrement_ = 5 * cells.cellHeight;
  hIncrement_ = 5 * cells.cellWidth;
  const Dimension width = static_cast<Dimension>(std::min(w, 32767u));
  const Dimension height = static_cast<Dimension>(std::min(h, 32767u));
  if (XmIsForm(parent_)) {
    // A form places its children by attachments only, and keeps a child at
    // the size it was first managed with: for another size the window is
    // made anew.
    Dimension oldWidth = 0, oldHeight = 0;
    XtVaGetValues(scrolled_, XmNwidth, &oldWidth, XmNheight, &oldHeight, nullptr);
    const bool managed = XtIsManaged(scrolled_);
    if (managed && (oldWidth != width || oldHeight != height)) {
      Widget old = scrolled_;
      XtRemoveAllCallbacks(old, XmNdestroyCallback);
      scrolled_ = area_ = horizontal_ = vertical_ = nullptr;
      XtDestroyWidget(old);
      if (!CreateWidgets()) return;
    }
    XtVaSetValues(scrolled_, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, x, XmNtopAttachment, XmATTACH_FORM,
                  XmNtopOffset, y, XmNwidth, width, XmNheight, height, nullptr);
    if (managed && !XtIsManaged(scrolled_)) XtManageChild(scrolled_);
  } else {
    XtVaSetValues(scrolled_, XmNx, static_cast<Position>(x), XmNy, static_cast<Position>(y), XmNwidth, width,
                  XmNheight, height, nullptr);
  }
  ReadViewSize();
  SetView(centreX_ - static_cast<int>(viewWidth_) / 2, centreY_ - static_cast<int>(viewHeight_) / 2);
  UpdateScrollBars();
  Repaint();
}

void XStuffImage::ReadViewSize() {
  Dimension w = 0, h = 0;
  if (area_) XtVaGetValues(area_, XmNwidth, &w, XmNheight, &h, nullptr);
  viewWidth_ = std::max<unsigned int>(1, w);
  viewHeight_ = std::max<unsigned int>(1, h);
}

void XStuffImage::FreeAllocatedPixels() {
  if (!allocated_.empty() && display_) XFreeColors(display_, colormap_, allocated_.data(), static_cast<int>(allocated_.size()), 0);
  allocated_.clear();
}

unsigned long XStuffImage::PixelOfRgb(unsigned int r, unsigned int g, unsigned int b) {
  return redLut_[r & 0xFF] | greenLut_[g & 0xFF] | blueLut_[b & 0xFF];
}

void XStuffImage::PrepareColours(const ImageStore& store) {
  FreeAllocatedPixels();
  reduced_.clear();
  lut_.assign(256, background_);
  const Pixel set = inverse_ ? background_ : foreground_, clear = inverse_ ? foreground_ : background_;
  if (bitsPerPixel_ == 1) {
    lut_[0] = clear;
    lut_[1] = set;
    return;
  }
  // The image's colours: its map, a grey ramp, or (24 bits) the screen's
  // own composition.
  uint8_t map[768];
  const bool grey = store.description.type == kImageGreyscale || store.colourCount == 0;
  for (unsigned int i = 0; i < 256; ++i) {
    if (grey) {
      map[3 * i] = map[3 * i + 1] = map[3 * i + 2] = static_cast<uint8_t>(i);
    } else {
      std::memcpy(map + 3 * i, store.colourMap + 3 * i, 3);
    }
  }
  if (trueColour_) {
    FillComponent(visual_->red_mask, redLut_);
    FillComponent(visual_->green_mask, greenLut_);
    FillComponent(visual_->blue_mask, blueLut_);
    if (bitsPerPixel_ == 8)
      for (unsigned int i = 0; i < 256; ++i) lut_[i] = PixelOfRgb(map[3 * i], map[3 * i + 1], map[3 * i + 2]);
    return;
  }
  // A colour map: 24-bit pictures are reduced to 256 colours first.
  bool used[256] = {};
  if (bitsPerPixel_ == 24) {
    reduced_.resize(static_cast<size_t>(imageWidth_) * imageHeight_);
    uint8_t r[256], g[256], b[256];
    if (colour_reduction::Convert24to8Slow(pixels_.data(), imageWidth_, imageHeight_, bytesPerLine_, reduced_.data(),
                                           r, g, b, 256) != 0) {
      reduced_.assign(reduced_.size(), 0);
    }
    for (unsigned int i = 0; i < 256; ++i) {
      map[3 * i] = r[i];
      map[3 * i + 1] = g[i];
      map[3 * i + 2] = b[i];
    }
    for (uint8_t i : reduced_) used[i] = true;
  } else {
    for (unsigned int y = 0; y < imageHeight_; ++y) {
      const uint8_t* row = pixels_.data() + static_cast<size_t>(y) * bytesPerLine_;
      for (unsigned int x = 0; x < imageWidth_; ++x) used[row[x]] = true;
    }
  }
  GetColorCrossRef(map, used);
}

// The colours other programs hold read-only in the map are shared; the
// image colours they match worst get new cells while free cells last.
// Allocation failures must be seen at once: the connection is synchronous
// meanwhile.
void XStuffImage::GetColorCrossRef(const uint8_t* map, const bool* used) {
  XSynchronize(display_, True);
  const int entries = std::clamp(visual_->map_entries, 1, 256);
  // The free cells: as many private cells as can be had, given back.
  unsigned long cells[256];
  int freeCells = 0;
  for (int n = entries; n > 0; --n)
    if (XAllocColorCells(display_, colormap_, False, nullptr, 0, cells, static_cast<unsigned int>(n))) {
      XFreeColors(display_, colormap_, cells, n, 0);
      freeCells = n;
      break;
    }
  bool isFree[256] = {};
  for (int i = 0; i < freeCells; ++i)
    if (cells[i] < 256) isFree[cells[i]] = true;
  if (freeCells == 0) LogMsg(LevelDebug, "image: No color cells could be allocated\n");
  // Every other cell whose exact colour a shared allocation returns in
  // that very cell is a shareable read-only colour.
  struct Shared {
    unsigned long pixel;
    int r, g, b;
  };
  std::vector<Shared> shared;
  std::vector<XColor> held(static_cast<size_t>(entries));
  for (int i = 0; i < entries; ++i) held[static_cast<size_t>(i)].pixel = static_cast<unsigned long>(i);
  XQueryColors(display_, colormap_, held.data(), entries);
  for (XColor c : held) {
    if (c.pixel < 256 && isFree[c.pixel]) continue;
    const unsigned long cell = c.pixel;
    c.flags = DoRed | DoGreen | DoBlue;
    if (!XAllocColor(display_, colormap_, &c)) continue;
    if (c.pixel == cell) {
      shared.push_back({cell, c.red >> 8, c.green >> 8, c.blue >> 8});
      allocated_.push_back(cell);
    } else {
      XFreeColors(display_, colormap_, &c.pixel, 1, 0);
    }
  }
  // The nearest shareable colour of each image colour, and how far it is.
  long distance[256];
  for (unsigned int i = 0; i < 256; ++i) {
    distance[i] = 0;
    if (!used[i]) continue;
    long best = 1000000;
    for (const Shared& c : shared) {
      const long dr = c.r - map[3 * i], dg = c.g - map[3 * i + 1], db = c.b - map[3 * i + 2];
      const long d = dr * dr + dg * dg + db * db;
      if (d < best) {
        best = d;
        lut_[i] = c.pixel;
      }
    }
    distance[i] = best;
  }
  // New cells for the worst matched colours.
  for (int left = freeCells; left > 0; --left) {
    int worst = -1;
    for (unsigned int i = 0; i < 256; ++i)
      if (used[i] && distance[i] > 0 && (worst < 0 || distance[i] > distance[worst])) worst = static_cast<int>(i);
    if (worst < 0) break;
    XColor c;
    c.red = static_cast<unsigned short>(map[3 * worst] * 257);
    c.green = static_cast<unsigned short>(map[3 * worst + 1] * 257);
    c.blue = static_cast<unsigned short>(map[3 * worst + 2] * 257);
    c.flags = DoRed | DoGreen | DoBlue;
    if (!XAllocColor(display_, colormap_, &c)) {
      LogMsg(LevelWarning, "image: XAllocColor failed in Decompress::GetNewColormap while it appeared color cells "
                           "should have been available.\n");
      break;
    }
    lut_[worst] = c.pixel;
    allocated_.push_back(c.pixel);
    distance[worst] = 0;
  }
  XSynchronize(display_, False);
}

void XStuffImage::SetImageColors(Pixel foreground, Pixel background, bool inverse) {
  const bool changed = !coloursSet_ || foreground != foreground_ || background != background_ || inverse != inverse_;
  foreground_ = foreground;
  background_ = background;
  inverse_ = inverse;
  coloursSet_ = true;
  if (area_) XtVaSetValues(area_, XmNbackground, background_, nullptr);
  if (changed && bitsPerPixel_ == 1 && lut_.size() >= 2) {
    lut_[0] = inverse_ ? foreground_ : background_;
    lut_[1] = inverse_ ? background_ : foreground_;
    Repaint();
  }
}

int XStuffImage::DrawImage(const ImageStore& store, const ImageWindowState& state, bool sameImage,
                           int scaleParameter, bool restoring) {
  const image_data& d = store.description;
  if (!store.hasImage || d.width == 0 || d.height == 0 ||
      (d.bitsPerPixel != 1 && d.bitsPerPixel != 8 && d.bitsPerPixel != 24) ||
      static_cast<uint64_t>(d.bytesPerLine) * d.height > store.pixels.size() ||
      d.bytesPerLine < (d.bitsPerPixel == 1 ? (d.width + 7u) / 8 : d.width * (d.bitsPerPixel / 8))) {
    LogMsg(LevelWarning, "image: nothing to draw\n");
    return -1;
  }
  imageWidth_ = d.width;
  imageHeight_ = d.height;
  bitsPerPixel_ = d.bitsPerPixel;
  bytesPerLine_ = d.bytesPerLine;
  pixels_.assign(store.pixels.begin(), store.pixels.begin() + static_cast<long>(d.bytesPerLine) * d.height);
  PrepareColours(store);
  ReadViewSize();

  const unsigned int before = maps_.scale();
  const unsigned int rotationBefore = maps_.rotation();
  const image_scale::Size shownBefore = maps_.shown();
  const unsigned int rotation = state.rotation;
  const bool turned = rotation == 90 || rotation == 270;
  scaleParameter_ = scaleParameter >= 0 ? static_cast<unsigned int>(scaleParameter) : state.scale;
  const unsigned int scale =
      image_scale::CalculateScale(scaleParameter_, before, viewWidth_, viewHeight_, turned ? d.height : d.width,
                                  turned ? d.width : d.height);
  maps_.setup(imageWidth_, imageHeight_, scale, rotation);
  magnified_ = false;
  if (restoring) {
    centreX_ = static_cast<int>(std::min<uint32_t>(state.centreX, 1u << 30));
    centreY_ = static_cast<int>(std::min<uint32_t>(state.centreY, 1u << 30));
  } else if (sameImage && before) {
    // The remembered centre turns with the image, then follows the scale.
    const int w = static_cast<int>(shownBefore.width), h = static_cast<int>(shownBefore.height);
    const int x = centreX_, y = centreY_;
    switch ((rotation + 360 - rotationBefore % 360) % 360) {
      case 90: centreX_ = h - y - 1, centreY_ = x; break;
      case 180: centreX_ = w - x - 1, centreY_ = h - y - 1; break;
      case 270: centreX_ = y, centreY_ = w - x - 1; break;
      default: break;
    }
    centreX_ = static_cast<int>(static_cast<long>(centreX_) * maps_.scale() / before);
    centreY_ = static_cast<int>(static_cast<long>(centreY_) * maps_.scale() / before);
  } else {
    centreX_ = static_cast<int>(viewWidth_ / 2);
    centreY_ = static_cast<int>(viewHeight_ / 2);
  }
  Redraw();
  return 0;
}

void XStuffImage::Redraw() {
  viewX_ = viewY_ = -1;  // force the view to be set and painted
  SetView(centreX_ - static_cast<int>(viewWidth_) / 2, centreY_ - static_cast<int>(viewHeight_) / 2);
}

void XStuffImage::SetView(int x, int y) {
  const image_scale::Size s = maps_.shown();
  const int maxX = std::max(0, static_cast<int>(s.width) - static_cast<int>(viewWidth_));
  const int maxY = std::max(0, static_cast<int>(s.height) - static_cast<int>(viewHeight_));
  x = std::clamp(x, 0, maxX);
  y = std::clamp(y, 0, maxY);
  if (x == viewX_ && y == viewY_) return;
  viewX_ = x;
  viewY_ = y;
  centreX_ = x + static_cast<int>(viewWidth_) / 2;
  centreY_ = y + static_cast<int>(viewHeight_) / 2;
  UpdateScrollBars();
  Repaint();
}

void XStuffImage::UpdateScrollBars() {
  if (!horizontal_ || !vertical_) return;
  const image_scale::Size s = maps_.shown();
  auto set = [&](Widget bar, unsigned int shown, unsigned int view, int value, unsigned int increment) {
    const int maximum = static_cast<int>(std::max(std::max(shown, view), 1u));
    const int slider = static_cast<int>(std::max(1u, std::min(view, shown)));
    value = std::clamp(value, 0, maximum - slider);
    XtVaSetValues(bar, XmNminimum, 0, XmNmaximum, maximum, XmNsliderSize, slider, XmNvalue, value, XmNincrement,
                  static_cast<int>(std::max(1u, increment)), XmNpageIncrement, std::max(1, slider), nullptr);
  };
  set(horizontal_, s.width, viewWidth_, viewX_, hIncrement_);
  set(vertical_, s.height, viewHeight_, viewY_, vIncrement_);
}

void XStuffImage::Scroll(char direction) {
  if (!area_ || !XtIsRealized(area_)) return;
  switch (direction) {
    case 'U': SetView(viewX_, viewY_ - static_cast<int>(vIncrement_)); break;
    case 'D': SetView(viewX_, viewY_ + static_cast<int>(vIncrement_)); break;
    case 'L': SetView(viewX_ - static_cast<int>(hIncrement_), viewY_); break;
    case 'R': SetView(viewX_ + static_cast<int>(hIncrement_), viewY_); break;
    default: break;
  }
}

void XStuffImage::Repaint() {
  if (!area_ || !XtIsRealized(area_) || pixels_.empty() || !gc_) return;
  const unsigned int w = viewWidth_, h = viewHeight_;
  XImage* img = XCreateImage(display_, visual_, static_cast<unsigned int>(depth_), ZPixmap, 0, nullptr, w, h, 32, 0);
  if (!img) return;
  img->byte_order = HostIsLittleEndian() ? LSBFirst : MSBFirst;
  frame_.resize(static_cast<size_t>(img->bytes_per_line) * h);
  img->data = frame_.data();

  const image_scale::Size shown = maps_.shown();
  const std::vector<uint16_t>& columns = maps_.columnMap();
  const std::vector<uint16_t>& rows = maps_.rowMap();
  const bool swapped = maps_.swapped();
  const uint8_t* pixels = pixels_.data();
  const unsigned int bpl = bytesPerLine_, bpp = bitsPerPixel_;
  const bool reduced = !reduced_.empty();
  auto fetch = [&](unsigned int sx, unsigned int sy) -> unsigned long {
    if (bpp == 1) return lut_[(pixels[static_cast<size_t>(sy) * bpl + sx / 8] >> (7 - sx % 8)) & 1];
    if (bpp == 8) return lut_[pixels[static_cast<size_t>(sy) * bpl + sx]];
    if (reduced) return lut_[reduced_[static_cast<size_t>(sy) * imageWidth_ + sx]];
    const uint8_t* p = pixels + static_cast<size_t>(sy) * bpl + 3u * sx;
    return redLut_[p[0]] | greenLut_[p[1]] | blueLut_[p[2]];
  };
  const unsigned long empty = background_;
  for (unsigned int y = 0; y < h; ++y) {
    char* out = frame_.data() + static_cast<size_t>(y) * static_cast<size_t>(img->bytes_per_line);
    const unsigned int ty = static_cast<unsigned int>(viewY_) + y;
    for (unsigned int x = 0; x < w; ++x) {
      const unsigned int tx = static_cast<unsigned int>(viewX_) + x;
      unsigned long pixel = empty;
      if (tx < shown.width && ty < shown.height)
        pixel = swapped ? fetch(rows[ty], columns[tx]) : fetch(columns[tx], rows[ty]);
      switch (img->bits_per_pixel) {
        case 8: out[x] = static_cast<char>(pixel); break;
        case 16: {
          const uint16_t v = static_cast<uint16_t>(pixel);
          std::memcpy(out + 2 * x, &v, 2);
          break;
        }
        case 32: {
          const uint32_t v = static_cast<uint32_t>(pixel);
          std::memcpy(out + 4 * x, &v, 4);
          break;
        }
        default: XPutPixel(img, static_cast<int>(x), static_cast<int>(y), pixel); break;
      }
    }
  }
  // The frame goes in bands that each fit one request.
  long maxRequest = XExtendedMaxRequestSize(display_);
  if (maxRequest <= 0) maxRequest = XMaxRequestSize(display_);
  const long room = maxRequest * 4 - 64;
  const unsigned int band =
      static_cast<unsigned int>(std::max<long>(1, std::min<long>(h, room / std::max(1, img->bytes_per_line))));
  for (unsigned int y = 0; y < h; y += band)
    XPutImage(display_, XtWindow(area_), gc_, img, 0, static_cast<int>(y), 0, static_cast<int>(y), w,
              std::min(band, h - y));
  img->data = nullptr;
  XDestroyImage(img);
  if (boxDrawn_) {
    // The frame painted over the box: draw it again.
    boxDrawn_ = false;
    const unsigned long keep = planeMask_;
    DrawTrimBox(true);
    planeMask_ = keep;
  }
  ++paints_;
}

void XStuffImage::ExposeCallback(Widget, XtPointer self, XtPointer call) {
  auto* cbs = static_cast<XmDrawingAreaCallbackStruct*>(call);
  if (cbs && cbs->event && cbs->event->type == Expose && cbs->event->xexpose.count > 0) return;
  static_cast<XStuffImage*>(self)->Repaint();
}

void XStuffImage::ResizeCallback(Widget, XtPointer self, XtPointer) {
  auto* image = static_cast<XStuffImage*>(self);
  image->ReadViewSize();
  image->Redraw();
}

void XStuffImage::ScrollCallback(Widget w, XtPointer self, XtPointer call) {
  auto* image = static_cast<XStuffImage*>(self);
  auto* cbs = static_cast<XmScrollBarCallbackStruct*>(call);
  // Bars of a window being replaced are not ours any more.
  if (w == image->horizontal_)
    image->SetView(cbs->value, image->viewY_);
  else if (w == image->vertical_)
    image->SetView(image->viewX_, cbs->value);
}

void XStuffImage::DragScrollAction(Widget w, XEvent* event, String*, Cardinal*) {
  if (XStuffImage* image = ImageOfWidget(w)) image->MouseScroll(event);
}

void XStuffImage::TrimMagnifyAction(Widget w, XEvent* event, String*, Cardinal*) {
  if (XStuffImage* image = ImageOfWidget(w)) image->TrimMagnify(event);
}

void XStuffImage::MouseScroll(XEvent* event) {
  if (event->type == ButtonPress) {
    dragX_ = event->xbutton.x;
    dragY_ = event->xbutton.y;
    dragViewX_ = viewX_;
    dragViewY_ = viewY_;
  } else if (event->type == MotionNotify) {
    SetView(dragViewX_ - (event->xmotion.x - dragX_), dragViewY_ - (event->xmotion.y - dragY_));
  }
}

void XStuffImage::SetTrimDimensions(int x, int y) {
  const image_scale::Size s = maps_.shown();
  x = std::max(0, x + viewX_);
  y = std::max(0, y + viewY_);
  int left = std::min(anchorX_, x), top = std::min(anchorY_, y);
  int right = std::min(std::max(anchorX_, x), static_cast<int>(s.width));
  int bottom = std::min(std::max(anchorY_, y), static_cast<int>(s.height));
  boxX_ = left;
  boxY_ = top;
  boxWidth_ = std::max(0, right - left);
  boxHeight_ = std::max(0, bottom - top);
}

void XStuffImage::DrawTrimBox(bool on) {
  if (boxWidth_ <= kSmallestBox || boxHeight_ <= kSmallestBox || !area_ || !XtIsRealized(area_)) return;
  if (on) {
    planeMask_ = (planeMask_ + 1) % 8;
    boxDrawn_ = true;
  } else {
    boxDrawn_ = false;
  }
  int x = boxX_ - viewX_, y = boxY_ - viewY_, w = boxWidth_, h = boxHeight_;
  ClampRect(&x, &y, &w, &h);
  XSetFunction(display_, gc_, GXinvert);
  XSetPlaneMask(display_, gc_, kPlaneMasks[planeMask_]);
  XDrawRectangle(display_, XtWindow(area_), gc_, x, y, static_cast<unsigned int>(std::max(0, w)),
                 static_cast<unsigned int>(std::max(0, h)));
  XSetFunction(display_, gc_, GXcopy);
  XSetPlaneMask(display_, gc_, AllPlanes);
}

void XStuffImage::TrimMagnify(XEvent* event) {
  if (pixels_.empty()) return;
  const long multiClick = MultiClickTime();
  switch (event->type) {
    case ButtonPress: {
      const Time now = event->xbutton.time;
      pressed_ = true;
      if (lastPress_ && now - lastPress_ < static_cast<Time>(multiClick)) {
        doubleClick_ = true;
        if (magnified_) {
          magnified_ = false;
          maps_.setup(imageWidth_, imageHeight_, savedScale_, maps_.rotation());
          centreX_ = savedCentreX_;
          centreY_ = savedCentreY_;
          Redraw();
        }
        return;
      }
      lastPress_ = now;
      anchorX_ = std::max(0, event->xbutton.x + viewX_);
      anchorY_ = std::max(0, event->xbutton.y + viewY_);
      boxWidth_ = boxHeight_ = 0;
      return;
    }
    case MotionNotify:
      if (!pressed_ || doubleClick_) return;
      if (boxDrawn_) DrawTrimBox(false);
      SetTrimDimensions(event->xmotion.x, event->xmotion.y);
      DrawTrimBox(true);
      return;
    case ButtonRelease: {
      pressed_ = false;
      if (doubleClick_) {
        doubleClick_ = false;
        return;
      }
      if (boxDrawn_) DrawTrimBox(false);
      const bool held = event->xbutton.time - lastPress_ >= static_cast<Time>(multiClick);
      if (!held || boxWidth_ <= kSmallestBox || boxHeight_ <= kSmallestBox) return;
      const unsigned int scale = maps_.scale();
      const long byWidth = (static_cast<long>(viewWidth_) - 20) * scale / boxWidth_;
      const long byHeight = (static_cast<long>(viewHeight_) - 20) * scale / boxHeight_;
      const long wanted = std::min<long>(std::min(byWidth, byHeight), image_scale::kMaxScale);
      if (wanted < static_cast<long>(scale)) return;
      if (!magnified_) {
        savedScale_ = scale;
        savedCentreX_ = centreX_;
        savedCentreY_ = centreY_;
      }
      centreX_ = static_cast<int>((boxX_ + boxWidth_ / 2) * wanted / static_cast<long>(scale));
      centreY_ = static_cast<int>((boxY_ + boxHeight_ / 2) * wanted / static_cast<long>(scale));
      maps_.setup(imageWidth_, imageHeight_, static_cast<unsigned int>(wanted), maps_.rotation());
      magnified_ = true;
      Redraw();
      return;
    }
    default:
      return;
  }
}
