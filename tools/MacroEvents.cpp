#include "tools/MacroEvents.h"

using namespace macro_event;

bool MacroRecorder::appendDataKeys(const uint8_t* keys, size_t count) {
  if (full_) return false;
  if (!keys || count == 0) return true;
  lastWasMouseZero_ = false;
  takeBackLength_ = bytes_.size();
  takeBackEventMode_ = eventMode_;
  size_t i = 0;
  if (eventMode_) {
    // Code 1 and the first key, taken as it is (never doubled).
    if (bytes_.size() + 2 > kMacroLimit) {
      full_ = true;
      return false;
    }
    bytes_.push_back(kDataMode);
    bytes_.push_back(keys[0]);
    eventMode_ = false;
    i = 1;
  }
  for (; i < count; ++i) {
    const size_t need = keys[i] == kEscape ? 2 : 1;
    if (bytes_.size() + need > kMacroLimit) {
      full_ = true;
      return false;
    }
    bytes_.insert(bytes_.end(), need, keys[i]);
  }
  if (bytes_.size() == kMacroLimit) full_ = true;
  return !full_;
}

bool MacroRecorder::appendEvent(uint8_t code, const uint8_t* operands, size_t count) {
  if (full_) return false;
  if (code == kEscape || code == kDataMode) return true;  // no such event
  if (count > 0 && !operands) return true;
  if (code == kKeyRecord && (count == 0 || count > 0xFF)) return true;
  const bool mouseZero = code == kMouse && count >= 1 && operands[0] == 0;
  if (mouseZero && lastWasMouseZero_) removeLastEvent();
  lastWasMouseZero_ = mouseZero;
  takeBackLength_ = bytes_.size();
  takeBackEventMode_ = eventMode_;
  std::vector<uint8_t> event;
  if (!eventMode_) event.push_back(kEscape);
  event.push_back(code);
  if (code == kKeyRecord) {
    event.push_back(static_cast<uint8_t>(count));
    event.push_back(kKeyRecord);
  }
  event.insert(event.end(), operands, operands + count);
  if (bytes_.size() + event.size() > kMacroLimit) {
    full_ = true;
    return false;
  }
  bytes_.insert(bytes_.end(), event.begin(), event.end());
  eventMode_ = true;
  if (bytes_.size() == kMacroLimit) full_ = true;
  return !full_;
}

void MacroRecorder::removeLastEvent() {
  if (takeBackLength_ > bytes_.size()) return;
  bytes_.resize(takeBackLength_);
  eventMode_ = takeBackEventMode_;
  full_ = false;
  lastWasMouseZero_ = false;
}

void MacroRecorder::clear() {
  bytes_.clear();
  eventMode_ = false;
  takeBackLength_ = 0;
  takeBackEventMode_ = false;
  lastWasMouseZero_ = false;
  full_ = false;
}

MacroStep MacroReader::next() {
  MacroStep step;
  if (pos_ >= bytes_.size()) return step;
  if (!eventMode_) {
    const uint8_t b = bytes_[pos_];
    if (b != kEscape) {
      step.kind = MacroStep::kDataKey;
      step.byte = b;
      ++pos_;
      return step;
    }
    if (pos_ + 1 >= bytes_.size()) {  // a lone escape at the end
      pos_ = bytes_.size();
      return step;
    }
    if (bytes_[pos_ + 1] == kEscape) {
      step.kind = MacroStep::kDataKey;
      step.byte = kEscape;
      pos_ += 2;
      return step;
    }
    eventMode_ = true;
    ++pos_;
  }
  return event(bytes_[pos_]);
}

MacroStep MacroReader::event(uint8_t code) {
  MacroStep step;
  const size_t left = bytes_.size() - pos_;  // the code included
  auto truncated = [&]() {
    pos_ = bytes_.size();
    return MacroStep{};
  };
  switch (code) {
    case kDataMode:
      if (left < 2) return truncated();
      eventMode_ = false;
      step.kind = MacroStep::kDataKey;
      step.byte = bytes_[pos_ + 1];
      pos_ += 2;
      return step;
    case kKeyRecord: {
      if (left < 2) return truncated();
      const size_t l = bytes_[pos_ + 1];
      if (l == 0 || left < 3 + l) return truncated();
      step.kind = MacroStep::kKeyRecord;
      step.record.assign(bytes_.begin() + static_cast<long>(pos_ + 2), bytes_.begin() + static_cast<long>(pos_ + 3 + l));
      pos_ += 3 + l;
      return step;
    }
    case kUserId: step.kind = MacroStep::kUserId; break;
    case kPassword: step.kind = MacroStep::kPassword; break;
    case kPause: step.kind = MacroStep::kPause; break;
    case kMenu:
      if (left < 2) return truncated();
      step.kind = MacroStep::kMenu;
      step.byte = bytes_[pos_ + 1];
      pos_ += 2;
      return step;
    case kMouse:
      if (left < 4) return truncated();
      step.kind = MacroStep::kMouse;
      step.byte = bytes_[pos_ + 1];
      step.position = static_cast<unsigned>(bytes_[pos_ + 2]) << 8 | bytes_[pos_ + 3];
      pos_ += 4;
      return step;
    default:
      step.kind = MacroStep::kKeystroke;
      step.byte = code;
      break;
  }
  ++pos_;
  return step;
}

std::vector<MacroStep> ReadAllMacroSteps(const std::vector<uint8_t>& bytes) {
  std::vector<MacroStep> steps;
  MacroReader reader(bytes);
  for (;;) {
    MacroStep s = reader.next();
    if (s.kind == MacroStep::kEnd) break;
    steps.push_back(std::move(s));
  }
  return steps;
}
