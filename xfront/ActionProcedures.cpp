#include "xfront/ActionProcedures.h"

#include <X11/Intrinsic.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <time.h>

#include <cstdlib>
#include <cstring>
#include <deque>

#include "session/AppResources.h"
#include "session/KeyGlue.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "base/LogMsg.h"
#include "xfront/EmulatorActions.h"
#include "xfront/KeyText.h"
#include "xfront/SessionImages.h"
#include "xfront/SessionInputHooks.h"
#include "xfront/SessionMenuHooks.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace {

SessionShiftProc g_shiftProc = nullptr;
SessionMouseProc g_mouseProc = nullptr;
SessionKeyReportProc g_keyReportProc = nullptr;

void SleepMs(unsigned int ms) {
  struct timespec t = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0) {
  }
}
ActionSleepProc g_sleepProc = SleepMs;

constexpr size_t kLookupSize = 1026;
constexpr size_t kEbcdicSize = 1028;
constexpr size_t kHexChars = 78;
constexpr unsigned int kMaxDelaySteps = 100;  // 10 s

bool SessionAlive(SessionControlBlock* block) {
  if (!block) return false;
  for (int i = 0; i < kMaxSessionSlots; ++i)
    if (const SessionTableEntry* e = SessionEntry(i); e && e->session == block) return true;
  return false;
}

// ---- the key path ------------------------------------------------------------------

// Input that arrives while the engine is inside a key (a nested event loop
// dispatched it) waits until the outer key is done.
struct PendingInput {
  SessionControlBlock* session;
  unsigned int state;
  std::vector<unsigned char> codes;
};
int g_engineDepth = 0;
std::deque<PendingInput> g_pending;

void DeliverToEngine(SessionControlBlock* block, unsigned int state, const unsigned char* codes, int length) {
  if (g_engineDepth > 0) {
    g_pending.push_back({block, state, std::vector<unsigned char>(codes, codes + length)});
    return;
  }
  ++g_engineDepth;
  for (PendingInput next{block, state, std::vector<unsigned char>(codes, codes + length)};;) {
    if (SessionAlive(next.session)) {
      if (DebugFlag())
        LogMsg(LevelDebug, "Key input %d (%zu bytes) for the session.\n", next.codes.empty() ? -1 : next.codes[0],
               next.codes.size());
      if (g_shiftProc) g_shiftProc(next.session, next.state);
      if (SessionKeyProc proc = GetSessionKeyProc()) {
        proc(next.session, next.codes.data(), static_cast<int>(next.codes.size()));
      } else if (DebugFlag()) {
        LogMsg(LevelDebug, "No key glue attached: key input dropped.\n");
      }
      // The key may have ended the session.
      if (SessionAlive(next.session)) next.session->xstuff.Flush_X5250(0);
    }
    if (g_pending.empty()) break;
    next = std::move(g_pending.front());
    g_pending.pop_front();
  }
  --g_engineDepth;
}

unsigned int EventState(const XEvent* event) {
  if (!event) return 0;
  switch (event->type) {
    case KeyPress:
    case KeyRelease:
      return event->xkey.state;
    case ButtonPress:
    case ButtonRelease:
      return event->xbutton.state;
    case MotionNotify:
      return event->xmotion.state;
    default:
      return 0;
  }
}

void KeystrokeAction(Widget w, XEvent* event, int code) {
  SessionControlBlock* block = getSCBPointer(w);
  if (!block) return;
  if (g_keyReportProc && g_keyReportProc(block, 'M', static_cast<unsigned long>(code))) return;
  const unsigned char c = static_cast<unsigned char>(code);
  DeliverToEngine(block, EventState(event), &c, 1);
}

// Sends EBCDIC data as [1, bytes].
void SendData(SessionControlBlock* block, const XEvent* event, const unsigned char* ebcdic, int length) {
  std::vector<unsigned char> out;
  out.reserve(static_cast<size_t>(length) + 1);
  out.push_back(1);
  out.insert(out.end(), ebcdic, ebcdic + length);
  DeliverToEngine(block, EventState(event), out.data(), static_cast<int>(out.size()));
}

void TypeText(SessionControlBlock* block, const XEvent* event, const unsigned char* text, int length) {
  if (length <= 0) return;
  unsigned char ebcdic[kEbcdicSize];
  const int n = block->convertSessionKeyboardCodesToEBCDIC(text, length, ebcdic, static_cast<int>(sizeof ebcdic));
  if (n <= 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "could not convert Keyboard data to EBCDIC.\n");
    return;
  }
  SendData(block, event, ebcdic, n);
}

// A typed character that has no place in the session's code page.
void KeyNotValid(SessionControlBlock* block, const XEvent* event, char32_t character) {
  if (DebugFlag())
    LogMsg(LevelDebug, "Character U+%04X has no place in the session's code page: key not valid.\n",
           static_cast<unsigned>(character));
  const unsigned char notValid = kKeystrokeNotValid;
  DeliverToEngine(block, EventState(event), &notValid, 1);
}

// Text from the input method: its bytes are decoded in the code set of the
// method's locale, and each character typed in the session's code page. A
// character that has no place there is a key that is not valid (the
// operator error of an invalid key); the characters before it are typed.
void TypeKeyText(SessionControlBlock* block, const XEvent* event, const std::string& codeSet, const char* text,
                 int length) {
  std::u32string characters;
  if (!DecodeKeyText(codeSet, text, length, &characters)) {
    LogMsg(LevelError, "Key text of %d bytes is no %s text; nothing typed.\n", length, codeSet.c_str());
    return;
  }
  std::string codes;
  const std::string& ascii = block->codePages.sessionAsciiCodeSet();
  if (ascii != "ISO8859-1" && ascii != kEmulatedEuroCodeSet && !ascii.empty()) {
    // A session with a code set of its own (Thai) types in that set.
    const size_t taken = KeyTextToCodeSet(characters, ascii, &codes);
    if (!codes.empty()) {
      unsigned char ebcdic[kEbcdicSize];
      const int n = block->convertASCIIToEBCDIC(reinterpret_cast<const unsigned char*>(codes.data()),
                                                static_cast<int>(codes.size()), ebcdic, static_cast<int>(sizeof ebcdic));
      if (n > 0) SendData(block, event, ebcdic, n);
    }
    if (taken < characters.size() && SessionAlive(block)) KeyNotValid(block, event, characters[taken]);
    return;
  }
  const size_t taken = KeyTextToSessionCodes(characters, block->euroState == 1, &codes);
  TypeText(block, event, reinterpret_cast<const unsigned char*>(codes.data()), static_cast<int>(codes.size()));
  if (taken < characters.size() && SessionAlive(block)) KeyNotValid(block, event, characters[taken]);
}

// ---- "string", "hex", "inserteuro" --------------------------------------------------------

void StringAction(Widget w, XEvent* event, String* params, Cardinal* numParams) {
  SessionControlBlock* block = getSCBPointer(w);
  if (!block) return;
  if (numParams && *numParams > 0) {
    const char* text = params[0] ? params[0] : "";
    const size_t n = std::min(std::strlen(text), kLookupSize);
    TypeText(block, event, reinterpret_cast<const unsigned char*>(text), static_cast<int>(n));
    return;
  }
  if (!event || event->type != KeyPress) return;
  char buffer[kLookupSize + 1] = {};
  KeySym keysym = NoSymbol;
  int length = 0;
  if (auto ic = static_cast<XIC>(block->inputContext)) {
    Status status = XLookupNone;
    length = XmbLookupString(ic, &event->xkey, buffer, static_cast<int>(kLookupSize), &keysym, &status);
    // A text too long for the buffer is not typed at all.
    if (status != XLookupChars && status != XLookupBoth) length = 0;
    if (status != XLookupKeySym && status != XLookupBoth) keysym = NoSymbol;
  } else {
    length = XLookupString(&event->xkey, buffer, static_cast<int>(kLookupSize), &keysym, nullptr);
  }
  length = std::max(0, std::min(length, static_cast<int>(kLookupSize)));
  const unsigned char euro = block->euroState;
  bool fromEuroKeysym = false;  // the session code is given, not looked up
  if (length > 0) {
    if (keysym == XK_EuroSign && euro == 2) {
      LogMsg(LevelError, "%s: Euro keysym, but not a Euro session.\n", "QWC0219");
      return;
    }
    if (keysym == XK_currency && euro == 1) {
      LogMsg(LevelError, "%s: Int'l currency keysym ignored in Euro session.\n", "QWC0220");
      return;
    }
  } else if ((keysym == XK_EuroSign && euro == 1) || (keysym == XK_currency && euro == 2)) {
    buffer[0] = static_cast<char>(0xA4);
    length = 1;
    fromEuroKeysym = true;
  }
  if (g_keyReportProc && length > 0 && g_keyReportProc(block, 'A', keysym)) return;
  if (auto ic = static_cast<XIC>(block->inputContext); ic && length > 0 && !fromEuroKeysym)
    TypeKeyText(block, event, KeyTextCodeSet(XLocaleOfIM(XIMOfIC(ic))), buffer, length);
  else
    TypeText(block, event, reinterpret_cast<const unsigned char*>(buffer), length);
}

void HexAction(Widget w, XEvent* event, String* params, Cardinal* numParams) {
  SessionControlBlock* block = getSCBPointer(w);
  if (!block || !numParams) return;
  for (Cardinal i = 0; i < *numParams; ++i) {
    std::vector<unsigned char> bytes;
    if (!ParseHexParameter(params[i], &bytes)) return;
    unsigned char ebcdic[kHexChars];
    const int n = block->convertISO1ToEBCDIC(bytes.data(), static_cast<int>(bytes.size()), ebcdic,
                                             static_cast<int>(sizeof ebcdic));
    if (n <= 0) {
      if (DebugFlag()) LogMsg(LevelDebug, "could not convert hex string to EBCDIC.\n");
      return;
    }
    SendData(block, event, ebcdic, n);
    if (!SessionAlive(block)) return;
  }
}

void InsertEuroAction(Widget w, XEvent* event, String*, Cardinal*) {
  SessionControlBlock* block = getSCBPointer(w);
  if (!block) return;
  if (block->euroState == 1) {
    const unsigned char sign = 0xA4;
    TypeText(block, event, &sign, 1);
  } else {
    if (DebugFlag()) LogMsg(LevelDebug, "emulator session not -EURO enabled.  inserting <EUR> instead.\n");
    TypeText(block, event, reinterpret_cast<const unsigned char*>("EUR"), 3);
  }
}

// ---- local actions ------------------------------------------------------------------------

void RuleLineAction(Widget w, XEvent*, String*, Cardinal*) {
  if (SessionControlBlock* b = getSCBPointer(w)) b->xstuff.x_toggle_rule_line(1);
}

void ExtendedAction(Widget w, XEvent*, String*, Cardinal*) {
  if (SessionControlBlock* b = getSCBPointer(w)) b->xstuff.toggleExtendedDisplay();
}

void LocalPrintAction(Widget w, XEvent*, String*, Cardinal*) {
  if (SessionControlBlock* b = getSCBPointer(w)) b->xstuff.localPrintCallback();
}

// Prints at once with the last settings, without the dialog.
void PrintScreenNowAction(Widget w, XEvent*, String*, Cardinal*) {
  if (SessionControlBlock* b = getSCBPointer(w)) b->xstuff.localPrintCallback(true);
}

void NothingAction(Widget, XEvent*, String*, Cardinal*) {}

// play([name]): the playback dialog, or the named macro played at once.
void PlayAction(Widget w, XEvent*, String* params, Cardinal* count) {
  if (SessionControlBlock* block = getSCBPointer(w))
    block->playRecord.playKey(count && *count > 0 && params ? params[0] : nullptr);
}

void RecordAction(Widget w, XEvent*, String*, Cardinal*) {
  if (SessionControlBlock* block = getSCBPointer(w)) block->playRecord.recordKey();
}

// pause(): pauses (or continues) a recording and a playback.
void PauseAction(Widget w, XEvent*, String*, Cardinal*) {
  if (SessionControlBlock* block = getSCBPointer(w)) {
    block->playRecord.pauseRecord();
    block->playRecord.pausePlayback(PlayRecord::kPauseUser);
  }
}

template <int Direction>
void FontAction(Widget w, XEvent*, String*, Cardinal*) {
  if (SessionControlBlock* block = getSCBPointer(w)) block->xstuff.rotateFont(Direction);
}

// Scrolls the session's image window, when one is shown.
template <char Direction>
void ScrollImageAction(Widget w, XEvent*, String*, Cardinal*) {
  if (SessionImages* images = ImagesOfSession(getSCBPointer(w))) images->scroll(Direction);
}

void ToggleTextSideAction(Widget w, XEvent*, String*, Cardinal*) {
  if (SessionControlBlock* block = getSCBPointer(w)) block->xstuff.toggleTextSide();
}

void RaiseSession(const SessionTableEntry* e) {
  if (!e || !e->shell || !XtIsRealized(e->shell)) return;
  XMapRaised(XtDisplay(e->shell), XtWindow(e->shell));
}

void JumpAction(Widget w, XEvent*, String*, Cardinal*) {
  SessionControlBlock* block = getSCBPointer(w);
  if (!block || getNumberOfSessions() < 2) return;
  for (int k = 1; k < kMaxSessionSlots; ++k) {
    const SessionTableEntry* e = SessionEntry((block->slot + k) % kMaxSessionSlots);
    if (e && e->shell && e->session != block) {
      RaiseSession(e);
      return;
    }
  }
}

void JumpToSessionAction(Widget, XEvent*, String* params, Cardinal* numParams) {
  if (!numParams || *numParams == 0) {
    LogMsg(LevelError, "jump-to-specific-session action had no parameters. ignoring.\n");
    return;
  }
  if (!params[0]) {
    LogMsg(LevelError, "jump-to-specific-session action first parm was null. ignoring.\n");
    return;
  }
  for (int i = 0; i < kMaxSessionSlots; ++i) {
    const SessionTableEntry* e = SessionEntry(i);
    if (e && e->shell && e->session && std::strcmp(e->session->sessionId, params[0]) == 0) {
      RaiseSession(e);
      return;
    }
  }
  char* end = nullptr;
  const long n = std::strtol(params[0], &end, 10);
  if (end == params[0] || *end || n < 1 || n > kMaxSessionSlots) return;
  const SessionTableEntry* e = SessionEntry(SlotOfSessionNumber(static_cast<int>(n)));
  if (e && e->shell) RaiseSession(e);
}

void DelayAction(Widget, XEvent*, String* params, Cardinal* numParams) {
  unsigned long steps = 5;
  if (numParams && *numParams > 0 && params[0]) steps = std::strtoul(params[0], nullptr, 10);
  // A key file or macro decides n: the loop never waits more than 10 s.
  if (steps > kMaxDelaySteps) steps = kMaxDelaySteps;
  if (g_sleepProc) g_sleepProc(static_cast<unsigned int>(steps * 100));
}

// ---- mouse -----------------------------------------------------------------------------------

void ProcessMouseEvent(int kind, Widget w, XEvent* event) {
  SessionControlBlock* block = getSCBPointer(w);
  if (!block || !event) return;
  XStuff& x = block->xstuff;
  if (x.pasteInProgress()) return;
  MouseSample s{kind, 0, 0, 0, 0, 0, 0, 0};
  if (event->type == MotionNotify) {
    s.time = event->xmotion.time;
    s.x = event->xmotion.x;
    s.y = event->xmotion.y;
    s.rootX = event->xmotion.x_root;
    s.rootY = event->xmotion.y_root;
    s.state = event->xmotion.state;
  } else if (event->type == ButtonPress || event->type == ButtonRelease) {
    s.time = event->xbutton.time;
    s.x = event->xbutton.x;
    s.y = event->xbutton.y;
    s.rootX = event->xbutton.x_root;
    s.rootY = event->xbutton.y_root;
    s.state = event->xbutton.state;
  } else {
    return;
  }
  s.cell = x.XYtoCursor(s.x, s.y);
  unsigned long consumed = 0;
  XStuff::Private* p = x.privatePart();
  if (p && p->menuPressPending) consumed = p->menuPressTime;
  const int multiClick = AppResources().MULTI_CLICK_TIME > 0 ? AppResources().MULTI_CLICK_TIME : 250;
  const int code = x.clickState().classify(s, x.cellWidth(), x.cellHeight(), static_cast<unsigned long>(multiClick),
                                           &consumed);
  if (p && p->menuPressPending && consumed == 0) p->menuPressPending = false;
  if (code < 0) return;
  if (g_engineDepth > 0) return;  // no mouse into an engine in mid-operation
  ++g_engineDepth;
  if (g_mouseProc)
    g_mouseProc(block, code, s.cell);
  else if (DebugFlag())
    LogMsg(LevelDebug, "Mouse event %d at %d: no mouse glue attached.\n", code, s.cell);
  --g_engineDepth;
  if (SessionAlive(block)) block->xstuff.Flush_X5250(0);
}

template <int Kind>
void MouseAction(Widget w, XEvent* event, String*, Cardinal*) {
  ProcessMouseEvent(Kind, w, event);
}

struct Named {
  const char* name;
  XtActionProc proc;
};

const Named kLocalActions[] = {
    {"nothing", NothingAction},
    {"noop", NothingAction},
    {"menu-bar-focus", NothingAction},
    {"reverse", NothingAction},
    {"reverse-scn", NothingAction},
    {"close", NothingAction},
    {"farsi", NothingAction},
    {"base", NothingAction},
    {"ruleline", RuleLineAction},
    {"string", StringAction},
    {"hex", HexAction},
    {"inserteuro", InsertEuroAction},
    {"play", PlayAction},
    {"record", RecordAction},
    {"pause", PauseAction},
    {"local-screen-print", LocalPrintAction},
    {"print-screen-now", PrintScreenNowAction},
    {"extended", ExtendedAction},
    {"toggle_text_side", ToggleTextSideAction},
    {"scroll_image_up", ScrollImageAction<'U'>},
    {"scroll_image_left", ScrollImageAction<'L'>},
    {"scroll_image_right", ScrollImageAction<'R'>},
    {"scroll_image_down", ScrollImageAction<'D'>},
    {"wider-font", FontAction<0>},
    {"narrower-font", FontAction<1>},
    {"taller-font", FontAction<2>},
    {"shorter-font", FontAction<3>},
    {"jump", JumpAction},
    {"jump-to-session", JumpToSessionAction},
    {"delay", DelayAction},
    {"mouse-move", MouseAction<0>},
    {"btn1-press", MouseAction<1>},
    {"btn1-release", MouseAction<2>},
    {"btn2-press", MouseAction<4>},
    {"btn2-release", MouseAction<5>},
    {"btn3-press", MouseAction<7>},
    {"btn3-release", MouseAction<8>},
    {"shift-btn1-press", MouseAction<10>},
    {"shift-btn1-release", MouseAction<11>},
    {"shift-btn2-press", MouseAction<13>},
    {"shift-btn2-release", MouseAction<14>},
    {"shift-btn3-press", MouseAction<16>},
    {"shift-btn3-release", MouseAction<17>},
};

}  // namespace

void SetSessionShiftProc(SessionShiftProc proc) { g_shiftProc = proc; }
void SetSessionMouseProc(SessionMouseProc proc) { g_mouseProc = proc; }
void SetSessionKeyReportProc(SessionKeyReportProc proc) { g_keyReportProc = proc; }
void SetActionSleepProc(ActionSleepProc proc) { g_sleepProc = proc ? proc : SleepMs; }

bool ParseHexParameter(const char* text, std::vector<unsigned char>* bytes) {
  bytes->clear();
  if (!text) return false;
  std::vector<unsigned char> nibbles;
  for (size_t i = 0; text[i] && i < kHexChars; ++i) {
    const char c = text[i];
    if (c == ' ') continue;
    if (c >= '0' && c <= '9')
      nibbles.push_back(static_cast<unsigned char>(c - '0'));
    else if (c >= 'a' && c <= 'f')
      nibbles.push_back(static_cast<unsigned char>(c - 'a' + 10));
    else if (c >= 'A' && c <= 'F')
      nibbles.push_back(static_cast<unsigned char>(c - 'A' + 10));
    else
      return false;
  }
  if (nibbles.empty()) return false;
  if (nibbles.size() % 2) nibbles.insert(nibbles.begin(), 0);
  for (size_t i = 0; i < nibbles.size(); i += 2) bytes->push_back(static_cast<unsigned char>(nibbles[i] << 4 | nibbles[i + 1]));
  return true;
}

void InstallEmulatorActionProcedures() {
  SetKeystrokeActionProc(KeystrokeAction);
  for (const Named& n : kLocalActions) SetEmulatorActionProc(n.name, n.proc);
}
