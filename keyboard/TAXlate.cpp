// The translator's records, its translate-and-dispatch loop and the
// type-ahead queue.
#include "keyboard/TAXlate.h"

#include <algorithm>
#include <cstring>

#include "datastream/HostInterface.h"
#include "datastream/ReadMgr.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/RestoreSense.h"
#include "keyboard/CmdState.h"
#include "keyboard/InObjGen.h"
#include "keyboard/TranslatorHost.h"
#include "base/LogMsg.h"

namespace {
TranslatorHost& defaultHost() {
  static TranslatorHost host;
  return host;
}

bool isShiftKey(unsigned char c) { return c == 32 || c == 33; }

// The display station accepts mouse and status records.
constexpr unsigned int kDeviceRecordOptions = 0x00200000u | 0x00004000u;
// Text-assist state bits read instead of the read manager.
constexpr unsigned int kTextReadPending = 1u << 24;
constexpr unsigned int kTextAidPending = 1u << 23;
}  // namespace

TAXlate::TAXlate(DisplayBag* display) : display_(display), host_(&defaultHost()) {
  arrival_.resetStates();
  replay_.resetStates();
}

void TAXlate::setHost(TranslatorHost* host) { host_ = host ? host : &defaultHost(); }

// ---- records ---------------------------------------------------------------------------------

unsigned char TAXlate::tax(unsigned char type, const unsigned char* data, unsigned long length) {
  lightPen_ = 0;
  if (!display_) return kRecordRefused;
  unsigned char result = kTaken;
  switch (type) {
    case 0:
      if (!data || length == 0) return kRecordRefused;
      result = taxKeystrokeData(data, length);
      break;
    case 1:
      if (!data || length == 0) return kRecordRefused;
      result = taxOSBData(data, length);
      break;
    case 2:
      result = taxMsrData(data, length);
      break;
    case 3:
      lightPen_ = 1;
      result = taxMsrData(data, length);
      break;
    case 4: {
      FunctionWord w{23, static_cast<unsigned char>(length == 35 ? 11 : 10)};
      if (observer_) observer_(observerContext_, w);
      display_->inObjGen().processKeystrokeEvent(display_, &w);
      tawsmtcb();
      result = taxIntf(1);
      break;
    }
    default:
      // Not a record this translator knows: not taken.
      return kRecordRefused;
  }
  if (result == kDeviceRecordError) host_->sendOSBErrorToHost();
  return result;
}

unsigned char TAXlate::taxKeystrokeData(const unsigned char* data, unsigned long length) {
  tcb_.flags |= TaxTCB::kKeyRecord;
  tcb_.record = data;
  tcb_.length = length;
  tcb_.scan = data[length - 1];
  const unsigned char r = taxIntf(0);
  tcb_.flags &= ~TaxTCB::kKeyRecord;
  return r;
}

unsigned char TAXlate::taxOSBData(const unsigned char* data, unsigned long length) {
  std::memset(device_, 0, sizeof device_);
  std::memcpy(device_, data, std::min<unsigned long>(length, sizeof device_));
  recordKind_ = device_[0];
  tcb_.record = device_;
  tcb_.length = sizeof device_;
  tcb_.flags |= TaxTCB::kDeviceRecord | TaxTCB::kNonKeyRecord;
  // The first pass reads the record; the decode and the export event that
  // it may ask for follow only while a talk mode is open.
  unsigned char r = taxIntf(0);
  for (int pass = 0; pass < 2 && r != kDeviceRecordError && talkMode_ != 0; ++pass) r = taxIntf(0);
  tcb_.flags &= ~(TaxTCB::kDeviceRecord | TaxTCB::kNonKeyRecord);
  if (talkMode_ != 0) {
    talkMode_ = 0;
    setGetKy();
  }
  return r;
}

unsigned char TAXlate::taxMsrData(const unsigned char* data, unsigned long length) {
  recordKind_ = 0;
  tcb_.record = data;
  tcb_.length = data ? length : 0;
  tcb_.flags |= TaxTCB::kDeviceRecord | TaxTCB::kNonKeyRecord;
  const unsigned char r = taxIntf(0);
  tcb_.flags &= ~(TaxTCB::kDeviceRecord | TaxTCB::kNonKeyRecord);
  return r;
}

// ---- the loop ------------------------------------------------------------------------------

void TAXlate::dispatch(FunctionWord w) {
  if (observer_) observer_(observerContext_, w);
  InObjGen& gen = display_->inObjGen();
  if (!(tcb_.flags & TaxTCB::kNonKeyRecord)) {
    gen.processKeystrokeEvent(display_, &w);
    return;
  }
  if (w.category == 25 && w.code == 2) {
    const unsigned char b0 = tcb_.record && tcb_.length > 0 ? tcb_.record[0] : 0;
    const unsigned char b1 = tcb_.record && tcb_.length > 1 ? tcb_.record[1] : 0;
    gen.processLightPenEvent(display_, b0 & 0x1F, b1 & 0x7F);
    return;
  }
  // Only decoded device events make objects; the markers of records the
  // display does not take make none.
  if (w.category != 27) return;
  if (recordKind_ == 1) {
    const unsigned int position = static_cast<unsigned int>(device_[5]) << 8 | device_[6];
    gen.processMouseEvent(display_, &w, std::min(position, display_->presentationSpace().lastOffset()));
  } else if (recordKind_ == 8) {
    gen.processImageStatusEvent(display_, &w, &device_[2]);
  }
}

unsigned char TAXlate::taxIntf(unsigned char mode) {
  if (!display_) return 0;
  if (mode > 1) {
    display_->outputChanges();
    return 0;
  }
  for (;;) {
    if (mode == 0) {
      tcb_.flags &= ~TaxTCB::kOutputReady;
      const FunctionWord w = talkwtcb();
      if (w.category == 24) return kDeviceRecordError;
      if (tcb_.flags & TaxTCB::kOutputReady) {
        dispatch(w);
        tawsmtcb();
      }
    }
    if (getKey_ != kReplayNow) break;
    tcb_.flags &= ~TaxTCB::kKeyRecord;
    mode = 0;
  }
  display_->outputChanges();
  return 0;
}

FunctionWord TAXlate::talkwtcb() {
  obj_.word = FunctionWord{};
  obj_.scan = tcb_.scan;
  if (talkMode_ == 1) {
    decode();
    return obj_.word;
  }
  if (talkMode_ == 2) {
    sendExportEvent();
    return obj_.word;
  }
  if (tcb_.flags & TaxTCB::kNonKeyRecord) {
    pMaskFlg();
    return obj_.word;
  }
  keyFlags_ &= static_cast<unsigned char>(~(kAttentionKey | kBypass));
  if (tcb_.flags & TaxTCB::kKeyRecord) {
    obj_.word = xlate1(tcb_.scan);
  } else if (ta_.empty()) {
    // A replay pass with nothing to replay: nothing to do.
    setGetKy();
    return FunctionWord{34, 0};
  }
  taCheck();
  return obj_.word;
}

// ---- arrival side --------------------------------------------------------------------------

FunctionWord TAXlate::xlate1(unsigned char scan) {
  FunctionWord w = host_->usesTranslationTables() ? getFW(scan, &arrival_) : host_->genKeystroke(tcb_);
  if (w.category == 35 || w.category == 36) return w;
  if (isShiftKey(w.category)) {
    const XltState s = shiftKeys(w, arrival_, lastX1_);
    checkind(s);
    arrival_ = s;
    lastX1_ = w;
    return w;
  }
  if (arrival_.layer()) {
    const XltState s = chkl100(w, arrival_);
    checkind(s);
    arrival_ = s;
  }
  if (arrival_.diacriticShown()) {
    arrival_.setDiacriticShown(false);
    checkind(arrival_);
  }
  FunctionWord work = w;
  if (w.category == 4) {
    if (w.code == 2) attnProc();
    else if (w.code == 3) srqProc();
    else if (w.code == 1) resetProc(scan, w);
    work = w;
  } else if (arrivalModes_.has(XltModes::kCommand)) {
    work = CmdState(*this, scan, work, arrival_).procCmdState();
  } else if (arrivalModes_.has(XltModes::kHexFirst | XltModes::kHex)) {
    work = hexmode(scan, arrivalModes_, arrival_, false);
  } else if (arrivalModes_.has(XltModes::kFrontFace)) {
    work = frntface(scan);
  }
  arrivalModes_ = setModes(work, &arrival_, arrivalModes_);
  if (arrivalModes_.has(XltModes::kDeadKey) && !(queueMode() && !typeAheadOn())) {
    arrival_.setDiacriticShown(true);
    checkind(arrival_);
  }
  lastX1_ = work;
  return w;
}

void TAXlate::attnProc() {
  if (typeAheadOn() && queuedAttention_) return;
  keyFlags_ |= kAttentionKey;
  const XltModes a = arrivalModes_, r = replayModes_;
  clrTABuf();
  arrivalModes_ = a;
  replayModes_ = r;
}

void TAXlate::srqProc() {
  keyFlags_ |= kAttentionKey;
  const XltModes a = arrivalModes_, r = replayModes_;
  clrTABuf();
  arrivalModes_ = a;
  replayModes_ = r;
}

void TAXlate::resetProc(unsigned char scan, FunctionWord& word) {
  if (arrivalModes_.has(XltModes::kCommand) && scan == 58) {
    // The command-key sequence takes the key by its scan code.
    word.category = 13;
    return;
  }
  if (arrivalModes_.modesSet())
    word = FunctionWord{34, 0};
  else
    keyFlags_ |= kAttentionKey;
  clrTABuf();
}

// ---- queue or translate --------------------------------------------------------------------

void TAXlate::taCheck() {
  if (!typeAheadOn()) {
    if (queueMode()) {
      replay_ = arrival_;
      if (!(keyFlags_ & kAttentionKey)) {
        setGetKy();
        return;
      }
    }
    xlate2();
    return;
  }
  taActiveCheck();
}

void TAXlate::taActiveCheck() {
  const bool keyRecord = (tcb_.flags & TaxTCB::kKeyRecord) != 0;
  if (queueMode()) {
    if (keyRecord && (keyFlags_ & kAttentionKey))
      xlate2();
    else if (keyRecord)
      putScan();
  } else if (!ta_.empty()) {
    if (keyRecord) putScan();
    obj_ = getScan();
    if (host_->usesTranslationTables()) obj_.word = getFW(obj_.scan, &replay_);
    xlate2();
    if (ta_.empty()) {
      checkind(replay_);
      arrival_ = replay_;
    }
  } else {
    xlate2();
  }
  if ((taByte_ & kTAOffPending) && ta_.empty())
    taByte_ &= static_cast<unsigned char>(~(kTAOn | kTAOffPending));
  setGetKy();
}

void TAXlate::putScan() {
  const unsigned int limit = ta_.limit();
  if (ta_.count() < limit) {
    ta_.queue().addToQueue(obj_);
    if (ta_.count() >= limit) inputWord_ |= kInputInhibited;
    return;
  }
  inputWord_ |= kInputInhibited | kInputOverrun;
  if (!isShiftKey(obj_.word.category)) return;
  if (!ta_.queue().queueFull()) {
    ta_.queue().addToQueue(obj_);
    ta_.setOverflowInUse(true);
  } else {
    // No slot left even for a shift key: apply it now, so that the replay
    // state never keeps a shift that was released.
    replay_ = shiftKeys(obj_.word, replay_, lastX2_);
    lastX2_ = obj_.word;
  }
}

TaxObj TAXlate::getScan() {
  ta_.wasFull() = ta_.count() >= ta_.limit() ? 1 : 0;
  const TaxObj obj = ta_.queue().deleteFromQueue();
  if (ta_.count() > 0) {
    if (ta_.count() == ta_.limit() - 1 && !ta_.overflowInUse()) inputWord_ &= ~kInputInhibited;
  } else {
    if (ta_.overflowInUse()) inputWord_ &= ~kInputInhibited;
    ta_.setOverflowInUse(false);
  }
  return obj;
}

void TAXlate::setGetKy() { getKey_ = (ta_.empty() || queueMode()) ? kWaitForKey : kReplayNow; }

void TAXlate::emptyQueue() {
  while (!ta_.empty()) getScan();
}

// ---- replay side ---------------------------------------------------------------------------

void TAXlate::xlate2() {
  FunctionWord& w = obj_.word;
  const unsigned char scan = obj_.scan;
  if (w.category == 35 || w.category == 36) {
    w = FunctionWord{23, static_cast<unsigned char>(w.category == 35 ? 2 : 1)};
    sndToWSM();
  } else if (isShiftKey(w.category)) {
    replay_ = shiftKeys(w, replay_, lastX2_);
    setGetKy();
  } else {
    if (replayModes_.modesSet()) {
      if (replayModes_.has(XltModes::kCommand))
        w = CmdState(*this, scan, w, replay_).procCmdState();
      else if (replayModes_.has(XltModes::kHexFirst | XltModes::kHex))
        w = hexmode(scan, replayModes_, replay_, true);
      else if (replayModes_.has(XltModes::kDeadKey))
        w = diacrit(w);
      else if (replayModes_.has(XltModes::kFrontFace))
        w = frntface(scan);
    }
    normmode();
    if (replay_.layer()) replay_ = chkl100(w, replay_);
  }
  if (rightToLeft()) bidisvst();
  lastX2_ = w;
}

void TAXlate::normmode() {
  FunctionWord& w = obj_.word;
  replayModes_ = setModes(w, &replay_, replayModes_);
  if (!replayModes_.modesSet()) {
    if ((w.category == 10 || w.category == 12) && replay_.caps()) w = monocaseCharacter(w);
    w = mode_ == kDataProcessing ? dpNormmode(w) : wpNormmode(w);
    // A numeric-pad key that no remap took is a space.
    if (w.category == 39) w = FunctionWord{16, 0x40};
    if (w.category == 34) {
      if (w.code == 1) turnTAOnDev(0);
      else if (w.code == 2) turnTAOffDev(0);
    } else {
      sndToWSM();
    }
  } else if (replayModes_.has(XltModes::kDeadKey)) {
    pendingDead_ = w;
  }
  setGetKy();
}

void TAXlate::sndToWSM() {
  if (obj_.word.category == 23) emptyQueue();
  tcb_.flags |= TaxTCB::kOutputReady;
}

// ---- polling -------------------------------------------------------------------------------

void TAXlate::tawsmtcb() {
  ++continued_;
  if (!display_) return;
  prevMode_ = mode_;
  prevPollType_ = pollType_;
  const KeyboardState::State ks = display_->keyboardState().state();
  const bool copying = ks == KeyboardState::kCopy || ks == KeyboardState::kPostCopy;
  bool readPending, aidPending;
  if (ks == KeyboardState::kWordProcessing ||
      (copying && (display_->modeFlagsB() & DisplayBag::kBWPMode))) {
    mode_ = kWordProcessing;
    const unsigned int text = display_->textSession()->stateWord();
    readPending = (text & kTextReadPending) != 0;
    aidPending = (text & kTextAidPending) != 0;
  } else {
    mode_ = kDataProcessing;
    readPending = display_->readMgr().queryReadPending() != 0;
    aidPending = display_->readMgr().queryPendingAid() != 0;
  }
  unsigned int flag = 0;
  pollType_ = display_->determinePollType(flag);
  pollFlag_ = flag;
  tcb_.seed[0] = static_cast<unsigned char>((tcb_.seed[0] & 0x7F) | (flag ? 0x80 : 0));

  HostInterface* host = display_->hostInterface();
  const bool active = host && host->isLuSessionActive(display_->getRendering());
  bool queue = false;
  if (pollType_ == 10) {
    pollType_ = 9;
    queue = true;
  } else if (aidPending && pollType_ != 8) {
    queue = true;
  } else if (!readPending && active && mode_ == kDataProcessing && typeAheadOn() && pollType_ != 8 &&
             pollType_ != 9) {
    queue = true;
  }
  if (queue) {
    keyFlags_ |= kQueueMode;
    if (typeAheadOn() && ta_.count() < ta_.limit() && !ta_.overflowInUse())
      inputWord_ &= ~kInputInhibited;
    else
      inputWord_ |= kInputInhibited;
  } else {
    keyFlags_ &= static_cast<unsigned char>(~kQueueMode);
  }
  setDefaultShifts();
  setGetKy();
}

// ---- device records ------------------------------------------------------------------------

bool TAXlate::acceptsDeviceRecords() const {
  return (display_->options().optionWord & kDeviceRecordOptions) != 0;
}

void TAXlate::readOSB() {
  getKey_ = kWaitForRecord;
  talkMode_ = 1;
}

void TAXlate::pMaskFlg() {
  if (acceptsDeviceRecords() && recordKind_ != 0) {
    readOSB();
    return;
  }
  FunctionWord w{25, 0};
  if (!ta_.empty() || queueMode()) {
    w.code = 0;
  } else if (replayModes_.modesSet()) {
    w.category = 23;
    if (replayModes_.has(XltModes::kHexFirst | XltModes::kHex)) w.code = 5;
    if (replayModes_.has(XltModes::kFrontFace)) w.code = 6;
    if (replayModes_.has(XltModes::kDeadKey)) w.code = 7;
    if (replayModes_.has(XltModes::kCommand)) w.code = 3;
    tcb_.flags &= ~TaxTCB::kNonKeyRecord;
    arrivalModes_.reset();
    replayModes_.reset();
  } else {
    w.code = lightPen_ ? 2 : 1;
  }
  obj_.word = w;
  sndToWSM();
}

void TAXlate::decode() {
  talkMode_ = 0;
  FunctionWord& w = obj_.word;
  switch (recordKind_) {
    case 2:
      readOSB();
      talkMode_ = 2;
      return;
    case 8:
      if (device_[1] >= 1 && device_[1] <= 3) {
        w = FunctionWord{27, static_cast<unsigned char>(device_[1] + 19)};
        sndToWSM();
      } else {
        setGetKy();
      }
      return;
    case 1: {
      const bool tables = host_->usesTranslationTables();
      const unsigned char left = device_[1], right = device_[2], middle = device_[3];
      if (left > 3 || right > 3 || middle > 3) {
        if (tables) {
          w = FunctionWord{24, 0};
          return;
        }
      }
      if (ta_.bfrcont()) {
        setGetKy();
        return;
      }
      unsigned int code;
      if (tables) {
        code = left ? left : right ? right + 3u : middle ? middle + 6u : 0u;
        if (arrival_.shiftKeyHeld()) code += 9;
      } else {
        code = left;
      }
      if (code > 18) {
        setGetKy();
        return;
      }
      w = FunctionWord{27, static_cast<unsigned char>(code)};
      sndToWSM();
      return;
    }
    default:
      setGetKy();
      return;
  }
}

void TAXlate::sendExportEvent() {
  talkMode_ = 0;
  obj_.word = FunctionWord{27, 19};
  sndToWSM();
}

// ---- save and restore ----------------------------------------------------------------------

void TAXlate::saveTaxStuff(qrnOStream* out) const {
  out->startBitCompression();
  out->save(static_cast<unsigned char>(arrival_.languageShift() ? 1 : 0), 1);
  out->endBitCompression();
}

unsigned int TAXlate::restoreTaxStuff(qrnIStream* in) {
  unsigned char shift = 0;
  in->startBitExpansion();
  in->restore(shift, 1);
  in->endBitExpansion();
  if (in->checkRestore()) {
    LogMsg(LevelWarning, "QWC0400 restore of the keyboard translator refused: stream ends early\n");
    return kSenseRestoreDataInvalid;
  }
  arrival_.setLanguageShift(shift != 0);
  if (!typeAheadOn()) {
    arrivalModes_.reset();
    replayModes_.reset();
  }
  return 0;
}
