// The session window's side of the engine calls: the screen copy, the dirty
// range and the repaint, the cursor and blink timers, the bell, the status
// indicators, push buttons, the edit menu items and the marking lines.
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/RowColumn.h>
#include <Xm/Xm.h>

#include <algorithm>
#include <cstring>

#include "display/CopiedDataInformation.h"
#include "session/AppResources.h"
#include "session/MiscPreferences.h"
#include "session/ResourceKeywords.h"
#include "base/LogMsg.h"
#include "xfront/DisplayAttributes.h"
#include "xfront/RenderingX.h"
#include "session/SessionControlBlock.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace {

constexpr unsigned long kDeferredFlushMs = 100;
constexpr unsigned long kBlinkMs = 350;
// What a monochrome window keeps of an attribute word: the intensity bit of
// the colour, reverse, underline, bits 10-13, and non-display (which must
// not turn hidden fields visible).
constexpr unsigned short kMonochromeMask = 0x3CC1 | display_attribute::kNonDisplay;

XtAppContext AppOf(Widget w) { return w ? XtWidgetToApplicationContext(w) : nullptr; }

}  // namespace

// ---- screen copy ------------------------------------------------------------------

void XStuff::settleScreenCopy() const {
  if (session_ && session_->renderer) session_->renderer->settleScreen();
}

void XStuff::x_write(int pos, const unsigned char* chars, const unsigned short* attrs, int len, char perCellAttrs) {
  doIconifiedActionIfNeeded(0);
  if (len == 0) return;
  const int n = cells();
  if (!chars || !attrs || pos < 0 || len < 0 || pos >= n || len > n || pos + len > n) {
    LogMsg(LevelWarning, "x_write: %d characters at %d outside the screen of %d cells refused.\n", len, pos, n);
    return;
  }
  unsigned char* c = chars_.data() + pos;
  unsigned short* a = attributes_.data() + pos;
  const unsigned short mask = colorDisplay_ ? 0xFFFF : kMonochromeMask;
  if (perCellAttrs) {
    for (int i = 0; i < len; ++i) {
      c[i] = (attrs[i] & display_attribute::kNonDisplay) ? 0x20 : chars[i];
      a[i] = static_cast<unsigned short>(attrs[i] & mask);
    }
  } else {
    const bool hidden = (attrs[0] & display_attribute::kNonDisplay) != 0;
    std::fill(a, a + len, static_cast<unsigned short>(attrs[0] & mask));
    if (hidden)
      std::fill(c, c + len, 0x20);
    else
      std::memcpy(c, chars, static_cast<size_t>(len));
  }
  dirty_.widen(pos, pos + len);
}

void XStuff::x_clear() {
  doIconifiedActionIfNeeded(0);
  clearBuffers();
  cursorDrawn_ = false;
  Widget w = x_get_text_widget();
  if (private_ && private_->drawing && XtIsRealized(w)) XClearWindow(XtDisplay(w), XtWindow(w));
  dirty_.reset(cells());
  if (extendedDisplay_) dirty_.widen(0, cells());
}

// ---- cursor --------------------------------------------------------------------------

void XStuff::x_cursor(int pos) {
  if (pos < 0 || pos >= cells()) return;
  if (cursorBlinkId_ || cursorBlinkPending_) {
    stopCursorBlinking();
    startCursorBlinking();
  }
  if (pos != cursorPosition_) {
    if (cursorDrawn_)
      clearcurs(0);
    else if (ruleLineShown())
      eraseRuleLine();
    rowColumnText_ = RowColumnText(pos, columns_);
    if (private_ && private_->optionArea) {
      if (Widget label = XtNameToWidget(private_->optionArea, const_cast<char*>("cursorRowCol"))) {
        XmString text = XmStringCreateLocalized(const_cast<char*>(rowColumnText_.c_str()));
        XtVaSetValues(label, XmNlabelString, text, nullptr);
        XmStringFree(text);
      }
    }
    cursorPosition_ = pos;
    // A split view follows the cursor to the other part of the screen.
    if (private_ && private_->placement.splitView && columns_ > 0) {
      const int column = pos % columns_;
      const int visibleFrom = (1 - originX_) / std::max(cellWidth_, 1);
      Dimension width = 0;
      XtVaGetValues(private_->drawing, XtNwidth, &width, nullptr);
      if (private_->placement.rightPart && column < visibleFrom)
        leftArrowCallback();
      else if (!private_->placement.rightPart && (column + 1) * cellWidth_ + 1 > width)
        rightArrowCallback();
    }
  }
}

void XStuff::x_hide_cursor(unsigned int hide) {
  const bool h = hide != 0;
  if (h == cursorHidden_) return;
  if (h) clearcurs(0);
  cursorHidden_ = h;
  if (miscPreference(misc_pref::kRowColumnIndicator) != 0 || !private_ || !private_->optionArea) return;
  Widget label = XtNameToWidget(private_->optionArea, const_cast<char*>("cursorRowCol"));
  if (label && XtIsRealized(label)) {
    if (h)
      XtUnmapWidget(label);
    else
      XtMapWidget(label);
  }
}

void XStuff::x_set_cursor_blink(int on) {
  const bool wanted = on != 0;
  if (miscPreference(misc_pref::kCursorBlink) == 1) {
    if (!wanted && cursorBlinkRequested_) {
      stopCursorBlinking();
      cursorShown_ = true;
    } else if (wanted && !cursorBlinkRequested_ && hasFocus_) {
      startCursorBlinking();
    }
  }
  cursorBlinkRequested_ = wanted;
}

void XStuff::startCursorBlinking() {
  if (textBlinkId_) {
    cursorBlinkPending_ = true;
    return;
  }
  cursorBlinkPending_ = false;
  if (!cursorBlinkId_ && shell_)
    cursorBlinkId_ = XtAppAddTimeOut(AppOf(shell_), kBlinkMs, cursorBlinkTimer, this);
}

void XStuff::stopCursorBlinking() {
  if (cursorBlinkId_) XtRemoveTimeOut(cursorBlinkId_);
  cursorBlinkId_ = 0;
  cursorBlinkPending_ = false;
}

void XStuff::cursorBlinkTimer(XtPointer self, XtIntervalId*) {
  auto* x = static_cast<XStuff*>(self);
  x->cursorBlinkId_ = 0;
  x->cursorBlinkEvent(0);
  if (x->shell_) x->cursorBlinkId_ = XtAppAddTimeOut(AppOf(x->shell_), kBlinkMs, cursorBlinkTimer, x);
}

void XStuff::cursorBlinkEvent(int) {
  if (cursorShown_) {
    clearcurs(0);
    cursorShown_ = false;
  } else {
    cursorShown_ = true;
    drawcurs(0);
    if (hasFocus_ && ruleLineShown()) drawRuleLine();
    if (segmentCount_ > 0) {
      const int row = cursorPosition_ / std::max(1, columns_);
      int low = cells(), high = -1;
      for (int i = 0; i < segmentCount_; ++i) {
        low = std::min(low, segments_[i].from);
        high = std::max(high, segments_[i].to);
      }
      if (row >= low / columns_ && row <= high / columns_) redrawMarking();
    }
  }
}

void XStuff::x_set_cursor_plane(PlaneNumber plane) {
  if (plane == cursorPlane_) return;
  cursorPlane_ = plane;
  drawcurs(0);
}

void XStuff::x_set_shadow_cursor_row(unsigned int row) {
  if (row == shadowCursorRow_) return;
  clearcurs(0);
  shadowCursorRow_ = row;
}

void XStuff::x_set_text_symbols_display_on_whole_screen(unsigned int on) {
  if ((on != 0) == textSymbolsWholeScreen_) return;
  textSymbolsWholeScreen_ = on != 0;
  if (shadowCursorRow_ >= 1 && shadowCursorRow_ <= 3)
    dirty_.widen(static_cast<int>(shadowCursorRow_) * columns_, (rows_ - 1) * columns_);
  else
    dirty_.widen(0, cells());
}

void XStuff::x_set_text_symbols_display_plane(PlaneNumber plane) {
  if (plane == textSymbolsPlane_) return;
  textSymbolsPlane_ = plane;
  if (shadowCursorRow_ >= 1 && shadowCursorRow_ <= 3)
    dirty_.widen(static_cast<int>(shadowCursorRow_) * columns_, (rows_ - 1) * columns_);
  else
    dirty_.widen(0, cells());
}

// ---- bell ----------------------------------------------------------

void XStuff::x_ding(unsigned int later) {
  if (later == 0) {
    if (bellsPending_) --bellsPending_;
    if (!bellsPending_) iconBellPending_ = false;
    if (audioAlarm_ && shell_) XBell(XtDisplay(shell_), 0);
    ++paintStats_.bells;
  } else if (iconBellPending_) {
    iconBellPending_ = false;  // the iconified window's beep rings for this alarm too
  } else {
    ++bellsPending_;
  }
  doIconifiedActionIfNeeded(1);
}

// ---- push buttons and edit menu -------------------------------------------------------------

void XStuff::x_draw_pushbutton(unsigned int pos, unsigned int len, char highlighted, char hotSpot) {
  if (hotSpot && !hotSpotsMarked()) return;
  const unsigned int n = static_cast<unsigned int>(cells());
  if (pos >= n || len > n - pos) {
    LogMsg(LevelWarning, "x_draw_pushbutton: %u+%u outside the screen refused.\n", pos, len);
    return;
  }
  const unsigned short flag = static_cast<unsigned short>((hotSpot ? paint_flag::kHotSpot : paint_flag::kPushButton) |
                                                          (highlighted ? paint_flag::kHighlighted : 0));
  for (unsigned int i = pos; i < pos + len; ++i) overlay_[i] |= flag;
  dirty_.widen(static_cast<int>(pos), static_cast<int>(pos + len));
}

void XStuff::x_erase_pushbutton(unsigned int pos, unsigned int len) {
  const unsigned int n = static_cast<unsigned int>(cells());
  if (pos >= n) return;
  len = std::min(len, n - pos);
  for (unsigned int i = pos; i < pos + len; ++i) overlay_[i] = 0;
  dirty_.widen(static_cast<int>(pos), static_cast<int>(pos + len));
}

namespace {
void SetItemsSensitive(const std::vector<Widget>& items, bool on) {
  for (Widget w : items)
    if (w) XtSetSensitive(w, on ? True : False);
}
}  // namespace

void XStuff::x_copy_button(unsigned int on) {
  if (private_) SetItemsSensitive(private_->copyItems, on != 0);
}

void XStuff::x_cut_button(unsigned int on) {
  if (private_) SetItemsSensitive(private_->cutItems, on != 0);
}

void XStuff::x_paste_button(unsigned int on) {
  if (!private_ || !shell_) return;
  std::vector<Widget> items;
  if (Widget w = XtNameToWidget(shell_, const_cast<char*>("*pasteButton"))) items.push_back(w);
  if (private_->popupEditMenu)
    if (Widget w = XtNameToWidget(private_->popupEditMenu, const_cast<char*>("*pasteButton"))) items.push_back(w);
  SetItemsSensitive(items, on != 0);
}

void XStuff::x_popup_edit_menu() {
  if (!private_ || !private_->popupEditMenu || !shell_) return;
  const MouseSample& last = clickState_.last();
  XButtonPressedEvent event = {};
  event.type = ButtonPress;
  event.display = XtDisplay(shell_);
  event.x_root = last.rootX;
  event.y_root = last.rootY + 1;
  event.button = Button2;
  event.state = last.state;
  XmMenuPosition(private_->popupEditMenu, &event);
  XtManageChild(private_->popupEditMenu);
}

// ---- marking and rule line --------------------------------------------------------------------

void XStuff::defineLine(DRAW_LINE_METHOD side, int from, int to, int number) {
  if (number < 0 || number >= 8 || from < 0 || to < from || to >= cells()) return;
  Segment& s = segments_[number];
  if (s.from >= 0 && (s.side != side || s.from != from || s.to != to) && number < segmentCount_) {
    // The cells under the old segment are repainted.
    const int c = std::max(1, columns_);
    dirty_.widen(s.from / c * c, (s.to / c + 1) * c);
  }
  s.side = side;
  s.from = from;
  s.to = to;
}

void XStuff::drawMarkingLines(int count) {
  count = std::clamp(count, 0, 8);
  if (count < segmentCount_) unmarkText();
  segmentCount_ = count;
  redrawMarking();
}

void XStuff::redrawMarking() {
  if (segmentCount_ == 0 || !private_ || !private_->painter) return;
  for (int i = 0; i < segmentCount_; ++i)
    private_->painter->drawSideLine(segments_[i].side, segments_[i].from, segments_[i].to, false);
}

void XStuff::unmarkText() {
  if (segmentCount_ > 0) {
    int low = cells(), high = -1;
    for (int i = 0; i < segmentCount_; ++i) {
      low = std::min(low, segments_[i].from);
      high = std::max(high, segments_[i].to);
    }
    const int c = std::max(1, columns_);
    if (high >= 0) dirty_.widen(low / c * c, std::min(cells(), (high / c + 1) * c));
  }
  segmentCount_ = 0;
  for (Segment& s : segments_) s = Segment{};
  Flush_X5250(0);
}

void XStuff::x_toggle_rule_line(char fromKey) {
  const int mode = ruleLineMode_;
  if (mode == 0) return;
  if (fromKey && mode != 2 && mode != 3) return;
  if (ruleLineOn_) {
    eraseRuleLine();
    ruleLineOn_ = false;
    ruleLinePosition_ = -1;
    drawcurs(0);
  } else {
    ruleLineOn_ = true;
    if (!ruleLineSuppressed_) drawRuleLine();
  }
}

void XStuff::drawRuleLine() {
  if (!private_ || !private_->painter || cells() == 0) return;
  ScreenPainter& p = *private_->painter;
  const int pos = cursorPosition_;
  const int c = columns_;
  const unsigned char style = ruleLineStyle_;
  if (style == 0 || style == 1) {
    const int rowStart = pos / c * c;
    p.drawSideLine(1, rowStart, rowStart + c - 1, true);
    for (int i = rowStart; i < rowStart + c; ++i) overlay_[i] |= paint_flag::kRuleLine;
  }
  if (style == 0 || style == 2) {
    const int column = pos % c;
    p.drawSideLine(2, column, (rows_ - 1) * c + column, true);
    for (int i = column; i < cells(); i += c) overlay_[i] |= paint_flag::kRuleLine;
  }
  ruleLinePosition_ = pos;
}

void XStuff::eraseRuleLine() {
  const int n = cells();
  for (int i = 0; i < n; ++i)
    if (overlay_[i] & paint_flag::kRuleLine) {
      overlay_[i] &= static_cast<unsigned short>(~paint_flag::kRuleLine);
      if (private_ && private_->painter) drawScreenData(i % columns_, i / columns_, i, i + 1);
    }
  redrawMarking();
}

// ---- repaint ------------------------------------------------------------------------------

void XStuff::Flush_X5250(int from, int to, char clearOverlay, char fromTimer) {
  if (clearOverlay) std::fill(overlay_.begin(), overlay_.end(), 0);
  if (from != -1) dirty_.widen(from, dirty_.high);
  if (to != -1) dirty_.widen(dirty_.low, to + 1);
  Flush_X5250(fromTimer);
}

void XStuff::deferredFlushTimer(XtPointer self, XtIntervalId* id) {
  auto* x = static_cast<XStuff*>(self);
  if (x->deferredFlush_ != *id) return;
  x->deferredFlush_ = 0;
  x->Flush_X5250(0);
}

void XStuff::Flush_X5250(char fromTimer) {
  settleScreenCopy();
  if (deferNextFlush_) {
    deferNextFlush_ = false;
    if (shell_) {
      if (deferredFlush_) XtRemoveTimeOut(deferredFlush_);
      deferredFlush_ = XtAppAddTimeOut(AppOf(shell_), kDeferredFlushMs, deferredFlushTimer, this);
      return;
    }
  }
  const int n = cells();
  prepareOverlays();
  dirty_.low = std::max(dirty_.low, 0);
  dirty_.high = std::min(dirty_.high, n);
  const int paintedLow = dirty_.low, paintedHigh = dirty_.high;
  bool painted = false;
  for (;;) {
    RowSpan span{};
    while (NextRowSpan(dirty_, columns_, &span)) {
      drawScreenData(span.startColumn, span.row, span.start, span.end);
      ++paintStats_.rows;
      painted = true;
    }
    dirty_.reset(n);
    if (!bellsPending_) break;
    x_ding(0);
  }
  if (painted) ++paintStats_.flushes;

  const bool blinkRunning = cursorBlinkId_ || cursorBlinkPending_;
  if (!cursorDrawn_ && !(fromTimer && cursorBlinkRequested_ && miscPreference(misc_pref::kCursorBlink) == 1 && blinkRunning))
    drawcurs(0);
  if (ruleLineShown()) drawRuleLine();
  if (segmentCount_ > 0) redrawMarking();

  if (AppResources().BLINKING_TEXT == QwEnable && !fromTimer && painted && paintedLow < paintedHigh) {
    if (!textBlinkId_ && blinkLow_ <= blinkHigh_ && shell_)
      textBlinkId_ = XtAppAddTimeOut(AppOf(shell_), kBlinkMs, textBlinkTimer, this);
  }
  if (private_ && private_->drawing && XtIsRealized(private_->drawing)) XFlush(XtDisplay(private_->drawing));
}

void XStuff::exposed() {
  cursorDrawn_ = false;
  dirty_.widen(0, cells());
  deferNextFlush_ = true;
  Flush_X5250(0);
}

// ---- blinking text --------------------------------------------------------------------------

void XStuff::textBlinkTimer(XtPointer self, XtIntervalId*) {
  auto* x = static_cast<XStuff*>(self);
  x->textBlinkId_ = 0;
  x->toggleBlinkingText();
}

void XStuff::toggleBlinkingText() {
  settleScreenCopy();  // the hidden phase puts the characters back as they were
  const int n = cells();
  int low = std::max(0, blinkLow_), high = std::min(n - 1, blinkHigh_);
  blinkLow_ = kMaxCells;
  blinkHigh_ = -1;
  if (low > high) {
    // Nothing blinks any more: the cursor blink takes over again.
    blinkHiddenPhase_ = false;
    if (cursorBlinkPending_) startCursorBlinking();
    return;
  }
  blinkHiddenPhase_ = !blinkHiddenPhase_;
  for (int p = low; p <= high;) {
    if (!(attributes_[p] & display_attribute::kBlink) || chars_[p] == 0x20) {
      ++p;
      continue;
    }
    int q = p;
    while (q <= high && (attributes_[q] & display_attribute::kBlink) && chars_[q] != 0x20) ++q;
    if (blinkHiddenPhase_) {
      std::vector<unsigned char> saved(chars_.begin() + p, chars_.begin() + q);
      std::fill(chars_.begin() + p, chars_.begin() + q, 0x20);
      Flush_X5250(p, q - 1, 0, 1);
      std::copy(saved.begin(), saved.end(), chars_.begin() + p);
    } else {
      Flush_X5250(p, q - 1, 0, 1);
    }
    // Still blinking: keep the range for the next tick.
    blinkLow_ = std::min(blinkLow_, p);
    blinkHigh_ = std::max(blinkHigh_, q - 1);
    p = q;
  }
  if (blinkLow_ <= blinkHigh_ && shell_) {
    textBlinkId_ = XtAppAddTimeOut(AppOf(shell_), kBlinkMs, textBlinkTimer, this);
  } else if (cursorBlinkPending_) {
    startCursorBlinking();
  }
}

void XStuff::toggleExtendedDisplay() {
  settleScreenCopy();
  extendedDisplay_ = !extendedDisplay_;
  if (!extendedDisplay_) {
    // Null positions are blank again; the glyphs are let go.
    const auto* rendering = session_ ? dynamic_cast<const RenderingX*>(session_->renderer) : nullptr;
    for (int p = 0; rendering && p < cells(); ++p)
      if (rendering->planeByte(0, p) == 0 && chars_[p] == nullCharacter_) chars_[p] = 0x20;
    if (private_ && private_->painter) private_->painter->freeAttributeGlyphs();
  }
  Flush_X5250(0, cells() - 1, 0, 0);
}

void XStuff::removeTimers() {
  for (XtIntervalId* id : {&deferredFlush_, &cursorBlinkId_, &textBlinkId_, &iconBlinkId_}) {
    if (*id) XtRemoveTimeOut(*id);
    *id = 0;
  }
  cursorBlinkPending_ = false;
  if (private_ && private_->finishResizeTimer) {
    XtRemoveTimeOut(private_->finishResizeTimer);
    private_->finishResizeTimer = 0;
  }
}
