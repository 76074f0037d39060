// Window placement and sizing: the window following the screen size (24x80
// and the larger formats), a user's resize choosing the font, the split
// view of a wide screen, the work area the window stays inside.
#include <X11/Shell.h>
#include <X11/Xatom.h>
#include <Xm/ToggleB.h>
#include <Xm/Xm.h>

#include <algorithm>
#include <chrono>

#include "base/CurrentTime.h"
#include "base/LogMsg.h"
#include "session/AppResources.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/WMGeometry.h"
#include "xfront/DeskTopSettings.h"
#include "xfront/SessionImages.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace {

long long MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int HorizontalFrames() { return WMLeftBorderWidth() + WMRightBorderWidth(); }
int VerticalFrames() { return WMTopBorderHeight() + WMBottomBorderHeight() + WMTitleHeight(); }

struct Size {
  int width = 0, height = 0;
};

Size WidgetSize(Widget w) {
  Dimension width = 0, height = 0;
  if (w) XtVaGetValues(w, XtNwidth, &width, XtNheight, &height, nullptr);
  return {width, height};
}

// The window of the timer must still be a session's.
void FinishResizeTimer(XtPointer self, XtIntervalId* id) {
  auto* x = static_cast<XStuff*>(self);
  bool alive = false;
  for (int i = 0; i < kMaxSessionSlots && !alive; ++i) {
    const SessionTableEntry* e = SessionEntry(i);
    alive = e && e->session && &e->session->xstuff == x;
  }
  if (!alive) return;
  XStuff::Private* p = x->privatePart();
  if (!p || p->finishResizeTimer != *id) return;
  p->finishResizeTimer = 0;
  x->finishResizeWindow();
}

}  // namespace

// The work area (_WIN_WORKAREA of the root window), read at most twice a
// second so that a burst of font changes never waits on the server.
void XStuff::refreshWorkArea() {
  if (!private_ || !shell_) return;
  Private& p = *private_;
  const long long now = MonotonicMs();
  if (now - p.workAreaReadMs < 500) return;
  p.workAreaReadMs = now;
  Display* display = XtDisplay(shell_);
  p.workAreaKnown = false;
  const Atom atom = XInternAtom(display, "_WIN_WORKAREA", True);
  if (atom == 0) return;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, 4, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 32 && count == 4) {
    const long* v = reinterpret_cast<const long*>(data);
    // Items 2 and 3 are the right and bottom edges.
    const long left = v[0], top = v[1], right = v[2], bottom = v[3];
    if (left >= 0 && top >= 0 && right > left && bottom > top && right <= 65535 && bottom <= 65535) {
      p.workAreaKnown = true;
      p.workX = static_cast<int>(left);
      p.workY = static_cast<int>(top);
      p.workWidth = static_cast<int>(right - left);
      p.workHeight = static_cast<int>(bottom - top);
    }
  }
  if (data) XFree(data);
}

int XStuff::availableWidth() {
  refreshWorkArea();
  const int width = private_ && private_->workAreaKnown ? private_->workWidth : screenWidth_;
  return width > 0 ? width : 1;
}

// The menu bar's and the status line's text take the session font: each
// grows by what the cell height grows.
int XStuff::chromeGrowth(int cellHeight) const {
  if (!private_ || cellHeight_ <= 0) return 0;
  return (private_->menuBar ? 2 : 1) * (cellHeight - cellHeight_);
}

bool XStuff::showingRightPart() const { return private_ && private_->placement.rightPart; }

// The shell takes the size that gives the drawing area width x height, in
// one request (the menu bar and status line keep their heights); the
// toolkit does not wait for a window manager to confirm it.
void XStuff::setDrawingSize(int width, int height) {
  if (!private_ || !private_->drawing || width <= 0 || height <= 0) return;
  Private& p = *private_;
  const bool internal = p.internalResize;
  p.internalResize = true;
  Boolean waitForWm = True;
  XtVaGetValues(shell_, XtNwaitForWm, &waitForWm, nullptr);
  XtVaSetValues(shell_, XtNwaitForWm, False, nullptr);
  for (int pass = 0; pass < 2; ++pass) {
    const Size shell = WidgetSize(shell_), drawing = WidgetSize(p.drawing);
    if (drawing.width == width && drawing.height == height) break;
    const int shellWidth = std::min(32767, std::max(1, shell.width - drawing.width + width));
    const int shellHeight = std::min(32767, std::max(1, shell.height - drawing.height + height));
    if (p.ownSizes.size() >= 8) p.ownSizes.erase(p.ownSizes.begin());
    p.ownSizes.push_back({shellWidth, shellHeight, MonotonicMs()});
    XtVaSetValues(shell_, XtNwidth, static_cast<Dimension>(shellWidth), XtNheight, static_cast<Dimension>(shellHeight),
                  nullptr);
  }
  XtVaSetValues(shell_, XtNwaitForWm, waitForWm, nullptr);
  p.internalResize = internal;
}

bool XStuff::isLowerRightCornerOnScreen() {
  if (!shell_) return true;
  refreshWorkArea();
  Position x = 0, y = 0;
  XtVaGetValues(shell_, XtNx, &x, XtNy, &y, nullptr);
  const Size s = WidgetSize(shell_);
  const int right = private_->workAreaKnown ? private_->workX + private_->workWidth : screenWidth_;
  const int bottom = private_->workAreaKnown ? private_->workY + private_->workHeight : screenHeight_;
  return x + s.width + WMRightBorderWidth() <= right && y + s.height + WMBottomBorderHeight() <= bottom;
}

bool XStuff::ensureLowerRightCornerOnScreen(int& x, int& y) {
  if (!shell_ || !private_) return false;
  refreshWorkArea();
  const Private& p = *private_;
  const Size s = WidgetSize(shell_);
  const int left = p.workAreaKnown ? p.workX : 0, top = p.workAreaKnown ? p.workY : 0;
  const int right = p.workAreaKnown ? p.workX + p.workWidth : screenWidth_;
  const int bottom = p.workAreaKnown ? p.workY + p.workHeight : screenHeight_;
  const int startX = x, startY = y;
  const int over = x + s.width + HorizontalFrames() - right;
  if (over > 0) x -= over;
  const int below = y + s.height + VerticalFrames() - bottom;
  if (below > 0) y -= below;
  x = std::max(x, left);
  y = std::max(y, top);
  XtVaSetValues(shell_, XtNx, static_cast<Position>(x), XtNy, static_cast<Position>(y), nullptr);
  return x != startX || y != startY;
}

Geometry XStuff::get24x80Geometry() {
  Geometry g{};
  if (!private_ || !shell_) return g;
  if (rows_ == 24 && columns_ == 80 && !private_->maximized) {
    Position x = 0, y = 0;
    XtVaGetValues(shell_, XtNx, &x, XtNy, &y, nullptr);
    const Size s = WidgetSize(shell_);
    private_->saved24x80 = {true, x, y, s.width, s.height, private_->currentEntry};
  }
  const auto& saved = private_->saved24x80;
  if (!saved.valid) return g;
  g.xGiven = g.yGiven = g.widthGiven = g.heightGiven = 1;
  g.x = static_cast<int16_t>(saved.x);
  g.y = static_cast<int16_t>(saved.y);
  g.width = static_cast<uint16_t>(saved.width);
  g.height = static_cast<uint16_t>(saved.height);
  return g;
}

Geometry XStuff::getCurrentGeometry() const {
  Geometry g{};
  if (!shell_) return g;
  Position x = 0, y = 0;
  Dimension width = 0, height = 0;
  XtVaGetValues(shell_, XtNx, &x, XtNy, &y, XtNwidth, &width, XtNheight, &height, nullptr);
  g.xGiven = g.yGiven = g.widthGiven = g.heightGiven = g.fontGiven = 1;
  g.x = x;
  g.y = y;
  g.width = width;
  g.height = height;
  g.fontIndex = static_cast<int16_t>(currentFontEntry());
  return g;
}

int XStuff::getXpos() const { return getCurrentGeometry().x; }
int XStuff::getYpos() const { return getCurrentGeometry().y; }

void XStuff::moveWindowAsCloseTo24x80PosAsPossible() {
  if (!private_ || !private_->saved24x80.valid) return;
  int x = private_->saved24x80.x, y = private_->saved24x80.y;
  if (ensureLowerRightCornerOnScreen(x, y)) private_->movedAway = true;
}

// Where the text sits in the drawing area; option 0 fit to the cursor, 1
// left part, 2 right part, 3 keep the part shown.
void XStuff::placeText(int textWidth, int textHeight, int option) {
  if (!private_) return;
  Private& p = *private_;
  PlacementInput in;
  in.textWidth = textWidth;
  in.textHeight = textHeight;
  const Size shell = WidgetSize(shell_), drawing = WidgetSize(p.drawing);
  const int chromeWidth = std::max(0, shell.width - drawing.width);
  const int chromeHeight = std::max(0, shell.height - drawing.height);
  in.usableWidth = availableWidth() - HorizontalFrames() - chromeWidth - 2;
  const int workHeight = p.workAreaKnown ? p.workHeight : screenHeight_;
  in.usableHeight = workHeight - chromeHeight - VerticalFrames() - 2;
  if (p.maximized) {
    in.usableWidth = drawing.width - 2;
    in.usableHeight = drawing.height - 2;
  }
  in.centred = p.maximized;
  // A wide screen that no font fits shows half at a time whatever the
  // large-screen behaviour; "USE_LAST_FONT" chooses to.
  in.splitAllowed = columns_ != 80;
  in.cursorColumnEnd = (cursorPosition_ % std::max(columns_, 1) + 1) * cellWidth_;
  in.option = static_cast<PlacementOption>(option & 3);
  in.previous = p.placement;
  const TextPlacement before = p.placement;
  p.placement = PlaceText(in);
  originX_ = p.placement.originX;
  originY_ = p.placement.originY;
  if (p.painter) p.painter->setOrigin(originX_, originY_);
  showStatusWidget("right_arrow", p.placement.splitView && !p.placement.rightPart);
  showStatusWidget("left_arrow", p.placement.splitView && p.placement.rightPart);
  if (before.originX != p.placement.originX || before.originY != p.placement.originY) {
    if (p.drawing && XtIsRealized(p.drawing)) XClearArea(XtDisplay(p.drawing), XtWindow(p.drawing), 0, 0, 0, 0, False);
    dirty_.widen(0, cells());
  }
  // The image window stands on the text's cells: it follows a new origin,
  // cell size or screen size.
  if (SessionImages* images = ImagesOfSession(session_)) images->resizeWindow();
}

void XStuff::leftArrowCallback() {
  if (!private_ || !private_->placement.splitView) return;
  placeText(columns_ * cellWidth_, rows_ * cellHeight_, 1);
  Flush_X5250(0);
}

void XStuff::rightArrowCallback() {
  if (!private_ || !private_->placement.splitView) return;
  placeText(columns_ * cellWidth_, rows_ * cellHeight_, 2);
  Flush_X5250(0);
}

void XStuff::toggleTextSide() {
  if (showingRightPart())
    leftArrowCallback();
  else
    rightArrowCallback();
}

// The drawing area takes the text's size, but never more than the work
// area's width (the text then shows half at a time).
void XStuff::fitDrawingToWorkArea() {
  Private& p = *private_;
  const Size shell = WidgetSize(shell_), drawing = WidgetSize(p.drawing);
  const int chromeWidth = std::max(0, shell.width - drawing.width);
  const int availableW = availableWidth() - HorizontalFrames() - chromeWidth;
  setDrawingSize(std::min(columns_ * cellWidth_ + 2, availableW), rows_ * cellHeight_ + 2);
}

// Room from the 24x80 position to the work area's lower right corner.
void XStuff::changeFontIfNeeded() {
  Private& p = *private_;
  const Size shell = WidgetSize(shell_), drawing = WidgetSize(p.drawing);
  const int chromeWidth = std::max(0, shell.width - drawing.width);
  const int chromeHeight = std::max(0, shell.height - drawing.height);
  const int right = p.workAreaKnown ? p.workX + p.workWidth : screenWidth_;
  const int bottom = p.workAreaKnown ? p.workY + p.workHeight : screenHeight_;
  const int x = p.saved24x80.valid ? p.saved24x80.x : 0, y = p.saved24x80.valid ? p.saved24x80.y : 0;
  const int roomWidth = right - HorizontalFrames() - x - chromeWidth;
  const int roomHeight = bottom - chromeHeight - VerticalFrames() - y;
  const int needWidth = columns_ * cellWidth_ + 2, needHeight = rows_ * cellHeight_ + 2;
  if (needWidth <= roomWidth && needHeight <= roomHeight) {
    setDrawingSize(needWidth, needHeight);
    return;
  }
  const int entry = fitFontEntry(roomWidth - 2, roomHeight - 2);
  if (entry >= 0 && entry != p.currentEntry) selectNewFont(entry, false);
  fitDrawingToWorkArea();
}

void XStuff::changeFontForMaximizedWindowIfNeeded() {
  Private& p = *private_;
  const Size drawing = WidgetSize(p.drawing);
  const int textWidth = columns_ * cellWidth_, textHeight = rows_ * cellHeight_;
  if (textWidth <= drawing.width - 2 && textHeight <= drawing.height - 2) {
    placeText(textWidth, textHeight, 0);
    return;
  }
  const int entry = fitFontEntry(drawing.width - 2, drawing.height - 2);
  p.fontChangedForMaximize = true;
  if (entry >= 0 && entry != p.currentEntry) selectNewFont(entry, false);
  placeText(columns_ * cellWidth_, rows_ * cellHeight_, 0);
}

// A screen larger than 24x80 arrived: by the large-screen preference the
// window keeps, reduces or moves.
void XStuff::largeScreenPlacement() {
  Private& p = *private_;
  refreshWorkArea();
  p.movedAway = false;
  if (p.maximized) {
    changeFontForMaximizedWindowIfNeeded();
    return;
  }
  const int behaviour = largeScreenBehavior_ == 0 ? 2 : largeScreenBehavior_;
  const Size shell = WidgetSize(shell_), drawing = WidgetSize(p.drawing);
  const int chromeWidth = std::max(0, shell.width - drawing.width);
  const int chromeHeight = std::max(0, shell.height - drawing.height);
  const int availableW = availableWidth() - HorizontalFrames() - chromeWidth;
  const int workHeight = p.workAreaKnown ? p.workHeight : screenHeight_;
  const int availableH = workHeight - chromeHeight - VerticalFrames();

  if (behaviour == 3 && columns_ > 80) {
    int entry = -1;
    int stored = -1;
    if (DeskTopSettings::instance().getFontSizeForScreenSize(rows_, columns_, &stored) && stored >= 0 &&
        stored < p.family->count && p.fontChoice.usable[stored])
      entry = stored;
    if (entry < 0 && p.lastLargeEntry >= 0) entry = p.lastLargeEntry;
    if (entry < 0) entry = p.currentEntry;
    // A loaded font tells its real height; the table tells the others'.
    const LoadedFontSet* set = entry >= 0 ? FontSetsOfEntry(p, nullptr, entry, false).session : nullptr;
    const int height = set && set->font ? set->font->ascent + set->font->descent
                                        : (entry >= 0 ? p.family->table[entry].cellHeight : 0);
    if (entry >= 0 && rows_ * height + 2 + chromeGrowth(height) <= availableH) {
      p.lastLargeEntry = entry;
      if (entry != p.currentEntry) selectNewFont(entry, false);
      const int textWidth = columns_ * cellWidth_, textHeight = rows_ * cellHeight_;
      placeText(textWidth, textHeight, 0);
      setDrawingSize(std::min(textWidth + 2, availableW), textHeight + 2);
      moveWindowAsCloseTo24x80PosAsPossible();
      return;
    }
  }
  if (behaviour == 2) {
    changeFontIfNeeded();
    if (p.saved24x80.valid)
      XtVaSetValues(shell_, XtNx, static_cast<Position>(p.saved24x80.x), XtNy, static_cast<Position>(p.saved24x80.y),
                    nullptr);
    placeText(columns_ * cellWidth_, rows_ * cellHeight_, 0);
    return;
  }
  if (behaviour == 4) {
    changeFontIfNeeded();
    placeText(columns_ * cellWidth_, rows_ * cellHeight_, 0);
    moveWindowAsCloseTo24x80PosAsPossible();
    return;
  }
  // 1, and 3 when the font is too tall: move the window, reduce the font
  // only when the screen cannot hold the text.
  const int textWidth = columns_ * cellWidth_ + 2, textHeight = rows_ * cellHeight_ + 2;
  if (textWidth <= availableW && textHeight <= availableH) {
    setDrawingSize(textWidth, textHeight);
  } else {
    const int entry = fitFontEntry(std::min(textWidth, availableW) - 2, std::min(textHeight, availableH) - 2);
    if (entry >= 0 && entry != p.currentEntry) selectNewFont(entry, false);
    fitDrawingToWorkArea();
  }
  placeText(columns_ * cellWidth_, rows_ * cellHeight_, 0);
  moveWindowAsCloseTo24x80PosAsPossible();
}

// Font-menu entries that cannot show the screen are insensitive.
void XStuff::setFontTogglesSensitivity(bool large) {
  Private& p = *private_;
  const Size shell = WidgetSize(shell_), drawing = WidgetSize(p.drawing);
  const int chromeWidth = std::max(0, shell.width - drawing.width);
  const int chromeHeight = std::max(0, shell.height - drawing.height);
  const int workHeight = p.workAreaKnown ? p.workHeight : screenHeight_;
  std::vector<LoadedFontSet>& sets = p.fonts->drawingSets.empty() ? p.fonts->menuSets : p.fonts->drawingSets;
  for (size_t i = 0; i < p.fontToggles.size() && i < sets.size(); ++i) {
    bool fits = true;
    if (large && sets[i].font) {
      const XFontStruct* f = sets[i].font;
      const int cellHeight = f->ascent + f->descent;
      const int width = f->max_bounds.width * columns_ + 2 + chromeWidth + HorizontalFrames();
      const int height = cellHeight * rows_ + 2 + chromeHeight + chromeGrowth(cellHeight) + VerticalFrames();
      if (largeScreenBehavior_ != 3 && width > availableWidth()) fits = false;
      if (height > workHeight) fits = false;
    }
    XtSetSensitive(p.fontToggles[i], fits ? True : False);
  }
}

void XStuff::x_set_rows_columns(int rows, int columns) {
  if (rows <= 0 || columns <= 0 || rows * columns > kMaxCells) {
    LogMsg(LevelWarning, "x_set_rows_columns: %d x %d refused.\n", rows, columns);
    return;
  }
  if (rows == rows_ && columns == columns_) return;
  clearcurs(0);
  const bool was24x80 = rows_ == 24 && columns_ == 80;
  if (was24x80 && private_ && shell_ && !private_->maximized) {
    Position x = 0, y = 0;
    XtVaGetValues(shell_, XtNx, &x, XtNy, &y, nullptr);
    const Size s = WidgetSize(shell_);
    private_->saved24x80 = {true, x, y, s.width, s.height, private_->currentEntry};
  }
  rows_ = rows;
  columns_ = columns;
  if (private_ && private_->painter)
    private_->painter->setScreen(chars_.data(), attributes_.data(), overlay_.data(), columns_, cells());
  // The first repaint in the new size waits for the window to settle.
  deferNextFlush_ = true;
  dirty_.reset(cells());
  dirty_.widen(0, cells());
  if (cursorPosition_ >= cells()) cursorPosition_ = 0;
  if (!private_ || !private_->drawing || !private_->family || cellWidth_ <= 0 || cellHeight_ <= 0) return;
  Private& p = *private_;
  XtVaSetValues(p.drawing, QwNcols, static_cast<Dimension>(columns), QwNrows, static_cast<Dimension>(rows), nullptr);
  if (XtIsRealized(p.drawing)) XClearArea(XtDisplay(p.drawing), XtWindow(p.drawing), 0, 0, 0, 0, False);

  const bool large = columns > 80 || rows > 24;
  if (large) {
    largeScreenPlacement();
  } else if (p.maximized) {
    if (p.saved24x80.valid && p.saved24x80.entry >= 0 && p.saved24x80.entry != p.currentEntry) {
      p.fontChangedForMaximize = true;
      selectNewFont(p.saved24x80.entry, false);
    }
    placeText(columns_ * cellWidth_, rows_ * cellHeight_, 0);
  } else {
    if (p.movedAway && p.saved24x80.valid)
      XtVaSetValues(shell_, XtNx, static_cast<Position>(p.saved24x80.x), XtNy, static_cast<Position>(p.saved24x80.y),
                    nullptr);
    p.movedAway = false;
    if (p.saved24x80.valid && p.saved24x80.entry >= 0 && p.saved24x80.entry != p.currentEntry)
      selectNewFont(p.saved24x80.entry, false);
    placeText(columns_ * cellWidth_, rows_ * cellHeight_, 0);
    setDrawingSize(columns_ * cellWidth_ + 2, rows_ * cellHeight_ + 2);
  }
  setFontTogglesSensitivity(large);
}

// A resize of the drawing widget: the toolkit may still be working through
// configure events of sizes the window asked for itself, so the work waits
// for a moment and then looks at the size the server has.
void XStuff::resizeWindow() {
  if (!private_ || !private_->drawing || !shell_ || cells() == 0 || ended_) return;
  Private& p = *private_;
  if (DebugFlag()) {
    const Size shell = WidgetSize(shell_), drawing = WidgetSize(p.drawing);
    LogMsg(LevelDebug, "Resize to %dx%d (drawing %dx%d)%s.\n", shell.width, shell.height, drawing.width,
           drawing.height, p.changingFont || p.internalResize ? ", the window's own" : "");
  }
  if (p.changingFont || p.internalResize) return;
  if (p.finishResizeTimer) XtRemoveTimeOut(p.finishResizeTimer);
  p.finishResizeTimer = XtAppAddTimeOut(XtWidgetToApplicationContext(shell_), 1, FinishResizeTimer, this);
}

bool XStuff::fillsWorkArea() const { return private_ && private_->maximized; }

void XStuff::finishResizeWindow() {
  if (!private_ || !private_->drawing || !shell_ || !XtIsRealized(shell_) || ended_) return;
  Private& p = *private_;
  Display* display = XtDisplay(shell_);
  XWindowAttributes real;
  if (!XGetWindowAttributes(display, XtWindow(shell_), &real)) return;
  const Size shellCore = WidgetSize(shell_), drawingCore = WidgetSize(p.drawing);
  const int chromeWidth = std::max(0, shellCore.width - drawingCore.width);
  const int chromeHeight = std::max(0, shellCore.height - drawingCore.height);
  const Size shell{real.width, real.height};
  const Size drawing{std::max(1, shell.width - chromeWidth), std::max(1, shell.height - chromeHeight)};
  refreshWorkArea();
  const int workHeight = p.workAreaKnown ? p.workHeight : screenHeight_;
  const bool zoomed = shell.width >= availableWidth() - HorizontalFrames() &&
                      shell.height >= workHeight - VerticalFrames();
  const bool returned = !zoomed && p.maximized && shell.width == p.normalWidth && shell.height == p.normalHeight;
  const long long now = MonotonicMs();
  bool own = false;
  for (const Private::OwnSize& o : p.ownSizes)
    if (o.width == shell.width && o.height == shell.height && now - o.atMs < 1000) own = true;
  const unsigned long tuning = static_cast<unsigned long>(std::max(0, AppResources().RESIZE_TUNING));
  const bool tooSoon = GetCurrentTime() - p.lastFontChange < tuning && !zoomed && !returned;
  if (tooSoon) {
    if (!p.maximized) {
      p.normalWidth = shell.width;
      p.normalHeight = shell.height;
    }
    return;
  }
  int entry = p.currentEntry;
  const int textWidth = columns_ * cellWidth_;
  if (own) {
    // A size the window asked for itself keeps the font.
  } else if (p.maximized && zoomed && textWidth <= drawing.width - 2 && rows_ * cellHeight_ <= drawing.height - 2) {
    // The maximized window keeps its font while the text fits.
  } else if (returned && p.maximizedRows == rows_ && p.maximizedColumns == columns_ && p.maximizedEntry >= 0) {
    entry = p.maximizedEntry;
  } else {
    entry = fitFontEntry(drawing.width - 2, drawing.height - 2);
  }
  if (DebugFlag())
    LogMsg(LevelDebug, "Resize of %dx%d%s: font entry %d.\n", shell.width, shell.height,
           zoomed ? " (zoomed)" : "", entry);
  if (!zoomed) {
    p.maximized = false;
  } else if (!p.maximized) {
    p.maximized = true;
    p.maximizedEntry = p.currentEntry;
    p.maximizedRows = rows_;
    p.maximizedColumns = columns_;
  }
  if (entry >= 0 && entry != p.currentEntry) {
    p.fontChangedByResize = true;
    changeFont(entry, true, zoomed);
    // A Thai session keeps showing a Thai font: the one of the new size.
    if (thai_) x_set_thai_font();
    for (size_t i = 0; i < p.fontToggles.size() && i < p.fontChoice.menuEntries.size(); ++i)
      XmToggleButtonSetState(p.fontToggles[i], p.fontChoice.menuEntries[i] == p.currentEntry ? True : False, False);
  }
  if (!zoomed) {
    // The window settles on the text (half of it in a split view).
    fitDrawingToWorkArea();
    const Size settled = WidgetSize(shell_);
    p.normalWidth = settled.width;
    p.normalHeight = settled.height;
  }
  placeText(columns_ * cellWidth_, rows_ * cellHeight_, 3);
  if (XtIsRealized(p.drawing)) XClearArea(display, XtWindow(p.drawing), 0, 0, 0, 0, False);
  dirty_.widen(0, cells());
  Flush_X5250(0);
  // A window that grew past the work area moves back inside; at a large
  // screen size it returns to its 24x80 place later.
  Position px = 0, py = 0;
  XtVaGetValues(shell_, XtNx, &px, XtNy, &py, nullptr);
  int x = px, y = py;
  if (!isLowerRightCornerOnScreen() && ensureLowerRightCornerOnScreen(x, y) && !(rows_ == 24 && columns_ == 80))
    p.movedAway = true;
  updateDeskTopSettingForSession();
}

void XStuff::updateDeskTopSettingForSession(bool lastSession) {
  if (!private_ || !shell_ || !session_ || !XtIsRealized(shell_) || private_->maximized || rows_ != 24 ||
      columns_ != 80)
    return;
  Position x = 0, y = 0;
  XtVaGetValues(shell_, XtNx, &x, XtNy, &y, nullptr);
  refreshWorkArea();
  const int workX = private_->workAreaKnown ? private_->workX : 0;
  DeskTopSettings::instance().updateSettingsForSession(session_->sessionId, x - WMLeftBorderWidth() - workX,
                                                       y - WMTopBorderHeight() - WMTitleHeight(),
                                                       private_->currentEntry, lastSession);
}
