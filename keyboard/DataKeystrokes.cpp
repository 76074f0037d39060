// The data keys and the exit-field keys (Field Exit, Field Plus, Field
// Minus, Dup). Whether a field accepts a data key depends on the field's
// shift and on the kind of character the key produces: each key class
// answers the operator error it raises in a field of each shift.
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/TextSession.h"
#include "keyboard/KeystrokeClasses.h"
#include "keyboard/TAXlate.h"

namespace {
constexpr unsigned int kErrorNotInSystemRequest = 6;

// The errors of one key class for the shifts 0-7 (0 = accepted).
struct ShiftErrors {
  int byShift[8];
};
//                                    0  1  2  3  4  5   6  7
constexpr ShiftErrors kAlpha         {{0, 0, 0, 9, 0, 24, 4, 10}};
constexpr ShiftErrors kAlphaNumeric  {{0, 0, 0, 0, 0, 24, 4, 10}};
constexpr ShiftErrors kNonAlphaNum   {{0, 8, 0, 9, 0, 24, 4, 10}};
constexpr ShiftErrors kNumeric       {{0, 8, 0, 0, 0, 24, 4, 10}};
constexpr ShiftErrors kDigit         {{0, 8, 0, 0, 0, 0, 4, 0}};
constexpr ShiftErrors kMSRDigit      {{0, 8, 0, 0, 0, 0, 0, 0}};
constexpr ShiftErrors kMSRNonAlphaNum{{0, 8, 0, 9, 0, 24, 0, 10}};

int Lookup(const ShiftErrors& t, unsigned int shift) { return t.byShift[shift & 7u]; }

void Raise(DisplayBag* d, unsigned int error) { d->keyboardState().enterErrorState(error, 0, 1, 0, 0); }
}  // namespace

unsigned char DataKeystroke::getMonocasedCodePoint(DisplayBag* d) const {
  TAXlate* tax = d->taxlate();
  if (!tax) return word_.code;
  return tax->monocaseCharacter(word_).code;
}

unsigned int DataKeystrokeBase::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->dataKey(d, this);
  return 0;
}

unsigned int DataKeystrokeBase::processInWPState(DisplayBag* d) {
  d->textSession()->datakeys(word_.code);
  return 0;
}

int AlphaKeystroke::errorForFieldShift(DisplayBag*, unsigned int s) { return Lookup(kAlpha, s); }
int AlphaNumericKeystroke::errorForFieldShift(DisplayBag*, unsigned int s) { return Lookup(kAlphaNumeric, s); }
int NonAlphaNumericKeystroke::errorForFieldShift(DisplayBag*, unsigned int s) { return Lookup(kNonAlphaNum, s); }
int NumericKeystroke::errorForFieldShift(DisplayBag*, unsigned int s) { return Lookup(kNumeric, s); }
int TopRowDigitKeystroke::errorForFieldShift(DisplayBag*, unsigned int s) { return Lookup(kDigit, s); }
int MSRDigitKeystroke::errorForFieldShift(DisplayBag*, unsigned int s) { return Lookup(kMSRDigit, s); }
int MSRNonAlphaNumericKeystroke::errorForFieldShift(DisplayBag*, unsigned int s) {
  return Lookup(kMSRNonAlphaNum, s);
}

// Exit-field keys.

unsigned int FieldExitKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->fieldExit(d);
  return 0;
}
unsigned int FieldExitKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textrqcarrierreturn();
  return 0;
}

unsigned int FieldMinusKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->fieldMinus(d);
  return 0;
}
unsigned int FieldMinusKeystroke::processInSystemRequestState(DisplayBag* d) {
  Raise(d, kErrorNotInSystemRequest);
  return 0;
}
unsigned int FieldMinusKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textrqcarrierreturn();
  return 0;
}

unsigned int DupKeystroke::processInNormalUnlockedState(DisplayBag* d) {
  d->getCurrentArea()->dup(d);
  return 0;
}
unsigned int DupKeystroke::processInSystemRequestState(DisplayBag* d) {
  Raise(d, kErrorNotInSystemRequest);
  return 0;
}
unsigned int DupKeystroke::processInWPState(DisplayBag* d) {
  d->textSession()->c_textdup();
  return 0;
}
