// The Thai fonts of a Thai session window: the pair that suits the window's
// cell size, the separate font while composition is off and the composing
// font while it is on.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>

#include "base/LogMsg.h"
#include "xfront/ThaiFonts.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

void XStuff::loadThaiFonts() {
  if (!private_ || !private_->fonts || !private_->drawing || private_->fonts->thaiFontsLoaded) return;
  SessionWindowFonts& f = *private_->fonts;
  f.thaiFontsLoaded = true;
  Display* display = XtDisplay(private_->drawing);
  size_t count = 0;
  const thai::FontPair* pairs = thai::FontPairs(&count);
  for (size_t i = 0; i < count; ++i) {
    XFontStruct* separate = XLoadQueryFont(display, pairs[i].separate);
    XFontStruct* composing = XLoadQueryFont(display, pairs[i].composing);
    // A pair serves only whole, with cells of one width.
    if (!separate || !composing || separate->max_bounds.width != composing->max_bounds.width) {
      if (DebugFlag())
        LogMsg(LevelDebug, "Thai font pair %s and %s is not available.\n", pairs[i].separate, pairs[i].composing);
      if (separate) XFreeFont(display, separate);
      if (composing) XFreeFont(display, composing);
      separate = composing = nullptr;
    }
    f.thaiFonts[0].push_back(separate);
    f.thaiFonts[1].push_back(composing);
  }
}

void XStuff::determineCorrespondingThaiFonts(XFontStruct* font, XFontStruct** separate, XFontStruct** composing) {
  if (separate) *separate = nullptr;
  if (composing) *composing = nullptr;
  if (!font || !private_ || !private_->fonts) return;
  const SessionWindowFonts& f = *private_->fonts;
  for (size_t i = 0; i < f.thaiFonts[0].size() && i < f.thaiFonts[1].size(); ++i)
    if (f.thaiFonts[0][i] == font || f.thaiFonts[1][i] == font) {
      if (separate) *separate = f.thaiFonts[0][i];
      if (composing) *composing = f.thaiFonts[1][i];
      return;
    }
}

void XStuff::x_set_thai_font() {
  if (!thai_ || !private_ || !private_->drawing || !private_->fonts || !shell_) return;
  Private& p = *private_;
  loadThaiFonts();
  const std::vector<XFontStruct*>* lists = p.fonts->thaiFonts;
  XFontStruct *separate = nullptr, *composing = nullptr;
  determineCorrespondingThaiFonts(p.currentFont, &separate, &composing);
  int pair = -1;
  for (size_t i = 0; separate && i < lists[0].size(); ++i)
    if (lists[0][i] == separate) pair = static_cast<int>(i);
  if (pair < 0) {
    std::vector<int> widths;
    for (XFontStruct* font : lists[0]) widths.push_back(font ? font->max_bounds.width : 0);
    pair = thai::PairForCellWidth(widths.data(), widths.size(), cellWidth_);
  }
  if (pair < 0) {
    LogMsg(LevelWarning, "No Thai font is available (xfonts-thai); the session keeps its font.\n");
    if (cells() > 0) Flush_X5250(0, cells() - 1, 1, 0);
    return;
  }
  XFontStruct* font = lists[thaiCompose_ ? 1 : 0][static_cast<size_t>(pair)];
  if (font != p.currentFont) {
    p.changingFont = true;
    Boolean waitForWm = True;
    XtVaGetValues(shell_, XtNwaitForWm, &waitForWm, nullptr);
    XtVaSetValues(shell_, XtNwaitForWm, False, nullptr);
    clearcurs(0);
    p.thaiFontInUse = true;
    p.thaiPair = pair;
    p.currentFont = font;
    showDrawingFont(font, nullptr, false);
    XtVaSetValues(shell_, XtNwaitForWm, waitForWm, nullptr);
    p.changingFont = false;
    if (DebugFlag()) LogMsg(LevelDebug, "TH: font %s\n", drawingFontName().c_str());
  }
  if (cells() > 0) Flush_X5250(0, cells() - 1, 1, 0);
}

std::string XStuff::drawingFontName() const {
  if (!private_ || !private_->drawing) return std::string();
  XFontStruct* font = nullptr;
  XtVaGetValues(private_->drawing, QwNfontP, &font, nullptr);
  unsigned long atom = 0;
  if (!font || !XGetFontProperty(font, XA_FONT, &atom)) return std::string();
  char* name = XGetAtomName(XtDisplay(private_->drawing), static_cast<Atom>(atom));
  std::string text = name ? name : "";
  if (name) XFree(name);
  return text;
}
