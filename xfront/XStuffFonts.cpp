// The session font at run time: loading table entries when first needed,
// switching the window to another font (font menu, font actions, a resize),
// and fitting a font to a window size.
#include <X11/Xatom.h>
#include <Xm/ToggleB.h>
#include <Xm/Xm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "base/CurrentTime.h"
#include "base/LogMsg.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/WMGeometry.h"
#include "tools/PlayRecord.h"
#include "xfront/DeskTopSettings.h"
#include "xfront/KeypadButtons.h"
#include "xfront/LocalPrint.h"
#include "xfront/ThaiFonts.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace {

long long MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void FreeEntryFonts(Display* display, EntryFonts* fonts) {
  FreeFontSet(display, &fonts->session);
  FreeFontSet(display, &fonts->message);
  FreeFontSet(display, &fonts->euro);
}

// Loads the font sets of a table entry that is not in the font menu: the
// session's, the program's texts' when their locale differs (or in a euro
// session), the euro sign's in a euro session. All or nothing.
bool LoadEntryFonts(XStuff::Private& p, Display* display, int entry, EntryFonts* out) {
  char name[kFontNameBufferSize];
  if (!GenerateFontNameString(*p.family, entry, name, sizeof name)) return false;
  auto locale = [](const std::string& l) { return l.empty() ? nullptr : l.c_str(); };
  if (!LoadFontSet(display, name, locale(p.drawingLocale), &out->session)) {
    LogMsg(LevelError, "%s: unable to load nonmenu session font for font string %s\n", "QWC0180", name);
    return false;
  }
  const bool euro = !p.euroLocale.empty();
  if ((p.messageLocale != p.drawingLocale || euro) &&
      !LoadFontSet(display, name, locale(p.messageLocale), &out->message)) {
    LogMsg(LevelError, "%s: unable to load nonmenu mri font for font string %s\n", "QWC0181", name);
    FreeEntryFonts(display, out);
    return false;
  }
  if (euro && !LoadFontSet(display, name, p.euroLocale.c_str(), &out->euro)) {
    LogMsg(LevelError, "%s: unable to load nonmenu euro font for font string %s\n", "QWC0181", name);
    FreeEntryFonts(display, out);
    return false;
  }
  return true;
}

// The session font set of a loaded entry, or null.
LoadedFontSet* LoadedEntry(XStuff::Private& p, int entry) { return FontSetsOfEntry(p, nullptr, entry, false).session; }

LoadedFontSet* LoadEntry(XStuff::Private& p, Display* display, int entry) {
  return FontSetsOfEntry(p, display, entry, true).session;
}

// A window holds at most this many fonts: the font menu's and those loaded
// later together, but always room for the font in use, the two remembered
// ones (24x80 and large screens) and the one being loaded.
constexpr int kFontSlots = 16;
constexpr int kMinExtraSlots = 4;

int ExtraSlots(const XStuff::Private& p) {
  return std::max(kFontSlots - static_cast<int>(p.fontChoice.menuEntries.size()), kMinExtraSlots);
}

// True for entries something may still show: the font in use and the fonts
// the window returns to.
bool EntryInUse(const XStuff::Private& p, int entry) {
  return entry == p.currentEntry || entry == p.lastLargeEntry || entry == p.maximizedEntry ||
         (p.saved24x80.valid && entry == p.saved24x80.entry);
}

bool EntryUsable(const XStuff::Private& p, int entry) {
  return entry >= 0 && entry < static_cast<int>(p.fontChoice.usable.size()) && p.fontChoice.usable[entry];
}

}  // namespace

// Frees the fonts loaded after the window was built that nothing shows any
// more. Only the font in use is ever handed to the drawing widget, the
// menus, the status line, the keypads and the dialogs, and every change of
// font hands the new one to all of them before this runs, so an entry other
// than the current and the remembered ones is held by nobody.
static void ReleaseUnusedEntryFonts(XStuff::Private& p, Display* display) {
  if (!p.fonts || !display) return;
  auto& sets = p.fonts->entrySets;
  for (auto it = sets.begin(); it != sets.end();) {
    if (EntryInUse(p, it->first)) {
      ++it;
      continue;
    }
    if (DebugFlag()) LogMsg(LevelDebug, "changeFont: freeing font resources for font #%d\n", it->first);
    FreeEntryFonts(display, &it->second);
    it = sets.erase(it);
  }
}

EntryFontSets FontSetsOfEntry(XStuff::Private& p, Display* display, int entry, bool load) {
  EntryFontSets out;
  if (!p.fonts || !p.family || entry < 0 || entry >= p.family->count) return out;
  SessionWindowFonts& f = *p.fonts;
  for (size_t i = 0; i < p.fontChoice.menuEntries.size() && i < f.menuSets.size(); ++i) {
    if (p.fontChoice.menuEntries[i] != entry) continue;
    out.message = &f.menuSets[i];
    out.session = i < f.drawingSets.size() ? &f.drawingSets[i] : out.message;
    if (i < f.euroSets.size()) out.euro = &f.euroSets[i];
    return out;
  }
  auto it = f.entrySets.find(entry);
  if (it == f.entrySets.end()) {
    if (!load || !display) return out;
    if (static_cast<int>(f.entrySets.size()) >= ExtraSlots(p)) ReleaseUnusedEntryFonts(p, display);
    if (static_cast<int>(f.entrySets.size()) >= ExtraSlots(p)) {
      LogMsg(LevelError, "%s: no free font slot for font #%d\n", "QWC0180", entry);
      return out;
    }
    EntryFonts loaded;
    if (!LoadEntryFonts(p, display, entry, &loaded)) return out;
    it = f.entrySets.emplace(entry, loaded).first;
  }
  EntryFonts& e = it->second;
  out.session = &e.session;
  out.message = e.message.fontSet ? &e.message : &e.session;
  if (e.euro.fontSet) out.euro = &e.euro;
  return out;
}

int XStuff::currentFontEntry() const { return private_ ? private_->currentEntry : -1; }

unsigned char XStuff::getCurFontsetNumber() const {
  return static_cast<unsigned char>(private_ && private_->currentEntry >= 0 ? private_->currentEntry : 0);
}

int XStuff::loadedExtraFonts() const {
  return private_ && private_->fonts ? static_cast<int>(private_->fonts->entrySets.size()) : 0;
}

int XStuff::toggle_mod(int n) {
  if (n < 1 || n > 5) return 0;
  const unsigned int bit = 0x08u << (n - 1);
  latchedModifiers_ ^= bit;
  return (latchedModifiers_ & bit) ? 1 : 0;
}

// The best usable entry for width x height pixels of text. Entries not yet
// loaded are judged by the table; a chosen one is loaded and judged again
// by its real size, so the text always fits when any font fits.
int XStuff::fitFontEntry(int width, int height) {
  if (!private_ || !private_->family || !private_->drawing) return -1;
  Private& p = *private_;
  Display* display = XtDisplay(p.drawing);
  // The height is the drawing area's with the current font: a taller font
  // makes the menu bar and status line taller too, and leaves less to the
  // text. Candidates carry the whole height they need (fitted as one row).
  const int rows = std::max(rows_, 1);
  auto effective = [this, rows](int cellHeight) { return rows * cellHeight + chromeGrowth(cellHeight); };
  // A Thai session shows, for an entry, the Thai font of the pair that
  // suits the entry's cell width (x_set_thai_font): that font's cells are
  // the ones to fit.
  std::vector<int> thaiWidths;
  if (thai_ && p.thaiFontInUse && p.fonts)
    for (XFontStruct* font : p.fonts->thaiFonts[0]) thaiWidths.push_back(font ? font->max_bounds.width : 0);
  auto candidate = [&](int entry, int cellWidth, int cellHeight) {
    const int pair = thai::PairForCellWidth(thaiWidths.data(), thaiWidths.size(), cellWidth);
    if (pair >= 0) {
      const XFontStruct* shown = p.fonts->thaiFonts[thaiCompose_ ? 1 : 0][static_cast<size_t>(pair)];
      cellWidth = shown->max_bounds.width;
      cellHeight = shown->ascent + shown->descent;
    }
    return FontCandidate{entry, cellWidth, effective(cellHeight)};
  };
  std::vector<FontCandidate> candidates;
  for (int e = 0; e < p.family->count; ++e) {
    if (!EntryUsable(p, e)) continue;
    const FontStats& t = p.family->table[e];
    if (const LoadedFontSet* s = LoadedEntry(p, e); s && s->font)
      candidates.push_back(candidate(e, s->font->max_bounds.width, s->font->ascent + s->font->descent));
    else
      candidates.push_back(candidate(e, t.cellWidth, t.cellHeight));
  }
  for (int attempt = 0; attempt < 4; ++attempt) {
    const int i = FitFontToWindow(candidates, columns_, 1, width, height);
    if (i < 0) return -1;
    FontCandidate& c = candidates[i];
    const LoadedFontSet* s = LoadEntry(p, display, c.entry);
    if (!s || !s->font) {
      candidates.erase(candidates.begin() + i);
      continue;
    }
    const FontCandidate measured = candidate(c.entry, s->font->max_bounds.width, s->font->ascent + s->font->descent);
    if (measured.cellWidth == c.cellWidth && measured.cellHeight == c.cellHeight) return c.entry;
    c = measured;
  }
  const int i = FitFontToWindow(candidates, columns_, 1, width, height);
  return i < 0 ? -1 : candidates[i].entry;
}

bool XStuff::selectNewFont(int entry, bool interactive) {
  if (!private_ || !private_->family || entry < 0 || entry >= private_->family->count) return false;
  Private& p = *private_;
  const bool changed = changeFont(entry, interactive, false);
  // A Thai session shows the Thai font of the chosen size.
  if (thai_) x_set_thai_font();
  // Exactly the toggle of the font in use is set.
  for (size_t i = 0; i < p.fontToggles.size() && i < p.fontChoice.menuEntries.size(); ++i)
    XmToggleButtonSetState(p.fontToggles[i], p.fontChoice.menuEntries[i] == p.currentEntry ? True : False, False);
  return changed;
}

void XStuff::fontMenuSelected(Widget toggle) {
  if (!private_) return;
  Private& p = *private_;
  for (size_t i = 0; i < p.fontToggles.size() && i < p.fontChoice.menuEntries.size(); ++i)
    if (p.fontToggles[i] == toggle) {
      selectNewFont(p.fontChoice.menuEntries[i], true);
      return;
    }
}

bool XStuff::changeFont(int entry, bool interactive, bool byResize) {
  if (!private_ || !private_->drawing || !private_->family) return false;
  Private& p = *private_;
  Display* display = XtDisplay(p.drawing);
  const EntryFontSets sets = FontSetsOfEntry(p, display, entry, true);
  LoadedFontSet* set = sets.session;
  if (!set || !set->font) return false;
  if (entry == p.currentEntry && !p.thaiFontInUse) return false;
  int cornerX = 0, cornerY = 0;
  bool cornerOnScreen = false;
  if (shell_ && XtIsRealized(shell_)) {
    Position x = 0, y = 0;
    XtVaGetValues(shell_, XtNx, &x, XtNy, &y, nullptr);
    cornerX = x;
    cornerY = y;
    cornerOnScreen = isLowerRightCornerOnScreen();
  }
  p.changingFont = true;
  // The shell's size requests of this change (the status line's and menu
  // bar's new heights, the drawing area's new size) are granted at once.
  Boolean waitForWm = True;
  XtVaGetValues(shell_, XtNwaitForWm, &waitForWm, nullptr);
  XtVaSetValues(shell_, XtNwaitForWm, False, nullptr);
  clearcurs(0);
  const int previous = p.currentEntry;
  p.currentEntry = entry;
  p.currentFont = set->font;
  p.currentFontSet = set->fontSet;
  p.currentMessageSet = sets.message ? sets.message->fontSet : set->fontSet;
  p.currentEuroSet = sets.euro ? sets.euro->fontSet : nullptr;
  p.thaiFontInUse = false;
  const LoadedFontSet* message = sets.message ? sets.message : set;
  showDrawingFont(set->font, message, byResize);
  p.lastFontChange = GetCurrentTime();
  if (DebugFlag()) LogMsg(LevelDebug, "Session font changed from entry %d to entry %d.\n", previous, entry);

  if (interactive && cornerOnScreen && shell_) {
    int x = cornerX, y = cornerY;
    ensureLowerRightCornerOnScreen(x, y);
  }
  if (interactive) {
    DeskTopSettings::instance().updateFontSizeSettingForScreenSize(rows_, columns_, entry);
    if (columns_ > 80) p.lastLargeEntry = entry;
    if (rows_ == 24 && columns_ == 80 && !byResize) updateDeskTopSettingForSession();
  }
  XtVaSetValues(shell_, XtNwaitForWm, waitForWm, nullptr);
  p.changingFont = false;
  // Everything shows the new font now: the previous one (and a remembered
  // large font replaced above) can go.
  ReleaseUnusedEntryFonts(p, display);
  return true;
}

// The drawing area shows `font`: cell metrics, the widget's font, the
// window's size for the text, the painting contexts and a whole repaint.
void XStuff::showDrawingFont(XFontStruct* font, const LoadedFontSet* message, bool byResize) {
  Private& p = *private_;
  Display* display = XtDisplay(p.drawing);
  cellWidth_ = font->max_bounds.width;
  cellHeight_ = font->ascent + font->descent;
  unsigned long value = 0;
  p.underlineThickness = XGetFontProperty(font, XA_UNDERLINE_THICKNESS, &value) ? static_cast<int>(value) : 1;
  p.underlinePosition = XGetFontProperty(font, XA_UNDERLINE_POSITION, &value) ? font->ascent + static_cast<int>(value)
                                                                               : cellHeight_ - p.underlineThickness;
  XtVaSetValues(p.drawing, QwNfontP, font, nullptr);
  // Menus, status line and dialogs take the entry's font for the program's
  // texts first: the drawing area's size below counts their new heights.
  if (message && message->fontList) setOptionMenuFont(message->fontList);

  const int textWidth = columns_ * cellWidth_, textHeight = rows_ * cellHeight_;
  placeText(textWidth, textHeight, 0);
  if (!p.maximized && !byResize) {
    int width = textWidth + 2;
    const int hf = WMLeftBorderWidth() + WMRightBorderWidth();
    Dimension shellWidth = 0, drawingWidth = 0;
    XtVaGetValues(shell_, XtNwidth, &shellWidth, nullptr);
    XtVaGetValues(p.drawing, XtNwidth, &drawingWidth, nullptr);
    const int chromeWidth = shellWidth > drawingWidth ? shellWidth - drawingWidth : 0;
    const int limit = availableWidth() - hf - chromeWidth;
    if (columns_ != 80 && width > limit) width = limit;
    setDrawingSize(width, textHeight + 2);
  }
  creategc(true);
  if (XtIsRealized(p.drawing)) XClearArea(display, XtWindow(p.drawing), 0, 0, 0, 0, False);
  dirty_.widen(0, cells());
  deferNextFlush_ = false;
  Flush_X5250(0);

  if (p.fontCascade) {
    char text[160];
    std::snprintf(text, sizeof text, "%s   %dx%d", p.fontCascadeLabel.c_str(), cellWidth_, cellHeight_);
    XmString label = XmStringCreateLocalized(text);
    XtVaSetValues(p.fontCascade, XmNlabelString, label, nullptr);
    XmStringFree(label);
  }
}

// The window's menus, status line, keypads and open dialogs take a render
// table (the font of the program's texts).
void XStuff::setOptionMenuFont(XmRenderTable table) {
  if (!private_ || !private_->fonts || !table) return;
  Private& p = *private_;
  XmFontList copy = XmFontListCopy(table);
  if (!copy) return;
  if (p.fonts->menuList) XmFontListFree(p.fonts->menuList);
  p.fonts->menuList = copy;
  for (Widget w : menuBarWidgets_)
    if (w != p.menuBar) XtVaSetValues(w, XmNrenderTable, copy, nullptr);
  applyStatusLineFont(copy);
  if (keypadButtons_) keypadButtons_->changeKeypadFonts(copy);
  if (localPrint_) localPrint_->changeFont(&p.fonts->menuList);
  if (session_) session_->playRecord.changeFont(copy);
  ErrorDialogs& dialogs = TheErrorDialogs();
  for (int i = 0; i < ErrorDialogs::kSlots; ++i) {
    Widget d = dialogs.dialogOf(i);
    if (d && dialogs.kindOf(i) == DialogKindMessage && XtParent(d) && XtParent(XtParent(d)) == shell_)
      dialogs.changeFonts(d, &p.fonts->menuList);
  }
}

void XStuff::rotateFont(int direction) {
  if (!private_ || !private_->family || direction < 0 || direction > 3) return;
  Private& p = *private_;
  if (p.resources.fontMenu == QwDisableNoResizeOrMove) return;
  const long long now = MonotonicMs();
  if (now - p.lastRotation < 500) return;
  const FontFamily& family = *p.family;
  const int hf = WMLeftBorderWidth() + WMRightBorderWidth();
  const int vf = WMTopBorderHeight() + WMBottomBorderHeight() + WMTitleHeight();
  const int available = availableWidth();
  const int bottom = p.workAreaKnown ? p.workY + p.workHeight : screenHeight_;
  const int top = p.workAreaKnown ? p.workY : 0;
  Dimension shellWidth = 0, shellHeight = 0, drawingWidth = 0, drawingHeight = 0;
  XtVaGetValues(shell_, XtNwidth, &shellWidth, XtNheight, &shellHeight, nullptr);
  XtVaGetValues(p.drawing, XtNwidth, &drawingWidth, XtNheight, &drawingHeight, nullptr);
  const int chromeWidth = shellWidth > drawingWidth ? shellWidth - drawingWidth : 0;
  const int chromeHeight = shellHeight > drawingHeight ? shellHeight - drawingHeight : 0;
  const bool wideKept = largeScreenBehavior_ == 3 && !(rows_ == 24 && columns_ == 80);
  const bool fixedOnly = p.resources.fontMenu == QwFixedFontsOnly;
  auto takes = [&](int e) {
    if (!EntryUsable(p, e)) return false;
    const FontStats& t = family.table[e];
    const int width = columns_ * t.cellWidth + 2 + chromeWidth + hf;
    const int height = rows_ * t.cellHeight + 2 + chromeHeight + chromeGrowth(t.cellHeight) + vf;
    if (!wideKept && width > available) return false;
    return height <= bottom - top;
  };
  const int entry = RotateFontEntry(family, p.currentEntry, static_cast<RotateDirection>(direction), fixedOnly, takes);
  if (entry < 0) {
    LogMsg(LevelError, "XStuff::rotateFont:  Major failure.\n");
    return;
  }
  p.lastRotation = now;
  selectNewFont(entry, true);
}
