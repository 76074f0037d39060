#include "datastream/DSM.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/DsmClr.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "datastream/GLM.h"
#include "datastream/HostBuf.h"
#include "datastream/LSTCMD.h"
#include "datastream/ROLL.h"
#include "datastream/Restore.h"
#include "datastream/SAVEP.h"
#include "datastream/WEC.h"
#include "datastream/WSF.h"
#include "datastream/WSSF.h"
#include "datastream/WTD.h"
#include "datastream/WTDCsr.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
#include "base/LogMsg.h"

int DSM::processInput(Databyte* db) {
  for (;;) {
    int r;
    if (state == 0) {
      if (child) {
        r = stepResult(db, child->processInput(db));
      } else if (db->value == 0x04) {
        state = checkText(db) == kFsmTextAssist ? 2 : 1;
        r = fSMContinue(db, 1);
      } else {
        r = error(db);
      }
    } else {
      r = command(db, state == 2);
    }
    if (r != kFsmDispatchAgain) return r;
  }
}

int DSM::checkText(Databyte* db) {
  return db->manager->wordProcessingActive() ? kFsmTextAssist : kFsmTaken;
}

int DSM::command(Databyte* db, bool wp) {
  DataStreamManager& m = *db->manager;
  const unsigned char code = db->value;
  int r;
  if (wp) {
    switch (code) {
      case 0x03: r = callChild<SAVEP>(db, false); break;
      case 0x13: r = callChild<Restore>(db, false); break;
      case 0x21: r = callChild<WEC>(db, false); break;
      case 0xF3: r = callChild<WSF>(db, false); break;
      case 0xF4: r = callChild<WSSF>(db, false); break;
      case 0x20: r = clearUnitAlternate(db); break;
      case 0x40:
      case 0x50:
        r = kFsmDispatchAgain;  // as in display mode, below
        break;
      case 0x11: case 0x16: case 0x22: case 0x23: case 0x31: case 0x34: case 0x42: case 0x52:
      case 0x82:
        r = refuse(db, m.wordProcessingActive() ? dsm_sense::kNotInWordProcessing
                                                : dsm_sense::kNotInDisplayMode);
        break;
      default:
        r = checkLastCmd(db);
        break;
    }
    if (r != kFsmDispatchAgain) {
      state = 0;
      return stepResult(db, r);
    }
  }
  switch (code) {
    case 0x03: r = callChild<SAVEP>(db, false); break;
    case 0x11: r = callChild<WTD>(db, false); break;
    case 0x13: r = callChild<Restore>(db, true); break;
    case 0x16: r = refuse(db, dsm_sense::kCopyToPrinter); break;
    case 0x20: r = clearUnitAlternate(db); break;
    case 0x21: r = callChild<WEC>(db, true); break;
    case 0x22: r = callChild<WECW>(db, true); break;
    case 0x23: r = callChild<ROLL>(db, true); break;
    case 0x31: r = callChild<GLM>(db, false); break;
    case 0x34:
      r = refuse(db, m.wordProcessingActive() ? dsm_sense::kNotInWordProcessing
                                              : dsm_sense::kNotInDisplayMode);
      break;
    case 0x40:
      fSMEndInd(db);
      m.prepareForCursorMove();
      r = DsmClr::clearUnit(db, 24, 80, 1);
      m.executeCursorMove();
      break;
    case 0x42:
    case 0x52:
    case 0x82:
      r = readCommand(db);
      break;
    case 0x50: r = clearFormatTable(db); break;
    case 0xF3: r = callChild<WSF>(db, true); break;
    case 0xF4: r = callChild<WSSF>(db, true); break;
    default: r = checkLastCmd(db); break;
  }
  state = 0;
  return stepResult(db, r);
}

template <class T, class... Args>
int DSM::callChild(Databyte* db, bool bracket, Args&&... args) {
  DataStreamManager& m = *db->manager;
  if (bracket) {
    m.addresses().writeFlag = 1;
    m.prepareForCursorMove();
  }
  if (!loadChild<T>(db, static_cast<Args&&>(args)...)) {
    LogMsg(LevelError, "QWC0706 data-stream arena full; record rejected\n");
    return refuse(db, dsm_sense::kPrematureEnd);
  }
  const int r = fSMContinue(db, 1);
  if (r != kFsmDispatchAgain) return r;
  return child->processInput(db);
}

int DSM::stepResult(Databyte* db, int result) {
  switch (result) {
    case kFsmTaken:
      return kFsmTaken;
    case kFsmFinished:
      return endInd(db);
    case kFsmEscape:
      state = db->manager->wordProcessingActive() ? 2 : 1;
      return kFsmTaken;
    case kFsmRejected:
      return reject(db);
    case kFsmTextAssist:
      db->manager->setWPModeChars();
      fSMEndInd(db);
      return kFsmTextAssist;
    case kFsmSavePartial:
      return processSavePartial(db);
    default:
      LogMsg(LevelWarning, "QWC0707 command machine answered %d; record rejected\n", result);
      return reject(db);
  }
}

int DSM::endInd(Databyte* db) {
  fSMEndInd(db);
  arena_->resetArena();
  if (db->isLastByte()) return kFsmFinished;
  return fSMContinue(db, 1);
}

int DSM::refuse(Databyte* db, uint32_t sense) {
  db->setDefaultSenseCode(sense);
  return kFsmRejected;
}

int DSM::reject(Databyte* db) {
  if (savePartialPending) {
    // The partial image of a refused record is not sent.
    db->manager->hostBuf().abortHostPut();
    savePartialPending = 0;
  }
  fSMEndInd(db);
  arena_->resetArena();
  state = 0;
  db->setDefaultSenseCode(dsm_sense::kPrematureEnd);
  return kFsmRejected;
}

int DSM::error(Databyte* db) {
  db->setDefaultSenseCode(dsm_sense::kNotAfterEscape);
  return reject(db);
}

int DSM::endOfData(Databyte* db) {
  if (state != 0) {
    state = 0;
    return reject(db);
  }
  return doneDeal(db);
}

int DSM::doneDeal(Databyte* db) {
  DataStreamManager& m = *db->manager;
  if (savePartialPending) {
    if (dsm_links::isImmediateReadOK(db->display)) {
      m.hostBuf().abortHostPut();
      savePartialPending = 0;
      db->setSenseCode(dsm_sense::kContention);
      return reject(db);
    }
    m.hostBuf().endOfHostPut();
    db->setSenseCode(dsm_sense::kAnswered);
  }
  savePartialPending = 0;
  const int r = fSMCheckEODInd(db);
  arena_->resetArena();
  if (r == kFsmRejected) return reject(db);
  return kFsmFinished;
}

int DSM::readCommand(Databyte* db) {
  if (db->remaining < 3) return refuse(db, dsm_sense::kPrematureEnd);
  const unsigned char code = db->value, cc1 = db->peek(1), cc2 = db->peek(2);
  DisplayBag* d = db->display;
  if (code == 0x42)
    dsm_links::setReadInputFields(d, cc1, cc2);
  else if (code == 0x52)
    dsm_links::setReadMDTFields(d, cc1, cc2);
  else
    dsm_links::setReadMDTAlt(d, cc1, cc2);
  db->loadNextValue(2);
  return kFsmFinished;
}

int DSM::clearUnitAlternate(Databyte* db) {
  if (db->remaining < 2) return refuse(db, dsm_sense::kPrematureEnd);
  DisplayBag& d = *db->display;
  const DisplayCharacteristics& c = d.characteristics();
  unsigned int rows = d.rows(), columns = d.columns(), dropImages = 1;
  bool capable = true;
  switch (db->peek(1)) {
    case 0x00:
      rows = 27, columns = 132, capable = c.word1Bit(kWord1Wide27x132Bit);
      break;
    case 0x01:
      rows = 32, columns = 80, capable = c.word1Bit(kWord1Screen32x80Bit);
      break;
    case 0x02:
      rows = 43, columns = 80, capable = c.word1Bit(kWord1Screen43x80Bit);
      break;
    case 0x80:
      dropImages = 0;  // the current size, images kept
      break;
    default:
      return refuse(db, dsm_sense::kBadClearUnitAlternate);
  }
  if (!capable) return refuse(db, dsm_sense::kUnknownCommand);
  db->loadNextValue(1);
  fSMEndInd(db);
  DataStreamManager& m = *db->manager;
  m.prepareForCursorMove();
  const int r = DsmClr::clearUnit(db, rows, columns, dropImages);
  m.executeCursorMove();
  return r;
}

int DSM::clearFormatTable(Databyte* db) {
  DataStreamManager& m = *db->manager;
  DisplayBag& d = *db->display;
  KeyboardState& k = d.keyboardState();
  const bool errorRowOnScreen = k.errorRow() <= d.rows();
  switch (k.state()) {
    case KeyboardState::kWordProcessing:
      if (d.textSession()->errorFlag() && errorRowOnScreen)
        return refuse(db, dsm_sense::kContention);
      [[fallthrough]];
    case KeyboardState::kNormalUnlocked:
    case KeyboardState::kNormalLocked:
    case KeyboardState::kDragAndDrop:
    case KeyboardState::kTwoMouseEvents:
    case KeyboardState::kCopy:
    case KeyboardState::kPostCopy:
      m.keyboardTo(db, KeyboardState::kNormalLocked, false);
      m.wtdCsr().locked(db);
      break;
    case KeyboardState::kSystemRequest:
      return refuse(db, dsm_sense::kContention);
    case KeyboardState::kError:
    case KeyboardState::kPostHelpError:
      if (errorRowOnScreen) return refuse(db, dsm_sense::kContention);
      m.wtdCsr().unlocked(db);
      break;
    default:
      break;
  }
  fSMEndInd(db);
  m.prepareForCursorMove();
  DsmClr::clrFmtTableList(db, false);
  d.controlData().forceOutput();
  DsmClr::resetErrorLineRow(db);
  m.executeCursorMove();
  return kFsmFinished;
}

int DSM::checkLastCmd(Databyte* db) {
  DataStreamManager& m = *db->manager;
  if (savePartialPending && db->value == 0x02) return refuse(db, dsm_sense::kSavePartialTwice);
  if (m.pendingCC1) {
    m.procCntlByte1(db);
    m.pendingCC1 = 0;
  }
  m.executeCursorMove();
  m.prepareForCursorMove();
  if (!loadChild<LSTCMD>(db)) return refuse(db, dsm_sense::kPrematureEnd);
  const int r = child->processInput(db);
  if (!(r == kFsmRejected && db->senseCode != dsm_sense::kContention)) m.executeCursorMove();
  return r == kFsmRejected ? kFsmRejected : kFsmFinished;
}

int DSM::processSavePartial(Databyte* db) {
  DisplayBag& d = *db->display;
  if (d.keyboardState().state() == KeyboardState::kSystemRequest)
    return reject((db->setDefaultSenseCode(dsm_sense::kContention), db));
  if (savePartialPending) return reject((db->setDefaultSenseCode(dsm_sense::kSavePartialTwice), db));
  const int v = d.formatTable().validateFormatTable(nullptr);
  if (v == -1 || v == -2)
    return reject((db->setDefaultSenseCode(dsm_sense::kFormatTableInvalid), db));
  SAVEP* image = static_cast<SAVEP*>(child);
  if (!image || image->saveStuff(db, 1) != kFsmFinished) return reject(db);
  savePartialPending = 1;
  return endInd(db);
}
