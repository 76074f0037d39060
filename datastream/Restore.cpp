#include "datastream/Restore.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "datastream/SAVEP.h"
#include "datastream/qrnIStream.h"
#include "display/DisplayBag.h"
#include "display/TextSession.h"
#include "keyboard/KeyboardState.h"
#include "textassist/TextTypes.h"
#include "base/LogMsg.h"

namespace {
// The frame check and the word-processing byte follow the station.
constexpr std::size_t kTrailerBytes = 1;

// The text session while the keyboard is in word processing, else null:
// its own pending AID stands for the read manager's then.
TextSession* WordProcessingSession(DisplayBag& d) {
  return d.keyboardState().state() == KeyboardState::kWordProcessing ? d.textSession() : nullptr;
}
}  // namespace

int Restore::refuse(Databyte* db, const char* why) {
  LogMsg(LevelWarning, "QWC0702 restore screen refused: %s\n", why);
  return rejectRecord(db, dsm_sense::kRestoreInvalid);
}

int Restore::doRestore(Databyte* db) {
  DisplayBag& d = *db->display;
  DataStreamManager& m = *db->manager;
  KeyboardState& k = d.keyboardState();
  TextSession* text = WordProcessingSession(d);
  const bool aidPendingBefore =
      text ? (text->modes & text_mode::kAidPending) != 0 : dsm_links::queryPendingAid(&d);
  const unsigned char textAid = text ? text->lastAid : 0;
  if (k.state() == KeyboardState::kSystemRequest) return rejectRecord(db, dsm_sense::kContention);

  // The image begins two bytes before its length: the escape and the code.
  if (db->remaining < 2) return refuse(db, "no length");
  const uint32_t length = (static_cast<uint32_t>(db->peek(0)) << 8) | db->peek(1);
  if (length < save_image::kShortestImage) return refuse(db, "image too short");
  if (db->position() < 2 || db->remaining < length - 2) return refuse(db, "image longer than the record");
  const unsigned char* image = db->current - 2;
  qrnIStream in(image, length);
  if (in.checkFCS()) return refuse(db, "bad frame check");

  // Everything is read and checked before anything changes.
  unsigned char caps[2] = {0, 0}, own[2];
  in.restore(caps[0], 8);
  in.restore(caps[1], 8);
  save_image::capabilityBytes(d, own);
  if (in.checkRestore()) return refuse(db, "image too short");
  if ((caps[0] & ~own[0]) || (caps[1] & ~own[1])) return refuse(db, "the display lacks a capability of the image");
  Addresses addresses = m.addresses();
  if (addresses.restoreAddresses(&in)) return refuse(db, "bad write addresses");
  // The word-processing byte is the last before the frame check.
  const unsigned char wp = image[length - 3];
  if (wp > 1) return refuse(db, "bad word-processing byte");

  d.cursor().resetWindowRestrictedCursorMovement();
  m.prepareForCursorMove();
  if (d.restoreDisplay(&in, kTrailerBytes, addresses.rows, addresses.columns)) {
    m.executeCursorMove();
    return refuse(db, "bad display station");
  }
  m.addresses() = addresses;
  unsigned char wpRead = 0;
  in.restore(wpRead, 8);
  if (wpRead)
    m.setWPModeChars();
  else
    m.resetWPModeChars();
  m.executeCursorMove();
  db->loadNextValue(length - 3);
  d.modeFlagsA() |= DisplayBag::kANewArea;
  settleKeyboard(db, aidPendingBefore, textAid);
  return kFsmFinished;
}

void Restore::settleKeyboard(Databyte* db, bool aidPendingBefore, unsigned char textAid) {
  DisplayBag& d = *db->display;
  DataStreamManager& m = *db->manager;
  KeyboardState& k = d.keyboardState();
  TextSession* text = WordProcessingSession(d);
  if (aidPendingBefore) {
    if (!dsm_links::typeAheadHeld(&d)) {
      if (text)
        text->modes &= ~text_mode::kAidPending;
      else
        dsm_links::resetPendingAid(&d);
    } else {
      // The operator's AID waits for the host: keep the keyboard locked.
      switch (k.state()) {
        case KeyboardState::kError:
        case KeyboardState::kPostHelpError:
          m.keyboardTo(db, k.state(), true);
          break;
        case KeyboardState::kWordProcessing:
          if (text) {
            text->modes |= text_mode::kAidPending;
            text->lastAid = textAid;
            text->setKBLocked(true);
          }
          break;
        default:
          m.keyboardTo(db, KeyboardState::kNormalLocked, false);
          break;
      }
      return;
    }
  }
  const bool savedPending =
      text ? (text->modes & text_mode::kAidPending) != 0 : d.readMgr().querySavedPendingAid() != 0;
  if (!savedPending) return;
  switch (k.state()) {
    case KeyboardState::kNormalLocked:
      m.keyboardTo(db, KeyboardState::kNormalUnlocked, false);
      break;
    case KeyboardState::kWordProcessing:
      if (text) text->modes &= ~text_mode::kAidPending;
      break;
    case KeyboardState::kError:
    case KeyboardState::kPostHelpError:
      if (k.isLockedState()) m.keyboardTo(db, k.state(), false);
      break;
    default:
      break;
  }
}
