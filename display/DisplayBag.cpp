#include "display/DisplayBag.h"

#include <memory>
#include <vector>

#include "datastream/HostInterface.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/NullRendering.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "keyboard/TAXlate.h"
#include "keyboard/UserInput.h"
#include "base/ErrorHalt.h"

namespace {
constexpr unsigned short kModuleDisplay = 0x0B03;
constexpr unsigned int kFeatureLeftDragMarking = 2;
constexpr unsigned int kFeatureExtraErrorRow = 4;
constexpr unsigned int kFeatureDoubleByteColour = 8;
constexpr unsigned int kFeaturePasteAtOffset = 10;
constexpr unsigned int kFeatureCompare = 25;
constexpr unsigned int kFeatureDestructiveBackspace = 26;
constexpr std::size_t kFrameCheckBytes = 2;

// The flag bits that travel in a save image, in stream order.
constexpr unsigned int kSavedA[] = {27, 29, 28, 24, 25};
constexpr unsigned int kSavedB[] = {31, 30, 29, 27, 26, 22, 24, 23, 21, 28, 20};
}  // namespace

DisplayBag::DisplayBag(SessionControlBlock* scb, Rendering* rendering, HostInterface* host,
                       TAXlate* tax, DisplayCharacteristics characteristics,
                       unsigned char* psBuffer)
    : services_(this),
      scb_(scb),
      characteristics_(characteristics),
      asd_(this, 0),
      cursor_(&services_),
      controlData_(&services_),
      formatTable_(this, characteristics.bufferSize(), arena_, sizeof arena_),
      host_(host),
      keyboard_(this, characteristics.feature(kFeatureExtraErrorRow)),
      readMgr_(this),
      rendering_(rendering),
      ecbWords_(characteristics.bufferSize()),
      ps_(&services_, characteristics.bufferSize(), characteristics.rows(), characteristics.columns(),
          characteristics.feature(kFeatureCompare), psBuffer),
      primary_(&services_, characteristics.bufferSize(), characteristics.rows(),
               characteristics.columns(), ecbWords_.data()),
      secondary_(&services_, characteristics.bufferSize(), characteristics.rows(),
                 characteristics.columns(), ecbWords_.data()),
      colour_(&services_, characteristics.bufferSize(), characteristics.rows(),
              characteristics.columns(), ecbWords_.data(),
              characteristics.feature(kFeatureDoubleByteColour)),
      tax_(tax),
      inObjGen_(this),
      textSessionPtr_(&textSession_),
      textSession_(this),
      dsm_(this) {
  flagsB_ &= ~0xFFF80000u;
  flagsA_ &= ~0x7F000000u;
  lightPenCorrection_ = lightPenByte_ = 0;
  pendingAid_ = 0;
  optionBytes_[0] = optionBytes_[1] = 0;
  options_.destructiveBackspace = characteristics.feature(kFeatureDestructiveBackspace);
  options_.pasteAtPointer = characteristics.feature(kFeaturePasteAtOffset);
  // A station that marks by a left drag (with copy and paste allowed, which
  // the session window settles) leaves the copy to the operator.
  options_.set(StationOptions::kLeftDragMarking, characteristics.feature(kFeatureLeftDragMarking));
}

DisplayBag::~DisplayBag() = default;

AreaOfScreen* DisplayBag::getCurrentArea() {
  if (AreaOfScreen* a = cursor_.getArea()) return a;
  return formatTable_.getNonBypassArea(cursor_.getCursorOffset());
}

unsigned int DisplayBag::processUserInputObject(UserInput* input) {
  if (flagsA_ & kAMarked) input->preProcessWhenMarked(this);
  if (flagsB_ & kBPendingMask) input->preProcessWhenPending(this);
  unsigned int result = input->preProcess(this);
  if (result == 0) {
    switch (keyboard_.state()) {
      case KeyboardState::kNormalUnlocked:
      case KeyboardState::kRestoredUnlocked:
        result = input->processInNormalUnlockedState(this);
        break;
      case KeyboardState::kSystemRequest:
        result = input->processInSystemRequestState(this);
        break;
      case KeyboardState::kError:
        result = input->processInErrorState(this);
        break;
      case KeyboardState::kPostHelpError:
        result = input->processInPostHelpErrorState(this);
        break;
      case KeyboardState::kNormalLocked:
      case KeyboardState::kRestoredLocked:
        result = input->processInNormalLockedState(this);
        break;
      case KeyboardState::kDragAndDrop:
        result = input->processInDragAndDropState(this);
        break;
      case KeyboardState::kTwoMouseEvents:
        result = input->processInTwoMouseEventState(this);
        break;
      case KeyboardState::kCopy:
        result = input->processInCopyState(this);
        break;
      case KeyboardState::kPostCopy:
        result = input->processInPostCopyState(this);
        break;
      case KeyboardState::kWordProcessing:
        result = textSession_.errorFlag() ? input->processInWPErrorState(this)
                                          : input->processInWPState(this);
        break;
    }
  }
  if (pendingAid_) {
    const AidCode aid = pendingAid_;
    pendingAid_ = 0;
    result = readMgr_.activateReadProcess(aid, 0);
  }
  return result;
}

void DisplayBag::postAidCode(AidCode aid) {
  // Help in the error state does not leave the field: no shaping check,
  // which could raise an error while the keyboard is already in it.
  if (aid != 3) {
    if (const int code = getCurrentArea()->interruptShaping(this)) {
      keyboard_.enterErrorState(static_cast<unsigned int>(code), 0, 1, 0, 0);
      return;
    }
  }
  getCurrentArea()->positionCursor(this);
  if (aid >= 1 && aid <= 3) {
    pendingAid_ = aid;
    return;
  }
  if (keyboard_.state() == KeyboardState::kPostCopy) keyboard_.exitPostCopyState();
  if (keyboard_.state() == KeyboardState::kNormalUnlocked) keyboard_.enterNormalLockedState();
  pendingAid_ = aid;
}

unsigned int DisplayBag::postDatastreamProcessing() {
  keyboard_.processBufferedEvent();
  if (pendingAid_) {
    const AidCode aid = pendingAid_;
    pendingAid_ = 0;
    readMgr_.activateReadProcess(aid, 0);
  }
  if (!tax_) return 0;
  tax_->tawsmtcb();
  return tax_->taxIntf(1);
}

void DisplayBag::outputChanges() {
  ps_.outputMultiplePlanesChanges(&primary_, &secondary_, &colour_);
  formatTable_.outputChanges();
  cursor_.outputNewCursorPosition();
  controlData_.outputChanges();
}

void DisplayBag::changeScreenSize(unsigned int rows, unsigned int columns) {
  if (!ScreenBuffer::sizeFits(rows, columns, ps_.bufferSize())) return;
  // A clear, not a fill: the device is told to clear at the next output
  // (the new size empties the changed range a fill would have left).
  ps_.clearEntirePlane(0);
  primary_.clearAllECBPlanes(-1, -1);
  ps_.changeScreenSize(rows, columns);
  primary_.changeScreenSize(rows, columns);
  secondary_.changeScreenSize(rows, columns);
  colour_.changeScreenSize(rows, columns);
}

unsigned int DisplayBag::determinePollType(unsigned int& flag) {
  if (const unsigned int type = keyboard_.determinePollType(flag)) return type;
  const unsigned int type = getCurrentArea()->determinePollType(this);
  flag = (flagsA_ & kANewArea) ? 1 : 0;
  flagsA_ &= ~kANewArea;
  return type;
}

void DisplayBag::setTextOrEnptuiSymbolsInUse(unsigned int which) {
  switch (which) {
    case 0:
      flagsB_ &= ~(kBTextSymbols | kBEnptuiSymbols);
      break;
    case 1:
      flagsB_ &= ~kBEnptuiSymbols;
      controlData_.clearControlBits(DisplayControlData::kEnptuiSymbolsDisplay);
      flagsB_ |= kBTextSymbols;
      break;
    case 2:
      if (flagsB_ & kBTextSymbols) ps_.convertTextSymbolsToNulls();
      flagsB_ |= kBEnptuiSymbols;
      controlData_.setControlBits(DisplayControlData::kEnptuiSymbolsDisplay);
      flagsB_ &= ~kBTextSymbols;
      break;
    default:
      break;
  }
}

void DisplayBag::saveDisplay(qrnOStream* out, unsigned int partial) {
  out->startBitCompression();
  out->save(static_cast<unsigned char>(partial ? 1 : 0), 1);
  for (unsigned int bit : kSavedA) out->save(static_cast<unsigned char>((flagsA_ >> bit) & 1u), 1);
  for (unsigned int bit : kSavedB) out->save(static_cast<unsigned char>((flagsB_ >> bit) & 1u), 1);
  out->endBitCompression();
  out->save(optionBytes_[0], 8);
  out->save(optionBytes_[1], 8);
  asd_.saveASD(out);
  contention_.saveContentionErrorForAddressSharing(out);
  cursor_.saveCursor(out);
  controlData_.saveControlData(out);
  keyboard_.saveKeyboardState(out);
  formatTable_.saveFormatTable(out);
  indicators_.saveIndicators(out);
  pfKeyMask_.savePFKeyMask(out);
  mouseButtons_.saveProgrammableMouseButtonsTable(out);
  readMgr_.saveRead(out);
  ps_.savePresentationSpace(out, partial);
  primary_.saveAllECBPlanes(out);
  if (tax_) {
    tax_->saveTaxStuff(out);
  } else {
    TAXlate none;
    none.saveTaxStuff(out);
  }
  textSession_.saveTextSession(out);
  if (host_) {
    host_->saveHostInterface(out);
  } else {
    HostInterface none;
    none.saveHostInterface(out);
  }
}

unsigned int DisplayBag::readDisplay(qrnIStream* in, std::size_t trailer) {
  if (flagsB_ & kBAudioVideo) ps_.clearAudioVideo();
  in->startBitExpansion();
  unsigned char partial = 0;
  in->restore(partial, 1);
  const bool imagesShown = (flagsB_ & kBImages) != 0;
  if (imagesShown && !partial) ps_.clearImages();
  unsigned int a = flagsA_, b = flagsB_;
  for (unsigned int bit : kSavedA) {
    unsigned char v = 0;
    in->restore(v, 1);
    a = (a & ~(1u << bit)) | (static_cast<unsigned int>(v) << bit);
  }
  for (unsigned int bit : kSavedB) {
    unsigned char v = 0;
    in->restore(v, 1);
    b = (b & ~(1u << bit)) | (static_cast<unsigned int>(v) << bit);
  }
  if (imagesShown && partial) b |= kBImages;
  in->endBitExpansion();
  unsigned char options[2] = {0, 0};
  in->restore(options[0], 8);
  in->restore(options[1], 8);
  if (in->checkRestore()) return RestoreRejected("display station", "stream ends early");
  flagsA_ = a;
  flagsB_ = b;
  optionBytes_[0] = options[0];
  optionBytes_[1] = options[1];

  unsigned int sense = asd_.restoreASD(in);
  if (!sense) sense = contention_.restoreContentionErrorForAddressSharing(in);
  if (!sense) sense = cursor_.restoreCursor(in);
  if (!sense) sense = controlData_.restoreControlData(in);
  if (!sense) sense = keyboard_.restoreKeyboardState(in);
  if (!sense) sense = formatTable_.restoreFormatTable(in);
  if (!sense) sense = indicators_.restoreIndicators(in);
  if (!sense) sense = pfKeyMask_.restorePFKeyMask(in);
  if (!sense) sense = mouseButtons_.restoreProgrammableMouseButtonsTable(&services_, in);
  if (!sense) sense = readMgr_.restoreRead(in);
  if (!sense) sense = ps_.restorePresentationSpace(in);
  if (!sense) sense = primary_.restoreAllECBPlanes(in);
  if (!sense) sense = tax_ ? tax_->restoreTaxStuff(in) : TAXlate().restoreTaxStuff(in);
  if (!sense) sense = textSession_.restoreTextSession(in);
  if (!sense) sense = host_ ? host_->restoreHostInterface(in) : HostInterface().restoreHostInterface(in);
  if (sense) return sense;
  if (in->checkRestore()) return RestoreRejected("display station", "stream ends early");
  // A stream cut short would have lent its last members the frame check
  // bytes: exactly those must be left.
  if (in->bytesLeft() != kFrameCheckBytes + trailer)
    return RestoreRejected("display station", "the stream does not end with the station");

  // The pieces must fit together: fields and the cursor on the restored screen.
  if (formatTable_.highestUsedPosition() > static_cast<long>(ps_.lastOffset()))
    return RestoreRejected("display station", "a field lies beyond the screen");
  if (cursor_.getCursorOffset() > ps_.lastOffset())
    return RestoreRejected("display station", "the cursor lies beyond the screen");
  if (keyboard_.state() == KeyboardState::kWordProcessing) rendering_->textTimer(&textSession_);
  if (formatTable_.validateFormatTable(nullptr))
    return RestoreRejected("display station", "the format table is not valid");
  return 0;
}

unsigned int DisplayBag::restoreDisplay(qrnIStream* in, std::size_t trailer, unsigned int rows,
                                        unsigned int columns) {
  // Read the stream into a scratch station first: nothing of this one
  // changes unless the whole stream is good.
  NullRendering nothing(ps_.bufferSize(), ps_.rows(), ps_.columns());
  HostInterface scratchHost;
  TAXlate scratchTax;
  std::vector<unsigned char> scratchScreen(ps_.bufferSize());
  auto scratch = std::make_unique<DisplayBag>(scb_, &nothing, &scratchHost, &scratchTax,
                                              characteristics_, scratchScreen.data());
  scratch->flagsA_ = flagsA_;
  scratch->flagsB_ = flagsB_;
  qrnIStream probe = *in;
  if (const unsigned int sense = scratch->readDisplay(&probe, trailer)) return sense;
  if (rows && (scratch->rows() != rows || scratch->columns() != columns))
    return RestoreRejected("display station", "the screen size differs from the write addresses'");
  scratch.reset();

  cursor_.detachCursorFromArea();
  if (readDisplay(in, trailer)) ErrorHalt(kModuleDisplay, 4);
  return 0;
}
