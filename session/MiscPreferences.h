#pragma once
// The twenty miscellaneous preferences: their ids and value ranges, the
// values a session keeps, the bytes of the preferences file, and the effect
// of setting one. No X here: the session applies the effects to its window.
#include <cstddef>

struct StationOptions;

constexpr int kMiscPreferenceCount = 20;

namespace misc_pref {
constexpr unsigned char kCursorStyle = 0;
constexpr unsigned char kEnterKey = 1;
constexpr unsigned char kAutomaticHelp = 2;          // 0 on
constexpr unsigned char kBlueUnderscore = 3;         // 0 on
constexpr unsigned char kRowColumnIndicator = 4;     // 0 shown
constexpr unsigned char kDestructiveBackspace = 5;   // 0 on
constexpr unsigned char kRuleLine = 6;
constexpr unsigned char kRuleLineStyle = 7;
constexpr unsigned char kPasteLocation = 8;
constexpr unsigned char kCursorBlink = 9;
constexpr unsigned char kLargeScreenBehavior = 10;
constexpr unsigned char kPrintKey = 11;
constexpr unsigned char kHotspots = 12;
constexpr unsigned char kKeyboardBuffering = 13;
constexpr unsigned char kErrorResetKeys = 14;
constexpr unsigned char kHotspotHighlighting = 15;
constexpr unsigned char kDefaultCopyType = 16;
constexpr unsigned char kInsertMode = 17;
constexpr unsigned char kInputOnlyCursorMovement = 18;
constexpr unsigned char kAudioAlarm = 19;
}  // namespace misc_pref

// The order in which the resources are applied to a new session, and the
// order in which the values go to the preferences program.
extern const unsigned char kMiscApplyOrder[kMiscPreferenceCount];
extern const unsigned char kMiscSendOrder[kMiscPreferenceCount];

// The highest value a preference takes; -1 for an id out of range.
int MiscPreferenceMaximum(int id);
bool MiscPreferenceValueValid(int id, int value);

// The values a session keeps, in the encoding of the preferences file and
// of the messages (inverted preferences hold 1 for off).
struct MiscPreferenceSet {
  unsigned char value[kMiscPreferenceCount] = {2, 0, 0, 1, 0, 0, 3, 0, 0, 0, 3, 0, 1, 2, 0, 0, 0, 0, 0, 1};
};

// What the window has to do after a preference changed.
namespace misc_effect {
constexpr unsigned int kRedrawCursor = 1u << 0;
constexpr unsigned int kTranslations = 1u << 1;      // install the enter/print key translations again
constexpr unsigned int kRedrawUnderlines = 1u << 2;
constexpr unsigned int kMapRowColumn = 1u << 3;  // map or unmap it
constexpr unsigned int kRedoRuleLine = 1u << 4;          // hide a shown rule line, show it as the mode says
constexpr unsigned int kBlink = 1u << 5;
constexpr unsigned int kClearHotspotHighlight = 1u << 6;
constexpr unsigned int kRewrite = 1u << 7;           // mark the whole window and flush
constexpr unsigned int kTypeAhead = 1u << 8;         // set the translator's override
constexpr unsigned int kInsertIndicator = 1u << 9;   // set or clear the insert indicator, output changes
}  // namespace misc_effect

// Sets preference `id` of a session to `value` and the station's copy of it
// (when `station` is not null). An id above 19 or a value out of range is
// ignored (returns 0); ENTER_KEY and PRINT_KEY out of range reset to 0 and
// LARGE_SCREEN_BEHAVIOR 0 is kept as 2. On a 5250 keyboard ENTER_KEY does
// nothing. Returns the misc_effect bits the window has to carry out.
unsigned int SetMiscPreference(MiscPreferenceSet* set, StationOptions* station, bool keyboard5250, unsigned char id,
                               unsigned char value);

// The translations that ENTER_KEY `value` puts over the drawing widget's
// defaults: which of Return, Shift+Return, Execute and the right Control key
// send Enter, New Line or Field Exit. "" for 0 (the defaults) and any value
// out of range.
const char* EnterKeyTranslations(unsigned char value);

// The preference value of an application resource's keyword code ("ENABLE"
// and "DISABLE" are general codes; the other keywords carry the value).
unsigned char MiscPreferenceFromResource(unsigned char id, unsigned char code);

// The preferences file: one byte per preference, byte i is preference i.
// A file longer than twenty bytes, or any byte out of range for its
// preference, is refused whole (returns false, `why` names the fault).
bool ParseMiscPreferenceFile(const unsigned char* bytes, std::size_t length, unsigned char values[kMiscPreferenceCount],
                             std::size_t* count, const char** why);

// The id and value of each message to the preferences program, in the
// order they are sent. KEYBOARD_BUFFERING carries `typeAhead`, the
// translator's setting (the stored value when there is no translator, -1).
struct MiscPreferenceMessage {
  unsigned char id;
  unsigned char value;
};
void MiscPreferenceMessages(const MiscPreferenceSet& set, int typeAhead,
                            MiscPreferenceMessage out[kMiscPreferenceCount]);
