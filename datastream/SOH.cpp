#include "datastream/SOH.h"

#include "datastream/DataStreamManager.h"
#include "datastream/DsmClr.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "datastream/WTDCsr.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"

namespace {
constexpr uint32_t kSeparateErrorLine = 0x00000010u;  // characteristics word 0
}

int SOH::processInput(Databyte* db) {
  const unsigned int length = db->value;
  if (length < 1 || length > kMaxLength) return rejectRecord(db, dsm_sense::kBadHeaderLength);
  if (db->remaining < length + 1) return rejectRecord(db, dsm_sense::kPrematureEnd);
  DataStreamManager& m = *db->manager;
  DisplayBag& d = *db->display;
  if (m.wtdCsr().locked(db) == kFsmRejected) return rejectRecord(db, dsm_sense::kPrematureEnd);
  const unsigned int ks = d.keyboardState().state();
  const bool inError = ks == KeyboardState::kError || ks == KeyboardState::kPostHelpError;
  m.keyboardTo(db, inError ? ks : KeyboardState::kNormalLocked, inError);
  DsmClr::clrFmtTableList(db, true);

  unsigned char header[kMaxLength] = {};
  for (unsigned int i = 0; i < length; ++i) header[i] = db->peek(1 + i);
  const unsigned char flags = header[0];
  if (flags) {
    if ((flags & 0x80) && dsm_links::rightToLeftLanguage(&d))
      d.formatTable().setRTLFieldOrder();
    else
      d.formatTable().setLTRFieldOrder();
    if (flags & 0x10) d.cursor().resetWindowRestrictedCursorMovement();
  }
  d.pfKeyMask().resetPFKeyMasks();
  if (length >= 3) dsm_links::setFieldSequencing(&d, header[2]);
  if (length >= 4) {
    const unsigned int rows = d.rows();
    const bool separate = (d.characteristics().word[0] & kSeparateErrorLine) != 0;
    unsigned int row = header[3];
    if (row == 0 || row > (separate ? rows + 1 : rows)) row = rows;
    dsm_links::setErrorRow(&d, row);
  }
  for (unsigned int i = 4; i < length; ++i) d.pfKeyMask().setPFKeyMask(i - 3, header[i]);
  db->loadNextValue(length);
  return kFsmFinished;
}

int SOH::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }
