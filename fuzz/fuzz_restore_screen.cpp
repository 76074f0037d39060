// Restore Screen records that a host sends back: images this display saved
// (the seed corpus), then mutated. The first input byte picks the station
// (bits 1-2 its screen, bit 3 a separate message line) and whether the
// image's length and frame check are made good again (bit 0), so that
// mutations reach the members themselves. No image may crash, hang or halt;
// a refused one is a negative response that leaves the planes and the cursor
// as they were; a taken one leaves a station that saves again, and that
// image restores on a fresh station to the same image.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "datastream/calcFCS.h"
#include "base/ErrorHalt.h"
#include "fuzz/RestoreScreenStation.h"

namespace {

using restore_fuzz::Station;

[[noreturn]] void HaltIsAFinding(unsigned short, unsigned short) { std::abort(); }

void Check(bool ok) {
  if (!ok) std::abort();
}

// The length and the frame check made good for the bytes as they are.
void Reframe(std::vector<unsigned char>& image) {
  const size_t n = image.size();
  if (n < 6 || n > 0xFFFF) return;
  image[2] = static_cast<unsigned char>(n >> 8);
  image[3] = static_cast<unsigned char>(n);
  const uint16_t fcs = static_cast<uint16_t>(~calcFCS(&image[4], &image[n - 3]));
  image[n - 2] = static_cast<unsigned char>(fcs);
  image[n - 1] = static_cast<unsigned char>(fcs >> 8);
}

std::string Planes(Station& s) {
  DisplayBag& d = s.display;
  std::string p(s.screen.begin(), s.screen.end());
  for (unsigned int i = 0; i <= d.presentationSpace().lastOffset(); ++i) {
    p += static_cast<char>(d.primaryPlane().getCharacter(i));
    p += static_cast<char>(d.colourPlane().getCharacter(i));
  }
  return p + "@" + std::to_string(d.cursor().getCursorOffset());
}

void Consistent(Station& s, uint32_t sense) {
  DataStreamManager& m = s.display.dataStreamManager();
  Check(sense == dsm_sense::kAccepted || sense == dsm_sense::kAnswered || dsm_sense::isNegativeResponse(sense));
  Check(m.arena().isEmpty());
  Check(m.rootMachine().state == 0 && m.rootMachine().child == nullptr);
  Check(m.cursorMovePrepared == 0);
  Check(m.hostBuf().checkHostBuf() == 1);
  if (sense != dsm_sense::kContention) Check(s.display.formatTable().validateFormatTable(nullptr) == 0);
  Check(s.display.cursor().getCursorOffset() <= s.display.presentationSpace().lastOffset());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 20000) return 0;
  SetErrorHaltHook(HaltIsAFinding);
  const unsigned char mode = data[0];
  std::vector<unsigned char> image(data + 1, data + size);
  if (mode & 0x01) Reframe(image);

  Station s(restore_fuzz::Pick(mode));
  restore_fuzz::BuildScreen(s, mode >> 1);
  const std::string before = Planes(s);
  const uint32_t sense = s.run(image);
  Consistent(s, sense);
  const bool restore = image.size() >= 4 && image[0] == 0x04 && (image[1] == 0x12 || image[1] == 0x13) &&
                       (static_cast<size_t>(image[2]) << 8 | image[3]) == image.size();
  if (sense != dsm_sense::kAccepted) {
    // A refused image changes no plane and does not move the cursor.
    if (restore && dsm_sense::isNegativeResponse(sense)) Check(Planes(s) == before);
    return 0;
  }
  if (!restore) return 0;

  // A taken image: the station saves again, and that image goes round.
  const std::vector<unsigned char> again = s.save();
  if (again.empty()) return 0;  // the restored keyboard state refuses saves
  Station fresh(restore_fuzz::Pick(mode));
  Check(fresh.run(again) == dsm_sense::kAccepted);
  Check(fresh.save() == again);
  return 0;
}
