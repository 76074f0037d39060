#pragma once
// The image window of a session: a scrolled window "scrollwin" laid over the
// session's screen at the character cells the host named, whose work area
// "image_area" shows the stored image scaled (3 % to 400 %) and rotated by
// nearest-neighbour sampling. Only the visible part is sampled, so neither
// memory nor drawing time grows with the scale. The user scrolls with the
// bars, by dragging with button 1 or 2, and magnifies by dragging a trim box
// with button 3; a button-3 double click goes back to the earlier view.
//
// Colours follow the screen's visual: TrueColor and DirectColor screens of
// any depth get each pixel from the visual's masks; screens with a colour
// map get the image's colours allocated (24-bit pictures reduced to 256
// colours first), the rest matched to the nearest colour the map holds.
#include <X11/Intrinsic.h>

#include <cstdint>
#include <vector>

#include "image/ImageScale.h"

struct ImageStore;
struct ImageWindowState;

class XStuffImage {
 public:
  // Where the window goes: the screen area's origin in `parent` and the
  // character cell size.
  struct Cells {
    int originX = 0, originY = 0;
    unsigned int cellWidth = 8, cellHeight = 16;
    // The screen's size in cells: the window never reaches beyond it
    // (0: no limit).
    unsigned int rows = 0, columns = 0;
  };

  explicit XStuffImage(Widget parent);
  ~XStuffImage();
  XStuffImage(const XStuffImage&) = delete;
  XStuffImage& operator=(const XStuffImage&) = delete;

  // Creates the widgets over the cells of `state` (column, row, columns,
  // rows, 1-based). 0, or -1 when they cannot be made.
  int DrawingAreaInit(const ImageWindowState& state, const Cells& cells);
  // Moves and sizes the window for new cells (font or window changes).
  void ResizeImageWindow(const ImageWindowState& state, const Cells& cells);
  // Shows the store's image at the scale that `scaleParameter` asks for
  // (the state's scale when -1) and the state's rotation. `sameImage`
  // keeps the view around the remembered centre; `restoring` takes the
  // centre from the state (a restored screen). 0, or -1 when there is
  // nothing to show.
  int DrawImage(const ImageStore& store, const ImageWindowState& state, bool sameImage, int scaleParameter = -1,
                bool restoring = false);
  // Foreground and background of bilevel images, and the inverse setting.
  void SetImageColors(Pixel foreground, Pixel background, bool inverse);
  // "U", "D", "L" or "R" by the bar's increment.
  void Scroll(char direction);

  // What is shown (for the session's save record and for tests).
  Widget window() const { return area_; }
  Widget scrolledWindow() const { return scrolled_; }
  unsigned int scale() const { return maps_.scale(); }
  unsigned int rotation() const { return maps_.rotation(); }
  image_scale::Size shown() const { return maps_.shown(); }
  int viewX() const { return viewX_; }
  int viewY() const { return viewY_; }
  unsigned int viewWidth() const { return viewWidth_; }
  unsigned int viewHeight() const { return viewHeight_; }
  bool magnified() const { return magnified_; }
  bool trimBoxDrawn() const { return boxDrawn_; }
  unsigned long paints() const { return paints_; }
  // The centre of the view in shown pixels.
  int centreX() const { return centreX_; }
  int centreY() const { return centreY_; }

  // The action procedures (registered once per application context).
  static void DragScrollAction(Widget w, XEvent* event, String*, Cardinal*);
  static void TrimMagnifyAction(Widget w, XEvent* event, String*, Cardinal*);

 private:
  // The scrolled window, its bars and the image area, unmanaged.
  bool CreateWidgets();
  void MouseScroll(XEvent* event);
  void TrimMagnify(XEvent* event);
  void SetTrimDimensions(int x, int y);
  void DrawTrimBox(bool on);
  // Samples the view from the maps and puts it into the window.
  void Repaint();
  void PrepareColours(const ImageStore& store);
  // Screen pixels for the used entries of a 256-colour map (colour-map
  // screens).
  void GetColorCrossRef(const uint8_t* map, const bool* used);
  void FreeAllocatedPixels();
  // Moves the view (clamped to the shown image), the bars with it, and
  // repaints when it changed.
  void SetView(int x, int y);
  void UpdateScrollBars();
  void ReadViewSize();
  void Redraw();  // at the current scale, rotation and centre
  unsigned long PixelOfRgb(unsigned int r, unsigned int g, unsigned int b);
  static void ExposeCallback(Widget, XtPointer, XtPointer);
  static void ResizeCallback(Widget, XtPointer, XtPointer);
  static void ScrollCallback(Widget, XtPointer, XtPointer);

  Widget parent_;
  Widget scrolled_ = nullptr;
  Widget area_ = nullptr;
  Widget horizontal_ = nullptr;
  Widget vertical_ = nullptr;
  Display* display_ = nullptr;
  Visual* visual_ = nullptr;
  Colormap colormap_ = 0;
  int depth_ = 0;
  bool trueColour_ = false;
  GC gc_ = nullptr;
  Cells cells_;

  // The image: a copy of the store's pixels and description, so that the
  // store may change under a shown image.
  unsigned int imageWidth_ = 0, imageHeight_ = 0, bitsPerPixel_ = 0, bytesPerLine_ = 0;
  std::vector<uint8_t> pixels_;
  std::vector<uint8_t> reduced_;      // 24-bit pictures on colour-map screens
  std::vector<unsigned long> lut_;    // index (or bit) to screen pixel
  unsigned long redLut_[256] = {}, greenLut_[256] = {}, blueLut_[256] = {};
  std::vector<unsigned long> allocated_;  // pixels this image took in the colour map
  Pixel foreground_ = 0, background_ = 0;
  bool coloursSet_ = false;
  bool inverse_ = false;
  unsigned int scaleParameter_ = 100;

  image_scale::SamplingMaps maps_;
  unsigned int viewWidth_ = 0, viewHeight_ = 0;
  int viewX_ = 0, viewY_ = 0;
  int centreX_ = 0, centreY_ = 0;
  unsigned int hIncrement_ = 40, vIncrement_ = 80;
  unsigned long paints_ = 0;
  std::vector<char> frame_;  // the sampled view, at the screen's pixel format

  // Dragging and the trim box.
  int dragX_ = 0, dragY_ = 0, dragViewX_ = 0, dragViewY_ = 0;
  int anchorX_ = 0, anchorY_ = 0;
  int boxX_ = 0, boxY_ = 0, boxWidth_ = 0, boxHeight_ = 0;
  bool boxDrawn_ = false;
  bool magnified_ = false;
  bool doubleClick_ = false;
  Time lastPress_ = 0;
  bool pressed_ = false;
  unsigned int savedScale_ = 100;
  int savedCentreX_ = 0, savedCentreY_ = 0;
  unsigned int planeMask_ = 0;
};
