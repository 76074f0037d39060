#pragma once
// The key and mouse glue of a session: the single entry from the window,
// the menus, the keypads and macro playback into the session's keyboard
// translator. Every key and mouse event ends here with a record for
// TAXlate::tax; afterwards the host records held during a contention error
// get their chance to run.
#include "keyboard/FunctionWord.h"

class SessionControlBlock;
struct TaxTCB;

// Key types: the first byte of a key record. Any other first byte is a
// one-byte keystroke code (Enter 49, PF1 24, Reset 54 ...).
constexpr unsigned char kKeyTypeData = 1;        // EBCDIC data bytes follow
constexpr unsigned char kKeyTypeDoubleByte = 2;  // double-byte data follows

// The keystroke codes of the key glue: 0 to kKeystrokeCodeCount - 1.
constexpr unsigned int kKeystrokeCodeCount = 122;
// A keystroke record for a key that is not valid (a typed character that has
// no place in the session's code page): the operator error of such a key.
constexpr unsigned char kKeystrokeNotValid = kKeystrokeCodeCount;

// Mouse event codes of genMouseEvent: 0 move; 1-3 button 1 press, release,
// double press; 4-6 button 2; 7-9 button 3; 10-18 the same with Shift.
constexpr unsigned int kMouseEventCount = 19;

// Hands one key record to the session: a keystroke code, or a key type
// followed by its data. 1 when the input was taken; 0 when it was refused
// (no connection, an empty record, double-byte data in a single-byte
// session).
int s5250_key(SessionControlBlock* session, const unsigned char* record, int length);

// One mouse event (`event` as above) at screen position `cell`. Dropped
// without a connection and for unknown event codes.
void genMouseEvent(SessionControlBlock* session, unsigned int event, unsigned int cell);

// The caps-lock and shift indicators from the X modifier state of a key
// event (ShiftMask 0x01, LockMask 0x02).
void s5250_shiftupdate(SessionControlBlock* session, unsigned int modifiers);

// The translator's word for a key record while the session translates keys
// without tables: the record's first byte picks the word; a data record's
// character is classified by the session's code page. Codes the glue does
// not know give {35, 0}, a key that is not valid.
FunctionWord genKeystroke(SessionControlBlock* session, const TaxTCB& tcb);
// The category of an EBCDIC character typed as data in this session: 9
// upper-case letter, 10 lower-case letter, 13 digit, 16 space, 11 other.
unsigned char genDataCategory(SessionControlBlock* session, unsigned char code);

// The keyboard code (two EBCDIC letters) and the diacritic country number
// of the session's language.
unsigned int genCountryCode(SessionControlBlock* session);
unsigned char genDiacCountryNum(SessionControlBlock* session);

// Refills the playback file lists of the session's playback dialog when it
// is open.
void updatePlaybackFileList(SessionControlBlock* session);

// The process-wide caps-lock behaviour: 'C' (at start) makes Caps Lock a
// caps lock, 'S' a shift lock.
char CapsLockBehaviour();
void SetCapsLockBehaviour(char behaviour);

// Where the glue reports presentation-space events of a session (the
// programming interface registers itself): 0 after each data key, 1 at the
// end of each record from the host. None by default.
using PresentationSpaceEventProc = void (*)(SessionControlBlock* session, int value);
void SetPresentationSpaceEventProc(PresentationSpaceEventProc proc);
void ReportPresentationSpaceChange(SessionControlBlock* session, int value);

// Attaches the glue to the session windows' input hooks: s5250_key for
// the keystroke codes of the widget's actions, the Control and Print menus
// and the key callback; s5250_shiftupdate for the modifier state behind a
// key; genMouseEvent for the mouse actions.
void AttachKeyGlueToWindows();
