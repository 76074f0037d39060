#include "display/ASD.h"

#include <initializer_list>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/ASDInfo.h"
#include "display/DisplayBag.h"
#include "display/RestoreSense.h"

namespace {

// Shape tables: groups of a class number (below 0x40) followed by the code
// points of that class. A letter's shapes stand at the same place in the
// groups of its shape classes.
constexpr unsigned char kArabicShapes[] = {
    0,  0x46, 0x79,
    1,  0x44, 0x55, 0x8F, 0x90,
    2,  0x77, 0x80, 0x8B, 0x8D,
    3,  0x78, 0x8A, 0x8C, 0x8E,
    4,  0x45, 0x45, 0x45, 0x45,
    5,  0x47, 0x49, 0x53, 0x56,
    6,  0x48, 0x51, 0x54, 0x57,
    7,  0xDA,
    8,  0xDB,
    9,  0xB2, 0xB4, 0xB6, 0xB8,
    10, 0xB3, 0xB5, 0xB7, 0xB9,
    11, 0xB1,
    12, 0xBA,
    13, 0x52, 0x62, 0x73, 0x74, 0x75, 0x76, 0xCF,
    14, 0x58, 0x63, 0x65, 0x67, 0x69, 0x71, 0xAB, 0xAD, 0xAF, 0xBB, 0xBD,
    15, 0x59, 0x64, 0x66, 0x68, 0x70, 0x72, 0xAC, 0xAE, 0xB0, 0xBC, 0xBE,
    16, 0x9A, 0x9E,
    17, 0x9C, 0xA0,
    18, 0x9D, 0xAA,
    19, 0x9B, 0x9F,
    20, 0xBF,
    21, 0xCB,
    22, 0xCD,
    23, 0xDC,
    24, 0xDE,
    25, 0xDD,
    26, 0x42,
    27, 0x43,
};
constexpr unsigned char kFarsiShapes[] = {
    0,  0x51,
    1,  0x9E, 0xA0, 0x56, 0xDC, 0xEA,
    2,
    3,
    4,
    5,  0x44, 0x47, 0x52,
    6,  0x45, 0x48, 0x53,
    7,
    8,
    9,
    10,
    11, 0xBD,
    12, 0xBC,
    13, 0x55, 0x80, 0x76, 0x78, 0xCE, 0x77, 0x75,
    14, 0x58, 0x64, 0x66, 0x68, 0x72, 0x74, 0xB3, 0xB5, 0xB7, 0xB9, 0xCB, 0xCD, 0x62, 0x70, 0x8D, 0x8F, 0x9A, 0x9C,
    15, 0x57, 0x63, 0x65, 0x67, 0x71, 0x73, 0xB2, 0xB4, 0xB6, 0xB8, 0xBE, 0xCC, 0x59, 0x69, 0x8C, 0x8E, 0x90, 0x9B,
    16, 0xAC, 0xB0,
    17, 0xAA, 0xAE,
    18, 0xAD, 0xB1,
    19, 0xAB, 0xAF,
    20, 0xDA,
    21, 0xCF,
    22, 0xDB,
    23, 0xDF,
    24, 0xDD,
    25, 0xDE,
    26,
    27,
    28, 0x46, 0x49, 0x54,
    29, 0x9D, 0x9F,
};
static_assert(sizeof kArabicShapes == 111, "Arabic shape table");
static_assert(sizeof kFarsiShapes == 106, "Farsi shape table");

constexpr unsigned int kClasses = 30;

// Per class: the class that the character before the cursor takes when
// shaping resumes, and the state that follows (255: by the character
// before it; 254: a seen tail).
constexpr unsigned char kArabicProperties[kClasses][2] = {
    {0, 1},    {1, 6},   {3, 3},   {3, 3},   {0, 254}, {5, 1},   {6, 1},    {7, 1},
    {8, 1},    {9, 1},   {10, 1},  {12, 255}, {12, 255}, {13, 1}, {15, 6},   {15, 6},
    {17, 2},   {17, 2},  {18, 6},  {18, 6},  {255, 6}, {21, 6},  {22, 6},   {24, 2},
    {24, 255}, {24, 6},  {26, 2},  {27, 2},  {28, 2},  {29, 2},
};
constexpr unsigned char kFarsiProperties[kClasses][2] = {
    {0, 1},   {1, 6},   {2, 1},   {3, 1},   {4, 1},   {5, 1},    {6, 1},   {7, 1},
    {8, 1},   {9, 1},   {10, 1},  {11, 5},  {11, 5},  {13, 1},   {14, 6},  {14, 6},
    {16, 2},  {16, 2},  {18, 6},  {18, 6},  {20, 6},  {255, 6},  {22, 6},  {23, 255},
    {23, 2},  {23, 6},  {26, 2},  {27, 2},  {28, 1},  {1, 6},
};

// Shape maps: the class of the wanted shape, by the character's class. The
// two plain base maps cover 28 classes; a character of a class beyond a map
// keeps its shape.
constexpr unsigned char kBaseArabic[28] = {0, 1, 2, 2, 2, 5, 5, 7, 7, 9, 9, 11, 11, 13,
                                           14, 14, 16, 16, 16, 16, 20, 20, 20, 23, 23, 23, 26, 26};
constexpr unsigned char kBaseFarsiLanguage[28] = {0, 1, 2, 2, 2, 5, 5, 7, 7, 9, 9, 12, 12, 13,
                                                  15, 15, 17, 17, 17, 17, 21, 21, 21, 24, 24, 24, 26, 26};
constexpr unsigned char kFarsiBase[30] = {0, 1, 2, 2, 2, 5, 5, 7, 7, 9, 9, 11, 11, 13, 14,
                                          14, 16, 16, 16, 16, 20, 20, 20, 23, 23, 23, 26, 26, 5, 1};
constexpr unsigned char kInitial[30] = {0, 1, 2, 2, 2, 5, 5, 7, 7, 9, 9, 11, 11, 13, 14,
                                        14, 16, 16, 16, 16, 20, 20, 20, 23, 23, 23, 26, 26, 5, 1};
constexpr unsigned char kMiddle[30] = {0, 1, 2, 2, 2, 6, 6, 7, 7, 9, 9, 11, 11, 13, 14,
                                       14, 18, 18, 18, 18, 22, 22, 22, 23, 23, 23, 26, 26, 6, 1};
constexpr unsigned char kFinal[30] = {0, 1, 2, 2, 2, 6, 6, 7, 7, 9, 9, 12, 12, 13, 15,
                                      15, 19, 19, 19, 19, 21, 21, 21, 25, 25, 25, 26, 26, 6, 29};

// Digits, for code points 0xDF to 0xFF.
constexpr unsigned char kArabicDigits[33] = {
    0xF0, 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xF1, 0xF2, 0xEC, 0xF3, 0xF4, 0xF5,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xF6, 0xF7, 0xF8, 0xF9, 0xFF};
constexpr unsigned char kFarsiDigits[33] = {
    0xDF, 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFF};

constexpr unsigned char kEndOfText = 0xFF;

bool In(unsigned int v, std::initializer_list<unsigned int> set) {
  for (unsigned int s : set)
    if (s == v) return true;
  return false;
}

}  // namespace

ASD::ASD(DisplayBag* display, unsigned int language) : display_(display), language_(0) {
  setASDLanguage(language);
}

void ASD::setASDLanguage(unsigned int language) {
  language_ = (language == kArabic || language == kFarsi) ? language : kNoLanguage;
  if (language_ == kArabic) {
    table_ = kArabicShapes;
    tableSize_ = sizeof kArabicShapes;
    properties_ = kArabicProperties;
  } else if (language_ == kFarsi) {
    table_ = kFarsiShapes;
    tableSize_ = sizeof kFarsiShapes;
    properties_ = kFarsiProperties;
  } else {
    table_ = nullptr;
    tableSize_ = 0;
    properties_ = nullptr;
  }
  initializeASD();
}

void ASD::initializeASD() {
  state_ = kOff;
  interrupt1_ = interrupt2_ = 0;
  pastEnd_ = false;
}

// Classes and shapes.

unsigned int ASD::classifyCharacter(unsigned char c) const {
  if (c < 0x40 || !table_) return 0;
  unsigned int cls = 0;
  for (unsigned int i = 0; i < tableSize_; ++i) {
    if (table_[i] < 0x40)
      cls = table_[i];
    else if (table_[i] == c)
      return cls;
  }
  return 0;
}

unsigned char ASD::fetchCorrespondingCharacter(unsigned char c, unsigned int target) const {
  if (c < 0x40 || !table_) return c;
  unsigned int at = 0;
  while (at < tableSize_ && table_[at] != c) ++at;
  if (at == tableSize_) return c;
  unsigned int group = at;
  while (table_[group] >= 0x40) --group;  // the table starts with a class
  const unsigned int cls = table_[group];
  const unsigned int k = at - group;
  unsigned int found = tableSize_;
  if (target > cls) {
    for (unsigned int i = at; i < tableSize_; ++i)
      if (table_[i] == target) {
        found = i;
        break;
      }
  } else {
    for (unsigned int i = group + 1; i-- > 0;)
      if (table_[i] == target) {
        found = i;
        break;
      }
  }
  if (found == tableSize_) return c;
  // A group shorter than the letter's place has no shape for it.
  for (unsigned int i = found + 1; i <= found + k; ++i)
    if (i >= tableSize_ || table_[i] < 0x40) return c;
  return table_[found + k];
}

unsigned char ASD::shapeBy(const unsigned char* map, unsigned int entries, unsigned char c) const {
  const unsigned int cls = classifyCharacter(c);
  if (cls >= entries) return c;
  return fetchCorrespondingCharacter(c, map[cls]);
}

unsigned char ASD::getBaseShape(unsigned char c) const {
  return farsi() ? shapeBy(kBaseFarsiLanguage, 28, c) : shapeBy(kBaseArabic, 28, c);
}
unsigned char ASD::getInitialShape(unsigned char c) const { return shapeBy(kInitial, 30, c); }
unsigned char ASD::getMiddleShape(unsigned char c) const { return shapeBy(kMiddle, 30, c); }
unsigned char ASD::getFinalShape(unsigned char c) const { return shapeBy(kFinal, 30, c); }
unsigned char ASD::getBaseFarsiShape(unsigned char c) const { return shapeBy(kFarsiBase, 30, c); }
unsigned char ASD::getKeyboardShape(unsigned char c) const {
  return farsi() ? getBaseFarsiShape(c) : getBaseShape(c);
}

unsigned char ASD::translateDigit(unsigned char c) const {
  if (!language_ || c < 0xDF) return c;
  return (farsi() ? kFarsiDigits : kArabicDigits)[c - 0xDF];
}

bool ASD::isVowel(unsigned char c) const {
  const unsigned int cls = classifyCharacter(c);
  return cls == 26 || cls == 27;
}
bool ASD::isTail(unsigned char c) const { return !farsi() && classifyCharacter(c) == 4; }

// The cursor.

unsigned int ASD::cursorOffset() const { return display_->cursor().getCursorOffset(); }

unsigned char ASD::readCharacter() const {
  if (interrupt1_ || interrupt2_ || pastEnd_) return kEndOfText;
  return display_->presentationSpace().getCharacter(cursorOffset());
}

void ASD::writeAtCursor(unsigned char c) {
  if (!pastEnd_) display_->presentationSpace().writeCharacter(cursorOffset(), c);
}

bool ASD::back(ASDInfo& info) {
  if (pastEnd_) {
    pastEnd_ = false;
    return true;
  }
  if (info.atStart(display_)) return false;
  info.moveLeft(display_);
  return true;
}

void ASD::forward(ASDInfo& info) {
  if (pastEnd_) return;
  if (info.atEnd(display_)) {
    pastEnd_ = true;
    return;
  }
  info.moveRight(display_);
}

void ASD::checkPosition() {
  if (cursorOffset() == stateAt_) return;
  // The cursor was moved by other means: the text around it decides again.
  pastEnd_ = false;
  if (!shapeForced()) state_ = kOff;
}

void ASD::notePosition() { stateAt_ = cursorOffset(); }

void ASD::moveCursor(ASDInfo& info, unsigned int offset) {
  interrupt1_ = interrupt2_ = 0;
  pastEnd_ = false;
  info.setPosition(display_, offset);
  notePosition();
}
void ASD::advanceCursor(ASDInfo& info) {
  interrupt1_ = interrupt2_ = 0;
  forward(info);
  notePosition();
}
void ASD::backUpCursor(ASDInfo& info) {
  interrupt1_ = interrupt2_ = 0;
  back(info);
  notePosition();
}

// Shaping.

void ASD::rewriteVowels(ASDInfo& info, unsigned int count) {
  if (!count) return;
  const unsigned int form = state_ == kNoJoin ? 26 : 27;
  unsigned int steps = 0;
  while (steps < count && back(info)) ++steps;
  for (unsigned int i = 0; i < steps; ++i) {
    writeAtCursor(fetchCorrespondingCharacter(readCharacter(), form));
    forward(info);
  }
}

bool ASD::backToLetter(ASDInfo& info, unsigned char& letter, unsigned int& vowels, unsigned int& steps) {
  while (back(info)) {
    ++steps;
    const unsigned char b = readCharacter();
    if (isVowel(b)) {
      ++vowels;
      continue;
    }
    letter = b;
    return true;
  }
  return false;
}

int ASD::endPrecedingWord(ASDInfo& info, bool typed, unsigned int& added, bool mustFit) {
  unsigned int vowels = 0, steps = 0;
  unsigned char base = 0;
  const bool found = backToLetter(info, base, vowels, steps);
  const unsigned int before = state_;
  bool tail = false;
  if (found) {
    const unsigned int cls = classifyCharacter(base);
    const bool f = farsi();
    unsigned int to = cls;
    switch (before) {
      case kSeenInitial:
        to = 2;
        tail = true;
        break;
      case kJoinsInitial:
        if (!f && cls == 17) to = 16;
        if (!f && cls == 24) to = 23;
        if (f && cls == 16) to = 17;
        if (f && cls == 23) to = 24;
        break;
      case kLamFirst:
      case kLamJoined:
        to = f ? 12 : 11;
        break;
      case kJoinsMiddle:
        if (!f) {
          if (cls == 15) to = 14;
          if (cls == 18) to = 19;
          if (cls == 21 || cls == 22) to = 20;
          if (cls == 24) to = 25;
        } else {
          if (cls == 14) to = 15;
          if (cls == 18) to = 19;
          if (cls == 20 || cls == 22) to = 21;
          if (cls == 23) to = 25;
        }
        break;
      default:
        break;
    }
    if (to != cls) writeAtCursor(fetchCorrespondingCharacter(base, to));
  }
  for (unsigned int i = 0; i < steps; ++i) forward(info);
  state_ = kNoJoin;
  rewriteVowels(info, vowels);
  if (!tail) return 0;
  if (interrupt2_) return kScreenFull;
  // The seen family ends in a tail of its own after the letter.
  const unsigned char t = fetchCorrespondingCharacter(base, 4);
  if (t == base) return 0;
  if (!pastEnd_ && typed && readCharacter() == 0x00) {
    writeAtCursor(t);
  } else if (pastEnd_ || info.insertCharacter(display_, t) != 0) {
    // No room: the letter stays without its tail, or the edit is refused.
    return mustFit ? kScreenFull : 0;
  }
  forward(info);
  added = 1;
  return 0;
}

int ASD::shapeCharacter(ASDInfo& info, unsigned char& c, bool typed, unsigned int& added) {
  const unsigned int s = state_;
  const bool f = farsi();
  if (s == kSeenInitial && info.atEnd(display_) && (c == 0x00 || c == 0x40) && !typed) {
    const int r = endPrecedingWord(info, typed, added, true);
    c = kEndOfText;
    return r;
  }
  auto shape = [&](unsigned int k) { c = fetchCorrespondingCharacter(c, k); };
  unsigned int cls = classifyCharacter(c);
  switch (cls) {
    case 0:
      if (s == kSeenInitial && !typed) writeAtCursor(c);
      return endPrecedingWord(info, typed, added, true);
    case 1:
      state_ = kJoinsMiddle;
      return 0;
    case 29:
      state_ = f ? kNoJoin : kJoinsMiddle;
      return 0;
    case 2:
    case 3:
    case 4:
      shape(3);
      state_ = kSeenInitial;
      return 0;
    case 6:
      shape(5);
      cls = 5;
      [[fallthrough]];
    case 5:
      if (!f && (s == kLamFirst || s == kLamJoined)) {
        // Lam and alef make one ligature in the lam's place.
        const unsigned char ligature = fetchCorrespondingCharacter(c, s == kLamFirst ? 9 : 10);
        unsigned int vowels = 0, steps = 0;
        while (back(info)) {
          ++steps;
          if (isVowel(readCharacter())) {
            ++vowels;
            continue;
          }
          writeAtCursor(ligature);
          break;
        }
        for (unsigned int i = 0; i < steps; ++i) forward(info);
        state_ = kNoJoin;
        rewriteVowels(info, vowels);
        // A character already in the text is taken into the ligature.
        if (!typed && !pastEnd_) info.deleteCharacter(display_);
        c = kEndOfText;
        return 0;
      }
      if (f && s == kLamJoined)
        shape(28);
      else if (s != kNoJoin)
        shape(6);
      state_ = kNoJoin;
      return 0;
    case 7:
    case 8:
      shape(s == kNoJoin ? 7 : 8);
      state_ = kNoJoin;
      return 0;
    case 9:
    case 10:
      shape(s == kNoJoin ? 9 : 10);
      state_ = kNoJoin;
      return 0;
    case 11:
    case 12:
      if (f && cls == 12) {
        state_ = kNoJoin;
        return 0;
      }
      shape(f ? 11 : 12);
      state_ = (s == kNoJoin && !f) ? kLamFirst : kLamJoined;
      return 0;
    case 13:
      state_ = kNoJoin;
      return 0;
    case 14:
    case 15:
      if (f && cls == 15) {
        state_ = kNoJoin;
        return 0;
      }
      shape(f ? 14 : 15);
      state_ = kJoinsMiddle;
      return 0;
    case 16:
    case 17:
    case 18:
    case 19:
      if (s == kNoJoin) {
        if (f && cls == 17) return 0;
        shape(f ? 16 : 17);
        state_ = kJoinsInitial;
      } else if (f && cls == 17) {
        shape(19);
        state_ = kNoJoin;
      } else {
        shape(18);
        state_ = kJoinsMiddle;
      }
      return 0;
    case 20:
    case 21:
    case 22: {
      unsigned int k;
      if (s == kNoJoin)
        k = (!f || cls == 21) ? 21 : 20;
      else
        k = (f && cls == 21) ? 21 : 22;
      shape(k);
      state_ = (f && k == 21) ? kNoJoin : kJoinsMiddle;
      return 0;
    }
    case 23:
    case 24:
    case 25:
      if (f && cls == 24) {
        if (s != kNoJoin) shape(25);
        state_ = kNoJoin;
        return 0;
      }
      shape(f ? 23 : 24);
      state_ = s == kNoJoin ? kJoinsInitial : kJoinsMiddle;
      return 0;
    case 26:
    case 27:
      shape(s == kNoJoin ? 26 : 27);
      return 0;
    case 28:
      if (s == kJoinsInitial || s == kJoinsMiddle)
        shape(6);
      else if (s == kNoJoin)
        shape(5);
      else
        shape(28);
      state_ = kNoJoin;
      return 0;
    default:
      return 0;
  }
}

void ASD::resumeASD(ASDInfo& info) {
  // A seen tail right before the cursor goes: the letter joins again.
  if (back(info)) {
    if (isTail(readCharacter()))
      info.deleteCharacter(display_);
    else
      forward(info);
  }
  unsigned int vowels = 0, steps = 0;
  unsigned char base = 0;
  const bool found = backToLetter(info, base, vowels, steps);
  unsigned int next = kNoJoin;
  if (found) {
    const unsigned int cls = classifyCharacter(base);
    unsigned int target = properties_[cls][0];
    unsigned int st = properties_[cls][1];
    if (target == 255 || st == 255) {
      unsigned int prev = 0;
      if (back(info)) {
        prev = classifyCharacter(readCharacter());
        forward(info);
      }
      const bool joining = In(prev, {1, 3, 18, 22, 27}) ||
                           (!farsi() && In(prev, {17, 21, 24, 12, 15})) ||
                           (farsi() && In(prev, {16, 20, 23, 29, 11, 14}));
      const bool lam = cls == 11 || cls == 12;
      if (st == 255) st = joining ? (lam ? kLamJoined : kJoinsMiddle) : (!lam ? kJoinsInitial : (farsi() ? kLamJoined : kLamFirst));
      if (target == 255) target = joining ? 22 : (farsi() ? 20 : 21);
    }
    if (st == 254) st = kNoJoin;
    if (target != cls) writeAtCursor(fetchCorrespondingCharacter(base, target));
    next = st;
  }
  for (unsigned int i = 0; i < steps; ++i) forward(info);
  state_ = static_cast<unsigned char>(next);
  rewriteVowels(info, vowels);
}

int ASD::reshapeSucceedingCharacters(ASDInfo& info, unsigned int advance) {
  const unsigned int start = cursorOffset();
  const bool startPastEnd = pastEnd_;
  unsigned int added = 0;
  int r = 0;
  for (;;) {
    const unsigned char c = readCharacter();
    if (isTail(c)) {
      info.deleteCharacter(display_);
      continue;
    }
    if (c == kEndOfText) {
      r = endPrecedingWord(info, false, added, false);
      break;
    }
    unsigned char shaped = c;
    r = shapeCharacter(info, shaped, false, added);
    if (r || shaped == c) break;
    if (shaped == kEndOfText) continue;
    writeAtCursor(shaped);
    forward(info);
  }
  info.setPosition(display_, start);
  pastEnd_ = startPastEnd;
  if (!r && advance && added) forward(info);
  return r;
}

unsigned char ASD::forcedShape(unsigned char c) const {
  switch (state_) {
    case kForceBase: return getBaseShape(c);
    case kForceInitial: return getInitialShape(c);
    case kForceMiddle: return getMiddleShape(c);
    case kForceFinal: return getFinalShape(c);
    case kForceFarsiBase: return getBaseFarsiShape(c);
    default: return c;
  }
}

// Editing entries.

int ASD::insertLogicalCharacter(ASDInfo& info, unsigned char c) {
  if (!language_) return 0;
  checkPosition();
  interrupt1_ = interrupt2_ = 0;
  if (isTail(readCharacter())) info.deleteCharacter(display_);
  int r = 0;
  unsigned int added = 0;
  if (shapeForced()) {
    if (farsi()) c = forcedShape(c);
  } else {
    if (state_ == kOff) resumeASD(info);
    r = shapeCharacter(info, c, true, added);
  }
  if (!r && c != kEndOfText) {
    r = pastEnd_ ? kNoRoom : info.insertCharacter(display_, c);
    if (!r) forward(info);
  }
  notePosition();
  return r ? kNoRoom : 0;
}

int ASD::replaceLogicalCharacter(ASDInfo& info, unsigned char c, unsigned int& interrupted) {
  interrupted = 0;
  if (!language_) return 0;
  checkPosition();
  interrupt1_ = interrupt2_ = 0;
  int r = 0;
  unsigned int added = 0;
  if (shapeForced()) {
    if (farsi()) {
      c = forcedShape(c);
    } else if (classifyCharacter(readCharacter()) == 2) {
      // The letter typed over takes its tail with it.
      forward(info);
      if (isTail(readCharacter())) info.deleteCharacter(display_);
      back(info);
    }
  } else {
    if (state_ == kOff) resumeASD(info);
    r = shapeCharacter(info, c, false, added);
  }
  if (!r && c != kEndOfText) {
    if (pastEnd_) {
      r = kNoRoom;
    } else {
      writeAtCursor(c);
      forward(info);
    }
  }
  interrupted = interrupt2_;
  notePosition();
  return r ? kNoRoom : 0;
}

int ASD::deleteLogicalCharacter(ASDInfo& info) {
  if (!language_) return 0;
  checkPosition();
  interrupt1_ = interrupt2_ = 0;
  if (!pastEnd_) {
    info.deleteCharacter(display_);
    if (isTail(readCharacter())) info.deleteCharacter(display_);
  }
  if (!shapeForced()) resumeASD(info);
  notePosition();
  return 0;
}

int ASD::interruptASDType1(ASDInfo& info, unsigned int keep, unsigned int& interrupted) {
  interrupted = 0;
  if (!language_) return 0;
  checkPosition();
  interrupt1_ = 0;
  interrupt2_ = static_cast<unsigned char>(keep != 0);
  int r = 0;
  if (!shapeForced()) {
    if (state_ == kOff) resumeASD(info);
    unsigned int added = 0;
    r = endPrecedingWord(info, keep == 0, added, false);
  }
  state_ = kOff;
  interrupted = interrupt2_;
  notePosition();
  return r ? kNoRoom : 0;
}

int ASD::interruptASDType2(ASDInfo& info, unsigned int advance) {
  if (!language_) return 0;
  checkPosition();
  if (state_ == kOff) return 0;
  interrupt1_ = interrupt2_ = 0;
  if (shapeForced()) state_ = kNoJoin;
  const int r = reshapeSucceedingCharacters(info, advance);
  state_ = kOff;
  pastEnd_ = false;
  notePosition();
  return r ? kNoRoom : 0;
}

int ASD::key(ASDInfo& info, unsigned int forced) {
  if (!language_) return 0;
  checkPosition();
  interrupt1_ = interrupt2_ = 0;
  int r = 0;
  if (shapeForced()) {
    if (state_ == forced) {
      // The same key again releases the forced shape.
      state_ = kNoJoin;
      r = reshapeSucceedingCharacters(info, 0);
      state_ = static_cast<unsigned char>(info.defaultState());
    } else {
      state_ = static_cast<unsigned char>(forced);
    }
    notePosition();
    return r ? kNoRoom : 0;
  }
  if (state_ == kOff) resumeASD(info);
  unsigned int added = 0;
  endPrecedingWord(info, false, added, false);
  r = reshapeSucceedingCharacters(info, 0);
  state_ = static_cast<unsigned char>(forced);
  notePosition();
  return r ? kNoRoom : 0;
}

// Save and restore.

void ASD::saveASD(qrnOStream* out) const { out->save(state_, 8); }

unsigned int ASD::restoreASD(qrnIStream* in) {
  unsigned char state = 0;
  in->restore(state, 8);
  if (in->checkRestore()) return RestoreRejected("shaper", "stream ends early");
  if (state > kForceFarsiBase) return RestoreRejected("shaper", "no such shaping state");
  state_ = state;
  pastEnd_ = false;
  stateAt_ = cursorOffset();
  return 0;
}
