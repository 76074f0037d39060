#include "display/CursorClass.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayControlData.h"
#include "display/DisplayIndicators.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "display/StationServices.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

namespace {
constexpr unsigned short kModuleCursor = 0x0B02;
constexpr unsigned int kFlagAInsert = 0x10000000u;      // A bit 28
constexpr unsigned int kFlagANewArea = 0x04000000u;     // A bit 26
constexpr unsigned int kFlagABound = 0x20000000u;       // A bit 29
constexpr unsigned int kFlagBReversed = 0x01000000u;    // B bit 24
constexpr unsigned int kFlagBNoWindow = 0x04000000u;    // B bit 26

bool WindowValid(const CursorClass::Window& w, unsigned int rows, unsigned int columns) {
  if (w.left == 0 && w.right == 255 && w.top == 0 && w.bottom == 255) return true;
  return w.left >= 1 && w.left <= w.right && w.right <= columns && w.top >= 1 &&
         w.top <= w.bottom && w.bottom <= rows;
}
}  // namespace

CursorClass::CursorClass(StationServices* station) : station_(station) {}

unsigned int CursorClass::rows() const { return station_->getPresentationSpace()->rows(); }
unsigned int CursorClass::columns() const { return station_->getPresentationSpace()->columns(); }
bool CursorClass::reversed() const { return (station_->modeFlagsB() & kFlagBReversed) != 0; }

unsigned int CursorClass::getCursorRow() const { return offset_ / columns() + 1; }
unsigned int CursorClass::getCursorColumn() const { return offset_ % columns() + 1; }

unsigned int CursorClass::getCursorShifted() const {
  if (!reversed()) return offset_;
  AreaOfScreen* area = area_ ? area_ : station_->getNonBypassArea(offset_);
  return station_->mirrorOffsetInArea(area, offset_);
}

bool CursorClass::hasWindow() const { return window_.left != 0; }

bool CursorClass::inWindowRows(unsigned int row) const {
  return hasWindow() && row >= window_.top && row <= window_.bottom;
}

unsigned int CursorClass::getPositionToLeft(unsigned int offset, unsigned int count,
                                            unsigned int stopAtWrap) const {
  const unsigned int cols = columns(), last = rows();
  unsigned int r = offset / cols + 1, c = offset % cols + 1;
  for (unsigned int i = 0; i < count; ++i) {
    if (inWindowRows(r) && c == window_.left) {
      c = window_.right;
      r = r == window_.top ? window_.bottom : r - 1;
      if (stopAtWrap) break;
    } else if (c == 1) {
      c = cols;
      r = r <= 1 ? last : r - 1;
    } else {
      --c;
    }
  }
  return (r - 1) * cols + c - 1;
}

unsigned int CursorClass::getPositionToRight(unsigned int offset, unsigned int count,
                                             unsigned int stopAtWrap) const {
  const unsigned int cols = columns(), last = rows();
  unsigned int r = offset / cols + 1, c = offset % cols + 1;
  for (unsigned int i = 0; i < count; ++i) {
    if (inWindowRows(r) && c == window_.right) {
      c = window_.left;
      r = r == window_.bottom ? window_.top : r + 1;
      if (stopAtWrap) break;
    } else if (c == cols) {
      c = 1;
      if (r >= last) {
        r = 1;
        if (stopAtWrap) break;
      } else {
        ++r;
      }
    } else {
      ++c;
    }
  }
  return (r - 1) * cols + c - 1;
}

unsigned int CursorClass::getPositionUpward(unsigned int offset) const {
  const unsigned int cols = columns();
  unsigned int r = offset / cols + 1;
  const unsigned int c = offset % cols + 1;
  if (inWindowRows(r) && c >= window_.left && c <= window_.right && r == window_.top)
    r = window_.bottom;
  else
    r = r <= 1 ? rows() : r - 1;
  return (r - 1) * cols + c - 1;
}

unsigned int CursorClass::getPositionDownward(unsigned int offset) const {
  const unsigned int cols = columns();
  unsigned int r = offset / cols + 1;
  const unsigned int c = offset % cols + 1;
  if (inWindowRows(r) && c >= window_.left && c <= window_.right && r == window_.bottom)
    r = window_.top;
  else
    r = r >= rows() ? 1 : r + 1;
  return (r - 1) * cols + c - 1;
}

unsigned int CursorClass::getUnShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(
    unsigned int fieldStart, unsigned int fieldEnd) const {
  const unsigned int rowStart = offset_ / columns() * columns();
  const unsigned int rowEnd = rowStart + columns() - 1;
  if (!reversed()) return rowStart > fieldStart ? rowStart : fieldStart;
  return fieldEnd < rowEnd ? fieldEnd : rowEnd;
}

unsigned int CursorClass::getUnShiftedOffsetOfRightFieldBoundaryOnLineOfScreen(
    unsigned int fieldStart, unsigned int fieldEnd) const {
  const unsigned int rowStart = offset_ / columns() * columns();
  const unsigned int rowEnd = rowStart + columns() - 1;
  if (!reversed()) return fieldEnd < rowEnd ? fieldEnd : rowEnd;
  return rowStart > fieldStart ? rowStart : fieldStart;
}

unsigned int CursorClass::getShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(
    unsigned int fieldStart, unsigned int fieldEnd) const {
  const unsigned int u = getUnShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(fieldStart, fieldEnd);
  return reversed() ? fieldStart + fieldEnd - u : u;
}

unsigned int CursorClass::getShiftedOffsetOfRightFieldBoundaryOnLineOfScreen(
    unsigned int fieldStart, unsigned int fieldEnd) const {
  const unsigned int u =
      getUnShiftedOffsetOfRightFieldBoundaryOnLineOfScreen(fieldStart, fieldEnd);
  return reversed() ? fieldStart + fieldEnd - u : u;
}

unsigned int CursorClass::storeOffset(unsigned int offset, ReverseScreenCursorOffsetType type,
                                      AreaOfScreen* area) const {
  if (reversed() && type == CursorOffsetLogical) return station_->mirrorOffsetInArea(area, offset);
  return offset;
}

void CursorClass::leaveInsertMode() {
  station_->modeFlagsA() &= ~kFlagAInsert;
  station_->getDisplayControlData()->clearCursorRequestBits(DisplayControlData::kRequestInsert);
  // The operator sees the mode that typing will use.
  station_->getDisplayIndicators()->current().reset(Indicators::kInsert);
}

int CursorClass::initializeCursorToArea(int offset, unsigned int enter,
                                        ReverseScreenCursorOffsetType type) {
  if (area_) ErrorHalt(kModuleCursor, 1, offset_);
  const unsigned int last = station_->getPresentationSpace()->lastOffset();
  if (offset != -1 && (offset < 0 || static_cast<unsigned int>(offset) > last)) {
    LogMsg(LevelWarning, "QWC0410 cursor offset %d beyond the screen kept at %u\n", offset,
           static_cast<unsigned int>(offset_));
    offset = -1;
  }
  const unsigned int at = offset == -1 ? offset_ : static_cast<unsigned int>(offset);
  AreaOfScreen* area = station_->getNonBypassArea(at);
  if (offset != -1) {
    const unsigned int stored = storeOffset(at, type, area);
    offset_ = static_cast<unsigned short>(stored <= last ? stored : at);
  }
  leaveInsertMode();
  area_ = area;
  if (enter) station_->enterArea(area);
  station_->modeFlagsA() &= ~kFlagABound;
  return station_->gainFocus(area);
}

void CursorClass::detachCursorFromArea() {
  if (area_) station_->loseFocus(area_);
  area_ = nullptr;
}

int CursorClass::moveCursorToNewArea(int offset, ReverseScreenCursorOffsetType type) {
  detachCursorFromArea();
  station_->modeFlagsA() |= kFlagANewArea;
  return initializeCursorToArea(offset, 1, type);
}

void CursorClass::moveCursorWithinSameArea(unsigned int offset,
                                           ReverseScreenCursorOffsetType type) {
  // Insert mode stays while the cursor moves inside its area: every typed
  // character moves the cursor, and a mode that ended there would overwrite
  // what follows.
  const unsigned int last = station_->getPresentationSpace()->lastOffset();
  if (offset > last) return;
  AreaOfScreen* area = area_ ? area_ : station_->getNonBypassArea(offset);
  const unsigned int stored = storeOffset(offset, type, area);
  offset_ = static_cast<unsigned short>(stored <= last ? stored : offset);
}

void CursorClass::outputNewCursorPosition() {
  const unsigned int shown =
      reversed() ? station_->getPresentationSpace()->reverseAddress(offset_) : offset_;
  if (shown == lastOutput_) return;
  station_->getRendering()->setCursorPosition(shown);
  lastOutput_ = static_cast<unsigned short>(shown);
}

bool CursorClass::setWindowRestrictedCursorMovement(unsigned int left, unsigned int right,
                                                    unsigned int top, unsigned int bottom) {
  if (station_->modeFlagsB() & kFlagBNoWindow) return false;
  Window w;
  if (left > 255 || right > 255 || top > 255 || bottom > 255) return false;
  w.left = static_cast<unsigned char>(left);
  w.right = static_cast<unsigned char>(right);
  w.top = static_cast<unsigned char>(top);
  w.bottom = static_cast<unsigned char>(bottom);
  if (!WindowValid(w, rows(), columns())) return false;
  window_ = w;
  return true;
}

void CursorClass::resetWindowRestrictedCursorMovement() { window_ = Window(); }

void CursorClass::saveForSystemRequest() {
  sysReqOffset_ = offset_;
  sysReqWindow_ = window_;
}

void CursorClass::restoreFromSystemRequest() {
  if (area_) ErrorHalt(kModuleCursor, 3, offset_);
  offset_ = sysReqOffset_;
  window_ = sysReqWindow_;
}

void CursorClass::saveCursor(qrnOStream* stream) const {
  stream->hostPut16(offset_);
  stream->hostPut16(home_);
  stream->save(column_, 8);
  stream->save(window_.left, 8);
  stream->save(window_.right, 8);
  stream->save(window_.top, 8);
  stream->save(window_.bottom, 8);
}

unsigned int CursorClass::restoreCursor(qrnIStream* stream) {
  if (area_) ErrorHalt(kModuleCursor, 2, offset_);
  unsigned short offset = 0, home = 0;
  unsigned char column = 0;
  Window w;
  stream->hostGet16(offset);
  stream->hostGet16(home);
  stream->restore(column, 8);
  stream->restore(w.left, 8);
  stream->restore(w.right, 8);
  stream->restore(w.top, 8);
  stream->restore(w.bottom, 8);
  if (stream->checkRestore()) return RestoreRejected("cursor", "stream ends early");
  // The screen's own size is restored later in the stream: check against
  // the most the plane can hold.
  const unsigned int size = station_->getPresentationSpace()->bufferSize();
  if (offset >= size || home >= size || !WindowValid(w, 255, 255))
    return RestoreRejected("cursor", "offset or window out of range");
  offset_ = offset;
  home_ = home;
  column_ = column;
  window_ = w;
  return 0;
}
