#include "session/KeyGlue.h"

#include <cstdio>
#include <cstring>

#include "datastream/RecordGlue.h"
#include "datastream/TelnetLAN.h"
#include "display/DisplayBag.h"
#include "display/DisplayIndicators.h"
#include "keyboard/GeneratedTables.h"
#include "keyboard/TAXlate.h"
#include "session/Language.h"
#include "session/SessionControlBlock.h"
#include "base/LogMsg.h"
#include "xfront/SessionInputHooks.h"
#include "xfront/SessionMenuHooks.h"

namespace {

char g_capsLockBehaviour = 'C';
PresentationSpaceEventProc g_psEventProc = nullptr;

// The word of each keystroke code (the codes of the widget's keystroke
// actions, the menus and the programming interface's key names). {0, 0}:
// the code has no key.
constexpr FunctionWord kKeystrokeWords[kKeystrokeCodeCount] = {
    /*   0 */ {0, 0},
    /*   1 data keys; a character below 0x40 has no function */ {34, 0},
    /*   2 double-byte data */ {0, 0},
    /*   3 up */ {1, 6},
    /*   4 down */ {1, 7},
    /*   5 left */ {1, 2},
    /*   6 right */ {1, 3},
    /*   7 newline */ {1, 1},
    /*   8 home */ {1, 13},
    /*   9 tab */ {1, 10},
    /*  10 backtab */ {1, 12},
    /*  11 end of field */ {1, 17},
    /*  12 tab advance */ {1, 11},
    /*  13 tab function */ {1, 12},
    /*  14 insert */ {3, 1},
    /*  15 delete */ {3, 2},
    /*  16 backspace */ {1, 8},
    /*  17 */ {0, 0},
    /*  18 */ {0, 0},
    /*  19 erase to end of field */ {3, 10},
    /*  20 erase input */ {3, 3},
    /*  21 dup */ {2, 4},
    /*  22 field mark */ {3, 11},
    /*  23 */ {0, 0},
    /*  24-35 PF1-PF12 */ {5, 1}, {5, 2}, {5, 3}, {5, 4}, {5, 5}, {5, 6},
    {5, 7}, {5, 8}, {5, 9}, {5, 10}, {5, 11}, {5, 12},
    /*  36-47 PF13-PF24 */ {5, 13}, {5, 14}, {5, 15}, {5, 16}, {5, 17}, {5, 18},
    {5, 19}, {5, 20}, {5, 21}, {5, 22}, {5, 23}, {5, 24},
    /*  48 clear */ {6, 5},
    /*  49 enter */ {6, 4},
    /*  50-52 PA1-PA3 */ {6, 8}, {6, 9}, {6, 10},
    /*  53 system request */ {4, 3},
    /*  54 reset */ {4, 1},
    /*  55-57 */ {0, 0}, {0, 0}, {0, 0},
    /*  58 hex entry */ {3, 17},
    /*  59-60 */ {0, 0}, {0, 0},
    /*  61 cursor select */ {3, 12},
    /*  62 attention */ {4, 2},
    /*  63 print */ {6, 1},
    /*  64 help */ {6, 7},
    /*  65 roll down */ {6, 3},
    /*  66 roll up */ {6, 2},
    /*  67-68 */ {0, 0}, {0, 0},
    /*  69 field exit */ {2, 1},
    /*  70 field plus */ {2, 3},
    /*  71 field minus */ {2, 2},
    /*  72 test request */ {6, 6},
    /*  73 */ {0, 0},
    /*  74 fast left */ {1, 4},
    /*  75 fast right */ {1, 5},
    /*  76 text carrier return */ {2, 5},
    /*  77 text required tab */ {1, 15},
    /*  78 */ {0, 0},
    /*  79 text underscore */ {26, 1},
    /*  80 text intensify */ {26, 3},
    /*  81 text end attribute */ {26, 2},
    /*  82 text symbols / command prompt */ {26, 12},
    /*  83 text required space */ {26, 8},
    /*  84 text top of page */ {6, 11},
    /*  85 text bottom of page */ {6, 12},
    /*  86 text begin of line */ {1, 16},
    /*  87 text page end */ {26, 10},
    /*  88 text stop code */ {26, 7},
    /*  89 text stop code advance */ {26, 11},
    /*  90 text Alt-D */ {26, 13},
    /*  91 */ {0, 0},
    /*  92 text center */ {26, 9},
    /*  93-94 */ {0, 0}, {0, 0},
    /*  95 text word underscore */ {26, 4},
    /*  96 text half index up */ {26, 5},
    /*  97 text half index down */ {26, 6},
    /*  98 kanji */ {0, 0},
    /*  99 */ {0, 0},
    /* 100 cancel print */ {3, 4},
    /* 101-103 */ {0, 0}, {0, 0}, {0, 0},
    /* 104 character advance */ {1, 14},
    /* 105 display SO/SI */ {0, 0},
    /* 106 reverse video */ {3, 9},
    /* 107 */ {0, 0},
    /* 108 display text symbols */ {3, 15},
    /* 109 hex (the programming interface's name) */ {3, 17},
    /* 110-118 copy area adjustments */ {3, 22}, {3, 23}, {3, 24}, {3, 25}, {3, 26},
    {3, 27}, {3, 28}, {3, 29}, {3, 30},
    /* 119 paste */ {3, 31},
    /* 120 copy */ {3, 32},
    /* 121 cut */ {3, 33},
};

constexpr FunctionWord kKeyNotValid{35, 0};

// Where a mouse event goes in the device record when the session uses
// translation tables: the button byte (1 left, 2 right, 3 middle) and its
// action (1 press, 2 release, 3 double press). Shift comes from the
// translator's own shift state then.
struct MouseButtonEntry {
  unsigned char byte;
  unsigned char action;
};
constexpr MouseButtonEntry kMouseButtons[kMouseEventCount] = {
    {1, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}, {3, 1}, {3, 2}, {3, 3},
    {1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}, {3, 1}, {3, 2}, {3, 3},
};
// The event recorded for playback for a mouse event.
constexpr int kRecordedMouseEvent = 253;

bool DoubleByteLanguage(const char* id) {
  return std::strcmp(id, "JPN") == 0 || std::strcmp(id, "JPK") == 0 || std::strcmp(id, "JPL") == 0;
}

bool Connected(SessionControlBlock* s) {
  return s && s->telnet && s->telnet->tel_socket() != 0 && s->taxlate && s->display;
}

bool InRange(unsigned char c, unsigned char low, unsigned char high) { return c >= low && c <= high; }

void SessionKeyHook(SessionControlBlock* session, const unsigned char* codes, int length) {
  s5250_key(session, codes, length);
}

void SessionMouseHook(SessionControlBlock* session, int code, int cell) {
  if (code < 0 || cell < 0) return;
  genMouseEvent(session, static_cast<unsigned int>(code), static_cast<unsigned int>(cell));
}

}  // namespace

int s5250_key(SessionControlBlock* s, const unsigned char* record, int length) {
  if (!record || length <= 0 || !Connected(s)) return 0;
  const unsigned char type = record[0];
  if (type == kKeyTypeDoubleByte && !DoubleByteLanguage(s->languageId)) {
    if (DebugFlag()) LogMsg(LevelDebug, "s5250_key: double-byte input refused in a single-byte session.\n");
    return 0;
  }
  if (type == kKeyTypeData)
    s->playRecord.recordDataKey(record + 1, length - 1);
  else
    s->playRecord.recordNonDataKeyEvent(type, record + 1, length - 1);
  s->glue.activity = 1;

  TAXlate& tax = *s->taxlate;
  if (type == kKeyTypeData) {
    // One key record per character: the translator takes the last byte of
    // a record as its scan code.
    for (int i = 1; i < length; ++i) {
      // In a Thai session a code that cannot follow the ones before it
      // rings the bell and ends the keystroke.
      if (s->thaiMode && !s->xstuff.ThaiKeySeqChk(record[i])) {
        s->xstuff.x_ding(0);
        return 0;
      }
      const unsigned char key[2] = {kKeyTypeData, record[i]};
      tax.tax(0, key, sizeof key);
      ReportPresentationSpaceChange(s, 0);
    }
  } else {
    tax.tax(0, record, static_cast<unsigned long>(length));
  }
  s5250_replay_held(s->glue);
  return 1;
}

void genMouseEvent(SessionControlBlock* s, unsigned int event, unsigned int cell) {
  if (!Connected(s)) return;
  if (event >= kMouseEventCount) {
    if (DebugFlag()) LogMsg(LevelDebug, "genMouseEvent: mouse event %u ignored.\n", event);
    return;
  }
  if (cell > 0xFFFF) cell = 0xFFFF;  // the translator clamps it to the screen
  const unsigned char recorded[3] = {static_cast<unsigned char>(event), static_cast<unsigned char>(cell >> 8),
                                     static_cast<unsigned char>(cell)};
  s->playRecord.recordNonDataKeyEvent(kRecordedMouseEvent, recorded, sizeof recorded);
  s->glue.activity = 1;

  unsigned char device[TAXlate::kDeviceRecordLength] = {};
  device[0] = 1;  // a mouse record
  if (s->glue.hostKeyboardTable) {
    const MouseButtonEntry& b = kMouseButtons[event];
    device[b.byte] = b.action;
  } else {
    device[1] = static_cast<unsigned char>(event);
  }
  device[5] = recorded[1];
  device[6] = recorded[2];
  s->taxlate->tax(1, device, sizeof device);
  s5250_replay_held(s->glue);
}

void s5250_shiftupdate(SessionControlBlock* s, unsigned int modifiers) {
  if (!s || !s->display) return;
  constexpr unsigned int kShiftMask = 0x01, kLockMask = 0x02;
  Indicators& indicators = s->display->indicators().current();
  const unsigned int before = indicators.get();
  const char behaviour = CapsLockBehaviour();
  const bool window = s->xstuff.shell() != nullptr;
  if (behaviour == 'C') {
    const bool caps = (modifiers & kLockMask) != 0;
    if (caps)
      indicators.set(Indicators::kCapsLock);
    else
      indicators.reset(Indicators::kCapsLock);
    if (window) s->xstuff.x_capslock(caps ? 1 : 0);
  }
  const bool shift = (modifiers & kShiftMask) || (behaviour == 'S' && (modifiers & kLockMask));
  if (shift)
    indicators.set(Indicators::kShift);
  else
    indicators.reset(Indicators::kShift);
  if (window) s->xstuff.x_shiftkey(shift ? 1 : 0);
  if (indicators.get() != before) s->display->outputChanges();
}

unsigned char genDataCategory(SessionControlBlock* s, unsigned char code) {
  if (code == 0x40) return 16;
  if (InRange(code, 0x81, 0x89) || InRange(code, 0x91, 0x99) || InRange(code, 0xA2, 0xA9)) return 10;
  if (InRange(code, 0xC1, 0xC9) || InRange(code, 0xD1, 0xD9) || InRange(code, 0xE2, 0xE9)) return 9;
  if (InRange(code, 0xF0, 0xF9)) return 13;
  // National letters, as the session's ASCII code set (ISO 8859-1 or -15
  // for the languages of the table) has them.
  const unsigned char local = s ? s->ebcdicToAscii[code] : 0;
  if (local >= 0xC0 && local != 0xD7 && local != 0xF7) return local >= 0xDF ? 10 : 9;
  return 11;
}

FunctionWord genKeystroke(SessionControlBlock* s, const TaxTCB& tcb) {
  unsigned char first;
  if ((tcb.flags & TaxTCB::kKeyRecord) && tcb.record && tcb.length > 0) {
    first = tcb.record[0];
  } else {
    // A key looked up again without its record (a queued key): a scan code
    // that is no keystroke code was a character.
    first = tcb.scan < kKeystrokeCodeCount ? tcb.scan : kKeyTypeData;
  }
  if (first >= kKeystrokeCodeCount) return kKeyNotValid;
  const FunctionWord entry = kKeystrokeWords[first];
  if (entry.category == 0) return kKeyNotValid;
  if (first != kKeyTypeData) return entry;
  const unsigned char code = tcb.scan;
  if (code < 0x40) return FunctionWord{entry.category, entry.code};
  return FunctionWord{genDataCategory(s, code), code};
}

unsigned int genCountryCode(SessionControlBlock*) {
  // Every language of the table types on the "BC" keyboard layout.
  return kKeyboardBC;
}

unsigned char genDiacCountryNum(SessionControlBlock* s) {
  constexpr unsigned char kDefaultCountry = 25;
  const LanguageRow* row = s ? s->languageRow : nullptr;
  if (!row || !row->codePage) return kDefaultCountry;
  // The country whose dead-key results follow the session's host code page.
  char name[16];
  std::snprintf(name, sizeof name, "cp%s", row->codePage);
  for (const keyboard_data::CountryCodePage& c : keyboard_data::kCountryCodePages)
    if (std::strcmp(c.codePage, name) == 0) return c.country;
  return kDefaultCountry;
}

void updatePlaybackFileList(SessionControlBlock* s) {
  if (s) s->playRecord.updatePlaybackFileList();
}

char CapsLockBehaviour() { return g_capsLockBehaviour; }
void SetCapsLockBehaviour(char behaviour) { g_capsLockBehaviour = behaviour; }

void SetPresentationSpaceEventProc(PresentationSpaceEventProc proc) { g_psEventProc = proc; }

void ReportPresentationSpaceChange(SessionControlBlock* session, int value) {
  if (g_psEventProc && session && session->programmingInterface) g_psEventProc(session, value);
}

void AttachKeyGlueToWindows() {
  SetSessionKeyProc(SessionKeyHook);
  SetSessionShiftProc(s5250_shiftupdate);
  SetSessionMouseProc(SessionMouseHook);
}
