// The translator's active translation table and the lookup of a key.
#include <cstring>

#include "display/DisplayBag.h"
#include "keyboard/TAXlate.h"
#include "keyboard/TranslatorHost.h"

namespace {
constexpr unsigned char kName1 = 0xF1, kName2 = 0xF2, kName3 = 0xF3, kName4 = 0xF4,
                        kName5 = 0xF5, kName6 = 0xF6;
constexpr unsigned int kPlane = 256;        // bytes per plane
constexpr unsigned int kLayerOffset = 768;  // the alternate layer's planes
constexpr unsigned int kArabicKeyboard = 0xE6D6, kFarsiKeyboard = 0xE6E2;
}  // namespace

void TAXlate::getDefaultTableRuName(RuName& name) const {
  static const unsigned char kBase[8] = {0xC1, 0xD1, 0xD3, 0x00, 0xE8, 0xF0, 0xC2, 0xC3};  // "AJL?Y0BC"
  std::memcpy(name.bytes, kBase, 8);
  const unsigned int type = keyboardType();
  if (type & TAXlate::kDigit5) name.bytes[3] = kName5;
  else if (type & kTypewriter) name.bytes[3] = (type & kTypeBit08) ? kName3 : kName1;
  else name.bytes[3] = (type & kTypeBit08) ? kName4 : kName2;
}

void TAXlate::loadXlateTable(XlateTableInfo* info) {
  if (!info) return;
  if (display_) display_->asd().setASDLanguage(0);
  active_ = info;
  table_ = info->entries;
  tableBytes_ = info->entryBytes;
  if (hostTables_) {
    keyboardCode_ = info->keyboardCode;
    diacCountry_ = info->diacriticCountry;
  } else {
    keyboardCode_ = host_->genCountryCode();
    diacCountry_ = host_->genDiacCountryNum();
  }
  if (display_) {
    if (keyboardCode_ == kArabicKeyboard) display_->asd().setASDLanguage(1);
    else if (keyboardCode_ == kFarsiKeyboard) display_->asd().setASDLanguage(2);
  }
  keyboardOptions_ &= 0xFFu;
  keyboardOptions_ &= ~kOptionDigit6;
  if (info->digit == kName6) keyboardOptions_ |= kOptionDigit6;
  tableBits_ = 0;
  if (info->flags & XlateTableInfo::kFlag80) tableBits_ |= kTableBit80;
  if (info->flags & XlateTableInfo::kFlag20) tableBits_ |= kTableBit20;
  if (info->flags & XlateTableInfo::kFlag01) tableBits_ |= kTableBit01;
  if (info->flags & XlateTableInfo::kFlag10) keyboardOptions_ |= kOption2000;
  if (info->flags & XlateTableInfo::kRightToLeft) keyboardOptions_ |= kOptionRightToLeft;
  if (info->flags & XlateTableInfo::kExtraPlanes) keyboardOptions_ |= kOptionAltPlane1024;
  word_ = (info->flags & XlateTableInfo::kFlag02) ? (word_ | 0x80000000u) : (word_ & 0x7FFFFFFFu);
  entryCount_ = static_cast<unsigned short>(info->entryCount);
  setDbTableLimits(XlateTable::doubleByteOffset(info));
}

void TAXlate::setDbTableLimits(unsigned int offset) {
  // Four runs, each ended by a zero byte; the scan never leaves the table.
  unsigned int at = offset;
  for (auto& limit : dbLimits_) {
    if (!table_ || at >= tableBytes_) {
      limit = nullptr;
      continue;
    }
    limit = table_ + at;
    while (at < tableBytes_ && table_[at] != 0) ++at;
    if (at < tableBytes_) ++at;
  }
}

FunctionWord TAXlate::entryAt(unsigned int byteOffset) const {
  // Planes that the table does not have give "key not valid".
  if (!table_ || byteOffset + 1 >= 2u * entryCount_ || byteOffset + 1 >= tableBytes_)
    return FunctionWord{35, 0};
  return FunctionWord{table_[byteOffset], table_[byteOffset + 1]};
}

FunctionWord TAXlate::getFW(unsigned char scan, const XltState* state) {
  if (scan == 255) return FunctionWord{36, 0};
  unsigned int at = (scan * 2u) & 254u;
  if (state->layer()) at += kLayerOffset;
  FunctionWord w;
  if (state->w[0] & XltState::kAltActive) {
    const bool high = (keyboardOptions_ & kOptionAltPlane1024) || bgOrBh();
    const FunctionWord plane = entryAt(at + (high ? 4 * kPlane : 2 * kPlane));
    if (mode_ == kWordProcessing && !state->layer()) {
      if (state->held(XltState::kLeftAlt)) {
        w = wpAltFunctions(scan);
        if (w.category == 34) w = plane;
      } else {
        w = plane;
        if (w.category == 34) w = wpAltFunctions(scan);
      }
    } else {
      w = plane;
    }
  } else {
    unsigned int add = 0;
    if (state->upperShift()) {
      if (state->shiftKeyHeld()) {
        add += kPlane;
      } else {
        const unsigned char c = entryAt(at).category;
        if ((c >= 9 && c <= 19) || c == 34 || c == 37 || c == 38) add += kPlane;
      }
    }
    if (state->languageShift()) add += 2 * kPlane;
    w = entryAt(at + add);
  }
  if (w.category == 32 && (scan & 0x80)) w.category = 33;
  return w;
}
