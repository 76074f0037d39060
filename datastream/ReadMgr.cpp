#include "datastream/ReadMgr.h"

#include <cstring>

#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "datastream/ReadFields.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "base/LogMsg.h"

namespace {

// Mode-flag word B bits read here.
constexpr unsigned int kBPrintTranslate = 0x20000000u;  // bit 29
constexpr unsigned int kBImageAids = 0x08000000u;       // bit 27
constexpr unsigned int kBReversedScreen = 0x01000000u;  // bit 24
constexpr unsigned int kBAlwaysReadInput = 0x00080000u; // bit 19

constexpr unsigned char kAidSystemRequest = 0x01;
constexpr unsigned char kAidAttention = 0x02;
constexpr unsigned char kAidHelpInError = 0x03;
constexpr unsigned char kAidTestRequest = 0x04;
constexpr unsigned char kAidMouse = 0x80;
constexpr unsigned char kAidReverseRead = 0xF6;

// Print translation of the control characters 0x01-0x1F (0x10 excepted).
constexpr unsigned char kPrintTable[32] = {
    0x00, 0xC1, 0xE5, 0x4C, 0x04, 0x6E, 0x06, 0x07, 0x4B, 0x09, 0x7A, 0x4B, 0x4B, 0x7A, 0x0E, 0x0F,
    0x10, 0x11, 0x7A, 0x4B, 0x40, 0x61, 0x4B, 0x61, 0x18, 0x5C, 0x7A, 0x60, 0x1C, 0x5C, 0x1E, 0x1F,
};

}  // namespace

unsigned int ReadMgr::lastBufferAddress() const { return display_->presentationSpace().lastOffset(); }

unsigned char* ReadMgr::getBuffer(unsigned int size) {
  return static_cast<unsigned char*>(display_->getRendering()->WsGetBuffer(size));
}

void ReadMgr::send(unsigned char* buffer, unsigned int length, unsigned int op) {
  if (HostInterface* host = display_->hostInterface())
    host->sendDataToHost(buffer, length, display_->getRendering(), op);
  else
    display_->getRendering()->WsFreeBuffer(buffer);
}

bool ReadMgr::isDataRequired(unsigned char aid) const {
  switch (aid) {
    case 0xF1:
    case 0xF4:
    case 0xF5:
    case 0xD9:
    case 0xDA:
    case 0x3F:
    case 0x50:
      return true;
    default:
      break;
  }
  if ((aid >= 0x31 && aid <= 0x3C) || (aid >= 0xB1 && aid <= 0xBC))
    return display_->pfKeyMask().isDataRequired(aid);
  return false;
}

unsigned int ReadMgr::saveAIDParms(unsigned char* buffer, unsigned char& aid) {
  CursorClass& cursor = display_->cursor();
  if (aid == 0x82 || aid == 0x83) {
    // The position the station kept for these AIDs, not the cursor.
    buffer[0] = display_->pendingAidCursor()[0];
    buffer[1] = display_->pendingAidCursor()[1];
  } else {
    buffer[0] = static_cast<unsigned char>(cursor.getCursorRow());
    buffer[1] = static_cast<unsigned char>(cursor.getCursorColumn());
  }
  buffer[2] = aid;
  if (aid != kAidMouse) return 3;
  // A programmed button: where it was used and its AID, which also says
  // whether field data follow.
  const unsigned int columns = display_->columns();
  const unsigned int at = display_->mouseAidOffset();
  buffer[3] = static_cast<unsigned char>(columns ? at / columns + 1 : 0);
  buffer[4] = static_cast<unsigned char>(columns ? at % columns + 1 : 0);
  buffer[5] = display_->mouseAidButton();
  aid = buffer[5];
  return 6;
}

void ReadMgr::sendSignal(unsigned char aid) {
  HostInterface* host = display_->hostInterface();
  Rendering* r = display_->getRendering();
  if (!host) return;
  switch (aid) {
    case kAidAttention:
      host->sendAttnSignalToHost(r);
      break;
    case kAidHelpInError:
      host->sendHelpInErrorSignalToHost(display_->keyboardState().getErrorCode(), r);
      break;
    case kAidTestRequest:
      host->sendTestRequestToHost(r);
      break;
    case kAidSystemRequest: {
      const unsigned int size = lastBufferAddress() + kImmediateRoom;
      unsigned char* buffer = getBuffer(size);
      unsigned int length = 0;
      // The first field holds the system-request line.
      if (Field* first = display_->formatTable().firstRecord()) {
        const int n = first->readFieldMDTFormat(display_, buffer, size);
        length = n > 0 ? (static_cast<unsigned int>(n) > size ? size : static_cast<unsigned int>(n)) : 0;
      }
      host->sendSystemRequestToHost(buffer, length, r);
      break;
    }
    default:
      break;
  }
}

bool ReadMgr::appendFields(unsigned int read, unsigned char* buffer, unsigned int& length, unsigned int size) {
  ReadInputFields input;
  ReadMDTFields mdt;
  ReadMDTAlt alt;
  ReadFields* reader = read == kReadMDTAlt ? static_cast<ReadFields*>(&alt)
                       : read == kReadMDTFields ? static_cast<ReadFields*>(&mdt)
                                                : static_cast<ReadFields*>(&input);
  if (!reader->anyFieldModified(display_)) return true;
  FormatTable& table = display_->formatTable();
  PresentationSpaceScreenBuffer& ps = display_->presentationSpace();
  ps.suspendReversedFieldDataIfAny();
  table.suspendReversedFieldOrientationsForReverseScreenIfReversed();
  ps.refreshPresentationSpaceFromDeviceIfNeeded(0);
  const unsigned int n = reader->activateRead(display_, fieldSequencing_, buffer + length, size - length);
  table.unSuspendReversedFieldOrientationsForReverseScreenIfSuspended();
  ps.unSuspendReversedFieldDataIfAny();
  if (n == ReadFields::kResequenceError) {
    LogMsg(LevelWarning, "ReadMgr: the field resequencing chain is broken; resequencing error sent.\n");
    display_->getRendering()->WsFreeBuffer(buffer);
    if (HostInterface* host = display_->hostInterface()) host->sendResequencingErrorToHost(display_->getRendering());
    return false;
  }
  length += n;
  return true;
}

void ReadMgr::sendAidRecord(unsigned char aid) {
  const unsigned int size = lastBufferAddress() + kAidRecordRoom;
  unsigned char* buffer = getBuffer(size);
  unsigned int length = saveAIDParms(buffer, aid);
  const bool withFields = isDataRequired(aid) ||
                          ((display_->modeFlagsB() & kBAlwaysReadInput) && readPending_ == kReadInputFields);
  bool sent = false;
  if (!withFields || appendFields(readPending_, buffer, length, size)) {
    send(buffer, length, 1);
    sent = true;
  }
  const unsigned char cc1 = cc1_, cc2 = cc2_;
  readPending_ = kNoRead;
  pendingAid_ = 0;
  // The read's control characters act as a Write to Display's would.
  if (sent) display_->dataStreamManager().doReadProcessing(cc1, cc2, 0);
}

unsigned int ReadMgr::activateReadProcess(unsigned char aid, unsigned int immediate) {
  lastAid_ = aid;
  ++activations_;
  if (aid >= kAidSystemRequest && aid <= kAidTestRequest) {
    sendSignal(aid);
    return 0;
  }
  if (pendingAid_ && !immediate) {
    LogMsg(LevelInformational, "ReadMgr: AID 0x%02X ignored while AID 0x%02X is pending.\n", aid, pendingAid_);
    return 0;
  }
  if (readPending_ == kNoRead) {
    pendingAid_ = aid;
    return 1;
  }
  HostInterface* host = display_->hostInterface();
  Rendering* r = display_->getRendering();
  const int wait = host ? (immediate ? host->isImmediateReadOK(r) : host->isPendingReadOK(r)) : 1;
  if (wait) {
    pendingAid_ = aid;
    return 1;
  }
  if (aid >= 0x81 && aid <= 0x83 && !(display_->modeFlagsB() & kBImageAids)) {
    display_->keyboardState().enterNormalUnlockState();
    pendingAid_ = 0;
    return 0;
  }
  if (aid == kAidReverseRead) reversedRead_ = (display_->modeFlagsB() & kBReversedScreen) ? 1 : 0;
  sendAidRecord(aid);
  return 0;
}

unsigned int ReadMgr::activateSuspendedReadProcess() {
  if (!pendingAid_ || readPending_ == kNoRead) return 0;
  if (!display_->dataStreamManager().hostBuf().checkHostBuf()) return 0;
  activateReadProcess(pendingAid_, 1);
  if (pendingAid_) return 0;
  display_->dataStreamManager().finishWTDUnlock();
  return 1;
}

void ReadMgr::readImmediate() {
  const unsigned int size = lastBufferAddress() + kImmediateRoom;
  unsigned char* buffer = getBuffer(size);
  unsigned char aid = 0;
  unsigned int length = saveAIDParms(buffer, aid);
  KeyboardState& k = display_->keyboardState();
  const bool errorOnScreen = k.state() == KeyboardState::kPostHelpError && k.errorRow() <= display_->rows();
  const bool nothing = !display_->formatTable().masterMDT() && !(display_->modeFlagsB() & kBAlwaysReadInput);
  if (!errorOnScreen && !nothing) {
    ReadInputFields input;
    FormatTable& table = display_->formatTable();
    PresentationSpaceScreenBuffer& ps = display_->presentationSpace();
    ps.suspendReversedFieldDataIfAny();
    table.suspendReversedFieldOrientationsForReverseScreenIfReversed();
    ps.refreshPresentationSpaceFromDeviceIfNeeded(0);
    const unsigned int n = input.activateRead(display_, fieldSequencing_, buffer + length, size - length);
    table.unSuspendReversedFieldOrientationsForReverseScreenIfSuspended();
    ps.unSuspendReversedFieldDataIfAny();
    if (n == ReadFields::kResequenceError) {
      display_->getRendering()->WsFreeBuffer(buffer);
      if (HostInterface* host = display_->hostInterface()) host->sendResequencingErrorToHost(display_->getRendering());
      return;
    }
    length += n;
  }
  send(buffer, length, 0);
}

void ReadMgr::readMDTImmedAlt() {
  const unsigned int size = lastBufferAddress() + kAidRecordRoom;
  unsigned char* buffer = getBuffer(size);
  unsigned char aid = 0;
  unsigned int length = saveAIDParms(buffer, aid);
  if (appendFields(kReadMDTAlt, buffer, length, size)) send(buffer, length, 0);
}

void ReadMgr::screenToBuffer(unsigned char* buffer, unsigned int refreshWhole) {
  PresentationSpaceScreenBuffer& ps = display_->presentationSpace();
  const unsigned int count = display_->rows() * display_->columns();
  if ((display_->modeFlagsB() & kBReversedScreen) && reversedRead_) {
    unsigned int first = 0, last = 0;
    ps.reverseScreen(buffer, 0, ps.lastOffset(), first, last);
  } else {
    ps.refreshPresentationSpaceFromDeviceIfNeeded(refreshWhole);
    ps.getData(0, count, buffer);
  }
  reversedRead_ = 0;
}

void ReadMgr::readScreen() {
  // The screen without its message line; the buffer takes the whole plane
  // for a reversed copy.
  unsigned char* buffer = getBuffer(lastBufferAddress() + 1);
  screenToBuffer(buffer, 1);
  send(buffer, display_->rows() * display_->columns(), 0);
}

void ReadMgr::readScreenToPrint() {
  unsigned char* buffer = getBuffer(lastBufferAddress() + 1);
  screenToBuffer(buffer, 0);
  const unsigned int count = display_->rows() * display_->columns();
  translateDataForPrint(buffer, count);
  send(buffer, count, 0);
}

bool ReadMgr::readScreenWithAttributes(unsigned int firstSize, bool print) {
  PresentationSpaceScreenBuffer& ps = display_->presentationSpace();
  const unsigned int last = display_->rows() * display_->columns() - 1;
  unsigned int size = firstSize;
  for (int attempt = 0; attempt < 2; ++attempt) {
    unsigned char* buffer = getBuffer(size);
    const int n = ps.readFromRowWithEnder(buffer, size, 0, last, nullptr, 0);
    if (n >= 0) {
      if (print) translateDataForPrint(buffer, static_cast<unsigned int>(n));
      send(buffer, static_cast<unsigned int>(n), 0);
      return true;
    }
    display_->getRendering()->WsFreeBuffer(buffer);
    size = kExtAttrRetrySize;
  }
  // Not even the larger buffer holds the screen: the host gets an empty
  // answer rather than none.
  LogMsg(LevelWarning, "ReadMgr: the screen with its attributes exceeds %u bytes.\n", kExtAttrRetrySize);
  return false;
}

void ReadMgr::readScreenExtAttr() {
  if (!readScreenWithAttributes(lastBufferAddress() - display_->columns() + 11, false)) {
    unsigned char* buffer = getBuffer(1);
    send(buffer, 0, 0);
  }
}

void ReadMgr::readScreenToPrintExtAttr() {
  if (!readScreenWithAttributes(lastBufferAddress() - display_->columns() + 1, true)) {
    unsigned char* buffer = getBuffer(1);
    send(buffer, 0, 0);
  }
}

void ReadMgr::translateDataForPrint(unsigned char* buffer, unsigned int n) const {
  if (!(display_->modeFlagsB() & kBPrintTranslate)) return;
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned char c = buffer[i];
    if (c == 0x10) {
      i += 2;  // an attribute escape keeps its two bytes
      continue;
    }
    if (c >= 0x01 && c <= 0x1F) buffer[i] = kPrintTable[c];
  }
}

void ReadMgr::saveRead(qrnOStream* out) const {
  out->save(readPending_, 8);
  out->save(fieldSequencing_, 8);
  out->save(cc1_, 8);
  out->save(cc2_, 8);
  out->save(pendingAid_, 8);
}

unsigned int ReadMgr::restoreRead(qrnIStream* in) {
  unsigned char b[5] = {};
  for (unsigned char& x : b) in->restore(x, 8);
  if (in->checkRestore() || b[0] > kReadMDTAlt) {
    LogMsg(LevelWarning, "QWC0400 restore of the read manager refused: bad pending read or stream ends early\n");
    return kSenseRestoreDataInvalid;
  }
  readPending_ = b[0];
  fieldSequencing_ = b[1];
  cc1_ = b[2];
  cc2_ = b[3];
  savedPendingAid_ = b[4];
  return 0;
}
