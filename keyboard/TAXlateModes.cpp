// The translator's multi-key modes (command key, hex entry, dead keys,
// front face) and the remaps of a word for the keyboard and the mode.
#include "display/DisplayBag.h"
#include "keyboard/GeneratedTables.h"
#include "keyboard/TAXlate.h"
#include "keyboard/TranslatorHost.h"

namespace {
using S = XltState;
constexpr FunctionWord kNoFunction{34, 0};
constexpr FunctionWord kCommandError{23, 3};
constexpr FunctionWord kFrontFaceError{23, 6};
constexpr FunctionWord kDeadKeyError{23, 7};

bool is(FunctionWord w, unsigned char category, unsigned char code) {
  return w.category == category && w.code == code;
}
bool isDataKey(FunctionWord w) { return w.category >= 9 && w.category <= 19; }

struct FrontFaceKey {
  unsigned char scan;
  FunctionWord word;
};
struct FrontFaceList {
  unsigned int keyboard;
  const FrontFaceKey* keys;
  unsigned int count;
};
constexpr FrontFaceKey kFaceE8[] = {{0x3E, {11, 0xE0}}, {0x36, {11, 0x5F}}, {0x2B, {38, 2}}};
constexpr FrontFaceKey kFaceE9[] = {{0x3E, {11, 0xE0}}, {0x36, {11, 0xBA}}, {0x2B, {38, 2}}};
constexpr FrontFaceKey kFaceE6[] = {{0x3E, {11, 0xE0}}, {0x31, {11, 0x4F}}, {0x32, {11, 0x7C}},
                                    {0x36, {11, 0x5F}}, {0x2B, {11, 0x4A}}, {0x1B, {11, 0xC0}},
                                    {0x1C, {11, 0xD0}}, {0x2C, {11, 0x5A}}, {0x33, {11, 0x69}}};
constexpr FrontFaceKey kFaceE7[] = {{0x3E, {11, 0xE0}}, {0x31, {11, 0xBB}}, {0x32, {11, 0x7C}},
                                    {0x36, {11, 0xBA}}, {0x2B, {11, 0x4A}}, {0x1B, {11, 0xC0}},
                                    {0x1C, {11, 0xD0}}, {0x2C, {11, 0x5A}}, {0x33, {11, 0x7B}}};
constexpr FrontFaceList kFrontFaces[] = {
    {0xC1E8, kFaceE8, 3}, {0xC1E9, kFaceE9, 3}, {0xC1E6, kFaceE6, 9}, {0xC1E7, kFaceE7, 9}};

// The text-assist attribute of a letter (lower case), or 0.
unsigned char textAttribute(unsigned char ch) {
  if (ch > 0xC0) ch &= static_cast<unsigned char>(~0x40);
  switch (ch) {
    case 0x40: return 8;   // space
    case 0x81: return 12;  // a
    case 0x82: return 3;   // b
    case 0x83: return 9;   // c
    case 0x84: return 13;  // d
    case 0x88: return 6;   // h
    case 0x91: return 2;   // j
    case 0x95: return 11;  // n
    case 0x97: return 10;  // p
    case 0xA2: return 7;   // s
    case 0xA4: return 1;   // u
    case 0xA6: return 4;   // w
    case 0xA8: return 5;   // y
    default: return 0;
  }
}

// The value of a hex digit key, or -1.
int hexDigit(FunctionWord w) {
  const unsigned char c = w.code;
  if ((w.category == 9 || w.category == 10) &&
      ((c >= 0x81 && c <= 0x86) || (c >= 0xC1 && c <= 0xC6)))
    return (c + 9) & 0x0F;
  if ((w.category == 13 || w.category == 14) && c >= 0xF0 && c <= 0xF9) return c & 0x0F;
  return -1;
}

unsigned char bySession(const keyboard_data::DiacriticResult* pairs, unsigned int count,
                        unsigned char country) {
  if (count == 0) return 0;
  unsigned char result = pairs[0].result;
  for (unsigned int i = 1; i < count; ++i)
    if (pairs[i].country == country) result = pairs[i].result;
  return result;
}
}  // namespace

XltModes TAXlate::setModes(FunctionWord w, const XltState* state, XltModes modes) const {
  XltModes result = modes;
  if (isDataKey(w) && !modes.modesSet()) {
    result.reset();
    return result;
  }
  unsigned int opens = 0;
  if (w.category == 37 || w.category == 38) {
    opens = XltModes::kDeadKey;
  } else if (is(w, 3, 16)) {
    opens = XltModes::kCommand;
  } else if (is(w, 3, 17)) {
    opens = XltModes::kHexFirst | XltModes::kHex;
  } else if (is(w, 6, 7) && (keyboardType() & kTypewriter) &&
             state->held(S::kLeftShift | S::kRightShift | S::kShiftLockKey)) {
    if (keyboardCode_ == 0xC1E8 || keyboardCode_ == 0xC1E9 ||
        ((keyboardCode_ == 0xC1E6 || keyboardCode_ == 0xC1E7) && !(keyboardType() & kTypeBit08)))
      opens = XltModes::kFrontFace;
  }
  result.reset();
  result.bits |= opens;
  if (modes.has(XltModes::kHexFirst) &&
      (w.category == 9 || w.category == 10 || w.category == 13 || w.category == 14)) {
    result.reset();
    result.bits |= XltModes::kHex;
  }
  return result;
}

FunctionWord TAXlate::hexmode(unsigned char scan, XltModes modes, const XltState& state, bool replay) {
  XltState lookup;
  if (state.held(S::kLeftShift | S::kRightShift | S::kShiftLockKey)) lookup.setUpperShift(true);
  TaxTCB tcb = tcb_;
  tcb.scan = scan;
  const FunctionWord w = host_->usesTranslationTables() ? getFW(scan, &lookup) : host_->genKeystroke(tcb);
  unsigned char& first = replay ? hexReplay_ : hexArrival_;
  const int digit = hexDigit(w);
  if (modes.has(XltModes::kHexFirst)) {
    if (digit < 0) return specialHex(w);
    const unsigned int value = static_cast<unsigned int>(digit) * 16;
    if (value < 0x40) return setHexError();
    first = static_cast<unsigned char>(value);
    return w;
  }
  if (digit < 0) return setHexError();
  const unsigned int c = first + static_cast<unsigned int>(digit);
  if (c == 0xFF) return setHexError();
  return FunctionWord{11, static_cast<unsigned char>(c)};
}

FunctionWord TAXlate::specialHex(FunctionWord w) const {
  switch (w.code) {
    case 0x99: case 0xD9:  // R
      if (display_ && display_->options().has(StationOptions::kHexReverseVideo)) return FunctionWord{3, 9};
      return setHexError();
    case 0xD2: case 0x92:  // K
      return typeAheadOn() ? FunctionWord{34, 2} : FunctionWord{34, 1};
    case 0xD4: case 0x94:  // M
      return typeAheadOn() ? FunctionWord{23, 4} : FunctionWord{23, 9};
    default:
      return setHexError();
  }
}

FunctionWord TAXlate::diacrit(FunctionWord dead, FunctionWord w) const {
  using namespace keyboard_data;
  if ((dead.category != 37 && dead.category != 38) || dead.code < 1 || dead.code > kAccentCount ||
      !isDataKey(w))
    return kDeadKeyError;
  const unsigned int accent = dead.code - 1u;
  unsigned char result = 0;
  if (diacCountry_ > 48) {
    for (const CountryDiacriticTable& t : kCountryDiacriticTables) {
      if (t.country != diacCountry_ || !t.entries) continue;
      for (unsigned int e = 0; e < t.entryCount; ++e) {
        const unsigned char* entry = t.entries + e * t.entrySize;
        if (entry[0] == w.code) {
          result = entry[1 + accent];
          break;
        }
      }
    }
  } else {
    for (unsigned int b = 0; b < kDiacriticBaseCount; ++b) {
      if (kDiacriticBases[b] != w.code) continue;
      const DiacriticSlot& slot = kDiacriticSlots[b][accent];
      result = bySession(kDiacriticResults + slot.offset, slot.count, diacCountry_);
      break;
    }
  }
  if (result < 0x40) return kDeadKeyError;
  unsigned char category;
  if (w.category == 10) category = dead.category == 37 ? 10 : 12;
  else category = dead.category == 37 ? 9 : 11;
  return FunctionWord{category, result};
}

FunctionWord TAXlate::frntface(unsigned char scan) const {
  for (const FrontFaceList& list : kFrontFaces) {
    if (list.keyboard != keyboardCode_) continue;
    for (unsigned int i = 0; i < list.count; ++i)
      if (list.keys[i].scan == scan) return list.keys[i].word;
    return kFrontFaceError;
  }
  // The mode opens only on the four keyboards above.
  return kFrontFaceError;
}

FunctionWord TAXlate::gtcacmd(FunctionWord w) const {
  const unsigned char a = textAttribute(w.code);
  return a ? FunctionWord{26, a} : kCommandError;
}

FunctionWord TAXlate::wpAltFunctions(unsigned char scan) {
  const FunctionWord w = entryAt((scan * 2u) & 254u);
  if (w.category == 9 || w.category == 10 || w.category == 16) {
    const unsigned char a = textAttribute(w.code);
    return a ? FunctionWord{26, a} : kNoFunction;
  }
  if (w.category == 1 && w.code >= 10 && w.code <= 12) return FunctionWord{1, 15};
  if (is(w, 1, 13)) return FunctionWord{3, 15};
  if (w.category == 2 && w.code >= 1 && w.code <= 3) return FunctionWord{2, 5};
  return kNoFunction;
}

FunctionWord TAXlate::monocaseCharacter(FunctionWord w) const {
  using namespace keyboard_data;
  const unsigned char c = w.code;
  if (keyboardCode_ == kKeyboardBG) {
    if ((c >= 0x62 && c <= 0x69) || (c >= 0x72 && c <= 0x78)) w.code = static_cast<unsigned char>(c + 0x5F);
    else if (c >= 0xB3 && c <= 0xB9) w.code = static_cast<unsigned char>(c + 0x30);
    else if (c == 0x71) w.code = 0xC9;
    else if (c == 0x8B) w.code = 0xD8;
    else if (c == 0x9B) w.code = 0xD9;
    else if (c == 0xAB) w.code = 0xE2;
    return w;
  }
  unsigned char partner = 0;
  for (unsigned int i = 0; i < kMonocasePairCount; ++i) {
    if (kMonocasePairs[i][0] != c) continue;
    partner = kMonocasePairs[i][1];
    if (partner == 0xFF) {
      partner = 0;
      for (unsigned int l = 0; l < kMonocaseCountryListCount; ++l)
        if (kMonocaseCountryLists[l].character == c)
          partner = bySession(kMonocaseCountryPairs + kMonocaseCountryLists[l].offset,
                              kMonocaseCountryLists[l].count, diacCountry_);
    }
    break;
  }
  if (partner > 0x3F) return FunctionWord{static_cast<unsigned char>(w.category == 10 ? 9 : 11), partner};
  if (w.category == 10 &&
      ((c >= 0x81 && c <= 0x89) || (c >= 0x91 && c <= 0x99) || (c >= 0xA2 && c <= 0xA9)))
    w.code = static_cast<unsigned char>(c | 0x40);
  return w;
}

FunctionWord TAXlate::proofIt(FunctionWord w) const {
  if (w.category == 14) {
    if (w.code >= 0xF1 && w.code <= 0xF3) return FunctionWord{14, static_cast<unsigned char>(w.code + 6)};
    if (w.code >= 0xF7 && w.code <= 0xF9) return FunctionWord{14, static_cast<unsigned char>(w.code - 6)};
    if (w.code == 0xF0) return FunctionWord{16, 0x40};
  }
  if (w.category == 39) return FunctionWord{13, 0xF0};
  return w;
}

FunctionWord TAXlate::dpNormmode(FunctionWord w) const {
  const unsigned int type = keyboardType();
  if ((type & kDigit5) && (is(w, 3, 15) || is(w, 2, 5) || is(w, 1, 15))) return kNoFunction;
  if (type & kTypewriter) return w;
  if (type & kNumericPadSwap) w = proofIt(w);
  else if (w.category == 39) w = FunctionWord{16, 0x40};
  if (is(w, 16, 0x79) && !replay_.held(S::kLeftShift)) w.category = 17;
  return w;
}

FunctionWord TAXlate::wpNormmode(FunctionWord w) const {
  if (isDataKey(w)) return w;
  if (is(w, 1, 14)) return kNoFunction;
  if (keyboardOptions_ & 0x18) {
    if (is(w, 3, 11)) return FunctionWord{3, 15};
    if (is(w, 3, 10) || is(w, 3, 12)) return kNoFunction;
    if (is(w, 6, 9)) return FunctionWord{2, 4};
    if (is(w, 6, 10)) return FunctionWord{3, 15};
    if (is(w, 6, 8)) return FunctionWord{1, 9};
  }
  if (keyboardType() & kDigit5) {
    if ((w.category == 3 && w.code >= 10 && w.code <= 12) || (w.category == 6 && w.code >= 8 && w.code <= 10))
      return kNoFunction;
    if (replay_.held(S::kLeftShift | S::kRightShift)) {
      if (is(w, 1, 3)) return FunctionWord{1, 17};
      if (is(w, 1, 2)) return FunctionWord{1, 16};
      if (is(w, 1, 6)) return FunctionWord{6, 11};
      if (is(w, 1, 7)) return FunctionWord{6, 12};
    }
  }
  return w;
}

FunctionWord TAXlate::categorizeCodePoint(unsigned char code) {
  if (code == 0) return FunctionWord{16, 0};
  if (code < 0x40) return FunctionWord{11, code};
  if (hostTables_ && table_) {
    for (unsigned int i = 0; i < entryCount_; ++i) {
      const FunctionWord w = entryAt(2 * i);
      if (w.code == code && isDataKey(w)) return w;
    }
    return FunctionWord{11, code};
  }
  unsigned char category = host_->codePageCategory(code);
  if (category == 37) category = 9;
  else if (category == 38) category = 11;
  return FunctionWord{category, code};
}
