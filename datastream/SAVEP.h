#pragma once
// Save Screen (0x02) and Save Partial Screen (0x03): the parameter check of
// the partial save and the writing of the station's image, which is itself
// a Restore Screen (0x12) or Restore Partial Screen (0x13) command that the
// host sends back unchanged. Image: 04, 12 or 13, a 2-byte length of the
// whole image, the two capability bytes, the write addresses, the display
// station, the word-processing byte and the frame check.
#include <cstdint>

#include "datastream/FSMNw.h"

class DisplayBag;

class SAVEP : public FSMNw {
 public:
  // The outbound buffer an image is written into.
  static constexpr uint32_t kImageBytes = 10000;

  explicit SAVEP(Arena* arena) : FSMNw(arena) {}
  // On the flag byte of Save Partial Screen: 9 (the dispatcher writes the
  // image) when the parameters are good, else 3.
  int processInput(Databyte* db) override { return doSavePart(db); }
  int endOfData(Databyte* db) override;

  int doSavePart(Databyte* db);
  // Writes the image of a full (partial 0) or partial save into the
  // outbound buffer, left open for the dispatcher to send. 1, or 3 with the
  // sense set when the buffer is in use or the image did not fit whole
  // (nothing is sent then).
  int saveStuff(Databyte* db, unsigned int partial);

 private:
  unsigned char flag_ = 0;
};

namespace save_image {
// The two capability bytes of the display's characteristics.
void capabilityBytes(const DisplayBag& d, unsigned char out[2]);
// Bytes before the saved members: escape, command, the 2-byte length.
constexpr uint32_t kHeaderBytes = 4;
// The smallest image a restore looks at.
constexpr uint32_t kShortestImage = 10;
}  // namespace save_image
