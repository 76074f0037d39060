#include "display/DisplayControlData.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayCharacteristics.h"
#include "display/DisplayIndicators.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "display/StationServices.h"

namespace {
constexpr unsigned int kFlagBAlwaysSendIndicators = 0x00080000u;  // B bit 19
constexpr unsigned int kFeatureTextSymbolStates = 9;
}  // namespace

DisplayControlData::DisplayControlData(StationServices* station) : station_(station) {}

bool DisplayControlData::computeBlink() const {
  const unsigned char r = request_, s = state_;
  if (r == 0) return false;
  if (s == 0 || (r & 0x20)) return true;
  if (s < 0x80 && (r & 0x40)) return true;
  if (!(s & 0x08) && (r & 0x10)) return true;
  if (!(s & 0x01) && (r & 0x03)) return true;
  return false;
}

void DisplayControlData::send() {
  DisplayIndicators* ind = station_->getDisplayIndicators();
  station_->getRendering()->updateIndicators(control_, ind->current().get());
  lastSent_ = control_;
}

void DisplayControlData::outputChanges() {
  if (computeBlink())
    control_ |= kCursorBlink;
  else
    control_ &= ~kCursorBlink;
  DisplayIndicators* ind = station_->getDisplayIndicators();
  if (control_ != lastSent_ || ind->changed() ||
      (station_->modeFlagsB() & kFlagBAlwaysSendIndicators))
    send();
  control_ &= ~kAlarm;
  lastSent_ &= ~kAlarm;
  ind->markSent();
}

void DisplayControlData::forceOutput() {
  if (computeBlink())
    control_ |= kCursorBlink;
  else
    control_ &= ~kCursorBlink;
  send();
  control_ &= ~kAlarm;
  lastSent_ &= ~kAlarm;
  station_->getDisplayIndicators()->markSent();
}

void DisplayControlData::setTextSymbolsDisplay() {
  control_ |= kTextSymbolsDisplay;
  if (textSymbolsState_ == 2 || textSymbolsState_ == 3)
    station_->getRendering()->setTextSymbolsDisplayPlane(textSymbolsState_ == 2 ? Plane1 : Plane2);
}

void DisplayControlData::resetTextSymbolsDisplay() {
  control_ &= ~kTextSymbolsDisplay;
  if (textSymbolsState_ == 2 || textSymbolsState_ == 3)
    station_->getRendering()->setTextSymbolsDisplayPlane(Plane0);
}

void DisplayControlData::cycleTextSymbolsDisplayState() {
  if (!station_->getDisplayCharacteristics().feature(kFeatureTextSymbolStates)) {
    control_ ^= kTextSymbolsWholeScreen;
    return;
  }
  Rendering* r = station_->getRendering();
  switch (textSymbolsState_) {
    case 0:
      textSymbolsState_ = 1;
      control_ |= kTextSymbolsWholeScreen;
      break;
    case 1:
      textSymbolsState_ = 2;
      control_ &= ~kTextSymbolsWholeScreen;
      r->setTextSymbolsDisplayPlane(Plane1);
      break;
    case 2:
      textSymbolsState_ = 3;
      r->setTextSymbolsDisplayPlane(Plane2);
      break;
    default:
      textSymbolsState_ = 0;
      r->setTextSymbolsDisplayPlane(Plane0);
      break;
  }
}

void DisplayControlData::saveControlData(qrnOStream* stream) const {
  stream->hostPut32(control_);
  stream->save(request_, 8);
  stream->save(state_, 8);
}

unsigned int DisplayControlData::restoreControlData(qrnIStream* stream) {
  unsigned int control = 0;
  unsigned char request = 0, state = 0;
  stream->hostGet32(control);
  stream->restore(request, 8);
  stream->restore(state, 8);
  if (stream->checkRestore()) return RestoreRejected("display control data", "stream ends early");
  const unsigned int kept = kTextSymbolsDisplay | kTextSymbolsWholeScreen;
  control_ = (control & ~kept) | (control_ & kept);
  request_ = request;
  state_ = state;
  return 0;
}
