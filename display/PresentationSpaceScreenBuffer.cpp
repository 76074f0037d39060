#include "display/PresentationSpaceScreenBuffer.h"

#include <cstring>
#include <vector>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayCharacteristics.h"
#include "display/ECBScreenBuffer.h"
#include "display/EntryField.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "display/StationServices.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

namespace {
constexpr unsigned short kModulePlanes = 0x0B1A;
constexpr unsigned int kFlagBAudioVideo = 0x80000000u;  // B bit 31
constexpr unsigned int kFlagBRtlFields = 0x40000000u;   // B bit 30
constexpr unsigned int kFlagBImages = 0x08000000u;      // B bit 27
constexpr unsigned int kFlagBReversed = 0x01000000u;    // B bit 24
constexpr unsigned int kFlagBNoSwap = 0x00800000u;      // B bit 23
constexpr unsigned int kWord1CompressedRestore = 0x20000000u;  // word 1 bit 29
constexpr unsigned int kMaxCompressedUpdate = 2000;
constexpr unsigned int kLanguageArabic = 1;

inline bool IsAttribute(unsigned char c) { return c >= 0x20 && c <= 0x3F; }
inline bool BlankOrNull(unsigned char c) { return c == 0x40 || c == 0x00; }

struct SwapTables {
  unsigned char arabic[256];
  unsigned char other[256];
  SwapTables() {
    for (int i = 0; i < 256; ++i) arabic[i] = other[i] = static_cast<unsigned char>(i);
    const unsigned char pairs[][2] = {{0x03, 0x05}, {0x0A, 0x0D}, {0x0B, 0x0C}, {0x4C, 0x6E},
                                      {0x4D, 0x5D}};
    for (const auto& p : pairs) {
      arabic[p[0]] = other[p[0]] = p[1];
      arabic[p[1]] = other[p[1]] = p[0];
    }
    arabic[0x2E] = other[0x2E] = 0x2C;
    const unsigned char extra[][2] = {{0x8A, 0x8B}, {0xBA, 0xBB}, {0xC0, 0xD0}};
    for (const auto& p : extra) {
      other[p[0]] = p[1];
      other[p[1]] = p[0];
    }
  }
};
const SwapTables kSwap;
}  // namespace

PresentationSpaceScreenBuffer::PresentationSpaceScreenBuffer(StationServices* station,
                                                             unsigned int size, unsigned int rows,
                                                             unsigned int columns,
                                                             unsigned int compareFlag,
                                                             unsigned char* buffer)
    : ScreenBuffer(station, &bytes_, size, rows, columns, compareFlag),
      bytes_(buffer, size),
      deviceRows_(static_cast<unsigned char>(rows)),
      deviceColumns_(static_cast<unsigned char>(columns)) {
  std::memset(bytes_.data(), 0, size);
}

PresentationSpaceScreenBuffer::~PresentationSpaceScreenBuffer() {
  dropCommands(images_);
  dropCommands(audioVideo_);
  freeBuffer(compressed_, compressedLength_);
  freeBuffer(deviceData_, deviceDataLength_);
  freeBuffer(image_, imageLength_);
}

void PresentationSpaceScreenBuffer::freeBuffer(unsigned char*& p, uint32_t& length) {
  if (p) station_->getRendering()->WsFreeBuffer(p);
  p = nullptr;
  length = 0;
}

bool PresentationSpaceScreenBuffer::reversed() const {
  return (station_->modeFlagsB() & kFlagBReversed) != 0;
}

bool PresentationSpaceScreenBuffer::swapping() const {
  const unsigned int b = station_->modeFlagsB();
  return (b & kFlagBRtlFields) || (!(b & kFlagBNoSwap) && station_->getASDLanguage() != 0);
}

unsigned char PresentationSpaceScreenBuffer::swapCharacter(unsigned char c) const {
  if (!swapping()) return c;
  return station_->getASDLanguage() == kLanguageArabic ? kSwap.arabic[c] : kSwap.other[c];
}

// ---- character-plane operations --------------------------------------------

unsigned char PresentationSpaceScreenBuffer::getPreviousAttribute(unsigned int offset,
                                                                  unsigned int limit) const {
  checkRange(offset, limit, 9);
  const int at = bytes_.findCharacterInRange(offset, limit, 0x20, 0x3F);
  return at < 0 ? 0 : bytes_.getCharacter(static_cast<unsigned int>(at));
}

void PresentationSpaceScreenBuffer::writeDoubleByteCharacter(unsigned int offset,
                                                             unsigned short dbchar) {
  if (offset >= lastOffset_) ErrorHalt(kModulePlanes, 31, offset, lastOffset_);
  const unsigned char two[2] = {static_cast<unsigned char>(dbchar >> 8),
                                static_cast<unsigned char>(dbchar)};
  writeData(two, 2, offset);
}

int PresentationSpaceScreenBuffer::insertDoubleByteCharacter(unsigned int offset,
                                                             unsigned int end,
                                                             unsigned short dbchar) {
  if (offset > end || end > lastOffset_ || end - offset < 1)
    ErrorHalt(kModulePlanes, 13, offset, end, lastOffset_);
  if (bytes_.getCharacter(end) != 0 || bytes_.getCharacter(end - 1) != 0) return -1;
  if (end - offset >= 2) copyRange(offset, end - 2, offset + 2);
  writeDoubleByteCharacter(offset, dbchar);
  return 0;
}

void PresentationSpaceScreenBuffer::bulkInsert(unsigned int first, unsigned int last,
                                               unsigned char byte) {
  if (first > last || last > lastOffset_) ErrorHalt(kModulePlanes, 3, first, last, lastOffset_);
  if (bytes_.getCharacter(last) != 0) return;
  const int lastData = bytes_.findMismatchInRange(last, first, 0);
  if (lastData < 0) {
    fillRange(first, last, byte);
    return;
  }
  const unsigned int shift = last - static_cast<unsigned int>(lastData);
  copyRange(first, static_cast<unsigned int>(lastData), first + shift);
  fillRange(first, first + shift - 1, byte);
}

void PresentationSpaceScreenBuffer::convertTextSymbolsToNulls() {
  unsigned char* b = bytes_.data();
  for (unsigned int at = 0; at <= lastOffset_; ++at)
    if (b[at] >= 0x01 && b[at] <= 0x1F) {
      b[at] = 0;
      markChanged(at, at);
    }
}

void PresentationSpaceScreenBuffer::writeClearUnitAttribute() {
  bytes_.writeCharacter(0, 0x20);
  flags_ &= ~kPlaneClear;
  clearUnit_ = 1;
}

// ---- buffered image and audio/video commands ---------------------------------

unsigned int PresentationSpaceScreenBuffer::bufferCommand(CommandList& list, unsigned int command,
                                                          const unsigned char* data,
                                                          unsigned int length,
                                                          const char* what) {
  if (list.count >= kMaxBufferedCommands) {
    LogMsg(LevelWarning, "QWC0401 %s command refused: %u commands wait for output\n", what,
           kMaxBufferedCommands);
    return kSenseCommandListFull;
  }
  Rendering* r = station_->getRendering();
  if (!list.entries)
    list.entries = static_cast<BufferedCommand*>(
        r->WsGetBuffer(sizeof(BufferedCommand) * kMaxBufferedCommands));
  BufferedCommand& e = list.entries[list.count++];
  e.command = command;
  e.length = length;
  e.data = nullptr;
  if (length) {
    e.data = static_cast<unsigned char*>(r->WsGetBuffer(length));
    std::memcpy(e.data, data, length);
  }
  return 0;
}

unsigned int PresentationSpaceScreenBuffer::bufferImageCommand(unsigned int command,
                                                               const unsigned char* data,
                                                               unsigned int length) {
  return bufferCommand(images_, command, data, length, "image");
}

unsigned int PresentationSpaceScreenBuffer::bufferAudioVideoCommand(unsigned int command,
                                                                    const unsigned char* data,
                                                                    unsigned int length) {
  return bufferCommand(audioVideo_, command, data, length, "audio/video");
}

void PresentationSpaceScreenBuffer::dropCommands(CommandList& list) {
  Rendering* r = station_->getRendering();
  for (unsigned int i = 0; i < list.count; ++i)
    if (list.entries[i].data) r->WsFreeBuffer(list.entries[i].data);
  if (list.entries) r->WsFreeBuffer(list.entries);
  list.entries = nullptr;
  list.count = 0;
}

void PresentationSpaceScreenBuffer::clearImages() {
  dropCommands(images_);
  station_->getRendering()->eraseImage();
}

void PresentationSpaceScreenBuffer::clearAudioVideo() {
  dropCommands(audioVideo_);
  station_->getRendering()->hook35();
}

// ---- output -------------------------------------------------------------------

void PresentationSpaceScreenBuffer::outputMultiplePlanesChanges(PrimaryECBScreenBuffer* primary,
                                                                SecondaryECBScreenBuffer* secondary,
                                                                ColorECBScreenBuffer* colour) {
  Rendering* r = station_->getRendering();
  ScreenBuffer* ecb[3] = {primary, secondary, colour};
  const bool ecbInUse = primary->AreECBsInUse();
  const unsigned int half = lastOffset_ / 2u;
  unsigned int count = changedCount();

  // 1. A restored compressed update is sent only where the device can take it.
  if (compressed_ && (ecbInUse || compressedLength_ > kMaxCompressedUpdate || rows_ != 24 ||
                      columns_ != 80 || reversed() || count > half)) {
    freeBuffer(compressed_, compressedLength_);
    setWhole();
    count = changedCount();
  }

  // 2. Clears since the last output.
  const bool ecbHadClear = (primary->flags() | secondary->flags() | colour->flags()) &
                           kDeviceClearPending;
  const bool sizeGrew = static_cast<unsigned int>(rows_) * columns_ >
                        static_cast<unsigned int>(deviceRows_) * deviceColumns_;
  if ((flags_ & kDeviceClearPending) || ecbHadClear) {
    const bool allSeen = (flags_ & primary->flags() & secondary->flags() & colour->flags() &
                          kClearSeen) != 0;
    if (!allSeen) {
      if (primary->flags() & kDeviceClearPending) r->clearPrimaryECBPlane();
      if (secondary->flags() & kDeviceClearPending) r->clearSecondaryECBPlane();
      if (colour->flags() & kDeviceClearPending) r->clearColorECBPlane();
      if ((flags_ & kDeviceClearPending) && count <= half)
        r->clearPresentationSpace();
      else
        setWhole();
    } else if (!ecbInUse) {
      if (ecbHadClear || sizeGrew || (!compressed_ && count <= half))
        r->clearAllPlanes(0);
      else
        setWhole();
    } else if (sizeGrew) {
      r->clearAllPlanes(1);
    } else {
      setWhole();
      for (ScreenBuffer* p : ecb)
        if (p->flags() & kDeviceClearPending) p->setChangedRange(0, p->lastOffset());
    }
    clearFlags(kDeviceClearPending);
    for (ScreenBuffer* p : ecb) p->clearFlags(kDeviceClearPending);
  }

  // 3. Clear marks and the device's size.
  clearFlags(kClearSeen);
  for (ScreenBuffer* p : ecb) p->clearFlags(kClearSeen);
  if (rows_ != deviceRows_ || columns_ != deviceColumns_) {
    r->setScreenSize(rows_, columns_);
    deviceRows_ = rows_;
    deviceColumns_ = columns_;
  }

  // 4. After a Clear Unit position 0 holds the first attribute.
  if (clearUnit_) {
    clearUnit_ = 0;
    if (hasChanges() && changedLow_ > 59 && !reversed())
      r->updatePresentationSpacePlane(bytes_.data(), 0, 0, 1);
    else
      setChangedRange(0, hasChanges() ? changedHigh_ : 0u);
  }

  // 5. The planes.
  const bool ecbChanged = primary->hasChanges() || secondary->hasChanges() || colour->hasChanges();
  if (!ecbInUse || !ecbChanged) {
    outputChanges();
  } else if (!reversed()) {
    r->updateAllPlanes(bytes_.data(), hasChanges() ? changedLow_ : 0u, changedCount(),
                       primary->store(), primary->hasChanges() ? primary->changedLow() : 0u,
                       primary->changedCount(), secondary->store(),
                       secondary->hasChanges() ? secondary->changedLow() : 0u,
                       secondary->changedCount(), colour->store(),
                       colour->hasChanges() ? colour->changedLow() : 0u, colour->changedCount());
  } else {
    unsigned int first = lastOffset_;
    if (hasChanges()) first = changedLow_;
    for (ScreenBuffer* p : ecb)
      if (p->hasChanges() && p->changedLow() < first) first = p->changedLow();
    auto* work = static_cast<unsigned char*>(r->WsGetBuffer(lastOffset_ + 1u));
    unsigned int outFirst = 0, outLast = 0;
    suspendReversedFieldDataIfAny();
    reverseScreen(work, first, lastOffset_, outFirst, outLast);
    unSuspendReversedFieldDataIfAny();
    const unsigned int n = outLast - outFirst + 1;
    r->updateAllPlanes(work, outFirst, n, primary->store(), outFirst,
                       primary->hasChanges() ? n : 0u, secondary->store(), outFirst,
                       secondary->hasChanges() ? n : 0u, colour->store(), outFirst,
                       colour->hasChanges() ? n : 0u);
    r->WsFreeBuffer(work);
    station_->writeOperatorErrorToScreen();
  }
  emptyChangedRange();
  for (ScreenBuffer* p : ecb) p->emptyChangedRange();

  // 6. Buffered commands and restored device data.
  for (unsigned int i = 0; i < audioVideo_.count; ++i)
    r->hook37(audioVideo_.entries[i].command, audioVideo_.entries[i].data,
              audioVideo_.entries[i].length);
  dropCommands(audioVideo_);
  for (unsigned int i = 0; i < images_.count; ++i)
    r->writeImage(images_.entries[i].command, images_.entries[i].data, images_.entries[i].length);
  dropCommands(images_);
  if (deviceData_) {
    r->hook23(deviceData_, deviceDataLength_);
    freeBuffer(deviceData_, deviceDataLength_);
  }
  if (image_) {
    r->restoreImage(image_, imageLength_);
    freeBuffer(image_, imageLength_);
  }
}

void PresentationSpaceScreenBuffer::outputChanges() {
  Rendering* r = station_->getRendering();
  if (!reversed()) {
    if (compressed_) {
      r->updatePresentationSpaceCompressed(compressed_, compressedLength_, 0);
      freeBuffer(compressed_, compressedLength_);
    }
    if (hasChanges())
      r->updatePresentationSpacePlane(bytes_.data(), changedLow_, changedLow_, changedCount());
  } else if (hasChanges() && !sendReversedField()) {
    suspendReversedFieldDataIfAny();
    sendMirrored(changedLow_);
    unSuspendReversedFieldDataIfAny();
  }
  emptyChangedRange();
}

void PresentationSpaceScreenBuffer::sendMirrored(unsigned int first) {
  Rendering* r = station_->getRendering();
  auto* work = static_cast<unsigned char*>(r->WsGetBuffer(lastOffset_ + 1u));
  unsigned int outFirst = 0, outLast = 0;
  reverseScreen(work, first, lastOffset_, outFirst, outLast);
  r->updatePresentationSpacePlane(work, outFirst, outFirst, outLast - outFirst + 1);
  r->WsFreeBuffer(work);
}

// ---- mirroring ------------------------------------------------------------------

void PresentationSpaceScreenBuffer::reverseScreen(unsigned char* out, unsigned int first,
                                                  unsigned int last, unsigned int& outFirst,
                                                  unsigned int& outLast) {
  const unsigned char* ps = bytes_.data();
  const bool swap = swapping();
  const unsigned char* table =
      station_->getASDLanguage() == kLanguageArabic ? kSwap.arabic : kSwap.other;
  unsigned char attr = 0x20;
  for (unsigned int row = 0; row <= rows_; ++row) {
    const unsigned int start = row * columns_;
    const unsigned char began = attr;
    for (unsigned int i = 0; i < columns_; ++i) {
      const unsigned char c = ps[start + i];
      unsigned char& dst = out[start + columns_ - 1 - i];
      if (IsAttribute(c)) {
        dst = attr;
        attr = c;
      } else {
        dst = swap ? table[c] : c;
      }
    }
    if (attr != began && !IsAttribute(out[start])) placeRowEndAttribute(out, row, attr);
  }
  const unsigned int firstRow = (first > last ? last : first) / columns_;
  outFirst = firstRow == 0 ? 0 : (firstRow - 1) * columns_;
  outLast = lastOffset_;
}

// The attribute in effect at a row's end governs the data at the left of the
// mirrored row: give it a place there.
bool PresentationSpaceScreenBuffer::placeRowEndAttribute(unsigned char* out, unsigned int row,
                                                         unsigned char attr) {
  const unsigned int start = row * columns_;
  const unsigned int end = start + columns_ - 1;
  // Out positions map back to the plane by mirroring within the row.
  auto logical = [&](unsigned int at) { return reverseAddress(at); };
  if (BlankOrNull(out[start]) && !station_->fieldStartsAt(end)) {
    out[start] = attr;
    return true;
  }
  if (row > 0) {
    const unsigned int prevLast = start - 1;
    if (IsAttribute(out[prevLast]) ||
        (BlankOrNull(out[prevLast]) && !station_->fieldLiesIn(logical(prevLast),
                                                              logical(prevLast)))) {
      out[prevLast] = attr;
      return true;
    }
    // Shift the previous row's data left into a double blank.
    const unsigned int prevStart = start - columns_;
    for (unsigned int k = prevLast; k-- > prevStart;) {
      if (out[k] == 0x40 && out[k + 1] == 0x40) {
        if (!station_->fieldLiesIn(logical(prevLast), logical(k + 1))) {
          std::memmove(out + k + 1, out + k + 2, prevLast - (k + 1));
          out[prevLast] = attr;
          return true;
        }
        break;
      }
    }
  }
  // Shift this row's data right into a double blank.
  for (unsigned int k = start; k < end; ++k) {
    if (out[k] == 0x40 && out[k + 1] == 0x40) {
      if (!station_->fieldLiesIn(logical(k), logical(start))) {
        std::memmove(out + start + 1, out + start, k - start);
        out[start] = attr;
        return true;
      }
      break;
    }
  }
  if ((attr & 0x07) == 0x07) {
    out[start] = attr;
    station_->markFieldForMovedAttribute(end);
    return true;
  }
  return false;
}

void PresentationSpaceScreenBuffer::reverseArea(unsigned int first, unsigned int last) {
  if (first > lastOffset_ || last > lastOffset_) ErrorHalt(kModulePlanes, 20, first, last);
  unsigned int lo = first < last ? first : last, hi = first < last ? last : first;
  const unsigned int markLo = lo, markHi = hi;
  unsigned char* b = bytes_.data();
  while (lo < hi) {
    const unsigned char t = swapCharacter(b[lo]);
    b[lo] = swapCharacter(b[hi]);
    b[hi] = t;
    ++lo;
    --hi;
  }
  if (lo == hi) b[lo] = swapCharacter(b[lo]);
  markChanged(markLo, markHi);
}

void PresentationSpaceScreenBuffer::mirrorArea(unsigned int first, unsigned int last) {
  if (first > lastOffset_ || last > lastOffset_) return;
  unsigned int lo = first < last ? first : last, hi = first < last ? last : first;
  const unsigned int markLo = lo, markHi = hi;
  unsigned char* b = bytes_.data();
  auto swap = [this](unsigned char c) {
    const unsigned char s = swapCharacter(c);
    return swapCharacter(s) == c ? s : c;
  };
  while (lo < hi) {
    const unsigned char t = swap(b[lo]);
    b[lo] = swap(b[hi]);
    b[hi] = t;
    ++lo;
    --hi;
  }
  if (lo == hi) b[lo] = swap(b[lo]);
  markChanged(markLo, markHi);
}

void PresentationSpaceScreenBuffer::reverseEntryFieldData(EntryField* f) {
  if (!f || f == reversedField_) return;
  if (reversedField_) unReverseEntryFieldData(reversedField_);
  f->reverseFieldData(this);
  reversedField_ = f;
}

void PresentationSpaceScreenBuffer::unReverseEntryFieldData(EntryField* f) {
  if (!f || f != reversedField_) return;
  f->reverseFieldData(this);
  reversedField_ = nullptr;
}

void PresentationSpaceScreenBuffer::suspendReversedFieldDataIfAny() {
  if (!reversedField_ || suspendedField_) return;
  reversedField_->reverseFieldData(this);
  suspendedField_ = reversedField_;
  reversedField_ = nullptr;
}

void PresentationSpaceScreenBuffer::unSuspendReversedFieldDataIfAny() {
  if (!suspendedField_) return;
  suspendedField_->reverseFieldData(this);
  reversedField_ = suspendedField_;
  suspendedField_ = nullptr;
}

void PresentationSpaceScreenBuffer::releaseReversedFieldData() {
  if (reversedField_) reversedField_->reverseFieldData(this);
  reversedField_ = suspendedField_ = nullptr;
}

bool PresentationSpaceScreenBuffer::sendReversedField() {
  EntryField* f = reversedField_;
  if (!f || !hasChanges() || !f->hasSegments()) return false;
  const unsigned int cols = columns();
  // The change must lie inside the field.
  bool inside = false;
  for (const EntryFieldSegment* s = f->getFirstSegmentPtr();; ++s) {
    if (changedLow_ >= s->start && changedLow_ + changedCount() - 1 <= s->end) inside = true;
    if (s->isLastSegment()) break;
  }
  if (!inside) return false;
  Rendering* r = station_->getRendering();
  // Each row of the field, from the last row upwards: the reversed data
  // goes in its order to the mirrored addresses of the row's part.
  const EntryFieldSegment* first = f->getFirstSegmentPtr();
  const EntryFieldSegment* last = f->getLastSegmentPtr();
  for (const EntryFieldSegment* s = last;; --s) {
    unsigned int end = s->end;
    for (;;) {
      const unsigned int rowStart = end / cols * cols;
      const unsigned int start = s->start > rowStart ? s->start : rowStart;
      r->updatePresentationSpacePlane(bytes_.data(), start, reverseAddress(end), end - start + 1);
      if (start == s->start) break;
      end = start - 1;
    }
    if (s == first) break;
  }
  return true;
}

// ---- rows for inbound records --------------------------------------------------------

int PresentationSpaceScreenBuffer::readFromRowWithEnder(unsigned char* out, unsigned int capacity,
                                                        unsigned int first, unsigned int last,
                                                        unsigned short* rowIndex,
                                                        unsigned int rowIndexEntries) {
  if (first > last || last > lastOffset_) ErrorHalt(kModulePlanes, 1, first, last, lastOffset_);
  std::vector<unsigned char> mirrored;
  const unsigned char* ps = bytes_.data();
  if (reversed()) {
    mirrored.resize(lastOffset_ + 1u);
    unsigned int f = 0, l = 0;
    suspendReversedFieldDataIfAny();
    reverseScreen(mirrored.data(), 0, lastOffset_, f, l);
    unSuspendReversedFieldDataIfAny();
    ps = mirrored.data();
  }
  PrimaryECBScreenBuffer* primary = station_->getPrimaryECBPlane();
  const bool ecb = primary->AreECBsInUse();
  const ECBScreenBuffer* planes[3] = {primary, station_->getSecondaryECBPlane(),
                                      station_->getColorECBPlane()};
  unsigned int used = 0;
  const unsigned int firstRow = first / columns_, lastRow = last / columns_;
  for (unsigned int row = firstRow; row <= lastRow; ++row) {
    const unsigned int from = row == firstRow ? first : row * columns_;
    const unsigned int rowEnd = row == lastRow ? last : row * columns_ + columns_ - 1;
    if (rowIndex && row - firstRow < rowIndexEntries)
      rowIndex[row - firstRow] = static_cast<unsigned short>(used);
    // Trailing nulls are dropped, but not before the last extended attribute.
    unsigned int to = rowEnd + 1;
    while (to > from && ps[to - 1] == 0 &&
           !(ecb && primary->sharedStore().word(to - 1) != 0))
      --to;
    for (unsigned int at = from; at < to; ++at) {
      if (capacity - used < 14) return -1;
      if (ecb && primary->sharedStore().word(at) != 0) {
        for (unsigned char p = 0; p < 3; ++p) {
          const unsigned char v = planes[p]->store()->getCharacter(at);
          if (!v) continue;
          out[used++] = 0x10;
          out[used++] = static_cast<unsigned char>(p + 1);
          out[used++] = v;
        }
      }
      out[used++] = ps[at];
    }
    if (capacity - used < 1) return -1;
    out[used++] = 0xFF;
  }
  return static_cast<int>(used);
}

int PresentationSpaceScreenBuffer::readTextRowWithEnder(unsigned char* out, unsigned int capacity,
                                                        unsigned int first, unsigned int last) const {
  if (first > last || last > lastOffset_) ErrorHalt(kModulePlanes, 1, first, last, lastOffset_);
  PrimaryECBScreenBuffer* primary = station_->getPrimaryECBPlane();
  const bool ecb = primary->AreECBsInUse();
  const ECBScreenBuffer* planes[2] = {primary, station_->getSecondaryECBPlane()};
  const unsigned char* ps = bytes_.data();
  unsigned int used = 0;
  for (unsigned int at = first; at <= last; ++at) {
    if (capacity - used < 14) return -1;
    if (ecb && primary->sharedStore().word(at) != 0) {
      for (unsigned char p = 0; p < 2; ++p) {
        const unsigned char v = planes[p]->store()->getCharacter(at);
        if (!v) continue;
        out[used++] = 0x10;
        out[used++] = static_cast<unsigned char>(p + 1);
        out[used++] = v;
      }
    }
    out[used++] = ps[at];
  }
  if (capacity - used < 1) return -1;
  out[used++] = 0xFF;
  return static_cast<int>(used);
}

void PresentationSpaceScreenBuffer::refreshPresentationSpaceFromDeviceIfNeeded(
    unsigned int wholeScreen) {
  if (station_->modeFlagsB() & (kFlagBReversed | kFlagBRtlFields)) return;
  if (station_->getPrimaryECBPlane()->AreECBsInUse()) return;
  unsigned int first = 0, last = 0;
  if (wholeScreen) {
    last = static_cast<unsigned int>(rows_) * columns_ - 1;
  } else if (!station_->getFirstAndLastEntryFieldOffsetForScreenRefresh(first, last) ||
             first > last || last > lastOffset_) {
    return;
  }
  station_->outputChanges();
  station_->getRendering()->refreshPresentationSpaceFromDevice(bytes_.data(), first, last);
}

// ---- save and restore ------------------------------------------------------------------

void PresentationSpaceScreenBuffer::savePresentationSpace(qrnOStream* stream,
                                                          unsigned int partial) const {
  Rendering* r = station_->getRendering();
  const unsigned int b = station_->modeFlagsB();
  unsigned int length = 0;
  const unsigned char* data = nullptr;
  if (b & kFlagBAudioVideo) data = r->saveDeviceData(length);
  if (!data) length = 0;
  stream->hostPut32(length);
  if (length) stream->hostPutData(data, length);
  length = 0;
  data = nullptr;
  if (!partial && (b & kFlagBImages)) data = r->saveImage(length);
  if (!data) length = 0;
  stream->hostPut32(length);
  if (length) stream->hostPutData(data, length);
  stream->hostPut16(lastOffset_);
  stream->save(rows_, 8);
  stream->save(columns_, 8);
  stream->save(static_cast<unsigned char>(isClear()), 8);
  if (!isClear()) bytes_.getRangeOfCharactersCompressed(0, lastOffset_ + 1u, stream);
}

unsigned int PresentationSpaceScreenBuffer::restorePresentationSpace(qrnIStream* stream) {
  Rendering* r = station_->getRendering();
  unsigned char* deviceData = nullptr;
  unsigned char* image = nullptr;
  uint32_t deviceLength = 0, imageLength = 0;
  auto refuse = [&](const char* why) {
    if (deviceData) r->WsFreeBuffer(deviceData);
    if (image) r->WsFreeBuffer(image);
    return RestoreRejected("presentation space", why);
  };
  // A length is believed only as far as the stream has bytes for it.
  auto readBlock = [&](unsigned char*& p, uint32_t& n) {
    stream->hostGet32(n);
    if (stream->checkRestore() || n > stream->bytesLeft()) return false;
    if (n) {
      p = static_cast<unsigned char*>(r->WsGetBuffer(n));
      stream->hostGetData(p, n);
    }
    return !stream->checkRestore();
  };
  if (!readBlock(deviceData, deviceLength)) return refuse("bad device data");
  if (!readBlock(image, imageLength)) return refuse("bad image data");
  unsigned short last = 0;
  unsigned char rows = 0, columns = 0, clear = 0;
  stream->hostGet16(last);
  stream->restore(rows, 8);
  stream->restore(columns, 8);
  stream->restore(clear, 8);
  if (stream->checkRestore()) return refuse("stream ends early");
  if (!sizeFits(rows, columns, bufferSize_) || rows * columns + columns > r->bufferSize() ||
      last != rows * columns + columns - 1u || clear > 1)
    return refuse("bad geometry or clear flag");
  std::vector<unsigned char> plane;
  const unsigned char* coded = nullptr;
  size_t codedLength = 0;
  if (!clear) {
    const bool keepCoded =
        (station_->getDisplayCharacteristics().word[1] & kWord1CompressedRestore) != 0;
    if (keepCoded) {
      coded = stream->hostGetDataCompressedPtrAndLength(codedLength);
      // Only a run-length coded block is what the device takes; a stored one
      // is shown as plain data.
      if (coded && coded[-5] != 0xFF) coded = nullptr;
    }
    plane.resize(last + 1u);
    stream->hostGetDataCompressed(plane.data(), plane.size());
    if (stream->checkRestore()) return refuse("bad plane data");
  }

  // Valid: commit.
  freeBuffer(deviceData_, deviceDataLength_);
  freeBuffer(image_, imageLength_);
  freeBuffer(compressed_, compressedLength_);
  deviceData_ = deviceData;
  deviceDataLength_ = deviceLength;
  image_ = image;
  imageLength_ = imageLength;
  setGeometry(rows, columns);
  emptyChangedRange();
  setFlags(kClearSeen | kDeviceClearPending | kPlaneClear);
  std::memset(bytes_.data(), 0, bufferSize_);
  if (clear) return 0;
  std::memcpy(bytes_.data(), plane.data(), plane.size());
  clearFlags(kPlaneClear);
  if (coded) {
    compressed_ = static_cast<unsigned char*>(r->WsGetBuffer(static_cast<unsigned int>(codedLength)));
    std::memcpy(compressed_, coded, codedLength);
    compressedLength_ = static_cast<uint32_t>(codedLength);
  } else {
    setWhole();
  }
  return 0;
}
