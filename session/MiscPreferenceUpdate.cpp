#include "session/MiscPreferenceUpdate.h"

#include <X11/IntrinsicP.h>
#include <X11/StringDefs.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "display/FieldEditingSupport.h"
#include "keyboard/TAXlate.h"
#include "session/AppResources.h"
#include "session/MiscPreferences.h"
#include "session/RegistryFacts.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "xfront/HelperMessages.h"
#include "xfront/HelperPrograms.h"
#include "xfront/Win3270.h"
#include "xfront/XStuffPrivate.h"

namespace {

unsigned char ResourceCode(unsigned char id) {
  const auto& r = AppResources();
  const unsigned char codes[kMiscPreferenceCount] = {
      r.CURSOR_STYLE,          r.ENTER_KEY,        r.AUTOMATIC_HELP,   r.BLUE_UNDERSCORE,
      r.ROW_COLUMN_INDICATOR,  r.DESTRUCTIVE_BACKSPACE, r.RULE_LINE, r.RULE_LINE_STYLE,
      r.PASTE_LOCATION,        r.CURSOR_BLINK,     r.LARGE_SCREEN_BEHAVIOR, r.PRINT_KEY,
      r.HOTSPOTS,              r.KEYBOARD_BUFFERING, r.ERROR_RESET_KEYS, r.HOTSPOT_HIGHLIGHTING,
      r.DEFAULT_COPY_TYPE,     r.INSERT_MODE,      r.INPUT_ONLY_CURSOR_MOVEMENT, r.AUDIO_ALARM};
  return codes[id];
}

// Puts the drawing widget's translations in the state ENTER_KEY and
// PRINT_KEY ask for: the defaults (the keyboard mapper's table when it sent
// one, else the translations with the session's key file, else the
// class's), with the Enter key variant and the print key variant over them. Either preference set back to 0 so leaves the other
// one in force. On a 5250 keyboard ENTER_KEY is never stored.
}  // namespace

void InstallKeyTranslations(SessionControlBlock* scb) {
  XStuff& x = scb->xstuff;
  Widget drawing = x.privatePart() ? x.privatePart()->drawing : nullptr;
  if (!drawing || !XtIsSubclass(drawing, win3270WidgetClass)) return;
  XtTranslations defaults = nullptr;
  const std::string& mapped = HelperReceivedTranslations(scb);
  if (!mapped.empty()) defaults = XtParseTranslationTable(mapped.c_str());
  // The session's key file over the class's table, kept when the window
  // was built.
  if (!defaults) defaults = x.keyFileTranslations();
  // After class initialisation the class field holds the compiled table.
  if (!defaults) defaults = reinterpret_cast<XtTranslations>(XtClass(drawing)->core_class.tm_table);
  if (defaults) XtVaSetValues(drawing, XtNtranslations, defaults, nullptr);
  const MiscPreferenceSet& set = scb->miscPreferences;
  const char* enter = EnterKeyTranslations(set.value[misc_pref::kEnterKey]);
  if (*enter) XtOverrideTranslations(drawing, XtParseTranslationTable(enter));
  const unsigned char print = set.value[misc_pref::kPrintKey];
  // 1: the shifted print key prints the screen here, the print key is the
  // host's; 2: the print key prints the screen here.
  if (print == 1 || print == 2) {
    const char* text = Win3270PrintKeyText(print == 1);
    if (text && *text) XtOverrideTranslations(drawing, XtParseTranslationTable(text));
  }
}

namespace {

// Carries out on the window and the engine what a changed preference needs.
void ApplyEffects(SessionControlBlock* scb, unsigned char id, unsigned int effects) {
  using namespace misc_effect;
  const MiscPreferenceSet& set = scb->miscPreferences;
  if ((effects & kTypeAhead) && scb->taxlate) {
    scb->taxlate->TAOverride(set.value[id]);
    if (scb->display) scb->display->outputChanges();
  }
  if ((effects & kInsertIndicator) && scb->display) {
    field_editing::SetInsertMode(scb->display, set.value[id] == 2);
    scb->display->outputChanges();
  }
  XStuff& x = scb->xstuff;
  // A shown rule line goes while the old mode still allows it.
  const bool ruleLineWasShown = x.shell() && x.ruleLineShown();
  if ((effects & kRedoRuleLine) && ruleLineWasShown) x.x_toggle_rule_line(0);
  x.setMiscWindowValues(set.value[misc_pref::kRuleLine], set.value[misc_pref::kRuleLineStyle],
                        set.value[misc_pref::kLargeScreenBehavior],
                        set.value[misc_pref::kAudioAlarm] == 1);
  if (!x.shell()) return;
  if (effects & kTranslations) InstallKeyTranslations(scb);
  if ((effects & kRedrawCursor) && !x.cursorHidden()) {
    x.clearcurs(1);
    x.drawcurs(1);
  }
  if (effects & kRedoRuleLine) {
    // The rule line mode shows it at once only when it follows the cursor
    // without a key; a new style shows a shown line again.
    const bool show = id == misc_pref::kRuleLine ? set.value[id] == 1 : ruleLineWasShown;
    if (show && !x.ruleLineShown()) x.x_toggle_rule_line(0);
  }
  if (effects & kBlink) {
    if (set.value[id] == 1) {
      x.startCursorBlinking();
    } else {
      x.stopCursorBlinking();
      x.drawcurs(1);
    }
  }
  if (effects & kRedrawUnderlines) x.applyBlueUnderscore();
  if (effects & kMapRowColumn) x.showRowColumnIndicator(set.value[id] == 0);
  if (effects & kClearHotspotHighlight) x.clearHotSpotMarks();
  if (effects & (kRewrite | kRedrawUnderlines | kClearHotspotHighlight)) {
    x.updateWriteBounds(0, x.rows() * x.columns() - 1);
    x.Flush_X5250(0);
  }
}

}  // namespace

unsigned char MiscPreferenceResourceValue(unsigned char id) {
  return id < kMiscPreferenceCount ? MiscPreferenceFromResource(id, ResourceCode(id)) : 0;
}

void UpdateMiscellaneousPreference(SessionControlBlock* scb, unsigned char id, unsigned char value) {
  if (!scb || id >= kMiscPreferenceCount) return;
  StationOptions* station = scb->display ? &scb->display->options() : nullptr;
  const bool keyboard5250 = is5250Keyboard(WhichKeyboard()) != 0;
  const unsigned int effects = SetMiscPreference(&scb->miscPreferences, station, keyboard5250, id, value);
  ApplyEffects(scb, id, effects);
}

void ApplyMiscellaneousPreferences(SessionControlBlock* scb) {
  for (unsigned char id : kMiscApplyOrder)
    UpdateMiscellaneousPreference(scb, id, MiscPreferenceResourceValue(id));
}

void ApplyMiscellaneousPreferencesToAllSessions() {
  for (int slot = 0;; ++slot) {
    const SessionTableEntry* e = SessionEntry(slot);
    if (!e) break;
    if (e->session) ApplyMiscellaneousPreferences(e->session);
  }
}

void UpdateMiscellaneousPreferenceOfAllSessions(unsigned char id, unsigned char value) {
  for (int slot = 0;; ++slot) {
    const SessionTableEntry* e = SessionEntry(slot);
    if (!e) break;
    if (e->session) UpdateMiscellaneousPreference(e->session, id, value);
  }
}

int ReadMiscellaneousPreferencesFile(SessionControlBlock* scb, const char* path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? 0 : -1;
  // One byte more than a whole file: a longer file shows as too long.
  unsigned char bytes[kMiscPreferenceCount + 1];
  std::size_t length = 0;
  while (length < sizeof(bytes)) {
    const ssize_t n = read(fd, bytes + length, sizeof(bytes) - length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    length += static_cast<std::size_t>(n);
  }
  close(fd);
  unsigned char values[kMiscPreferenceCount];
  std::size_t count = 0;
  const char* why = nullptr;
  if (!ParseMiscPreferenceFile(bytes, length, values, &count, &why)) {
    LogMsg(LevelError, "Preferences file %s refused: %s.\n", path, why);
    return -1;
  }
  for (std::size_t i = 0; i < count; ++i) UpdateMiscellaneousPreference(scb, static_cast<unsigned char>(i), values[i]);
  return 0;
}

void SendDrevaskValuesToDrevask(SessionControlBlock* scb, Display* display, unsigned char code) {
  if (!scb || !display) return;
  MiscPreferenceMessage messages[kMiscPreferenceCount];
  MiscPreferenceMessages(scb->miscPreferences, scb->taxlate ? scb->taxlate->typeAheadOverride() : -1, messages);
  for (const MiscPreferenceMessage& m : messages) sendMsgToDrevask(display, code, m.id, m.value, 0);
}
