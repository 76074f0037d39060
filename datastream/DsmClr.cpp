#include "datastream/DsmClr.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/WTDCsr.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"

namespace {
constexpr uint32_t kSeparateErrorLine = 0x00000010u;  // characteristics word 0
constexpr unsigned int bit(unsigned int n) { return 1u << n; }
}  // namespace

int DsmClr::clrFmtTableList(Databyte* db, bool keepDisplayAddress) {
  DisplayBag& d = *db->display;
  DataStreamManager& m = *db->manager;
  Addresses& a = m.addresses();
  d.formatTable().clearFormatTable();
  if (!dsm_links::typeAheadOption(&d)) dsm_links::resetPendingAid(&d);
  unsigned int& b = d.modeFlagsB();
  b &= ~0x0000FF00u;
  b &= ~(bit(26) | bit(28));
  a.resetAddresses(keepDisplayAddress);
  a.flags &= ~(Addresses::kInsertCursorAdjusted | Addresses::kHostInsertCursor);
  WTDCsr& csr = m.wtdCsr();
  if (WTDCsr::nextState(csr.state, WTDCsr::kResetIC) >= 0) csr.resetIC(db);
  a.insertCursorAddress = 0;
  d.pfKeyMask().resetPFKeyMasks();
  dsm_links::setFieldSequencing(&d, 0);
  if (d.optionByte(1) != 1 && d.optionByte(1) != 2) d.modeFlagsA() &= ~bit(27);
  dsm_links::resetTaxlate(&d);
  a.writeFlag = 1;
  const unsigned int swapped = ((b >> 23) ^ (b >> 24)) & 1u;
  b = (b & ~bit(24)) | (swapped << 24);
  b &= ~(bit(23) | bit(30));
  return 1;
}

int DsmClr::resetErrorLineRow(Databyte* db) {
  DisplayBag& d = *db->display;
  const bool separate = (d.characteristics().word[0] & kSeparateErrorLine) != 0;
  dsm_links::setErrorRow(&d, separate ? d.rows() + 1 : d.rows());
  return 1;
}

int DsmClr::clearUnit(Databyte* db, unsigned int rows, unsigned int columns,
                      unsigned int dropImages) {
  DisplayBag& d = *db->display;
  DataStreamManager& m = *db->manager;
  m.keyboardTo(db, KeyboardState::kNormalLocked, false);
  m.writeFlags &= static_cast<unsigned char>(~DataStreamManager::kErrorCodeLockedKeyboard);
  unsigned int& b = d.modeFlagsB();
  if (b & DisplayBag::kBAudioVideo) {
    d.presentationSpace().clearAudioVideo();
    b &= ~DisplayBag::kBAudioVideo;
  }
  if ((b & DisplayBag::kBImages) && dropImages) {
    d.presentationSpace().clearImages();
    b &= ~DisplayBag::kBImages;
  }
  d.mouseButtons().clearTable();
  clrFmtTableList(db, false);
  d.contentionError().resetContentionError(&d);
  d.changeScreenSize(rows, columns);
  Addresses& a = m.addresses();
  a.loadScreenSizeStuff();
  a.moveCursorAddress = 1;
  d.cursor().resetWindowRestrictedCursorMovement();
  resetErrorLineRow(db);
  m.directOutput = false;
  d.presentationSpace().writeClearUnitAttribute();
  a.flags |= Addresses::kAdjusted;
  d.formatTable().setLTRFieldOrder();
  d.setTextOrEnptuiSymbolsInUse(0);
  dsm_links::resetPendingRead(&d);
  return 1;
}
