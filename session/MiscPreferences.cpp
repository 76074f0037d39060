#include "session/MiscPreferences.h"

#include "display/StationOptions.h"
#include "session/ResourceKeywords.h"

using namespace misc_pref;

const unsigned char kMiscApplyOrder[kMiscPreferenceCount] = {19, 9, 0, 16, 5, 14, 13, 12, 15, 18,
                                                             17, 8, 11, 4, 6, 7, 2, 3, 1, 10};
const unsigned char kMiscSendOrder[kMiscPreferenceCount] = {2, 3, 10, 19, 9, 0, 16, 5, 1, 14,
                                                            13, 12, 15, 18, 17, 8, 11, 4, 6, 7};

namespace {
constexpr unsigned char kMaximum[kMiscPreferenceCount] = {3, 4, 1, 1, 1, 1, 3, 2, 1, 1,
                                                          4, 2, 2, 2, 2, 1, 1, 2, 1, 1};
}  // namespace

int MiscPreferenceMaximum(int id) { return id >= 0 && id < kMiscPreferenceCount ? kMaximum[id] : -1; }

bool MiscPreferenceValueValid(int id, int value) { return value >= 0 && value <= MiscPreferenceMaximum(id); }

unsigned int SetMiscPreference(MiscPreferenceSet* set, StationOptions* station, bool keyboard5250, unsigned char id,
                               unsigned char value) {
  using namespace misc_effect;
  if (id >= kMiscPreferenceCount) return 0;
  // Two preferences fall back to their default for a value they do not know;
  // every other value out of range is not applied at all.
  if ((id == kEnterKey || id == kPrintKey) && value > kMaximum[id]) value = 0;
  if (value > kMaximum[id]) return 0;
  if (id == kLargeScreenBehavior && value == 0) value = 2;
  unsigned char& stored = set->value[id];
  const bool changed = stored != value;
  switch (id) {
    case kCursorStyle:
      stored = value;
      return changed ? kRedrawCursor : 0;
    case kEnterKey:
    case kPrintKey: {
      if (id == kEnterKey && keyboard5250) return 0;
      stored = value;
      // Both override the same translations: a reset of one installs the
      // defaults, and the other one, when set, is put on top again.
      return kTranslations;
    }
    case kAutomaticHelp:
      stored = value;
      if (station) station->set(StationOptions::kHelpInError, value == 0);
      return 0;
    case kBlueUnderscore:
      stored = value;
      return changed ? kRedrawUnderlines : 0;
    case kRowColumnIndicator:
      stored = value;
      return changed ? kMapRowColumn : 0;
    case kDestructiveBackspace:
      stored = value;
      if (station) station->destructiveBackspace = value == 0;
      return 0;
    case kRuleLine:
      stored = value;
      return kRedoRuleLine;
    case kRuleLineStyle:
      stored = value;
      return changed ? kRedoRuleLine : 0;
    case kPasteLocation:
      stored = value;
      if (station) station->pasteAtPointer = value == 1;
      return 0;
    case kCursorBlink:
      stored = value;
      return kBlink;
    case kLargeScreenBehavior:
      stored = value;
      return 0;
    case kHotspots:
      stored = value;
      if (station) station->hotSpotClickMode = value;
      return (value == 0 ? kClearHotspotHighlight : 0) | kRewrite;
    case kKeyboardBuffering:
      stored = value;
      return kTypeAhead;
    case kErrorResetKeys:
      stored = value;
      if (station) station->errorResetPreference = value;
      return 0;
    case kHotspotHighlighting:
      stored = value;
      return (changed && value == 0 ? kClearHotspotHighlight : 0) | kRewrite;
    case kDefaultCopyType:
      stored = value;
      if (station) {
        station->copyType = value;
        station->alternativeCopyType = value == 1 ? 0 : 1;
      }
      return 0;
    case kInsertMode:
      if (!changed) return 0;
      stored = value;
      if (station) station->insertModePreference = value;
      return kInsertIndicator;
    case kInputOnlyCursorMovement:
      stored = value;
      if (station) station->inputOnlyCursorMovement = value == 1;
      return 0;
    case kAudioAlarm:
      stored = value;
      return 0;
    default: return 0;
  }
}

const char* EnterKeyTranslations(unsigned char value) {
  // Xt takes the first line that matches: the modified keys stand first.
  switch (value) {
    case 1:
      return "<Key>Execute: newline() \n<Key>Control_R: newline() \nAlt<Key>Return: textcarrierreturn() \n"
             "Shift<Key>Return: enter() \n<Key>Return: enter()";
    case 2:
      return "<Key>Execute: enter() \n<Key>Control_R: enter() \nAlt<Key>Return: textcarrierreturn() \n"
             "Shift<Key>Return: newline() \n<Key>Return: newline()";
    case 3:
      return "Shift<Key>Execute: newline() \nShift<Key>Control_R: newline() \n<Key>Execute: fieldexit() \n"
             "<Key>Control_R: fieldexit() \nAlt<Key>Return: textcarrierreturn() \nShift<Key>Return: enter() \n"
             "<Key>Return: enter()";
    case 4:
      return "<Key>Execute: enter() \n<Key>Control_R: enter() \nAlt<Key>Return: textcarrierreturn() \n"
             "Shift<Key>Return: newline() \n<Key>Return: fieldexit()";
    default: return "";
  }
}

unsigned char MiscPreferenceFromResource(unsigned char id, unsigned char code) {
  switch (id) {
    case kAutomaticHelp:
    case kBlueUnderscore:
    case kRowColumnIndicator:
    case kDestructiveBackspace: return code == QwEnable ? 0 : 1;
    case kCursorBlink:
    case kHotspotHighlighting:
    case kInputOnlyCursorMovement:
    case kAudioAlarm: return code == QwEnable ? 1 : 0;
    default: break;
  }
  if (code == QwDisable) return 0;
  if (code == QwEnable) return 1;
  return code;
}

bool ParseMiscPreferenceFile(const unsigned char* bytes, std::size_t length, unsigned char values[kMiscPreferenceCount],
                             std::size_t* count, const char** why) {
  *count = 0;
  if (length > static_cast<std::size_t>(kMiscPreferenceCount)) {
    *why = "longer than twenty preferences";
    return false;
  }
  if (length > 0 && !bytes) {
    *why = "no data";
    return false;
  }
  for (std::size_t i = 0; i < length; ++i) {
    if (!MiscPreferenceValueValid(static_cast<int>(i), bytes[i])) {
      *why = "a preference value out of range";
      return false;
    }
  }
  for (std::size_t i = 0; i < length; ++i) values[i] = bytes[i];
  *count = length;
  *why = nullptr;
  return true;
}

void MiscPreferenceMessages(const MiscPreferenceSet& set, int typeAhead,
                            MiscPreferenceMessage out[kMiscPreferenceCount]) {
  for (int i = 0; i < kMiscPreferenceCount; ++i) {
    const unsigned char id = kMiscSendOrder[i];
    unsigned char value = set.value[id];
    if (id == kKeyboardBuffering && typeAhead >= 0 && typeAhead <= kMaximum[id])
      value = static_cast<unsigned char>(typeAhead);
    out[i] = {id, value};
  }
}
