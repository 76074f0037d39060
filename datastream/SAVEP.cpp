#include "datastream/SAVEP.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/DsmSense.h"
#include "datastream/HostBuf.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "base/LogMsg.h"

namespace {
// The largest row and column values of the partial save's rectangle.
constexpr unsigned char kLimits[4] = {25, 126, 25, 126};

struct CapabilityBit {
  unsigned char byte;
  unsigned char bit;
  unsigned char word;
  uint32_t mask;
};
constexpr CapabilityBit kCapabilities[] = {
    {0, 0x80, 1, 0x01000000u},  // 27 x 132
    {0, 0x40, 1, 0x10000000u},  // 32 x 80
    {0, 0x20, 1, 0x08000000u},  // 43 x 80
    {0, 0x10, 0, 0x00000200u},  // extended attributes
    {0, 0x08, 0, 0x00000080u},
    {0, 0x04, 0, 0x10000000u},
    {0, 0x01, 0, 0x00000002u},  // grid lines
    {1, 0x80, 0, 0x00000001u},
    {1, 0x40, 1, 0x00400000u},
    {1, 0x20, 0, 0x00000010u},  // separate error line
};
}  // namespace

void save_image::capabilityBytes(const DisplayBag& d, unsigned char out[2]) {
  out[0] = out[1] = 0;
  const uint32_t* w = d.characteristics().word;
  for (const CapabilityBit& c : kCapabilities)
    if (w[c.word] & c.mask) out[c.byte] |= c.bit;
}

int SAVEP::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kBadLength); }

int SAVEP::doSavePart(Databyte* db) {
  if (db->remaining < 5) return rejectRecord(db, dsm_sense::kBadLength);
  for (unsigned int i = 0; i < 4; ++i)
    if (db->peek(i + 1) > kLimits[i]) return rejectRecord(db, dsm_sense::kPrematureEnd);
  flag_ = db->value;
  db->loadNextValue(4);
  return kFsmSavePartial;
}

int SAVEP::saveStuff(Databyte* db, unsigned int partial) {
  DisplayBag& d = *db->display;
  DataStreamManager& m = *db->manager;
  HostBuf& hb = m.hostBuf();
  qrnOStream* out = hb.getHostBuf(kImageBytes);
  if (!out) {
    LogMsg(LevelWarning, "QWC0709 no outbound buffer for the save image; record rejected\n");
    return rejectRecord(db, dsm_sense::kRestoreInvalid);
  }
  out->initMajorLength();
  out->save(static_cast<unsigned char>(0x04), 8);
  out->save(static_cast<unsigned char>(partial ? 0x13 : 0x12), 8);
  out->skipForMajorLength(2);
  unsigned char caps[2];
  save_image::capabilityBytes(d, caps);
  out->save(caps[0], 8);
  out->save(caps[1], 8);
  m.addresses().saveAddresses(out);
  // Saving touches flags the station keeps for its own use; the image is
  // a copy, the station stays as it was.
  const unsigned int a = d.modeFlagsA(), b = d.modeFlagsB();
  d.saveDisplay(out, partial ? (flag_ & 0x80u) : 0u);
  d.modeFlagsA() = a;
  d.modeFlagsB() = b;
  out->save(m.wpModeChars, 8);
  out->appendFCS();
  out->endOfMajorLength();
  if (out->checkSave()) {
    // A host would keep an image that cannot be restored: say so now.
    LogMsg(LevelWarning, "QWC0709 the save image does not fit %u bytes; record rejected\n",
           static_cast<unsigned int>(kImageBytes));
    hb.abortHostPut();
    return rejectRecord(db, dsm_sense::kRestoreInvalid);
  }
  return kFsmFinished;
}
