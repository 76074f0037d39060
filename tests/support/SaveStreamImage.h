// The frame of a save stream as the Save commands write it: the header
// before the first member, and the frame check and major length after the
// last. Header-only, for tests, fuzz targets and benchmarks alike.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "datastream/qrnOStream.h"

// Opens `out` on the buffer and writes the header up to the first member.
inline void BeginSaveStream(qrnOStream* out, unsigned char* buf, size_t size) {
  out->setup(buf, size);
  out->initMajorLength();
  out->save(0x04, 8);
  out->save(0x12, 8);
  out->skipForMajorLength(2);
}

// Closes the stream after its last member; returns the major length.
inline unsigned long EndSaveStream(qrnOStream* out) {
  out->appendFCS();
  return out->endOfMajorLength();
}

// A complete save stream around the members that `members` writes, in a
// buffer of `capacity` bytes cut to the data.
inline std::vector<unsigned char> SaveStream(const std::function<void(qrnOStream*)>& members,
                                             size_t capacity = 20000) {
  std::vector<unsigned char> buf(capacity);
  qrnOStream out;
  BeginSaveStream(&out, buf.data(), buf.size());
  members(&out);
  EndSaveStream(&out);
  buf.resize(out.lengthOfData());
  return buf;
}
