#include "datastream/LSTCMD.h"

#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "datastream/Restore.h"
#include "datastream/SAVEP.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
#include "base/LogMsg.h"

namespace {
constexpr uint32_t kExtendedAttributeReads = 0x00000300u;  // characteristics word 0
constexpr uint32_t kGridLines = 0x00000002u;               // characteristics word 0

// Whether the keyboard state lets a screen read (withPostHelp) or a read
// immediate run: 0, or the contention sense.
uint32_t readStateCheck(DisplayBag& d, bool withPostHelp) {
  KeyboardState& k = d.keyboardState();
  const bool errorRowBelowScreen = k.errorRow() >= d.rows() + 1;
  switch (k.state()) {
    case KeyboardState::kSystemRequest:
      return dsm_sense::kContention;
    case KeyboardState::kPostHelpError:
      if (!withPostHelp) return 0;
      [[fallthrough]];
    case KeyboardState::kError:
      return errorRowBelowScreen ? 0 : dsm_sense::kContention;
    case KeyboardState::kWordProcessing:
      return d.textSession()->errorFlag() && !errorRowBelowScreen ? dsm_sense::kContention : 0;
    default:
      return 0;
  }
}
}  // namespace

int LSTCMD::fail(Databyte* db, uint32_t sense) {
  fSMEndInd(db);
  db->setDefaultSenseCode(sense);
  return kFsmRejected;
}

int LSTCMD::processInput(Databyte* db) {
  const unsigned char code = db->value;
  switch (code) {
    case 0x02:
      return save(db);
    case 0x12:
      return doRestore(db);
    case 0x62:
    case 0x64:
    case 0x66:
    case 0x68:
    case 0x6A:
    case 0x6C:
      return rdScreen(db, code);
    case 0x72:
    case 0x83:
      return readImm(db, code);
    default:
      return invCmd(db);
  }
}

int LSTCMD::save(Databyte* db) {
  DisplayBag& d = *db->display;
  if (d.keyboardState().state() == KeyboardState::kSystemRequest)
    return fail(db, dsm_sense::kContention);
  if (dsm_links::isImmediateReadOK(&d)) return fail(db, dsm_sense::kReadNotAllowed);
  if (!db->isLastByte()) return fail(db, dsm_sense::kPrematureEnd);
  const int v = d.formatTable().validateFormatTable(nullptr);
  if (v == -1 || v == -2) return fail(db, dsm_sense::kFormatTableInvalid);
  SAVEP image(arena_);
  if (image.saveStuff(db, 0) != kFsmFinished) return fail(db, dsm_sense::kRestoreInvalid);
  db->manager->hostBuf().endOfHostPut();
  db->setSenseCode(dsm_sense::kAnswered);
  return kFsmFinished;
}

int LSTCMD::doRestore(Databyte* db) {
  if (!loadChild<Restore>(db)) return fail(db, dsm_sense::kPrematureEnd);
  const int r = fSMContinue(db, 1);
  if (r != kFsmDispatchAgain) return fail(db, dsm_sense::kRestoreInvalid);
  const int result = child->processInput(db);
  fSMEndInd(db);
  return result;
}

int LSTCMD::rdScreen(Databyte* db, unsigned char code) {
  DisplayBag& d = *db->display;
  if (!db->isLastByte()) return fail(db, dsm_sense::kPrematureEnd);
  const uint32_t features = d.characteristics().word[0];
  if (code == 0x62) {
    if (const uint32_t sense = readStateCheck(d, true)) return fail(db, sense);
  } else {
    if (d.keyboardState().state() == KeyboardState::kSystemRequest)
      return fail(db, dsm_sense::kContention);
    const bool extended = code == 0x64 || code == 0x68 || code == 0x6C;
    const bool grid = code == 0x6A || code == 0x6C;
    if ((extended && !(features & kExtendedAttributeReads)) || (grid && !(features & kGridLines)))
      return fail(db, dsm_sense::kReadNotSupported);
  }
  if (dsm_links::isImmediateReadOK(&d)) return fail(db, dsm_sense::kReadNotAllowed);
  switch (code) {
    case 0x62: dsm_links::readScreen(&d); break;
    case 0x64: dsm_links::readScreenExtAttr(&d); break;
    // The grid lines themselves carry no data: the print reads answer them.
    case 0x66: case 0x6A: dsm_links::readScreenToPrint(&d); break;
    default: dsm_links::readScreenToPrintExtAttr(&d); break;
  }
  db->setSenseCode(dsm_sense::kAnswered);
  return kFsmFinished;
}

int LSTCMD::readImm(Databyte* db, unsigned char code) {
  DisplayBag& d = *db->display;
  const bool wp = db->manager->wordProcessingActive();
  if (code == 0x72) {
    if (!db->isLastByte()) return fail(db, dsm_sense::kPrematureEnd);
    if (wp) return fail(db, dsm_sense::kNotInWordProcessing);
    if (const uint32_t sense = readStateCheck(d, false)) return fail(db, sense);
  } else {
    if (wp) return fail(db, dsm_sense::kNotInWordProcessing);
    if (!db->isLastByte()) return fail(db, dsm_sense::kPrematureEnd);
    if (d.keyboardState().state() == KeyboardState::kSystemRequest)
      return fail(db, dsm_sense::kContention);
  }
  if (dsm_links::isImmediateReadOK(&d)) return fail(db, dsm_sense::kReadNotAllowed);
  if (code == 0x72)
    dsm_links::readImmediate(&d);
  else
    dsm_links::readMDTImmedAlt(&d);
  db->setSenseCode(dsm_sense::kAnswered);
  return kFsmFinished;
}

int LSTCMD::invCmd(Databyte* db) {
  return fail(db, db->manager->wordProcessingActive() ? dsm_sense::kNotInWordProcessing
                                                      : dsm_sense::kUnknownCommand);
}
