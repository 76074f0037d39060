#include "display/ECBScreenBuffer.h"

#include <cstring>
#include <vector>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayCharacteristics.h"
#include "display/RestoreSense.h"
#include "display/StationServices.h"

namespace {
inline unsigned char* Bytes(unsigned short* words) {
  return reinterpret_cast<unsigned char*>(words);
}
}  // namespace

ECBScreenBuffer::ECBScreenBuffer(StationServices* station, unsigned int size, unsigned int rows,
                                 unsigned int columns, unsigned short* words, unsigned int mask,
                                 unsigned int clamp)
    : ScreenBuffer(station, &shared_, size, rows, columns, 1),
      shared_(mask, clamp, Bytes(words), sizeof(unsigned short)) {}

int ECBScreenBuffer::getPreviousAttribute(unsigned int offset, unsigned int limit) const {
  checkRange(offset, limit, 9);
  return shared_.findCharacterInRange(offset, limit, 0x80, 0x87);
}

PrimaryECBScreenBuffer::PrimaryECBScreenBuffer(StationServices* station, unsigned int size,
                                               unsigned int rows, unsigned int columns,
                                               unsigned short* words)
    : ECBScreenBuffer(station, size, rows, columns, words, kMask, 0), words_(words) {
  std::memset(words_, 0, size * sizeof(unsigned short));
}

SecondaryECBScreenBuffer::SecondaryECBScreenBuffer(StationServices* station, unsigned int size,
                                                   unsigned int rows, unsigned int columns,
                                                   unsigned short* words)
    : ECBScreenBuffer(station, size, rows, columns, words, kMask, 0) {}

ColorECBScreenBuffer::ColorECBScreenBuffer(StationServices* station, unsigned int size,
                                           unsigned int rows, unsigned int columns,
                                           unsigned short* words, unsigned int colourFlag)
    : ECBScreenBuffer(station, size, rows, columns, words,
                      colourFlag ? kClampedMask : kWideMask, colourFlag) {}

bool PrimaryECBScreenBuffer::AreECBsInUse() const {
  return !isClear() || !station_->getSecondaryECBPlane()->isClear() ||
         !station_->getColorECBPlane()->isClear();
}

void PrimaryECBScreenBuffer::clearAllECBPlanes(int first, int last) {
  ScreenBuffer* planes[3] = {this, station_->getSecondaryECBPlane(),
                             station_->getColorECBPlane()};
  if (first == -1 && last == -1) {
    const bool inUse = AreECBsInUse();
    for (ScreenBuffer* p : planes) p->clearEntirePlane(1);
    if (inUse) shared_.clearAllSharedCharacters(0, lastOffset_);
    return;
  }
  checkRange(static_cast<unsigned int>(first), static_cast<unsigned int>(last), 7);
  if (!AreECBsInUse()) return;
  shared_.clearAllSharedCharacters(static_cast<unsigned int>(first),
                                   static_cast<unsigned int>(last));
  for (ScreenBuffer* p : planes)
    if (!p->isClear()) p->setChangedRange(first, last);
}

void PrimaryECBScreenBuffer::copyRangeInAllECBPlanes(unsigned int first, unsigned int last,
                                                     unsigned int destination) {
  const unsigned int lo = first < last ? first : last, hi = first < last ? last : first;
  const unsigned int n = hi - lo + 1;
  if (hi > lastOffset_ || destination > lastOffset_ || n - 1 > lastOffset_ - destination)
    checkRange(hi, destination + n - 1, 32);
  if (!AreECBsInUse()) return;
  const unsigned int dhi = destination + n - 1;
  const int f = shared_.compareRangesOfSharedCharacters(destination, dhi, lo);
  if (f < 0) return;
  const int l = shared_.compareRangesOfSharedCharacters(dhi, destination, hi);
  shared_.copyRangeOfSharedCharacters(lo, hi, destination);
  ScreenBuffer* planes[3] = {this, station_->getSecondaryECBPlane(),
                             station_->getColorECBPlane()};
  for (ScreenBuffer* p : planes)
    if (!p->isClear()) p->setChangedRange(static_cast<unsigned int>(f), static_cast<unsigned int>(l));
}

void PrimaryECBScreenBuffer::saveAllECBPlanes(qrnOStream* stream) const {
  const ScreenBuffer* planes[3] = {this, station_->getSecondaryECBPlane(),
                                   station_->getColorECBPlane()};
  for (const ScreenBuffer* p : planes) {
    stream->hostPut16(p->lastOffset());
    stream->save(static_cast<unsigned char>(p->rows()), 8);
    stream->save(static_cast<unsigned char>(p->columns()), 8);
  }
  for (const ScreenBuffer* p : planes) stream->save(static_cast<unsigned char>(p->isClear()), 8);
  if (AreECBsInUse()) shared_.getRangeOfSharedCharactersCompressed(0, lastOffset_ + 1u, stream);
}

unsigned int PrimaryECBScreenBuffer::restoreAllECBPlanes(qrnIStream* stream) {
  ScreenBuffer* planes[3] = {this, station_->getSecondaryECBPlane(),
                             station_->getColorECBPlane()};
  unsigned short last[3] = {};
  unsigned char rows[3] = {}, cols[3] = {}, clear[3] = {};
  for (int i = 0; i < 3; ++i) {
    stream->hostGet16(last[i]);
    stream->restore(rows[i], 8);
    stream->restore(cols[i], 8);
  }
  for (int i = 0; i < 3; ++i) stream->restore(clear[i], 8);
  if (stream->checkRestore()) return RestoreRejected("extended planes", "stream ends early");
  for (int i = 0; i < 3; ++i) {
    if (!sizeFits(rows[i], cols[i], bufferSize_) ||
        last[i] != rows[i] * cols[i] + cols[i] - 1u || last[i] != last[0] || clear[i] > 1)
      return RestoreRejected("extended planes", "bad geometry or clear flag");
  }
  const bool inUse = !(clear[0] && clear[1] && clear[2]);
  std::vector<unsigned char> words;
  if (inUse) {
    words.resize((last[0] + 1u) * sizeof(unsigned short));
    stream->hostGetDataCompressed(words.data(), words.size());
    if (stream->checkRestore()) return RestoreRejected("extended planes", "bad word block");
  }
  // Valid: commit.
  std::memset(words_, 0, bufferSize_ * sizeof(unsigned short));
  if (inUse) std::memcpy(words_, words.data(), words.size());
  for (int i = 0; i < 3; ++i) {
    ScreenBuffer* p = planes[i];
    p->setGeometry(rows[i], cols[i]);
    p->emptyChangedRange();
    p->clearFlags(kPlaneClear);
    p->setFlags(kClearSeen | kDeviceClearPending | (clear[i] ? kPlaneClear : 0));
    // A plane saved clear holds nothing, whatever its bits in the block say.
    if (inUse && clear[i]) p->store()->fillRangeWithACharacter(0, last[i], 0);
  }
  return 0;
}
