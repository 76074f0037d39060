// A display station for the restore-screen fuzz target and the generator of
// its seed corpus: a host that keeps what the station sends, and screens
// built the way a host builds them, through the data stream.
#pragma once

#include <cstdint>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/DsmSense.h"
#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "display/Rendering.h"
#include "keyboard/TAXlate.h"

namespace restore_fuzz {

// Keeps the last record the station sent.
class KeepingHost : public HostInterface {
 public:
  int sendDataToHost(unsigned char* data, unsigned int n, Rendering* rendering, unsigned int) override {
    sent.assign(data, data + n);
    rendering->WsFreeBuffer(data);
    return 0;
  }
  std::vector<unsigned char> sent;
};

inline DisplayCharacteristics Pick(unsigned char mode) {
  DisplayCharacteristics c;
  if (mode & 0x08) c.word[0] |= 0x00000010u;  // separate message line
  return c;
}

struct Station {
  explicit Station(DisplayCharacteristics c)
      : rendering(c.bufferSize(), c.rows(), c.columns()),
        screen(c.bufferSize()),
        display(nullptr, &rendering, &host, &tax, c, screen.data()) {
    host.setDisplayObjectPtr(&display);
  }
  ~Station() { host.setDisplayObjectPtr(nullptr); }

  uint32_t run(const std::vector<unsigned char>& r) {
    unsigned int unlocked = 0;
    const uint32_t sense = display.dataStreamManager().dsm(DataStreamManager::kRecord, r.data(),
                                                           static_cast<uint32_t>(r.size()), unlocked);
    display.postDatastreamProcessing();
    return sense;
  }
  // The station's Save Screen image; empty when the save was refused.
  std::vector<unsigned char> save() {
    host.sent.clear();
    if (run({0x04, 0x02}) != dsm_sense::kAnswered) return {};
    return host.sent;
  }

  NullRendering rendering;
  KeepingHost host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
};

// Screens 0 to 3: fields with input and colour, plain text, a host error
// message, and many small fields.
inline void BuildScreen(Station& s, unsigned int which) {
  std::vector<unsigned char> r = {0x04, 0x40, 0x04, 0x11, 0x00, 0x08};
  auto add = [&](std::initializer_list<unsigned char> b) { r.insert(r.end(), b); };
  switch (which & 3) {
    case 0:
      add({0x11, 1, 30, 0x22, 0xD6, 0x99, 0x84, 0x85, 0x99, 0x20});
      add({0x11, 5, 30, 0x1D, 0x40, 0x00, 0x24, 0x00, 12});
      add({0x11, 6, 30, 0x1D, 0x50, 0x00, 0x24, 0x00, 5});
      add({0x11, 7, 30, 0x1D, 0x40, 0x00, 0x84, 0x00, 0x27, 0x00, 8});
      add({0x13, 5, 31});
      break;
    case 1:
      add({0x11, 3, 1, 0xC8, 0x85, 0x93, 0x93, 0x96, 0x11, 20, 70, 0xE6, 0x96, 0x99, 0x93, 0x84});
      break;
    case 2:
      add({0x11, 5, 30, 0x1D, 0x40, 0x00, 0x24, 0x00, 12, 0x13, 5, 31});
      add({0x04, 0x21, 0xC3, 0xD7, 0xC6, 0xF1, 0xF2, 0xF3, 0xF4});
      break;
    default:
      for (unsigned char row = 2; row <= 22; row += 2)
        for (unsigned char col = 2; col <= 62; col += 20) add({0x11, row, col, 0x1D, 0x40, 0x00, 0x24, 0x00, 10});
      break;
  }
  s.run(r);
  if ((which & 3) == 0) {
    // The operator's input.
    s.run({0x04, 0x11, 0x00, 0x00, 0x11, 5, 31, 0xC1, 0xC3, 0xD4, 0xC5});
  }
}

}  // namespace restore_fuzz
