// Marking a copy area with the mouse or the keyboard, and copying or
// cutting what is marked.
#include <cstdlib>

#include "display/CopiedDataInformation.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/Rendering.h"
#include "keyboard/KeyboardState.h"
#include "base/LogMsg.h"

void KeyboardState::markArea(unsigned int from, unsigned int to) {
  Rendering* r = display_->getRendering();
  if (copyType_ == kBlockCopy)
    r->markBlockArea(from, to);
  else
    r->markLinearArea(from, to, reversed() ? 1 : 0);
}

// From top-left to bottom-right when the two corners lean the other way.
void KeyboardState::normaliseBlock(unsigned int& from, unsigned int& to) const {
  const unsigned int cols = columns();
  const unsigned int fc = from % cols, tc = to % cols;
  if (fc > tc) {
    const unsigned int d = fc - tc;
    from -= d;
    to += d;
  }
}

bool KeyboardState::enterCopyState(CopyType type, unsigned int start, unsigned int deferred) {
  if (state_ != kNormalUnlocked && state_ != kWordProcessing) return refuse("copy");
  if (start > display_->presentationSpace().lastOffset()) return refuse("copy off the screen");
  copySavedState_ = state_;
  copyType_ = type;
  copyAnchor_ = copyPoint_ = static_cast<unsigned short>(start);
  display_->controlData().setControlBits(kScrollDragTracking | kCopyTracking | kMarkingInProgress);
  copyOnCompletion_ = deferred ? 0 : 1;
  if (!deferred) {
    notMovedYet_ = 0;
    markArea(start, start);
  } else {
    notMovedYet_ = 1;
  }
  state_ = kCopy;
  return true;
}

void KeyboardState::updateCopyState(unsigned int p) {
  if (state_ != kCopy || p > display_->presentationSpace().lastOffset()) return;
  if (p == copyPoint_ && !notMovedYet_) return;
  notMovedYet_ = 0;
  copyPoint_ = static_cast<unsigned short>(p);
  drawCopyStateCopyArea();
}

void KeyboardState::drawCopyStateCopyArea() {
  unsigned int from = copyAnchor_ < copyPoint_ ? copyAnchor_ : copyPoint_;
  unsigned int to = copyAnchor_ < copyPoint_ ? copyPoint_ : copyAnchor_;
  if (copyType_ == kBlockCopy) normaliseBlock(from, to);
  markArea(from, to);
}

bool KeyboardState::exitCopyState() {
  if (state_ != kCopy) return refuse("leave copy");
  display_->controlData().clearControlBits(kScrollDragTracking | kCopyTracking | kMarkingInProgress);
  if (!notMovedYet_) display_->getRendering()->unmarkArea();
  state_ = copySavedState_;
  return true;
}

// A new point p while an area is marked moves the nearer end.
void KeyboardState::adjustMarkedArea(unsigned int p) {
  const int cols = static_cast<int>(columns());
  const int ip = static_cast<int>(p);
  auto moveStart = [&] { copyAnchor_ = copyFrom_ = static_cast<unsigned short>(p); };
  auto moveEnd = [&] { copyPoint_ = copyTo_ = static_cast<unsigned short>(p); };
  const int from = copyFrom_, to = copyTo_;
  if (copyType_ == kLinearCopy) {
    if (!reversed()) {
      if (ip <= to && (ip <= from || ip - from < to - ip))
        moveStart();
      else
        moveEnd();
      return;
    }
    int s = from, e = to;
    if (from / cols == to / cols) {
      s = to;
      e = from;
    }
    const int sc = s % cols + 1, ec = e % cols + 1;
    const int fr = from / cols, tr = to / cols, pr = ip / cols, pc = ip % cols + 1;
    const int d1 = ip > s ? (pr == fr ? 0 : sc + cols + 1 - pc + (pr - fr - 1) * cols)
                          : (pr == fr ? sc - pc + 1 : 0);
    const int d2 = ip < e ? (pr == tr ? 0 : pc + cols + 1 - ec + (tr - pr - 1) * cols)
                          : (pr == tr ? pc - ec + 1 : 0);
    if (d1 < d2)
      moveStart();
    else
      moveEnd();
    return;
  }
  int r0 = from / cols, c0 = from % cols, r1 = to / cols, c1 = to % cols;
  const int pr = ip / cols, pc = ip % cols;
  const bool inside = pr >= r0 && pr <= r1 && pc >= c0 && pc <= c1;
  if (inside) {
    const int dEnd = (pr - r1) * (pr - r1) + (pc - c1) * (pc - c1);
    const int dStart = (pr - r0) * (pr - r0) + (pc - c0) * (pc - c0);
    if (dEnd <= dStart)
      moveEnd();
    else
      moveStart();
    return;
  }
  if (pr < r0 || (pc < c0 && pr <= r1))
    r0 = pr;
  else
    r1 = pr;
  if (pc < c0 || (pr < r0 && pc <= c1))
    c0 = pc;
  else
    c1 = pc;
  copyAnchor_ = copyFrom_ = static_cast<unsigned short>(r0 * cols + c0);
  copyPoint_ = copyTo_ = static_cast<unsigned short>(r1 * cols + c1);
}

bool KeyboardState::enterPostCopyState(int point, CopyType type) {
  const unsigned int last = display_->presentationSpace().lastOffset();
  if (point != -1 && static_cast<unsigned int>(point) > last) return refuse("post copy off the screen");
  const unsigned char from = state_;
  if (from == kCopy) {
    display_->controlData().clearControlBits(kScrollDragTracking | kCopyTracking |
                                             kMarkingInProgress);
    if (notMovedYet_) {
      // A click without movement: no area, the click moves the cursor.
      state_ = copySavedState_;
      display_->modeFlagsA() |= DisplayBag::kAMarked;
      if (state_ == kWordProcessing) {
        display_->textSession()->c_textmouseclick(copyAnchor_);
        return true;
      }
      preClickCursor_ = static_cast<unsigned short>(display_->cursor().getCursorOffset());
      display_->services()->moveCursorThroughArea(areaAtCursor(), mirrored(copyAnchor_));
      return true;
    }
    copyFrom_ = copyAnchor_;
    copyTo_ = copyPoint_;
  } else if ((from == kNormalUnlocked || from == kWordProcessing) && point != -1) {
    copySavedState_ = from;
    copyType_ = type;
    copyAnchor_ = copyFrom_ = static_cast<unsigned short>(mirrored(display_->cursor().getCursorOffset()));
    copyPoint_ = copyTo_ = static_cast<unsigned short>(point);
    copyOnCompletion_ = display_->options().has(StationOptions::kLeftDragMarking) ? 0 : 1;
  } else if (from == kPostCopy && point != -1) {
    adjustMarkedArea(static_cast<unsigned int>(point));
  } else {
    return refuse("post copy");
  }
  unsigned int a = copyFrom_, b = copyTo_;
  if (a > b) {
    const unsigned int t = a;
    a = b;
    b = t;
  }
  if (copyType_ == kBlockCopy) normaliseBlock(a, b);
  copyFrom_ = static_cast<unsigned short>(a);
  copyTo_ = static_cast<unsigned short>(b);
  if (from == kPostCopy || from == kNormalUnlocked || from == kWordProcessing) markArea(a, b);
  state_ = kPostCopy;
  if (copyOnCompletion_) copyMarkedArea();
  display_->getRendering()->enableCopy(1);
  setAreaGeometryAndCutPermission();
  return true;
}

void KeyboardState::setAreaGeometryAndCutPermission() {
  const unsigned int cols = columns();
  unsigned int from = copyFrom_, to = copyTo_;
  if (reversed()) {
    const unsigned int mf = mirrored(from), mt = mirrored(to);
    if (copyType_ == kBlockCopy) {
      const unsigned int c0 = mf % cols < mt % cols ? mf % cols : mt % cols;
      from = from / cols * cols + c0;
    } else {
      from = mf < mt ? mf : mt;
    }
  }
  areaStart_ = static_cast<unsigned short>(from);
  if (copyType_ == kBlockCopy) {
    areaRows_ = static_cast<unsigned char>(copyTo_ / cols - copyFrom_ / cols + 1);
    areaWidth_ = static_cast<unsigned short>(copyTo_ % cols - copyFrom_ % cols + 1);
  } else {
    areaRows_ = 1;
    areaWidth_ = static_cast<unsigned short>(copyTo_ - copyFrom_ + 1);
  }
  Rendering* r = display_->getRendering();
  cutArea_ = nullptr;
  cutInText_ = 0;
  if (copySavedState_ == kWordProcessing) {
    if (copyType_ == kBlockCopy) {
      r->enableCut(0);
      return;
    }
    cutInText_ = display_->textSession()->WPCutOK(areaStart_, areaWidth_) ? 1 : 0;
    r->enableCut(cutInText_);
    return;
  }
  AreaOfScreen* area = display_->formatTable().getArea(areaStart_);
  if (area->isCutAllowed(display_, areaStart_, areaRows_, areaWidth_)) {
    cutArea_ = area;
    r->enableCut(1);
  } else {
    r->enableCut(0);
  }
}

bool KeyboardState::exitPostCopyState() {
  if (state_ != kPostCopy) return refuse("leave post copy");
  Rendering* r = display_->getRendering();
  r->unmarkArea();
  r->enableCopy(0);
  r->enableCut(0);
  state_ = copySavedState_;
  cutArea_ = nullptr;
  cutInText_ = 0;
  return true;
}

bool KeyboardState::exitPostCopyStateWithDelete() {
  if (state_ != kPostCopy) return refuse("cut");
  if (copySavedState_ == kWordProcessing) {
    // The text deletes the range itself (or has its host do it).
    const bool cut = cutInText_ != 0;
    const unsigned int from = areaStart_, to = areaStart_ + areaWidth_ - 1u;
    exitPostCopyState();
    if (cut) display_->textSession()->cutText(from, to);
    return true;
  }
  if (!cutArea_) return exitPostCopyState();
  AreaOfScreen* area = cutArea_;
  const bool atCursor = area == areaAtCursor();
  if (area->isEntryField() && !atCursor) {
    EntryField* f = static_cast<EntryField*>(area);
    const unsigned char f2 = f->formatByte(1), f3 = f->formatByte(2);
    const bool moveFirst = (f2 & 0x03) == 0x03 || (f3 & 0xC0) == 0x40 || (f3 & 0xC0) == 0x80;
    if (moveFirst && display_->services()->moveCursorThroughArea(areaAtCursor(), areaStart_) != 0)
      return true;
  }
  EntryField* reverse = reversed() && area->isEntryField() && !atCursor
                            ? static_cast<EntryField*>(area) : nullptr;
  if (reverse) reverse->reverseFieldData(&display_->presentationSpace());
  area->cut(display_, areaStart_, areaRows_, areaWidth_);
  if (reverse) reverse->reverseFieldData(&display_->presentationSpace());
  return exitPostCopyState();
}

bool KeyboardState::copyMarkedArea() {
  if (state_ != kPostCopy) return refuse("copy the marked area");
  const unsigned int cols = columns();
  PresentationSpaceScreenBuffer& ps = display_->presentationSpace();
  const unsigned int fromRow = copyFrom_ / cols, toRow = copyTo_ / cols;
  const unsigned int rowCount = toRow - fromRow + 1;
  if (rowCount > CopiedDataInformation::kMaxRows) {
    LogMsg(LevelWarning, "QWC0431 copy of %u rows refused\n", rowCount);
    return false;
  }
  CopiedDataInformation info;
  info.flags = CopiedDataInformation::kDataPresent |
               (copyType_ == kBlockCopy ? CopiedDataInformation::kBlock : 0) |
               (reversed() ? CopiedDataInformation::kRightToLeft : 0);
  info.hiddenDataCheck = display_->options().has(StationOptions::kHiddenDataCheck) ? 1 : 0;
  info.textAssist = copySavedState_ == kWordProcessing ? 1 : 0;
  info.rowWidth = static_cast<unsigned short>(cols);
  // A row is flagged when any copied position of it lies under a
  // non-display attribute, not only its first one.
  for (unsigned int r = fromRow; r <= toRow; ++r) {
    unsigned int first = r * cols, last = first + cols - 1;
    if (!reversed()) {
      if (copyType_ == kBlockCopy) {
        first = r * cols + copyFrom_ % cols;
        last = r * cols + copyTo_ % cols;
      } else {
        if (r == fromRow) first = copyFrom_;
        if (r == toRow) last = copyTo_;
      }
    }
    unsigned char attribute = ps.getPreviousAttribute(first, 0);
    unsigned char hidden = 0;
    for (unsigned int p = first; p <= last && !hidden; ++p) {
      const unsigned char c = ps.getCharacter(p);
      if (c >= 0x20 && c <= 0x3F) {
        attribute = c;
        continue;
      }
      if ((attribute & 0x07) == 0x07 && attribute >= 0x20) hidden = 1;
    }
    info.nonDisplayRow[r - fromRow] = hidden;
  }
  if (reversed()) {
    info.startCell = fromRow * cols;
    info.endCell = toRow * cols + cols - 1;
  } else {
    info.startCell = copyFrom_;
    info.endCell = copyTo_;
  }
  display_->getRendering()->copyArea(&info);
  return true;
}

KeyboardState::CopyAreaInfo KeyboardState::getCopyAreaInfo() const {
  CopyAreaInfo i{};
  if (state_ != kPostCopy) return i;
  const unsigned int cols = columns();
  i.marked = 1;
  i.block = copyType_ == kBlockCopy;
  i.reversed = reversed();
  i.from = copyFrom_;
  i.fromRow = copyFrom_ / cols + 1;
  i.fromColumn = copyFrom_ % cols + 1;
  i.to = copyTo_;
  i.toRow = copyTo_ / cols + 1;
  i.toColumn = copyTo_ % cols + 1;
  return i;
}

void KeyboardState::processKeyboardCopyKeys(int key) {
  StationOptions& o = display_->options();
  if (!o.has(StationOptions::kCopyPaste)) return;
  if (key == 30) {
    const unsigned char t = o.copyType;
    o.copyType = o.alternativeCopyType;
    o.alternativeCopyType = t;
    if (state_ == kPostCopy) exitPostCopyState();
    return;
  }
  if (key < 22 || key > 29) return;
  const unsigned int cols = columns();
  const unsigned int n = (rows() > 1 ? rows() - 1 : 0) * cols;
  if (n == 0) return;
  const bool movePoint = key <= 25;
  const int direction = (key - 22) % 4;  // left, right, up, down
  auto up = [&](unsigned int p) { return p < cols ? p + n - cols : p - cols; };
  auto down = [&](unsigned int p) { return p + cols >= n ? p + cols - n : p + cols; };
  unsigned int p;
  if (state_ == kNormalUnlocked || state_ == kWordProcessing) {
    const unsigned int c = mirrored(display_->cursor().getCursorOffset()) % n;
    copyAnchor_ = copyPoint_ = static_cast<unsigned short>(c);
    copyType_ = o.copyType;
    copySavedState_ = state_;
    copyOnCompletion_ = o.has(StationOptions::kLeftDragMarking) ? 0 : 1;
    p = c;
    if (direction == 2) p = up(p);
    if (direction == 3) p = down(p);
  } else if (state_ == kPostCopy) {
    p = movePoint ? copyPoint_ : copyAnchor_;
    if (p >= n) p = n - 1;
    const unsigned int col = p % cols;
    switch (direction) {
      case 0:
        if (!reversed())
          p = p == 0 ? n - 1 : p - 1;
        else if (col == 0)
          p = p / cols == n / cols - 1 ? cols - 1 : p + 2 * cols - 1;
        else
          p = p - 1;
        break;
      case 1:
        if (!reversed())
          p = p == n - 1 ? 0 : p + 1;
        else if (col == cols - 1)
          p = p == cols - 1 ? n - cols : p - 2 * cols + 1;
        else
          p = p + 1;
        break;
      case 2:
        p = up(p);
        break;
      default:
        p = down(p);
        break;
    }
  } else {
    return;
  }
  if (movePoint)
    copyPoint_ = static_cast<unsigned short>(p);
  else
    copyAnchor_ = static_cast<unsigned short>(p);
  state_ = kCopy;
  notMovedYet_ = 0;
  drawCopyStateCopyArea();
  enterPostCopyState(-1, static_cast<CopyType>(copyType_));
}
