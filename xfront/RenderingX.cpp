#include "xfront/RenderingX.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "display/CharacterBufferImplementation.h"
#include "display/CopiedDataInformation.h"
#include "display/DisplayBag.h"
#include "display/ECBScreenBuffer.h"
#include "session/SessionControlBlock.h"
#include "base/ErrorHalt.h"
#include "base/LocalMalloc.h"
#include "base/LogMsg.h"
#include "xfront/DisplayAttributes.h"
#include "xfront/MarkedArea.h"
#include "xfront/RenderingWindow.h"
#include "xfront/SessionImages.h"

namespace {

constexpr unsigned short kModuleWindow = 257;
constexpr unsigned int kExpandBuffer = 2500;

inline bool Bit(unsigned int word, int bit) { return (word >> bit) & 1u; }

// A blank display table for a device without a session.
const unsigned char* IdentityTable() {
  static unsigned char table[256];
  static bool built = false;
  if (!built) {
    for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(i);
    built = true;
  }
  return table;
}

}  // namespace

RenderingX::RenderingX(unsigned int rows, unsigned int columns, SessionControlBlock* session, char* area,
                       unsigned int size)
    : RenderingX(rows, columns, session ? static_cast<RenderingWindow*>(&session->xstuff) : nullptr,
                 session ? session->ebcdicToAscii : nullptr, area, size) {
  session_ = session;
  images_ = std::make_unique<SessionImages>(session);
}

RenderingX::RenderingX(unsigned int rows, unsigned int columns, RenderingWindow* window,
                       const unsigned char* displayTable, char* area, unsigned int size)
    : Rendering(kBufferSize, rows, columns),
      window_(window),
      table_(displayTable ? displayTable : IdentityTable()),
      area_(area),
      areaSize_(size),
      pool_(area, area ? size : 0) {
  images_ = std::make_unique<SessionImages>(nullptr);
  // The work memory is the program's own constant: a smaller one is a fault.
  if (!area || size < kAreaSize) ErrorHalt(kModuleWindow, 1, size);
  takePlanes(kBufferSize);
}

RenderingX::~RenderingX() {
  images_->forgetSaved();
  images_->eraseImage();
  images_.reset();
  std::free(area_);
  area_ = nullptr;
}

void RenderingX::takePlanes(unsigned int size) {
  ps_ = static_cast<unsigned char*>(WsGetBuffer(size));
  primary_ = static_cast<unsigned char*>(WsGetBuffer(size));
  secondary_ = static_cast<unsigned char*>(WsGetBuffer(size));
  colour_ = static_cast<unsigned char*>(WsGetBuffer(size));
  chars_ = static_cast<unsigned char*>(WsGetBuffer(size));
  attrs_ = static_cast<unsigned short*>(WsGetBuffer((size + 1) * sizeof(unsigned short)));
  std::memset(ps_, 0, size);
  std::memset(primary_, 0, size);
  std::memset(secondary_, 0, size);
  std::memset(colour_, 0, size);
  std::memset(chars_, 0x20, size);
  std::memset(attrs_, 0, (size + 1) * sizeof(unsigned short));
}

// ---- work memory ---------------------------------------------------------------

bool RenderingX::inPool(const void* p) const {
  const auto* c = static_cast<const char*>(p);
  return area_ && c >= area_ && c < area_ + areaSize_;
}

void* RenderingX::WsGetBuffer(unsigned int size) {
  const size_t rounded = (static_cast<size_t>(size) + 3u) & ~size_t{3};
  if (void* p = pool_.GetBuffer(rounded ? rounded : 4)) return p;
  // Host records may be larger than what is left of the work memory: such
  // buffers come from the heap instead of ending the session.
  ++heapBuffers_;
  return LocalMalloc("WsGetBuffer", rounded ? rounded : 4, MallocFailExitMaster);
}

void RenderingX::WsFreeBuffer(void* buffer) {
  if (!buffer) return;
  if (inPool(buffer)) {
    pool_.FreeBuffer(buffer);
  } else {
    if (heapBuffers_) --heapBuffers_;
    std::free(buffer);
  }
}

unsigned char* RenderingX::getScreenWorkBuffer() {
  return static_cast<unsigned char*>(WsGetBuffer(screenSize()));
}

// ---- rebuilding ------------------------------------------------------------------

void RenderingX::writeToWindow(int start, int onePastLast) {
  // The row after the screen is kept in the planes but never shown.
  const int shown = static_cast<int>(screenSize()) - columns();
  const int count = std::min(onePastLast, shown) - start;
  if (count < 1 || !window_) return;
  window_->x_write(start, chars_ + start, attrs_ + start, count, 1);
}

void RenderingX::rebuildAttributes(int start, int end) {
  ShadowPlanes planes{ps_, primary_, secondary_, colour_, attrs_, static_cast<int>(screenSize())};
  const int onePast = RebuildDisplayAttributes(planes, start, end);
  writeToWindow(start, onePast);
}

void RenderingX::rebuildCharacters(int start, int count) {
  if (count <= 0) return;
  RebuildDisplayCharacters(ps_, table_, chars_, start, count);
}

void RenderingX::planesChanged(int first, int last, int charFirst, int charLast) {
  if (!holds_) {
    if (charFirst >= 0) rebuildCharacters(charFirst, charLast - charFirst + 1);
    rebuildAttributes(first, last);
    return;
  }
  if (heldLow_ < 0 || first < heldLow_) heldLow_ = first;
  if (last > heldHigh_) heldHigh_ = last;
  if (charFirst >= 0) holdCharacters(charFirst, charLast);
}

void RenderingX::holdCharacters(int first, int last) {
  // Every range that overlaps or touches the new one joins it.
  for (int i = 0; i < heldCharRanges_;) {
    const Range r = heldChars_[i];
    if (r.first > last + 1 || r.last + 1 < first) {
      ++i;
      continue;
    }
    first = std::min(first, r.first);
    last = std::max(last, r.last);
    heldChars_[i] = heldChars_[--heldCharRanges_];
  }
  if (heldCharRanges_ < kHeldCharRanges)
    heldChars_[heldCharRanges_++] = {first, last};
  else
    rebuildCharacters(first, last - first + 1);
}

void RenderingX::holdScreenRebuilds() {
  if (!holds_++ && window_) window_->x_hold_updates(true);
}

void RenderingX::releaseScreenRebuilds() {
  if (holds_ && --holds_) return;
  settleScreen();
  if (window_) window_->x_hold_updates(false);
}

void RenderingX::settleScreen() {
  if (heldLow_ < 0) return;
  const int low = heldLow_, high = heldHigh_;
  for (int i = 0; i < heldCharRanges_; ++i)
    rebuildCharacters(heldChars_[i].first, heldChars_[i].last - heldChars_[i].first + 1);
  dropHeld();
  rebuildAttributes(low, high);
}

const unsigned char* RenderingX::displayCharacters() const {
  const_cast<RenderingX*>(this)->settleScreen();
  return chars_;
}

const unsigned short* RenderingX::displayAttributes() const {
  const_cast<RenderingX*>(this)->settleScreen();
  return attrs_;
}

bool RenderingX::checkRange(const char* what, unsigned int first, unsigned int& count) const {
  const unsigned int size = screenSize();
  if (first >= size || count == 0) {
    LogMsg(LevelWarning, "%s: range %u+%u outside the screen of %u positions refused.\n", what, first, count, size);
    return false;
  }
  if (count > size - first) {
    LogMsg(LevelWarning, "%s: range %u+%u cut to the screen of %u positions.\n", what, first, count, size);
    count = size - first;
  }
  return true;
}

// ---- clears ------------------------------------------------------------------------

void RenderingX::clearAllPlanes(unsigned int) {
  dropHeld();
  const unsigned int size = screenSize();
  std::memset(ps_, 0, size);
  std::memset(primary_, 0, size);
  std::memset(secondary_, 0, size);
  std::memset(colour_, 0, size);
  std::memset(chars_, 0x20, size);
  std::memset(attrs_, 0, (size + 1) * sizeof(unsigned short));
  if (window_) window_->x_clear();
}

void RenderingX::clearPresentationSpace() {
  dropHeld();
  const unsigned int size = screenSize();
  std::memset(ps_, 0, size);
  std::memset(chars_, 0x20, size);
  std::memset(attrs_, 0, (size + 1) * sizeof(unsigned short));
  if (window_) window_->x_clear();
}

void RenderingX::clearColorECBPlane() {
  std::memset(colour_, 0, screenSize());
  planesChanged(0, static_cast<int>(screenSize()) - 1);
}

void RenderingX::clearPrimaryECBPlane() {
  std::memset(primary_, 0, screenSize());
  planesChanged(0, static_cast<int>(screenSize()) - 1);
}

void RenderingX::clearSecondaryECBPlane() {
  std::memset(secondary_, 0, screenSize());
  planesChanged(0, static_cast<int>(screenSize()) - 1);
}

// ---- plane updates --------------------------------------------------------------------

void RenderingX::updatePresentationSpacePlane(const unsigned char* bytes, unsigned int source, unsigned int device,
                                              unsigned int count) {
  if (!bytes || !checkRange("updatePresentationSpacePlane", device, count)) return;
  std::memcpy(ps_ + device, bytes + source, count);
  const int first = static_cast<int>(device), last = static_cast<int>(device + count - 1);
  planesChanged(first, last, first, last);
}

void RenderingX::updatePresentationSpaceCompressed(const unsigned char* data, unsigned int length,
                                                   unsigned int first) {
  if (!data) return;
  auto* work = static_cast<unsigned char*>(WsGetBuffer(kExpandBuffer));
  unsigned int n = 0;
  const char* bad = nullptr;
  for (unsigned int i = 0; i < length && !bad;) {
    if (data[i] != 0x11) {
      if (n >= kMaxExpanded) {
        bad = "expands past the screen";
        break;
      }
      work[n++] = data[i++];
      continue;
    }
    if (length - i < 3) {
      bad = "ends inside a run";
      break;
    }
    const unsigned int repeat = data[i + 2];
    if (repeat > kMaxExpanded - n) {
      bad = "expands past the screen";
      break;
    }
    std::memset(work + n, data[i + 1], repeat);
    n += repeat;
    i += 3;
  }
  if (bad) LogMsg(LevelWarning, "updatePresentationSpaceCompressed: data %s; update refused.\n", bad);
  if (!bad && n > 0) updatePresentationSpacePlane(work, 0, first, n);
  WsFreeBuffer(work);
}

void RenderingX::copyFromStore(unsigned char* plane, const CharacterBufferImplementation* store, unsigned int first,
                               unsigned int count) {
  if (store) store->getRangeOfCharacters(first, count, plane + first);
}

const CharacterBufferImplementation* RenderingX::stationStore(int plane) const {
  DisplayBag* d = session_ ? session_->display : nullptr;
  if (!d) return nullptr;
  switch (plane) {
    case 1:
      return d->primaryPlane().store();
    case 2:
      return d->secondaryPlane().store();
    case 3:
      return d->colourPlane().store();
    default:
      return nullptr;
  }
}

void RenderingX::updatePrimaryECBPlane(unsigned int first, unsigned int count) {
  if (!checkRange("updatePrimaryECBPlane", first, count)) return;
  copyFromStore(primary_, stationStore(1), first, count);
  planesChanged(static_cast<int>(first), static_cast<int>(first + count - 1));
}

void RenderingX::updateSecondaryECBPlane(unsigned int first, unsigned int count) {
  if (!checkRange("updateSecondaryECBPlane", first, count)) return;
  copyFromStore(secondary_, stationStore(2), first, count);
  planesChanged(static_cast<int>(first), static_cast<int>(first + count - 1));
}

void RenderingX::updateColorECBPlane(unsigned int first, unsigned int count) {
  if (!checkRange("updateColorECBPlane", first, count)) return;
  copyFromStore(colour_, stationStore(3), first, count);
  planesChanged(static_cast<int>(first), static_cast<int>(first + count - 1));
}

void RenderingX::updateAllPlanes(const unsigned char* characters, unsigned int first, unsigned int count,
                                 const CharacterBufferImplementation* primary, unsigned int primaryFirst,
                                 unsigned int primaryCount, const CharacterBufferImplementation* secondary,
                                 unsigned int secondaryFirst, unsigned int secondaryCount,
                                 const CharacterBufferImplementation* colour, unsigned int colourFirst,
                                 unsigned int colourCount) {
  if (!count && !primaryCount && !secondaryCount && !colourCount) {
    LogMsg(LevelWarning, "updateAllPlanes: no plane to update.\n");
    return;
  }
  long low = -1, high = -1;
  auto widen = [&](unsigned int f, unsigned int n) {
    if (low < 0 || f < low) low = f;
    if (static_cast<long>(f + n - 1) > high) high = f + n - 1;
  };
  bool psCopied = false;
  unsigned int psFirst = first;
  if (count && characters && checkRange("updateAllPlanes", first, count)) {
    std::memcpy(ps_ + first, characters + first, count);
    widen(first, count);
    psCopied = true;
  }
  struct Ext {
    unsigned char* plane;
    const CharacterBufferImplementation* store;
    unsigned int first, count;
  } ext[3] = {{primary_, primary, primaryFirst, primaryCount},
              {secondary_, secondary, secondaryFirst, secondaryCount},
              {colour_, colour, colourFirst, colourCount}};
  for (Ext& e : ext) {
    if (!e.count || !checkRange("updateAllPlanes", e.first, e.count)) continue;
    copyFromStore(e.plane, e.store, e.first, e.count);
    widen(e.first, e.count);
  }
  if (low < 0) return;
  if (psCopied)
    planesChanged(static_cast<int>(low), static_cast<int>(high), static_cast<int>(psFirst),
                  static_cast<int>(psFirst + count - 1));
  else
    planesChanged(static_cast<int>(low), static_cast<int>(high));
}

// ---- plane reads --------------------------------------------------------------------

namespace {
void GetData(const unsigned char* plane, unsigned int start, unsigned int count, unsigned char* out) {
  if (count == 0 || !out || static_cast<unsigned long>(start) + count > RenderingX::kBufferSize) return;
  std::memcpy(out, plane + start, count);
}
}  // namespace

void RenderingX::getPresentationSpaceBufferData(unsigned int s, unsigned int n, unsigned char* out) const {
  GetData(ps_, s, n, out);
}
void RenderingX::getPrimaryECBBufferData(unsigned int s, unsigned int n, unsigned char* out) const {
  GetData(primary_, s, n, out);
}
void RenderingX::getSecondaryECBBufferData(unsigned int s, unsigned int n, unsigned char* out) const {
  GetData(secondary_, s, n, out);
}
void RenderingX::getColorECBBufferData(unsigned int s, unsigned int n, unsigned char* out) const {
  GetData(colour_, s, n, out);
}

unsigned char RenderingX::getWorkingPresentationSpaceAttribute(int position) const {
  if (position >= static_cast<int>(kBufferSize)) position = kBufferSize - 1;
  return WorkingFieldAttribute(ps_, position);
}
unsigned char RenderingX::getWorkingPrimaryECBPlaneAttribute(int position) const {
  if (position >= static_cast<int>(kBufferSize)) position = kBufferSize - 1;
  return WorkingExtendedAttribute(primary_, position);
}
unsigned char RenderingX::getWorkingSecondaryECBPlaneAttribute(int position) const {
  if (position >= static_cast<int>(kBufferSize)) position = kBufferSize - 1;
  return WorkingExtendedAttribute(secondary_, position);
}
unsigned char RenderingX::getWorkingColorECBPlaneAttribute(int position) const {
  if (position >= static_cast<int>(kBufferSize)) position = kBufferSize - 1;
  return WorkingExtendedAttribute(colour_, position);
}

unsigned char RenderingX::planeByte(int plane, int position) const {
  if (position < 0 || position >= static_cast<int>(kBufferSize)) return 0;
  switch (plane) {
    case 0:
      return ps_[position];
    case 1:
      return primary_[position];
    case 2:
      return secondary_[position];
    case 3:
      return colour_[position];
    default:
      return 0;
  }
}

// ---- cursor, size and switches ----------------------------------------------------------

void RenderingX::setCursorPosition(unsigned int offset) {
  if (window_) window_->x_cursor(static_cast<int>(offset));
  cursor_ = offset;
}

void RenderingX::setCursorPlane(PlaneNumber plane) {
  cursorPlane_ = plane;
  if (window_) window_->x_set_cursor_plane(plane);
}

void RenderingX::setScreenSize(unsigned int rows, unsigned int columns) {
  settleScreen();  // what is held was measured on the old size
  Rendering::setScreenSize(rows, columns);
  if (window_) window_->x_set_rows_columns(static_cast<int>(rows), static_cast<int>(columns));
}

void RenderingX::setShadowCursorRow(unsigned int row) {
  shadowCursorRow_ = row;
  if (window_) window_->x_set_shadow_cursor_row(row);
}

void RenderingX::setTypeAhead(unsigned int on, unsigned int /*control*/) {
  if (window_) window_->x_typeahead(on);
}

void RenderingX::setTextSymbolsDisplayPlane(PlaneNumber plane) {
  textSymbolsPlane_ = plane;
  if (window_) window_->x_set_text_symbols_display_plane(plane);
}

void RenderingX::textTimer(TextSession* session) {
  // The text session's periodic update: its status and scale rows.
  if (session) session->timerUpdate(false);
}

void RenderingX::updateIndicators(unsigned int control, unsigned int indicator) {
  displayWord_ = control;
  indicatorWord_ = indicator;
  if (!window_) return;
  RenderingWindow& w = *window_;
  if (Bit(control, 27)) w.x_ding(1);
  w.x_set_cursor_blink(Bit(control, 30));
  w.x_hide_cursor(Bit(control, 31));
  w.x_set_text_symbols_display_on_whole_screen(Bit(control, 24));
  w.x_set_reset_text_symbols_display(Bit(control, 25));
  w.x_set_reset_enptui_symbols_display(Bit(control, 22));
  w.x_sys(Bit(indicator, 26));
  w.x_inserting(Bit(indicator, 27));
  w.x_msgWait(Bit(indicator, 31));
  w.x_typeahead(Bit(indicator, 22));
  w.x_capslock(Bit(indicator, 25));
  w.x_shiftkey(Bit(indicator, 29));
  w.x_lang_shift(Bit(indicator, 28));
  w.x_diacritic(Bit(indicator, 21));
  w.x_rtlcursor(Bit(indicator, 23));
  w.x_rtlscreen(Bit(indicator, 30));
}

// ---- edit menu and clipboard ---------------------------------------------------------------

void RenderingX::popupEditMenu() {
  if (!window_) return;
  window_->x_popup_edit_menu();
  // The click that opened the menu is no part of a recording.
  if (session_) session_->playRecord.removeLastRecordEvent();
}

void RenderingX::enableCopy(unsigned int on) {
  if (window_) window_->x_copy_button(on);
}
void RenderingX::enableCut(unsigned int on) {
  if (window_) window_->x_cut_button(on);
}
void RenderingX::enablePaste(unsigned int on) {
  if (window_) window_->x_paste_button(on);
}

void RenderingX::getCopiedData(CopiedDataInformation* info, unsigned int offset) {
  if (info && window_) window_->x_get_copied_data(info, offset);
}

void RenderingX::copyArea(CopiedDataInformation* caller) {
  if (!caller) return;
  const unsigned int start = caller->startCell, end = caller->endCell;
  if (start > end || end >= screenSize()) {
    LogMsg(LevelWarning, "copyArea: range %u-%u outside the screen refused.\n", start, end);
    return;
  }
  settleScreen();  // the display attributes tell what is hidden
  CopiedDataInformation info = *caller;
  const unsigned int length = end - start + 1;
  info.data = static_cast<unsigned char*>(WsGetBuffer(length));
  info.length = length;
  const bool fieldByField = (info.flags & (1u << 27)) && !(info.flags & (1u << 30));
  // What a non-display attribute hides never leaves the screen: such
  // positions are copied as blanks (the attributes themselves stay).
  auto shown = [this](unsigned int p) -> unsigned char {
    const unsigned char c = ps_[p];
    if ((attrs_[p] & display_attribute::kNonDisplay) && !IsFieldAttribute(c)) return 0x40;
    return c;
  };
  if (!fieldByField) {
    for (unsigned int i = 0; i < length; ++i) info.data[i] = shown(start + i);
  } else {
    unsigned int n = 0;
    const unsigned int cols = columns();
    for (unsigned int row = start / cols; row <= end / cols; ++row) {
      unsigned int p = std::max(start, row * cols);
      const unsigned int rowEnd = std::min(end, row * cols + cols - 1);
      auto stopsSkipping = [](unsigned char c) {
        return c == 0x02 || c == 0x03 || c == 0x05 || c == 0x06 || c == 0x07 || c == 0x1C || c == 0x1F;
      };
      while (p <= rowEnd && ps_[p] < 0x40 && !stopsSkipping(ps_[p])) ++p;
      for (; p <= rowEnd; ++p) {
        const unsigned char c = shown(p);
        if (c == 0x06 || c == 0x03) break;
        info.data[n++] = c;
        if (c == 0x1F) break;
      }
    }
    info.length = n;
  }
  if (window_) window_->x_copy(&info);
  WsFreeBuffer(info.data);
}

// ---- push buttons -----------------------------------------------------------------------------

void RenderingX::drawPushButton(unsigned int position, unsigned int length, unsigned int highlight,
                                unsigned int redraw) {
  const unsigned int size = screenSize();
  if ((!redraw && buttonCount_ >= kMaxPushButtons) || position >= size || length == 0 || length > columns() ||
      position + length >= size) {
    LogMsg(LevelWarning, "drawPushButton: button %u+%u refused (%u buttons shown).\n", position, length,
           buttonCount_);
    return;
  }
  if (!redraw) buttons_[buttonCount_++] = {position, length};
  // A redrawn button is a clicked hot spot shown pressed: the window marks
  // it as a hot spot, and its next repaint takes the flash back.
  if (window_)
    window_->x_draw_pushbutton(position, length, static_cast<char>(highlight != 0), static_cast<char>(redraw != 0));
}

void RenderingX::erasePushButtons(unsigned int from, unsigned int to) {
  unsigned int kept = 0;
  for (unsigned int i = 0; i < buttonCount_; ++i) {
    const PushButton b = buttons_[i];
    if (b.position >= from && b.position <= to) {
      if (window_) window_->x_erase_pushbutton(b.position, b.length);
    } else {
      buttons_[kept++] = b;
    }
  }
  buttonCount_ = kept;
}

// ---- marking --------------------------------------------------------------------------------

void RenderingX::getReadDPLInformation(unsigned char* out, unsigned int size) const {
  constexpr unsigned int kShadowRow = 9, kCursorRow = 17, kCursorColumn = 18, kStateByte = 96, kCount = 98,
                         kElements = 100;
  constexpr unsigned int kDisplayWordBit21 = 1u << 21;
  enum : unsigned char { kButton = 1, kTop = 2, kBottom = 3, kLeft = 4, kRight = 5 };
  if (!out || size < kElements) return;
  const unsigned int cols = columns() ? columns() : 1;
  out[kShadowRow] = static_cast<unsigned char>(shadowCursorRow_);
  out[kCursorRow] = static_cast<unsigned char>(cursor_ / cols + 1);
  out[kCursorColumn] = static_cast<unsigned char>(cursor_ % cols + 1);
  if (displayWord_ & kDisplayWordBit21) out[kStateByte] |= 0x20;
  unsigned int count = 0;
  const unsigned int room = (size - kElements) / 4;
  auto element = [&](unsigned char type, unsigned int position, unsigned int length) {
    if (count >= room) return;
    unsigned char* e = out + kElements + 4 * count++;
    e[0] = type;
    e[1] = static_cast<unsigned char>(position >> 8);
    e[2] = static_cast<unsigned char>(position);
    e[3] = static_cast<unsigned char>(length);
  };
  for (unsigned int i = 0; i < buttonCount_; ++i) element(kButton, buttons_[i].position, buttons_[i].length);
  if (flags_ & kMarked) {
    // The marker box is a marked block of one cell.
    std::vector<MarkingSegment> segments =
        MarkedAreaOutline(static_cast<int>(markStart_), static_cast<int>(markEnd_), static_cast<int>(cols),
                          (flags_ & kMarkBlock) != 0, (flags_ & kMarkMirrored) != 0);
    auto typeOf = [](DRAW_LINE_METHOD side) -> unsigned char {
      switch (side) {
        case kLineBottom: return kBottom;
        case kLineLeft: return kLeft;
        case kLineRight: return kRight;
        default: return kTop;
      }
    };
    // A rectangle's four sides in the order top, bottom, left, right.
    if (segments.size() == 4)
      std::stable_sort(segments.begin(), segments.end(),
                       [&](const MarkingSegment& a, const MarkingSegment& b) { return typeOf(a.side) < typeOf(b.side); });
    for (const MarkingSegment& g : segments) {
      const unsigned int from = static_cast<unsigned int>(g.from), to = static_cast<unsigned int>(g.to);
      const bool across = g.side == kLineTop || g.side == kLineBottom;
      element(typeOf(g.side), from, across ? to % cols - from % cols + 1 : to / cols - from / cols + 1);
    }
  }
  out[kCount] = static_cast<unsigned char>(count >> 8);
  out[kCount + 1] = static_cast<unsigned char>(count);
}

void RenderingX::redrawRuleLineIfShown() {
  if (window_ && window_->ruleLineShown()) window_->drawRuleLine();
}

void RenderingX::drawMarkedArea(unsigned int start, unsigned int end) {
  if (!window_) return;
  const std::vector<MarkingSegment> segments = MarkedAreaOutline(static_cast<int>(start), static_cast<int>(end),
                                                                 columns(), (flags_ & kMarkBlock) != 0,
                                                                 (flags_ & kMarkMirrored) != 0);
  for (size_t i = 0; i < segments.size(); ++i)
    window_->defineLine(segments[i].side, segments[i].from, segments[i].to, static_cast<int>(i));
  window_->drawMarkingLines(static_cast<int>(segments.size()));
}

void RenderingX::drawMarkerBox(unsigned int position) {
  if (position >= screenSize() - columns()) {
    LogMsg(LevelWarning, "drawMarkerBox: position %u outside the screen refused.\n", position);
    return;
  }
  flags_ = (flags_ | kMarkBlock) & ~kMarkMirrored;
  drawMarkedArea(position, position);
  flags_ |= kMarked;
  markStart_ = markEnd_ = position;
  anchor_ = static_cast<int>(position);
  redrawRuleLineIfShown();
}

void RenderingX::eraseMarkerBox(unsigned int) {
  if (flags_ & kMarked) unmarkArea();
  anchor_ = -1;
  flags_ &= ~kMarked;
  redrawRuleLineIfShown();
}

void RenderingX::markBlockArea(unsigned int start, unsigned int end) {
  const unsigned int shown = screenSize() - columns();
  const bool linearMarked = (flags_ & kMarked) && !(flags_ & kMarkBlock);
  if (start > end || end >= shown || start % columns() > end % columns() || linearMarked) {
    LogMsg(LevelWarning, "markBlockArea: area %u-%u refused.\n", start, end);
    return;
  }
  flags_ = (flags_ | kMarkBlock) & ~kMarkMirrored;
  drawMarkedArea(start, end);
  flags_ |= kMarked;
  markStart_ = start;
  markEnd_ = end;
  redrawRuleLineIfShown();
}

void RenderingX::markLinearArea(unsigned int start, unsigned int end, unsigned int mirrored) {
  const unsigned int shown = screenSize() - columns();
  const bool blockMarked = (flags_ & kMarked) && (flags_ & kMarkBlock);
  if (start > end || end >= shown || blockMarked) {
    LogMsg(LevelWarning, "markLinearArea: area %u-%u refused.\n", start, end);
    return;
  }
  flags_ &= ~(kMarkBlock | kMarkMirrored);
  if (mirrored & 1) flags_ |= kMarkMirrored;
  drawMarkedArea(start, end);
  flags_ |= kMarked;
  markStart_ = start;
  markEnd_ = end;
  redrawRuleLineIfShown();
}

void RenderingX::unmarkArea() {
  if (!(flags_ & kMarked)) {
    LogMsg(LevelWarning, "unmarkArea: nothing is marked.\n");
    return;
  }
  if (window_) window_->unmarkText();
  flags_ &= ~kMarked;
  redrawRuleLineIfShown();
}

// ---- images ---------------------------------------------------------------------------------

void RenderingX::eraseImage() {
  if (DebugFlag()) LogMsg(LevelDebug, "eraseImage()\n");
  images_->eraseImage();
}

void RenderingX::writeImage(unsigned int, const unsigned char* data, unsigned int length) {
  images_->writeImage(data, length);
}

void RenderingX::restoreImage(const unsigned char* data, unsigned int length) {
  images_->restoreImage(data, length);
}

const unsigned char* RenderingX::saveDeviceData(unsigned int& length) {
  length = 0;
  return nullptr;
}

const unsigned char* RenderingX::saveImage(unsigned int& length) {
  length = 0;
  const std::vector<uint8_t> record = images_->saveImage();
  if (record.empty()) return nullptr;
  auto* buffer = static_cast<unsigned char*>(WsGetBuffer(static_cast<unsigned int>(record.size())));
  if (!buffer) {
    if (DebugFlag()) LogMsg(LevelDebug, "image: Image Save failed. Save Buffer could not be allocated.\n");
    return nullptr;
  }
  std::memcpy(buffer, record.data(), record.size());
  length = static_cast<unsigned int>(record.size());
  return buffer;
}
