#pragma once
// The host side's input glue that the emulator widget's actions call besides
// the key glue (SessionMenuHooks.h): the modifier state of the event that
// triggered a key, and mouse events. Without attached glue the calls are
// logged at debug level.
class SessionControlBlock;

// The X modifier state of the event behind the next key.
using SessionShiftProc = void (*)(SessionControlBlock* session, unsigned int state);
void SetSessionShiftProc(SessionShiftProc proc);

// A mouse event: code 0 move; 1, 2, 3 button 1 press, release, double press;
// 4-6 button 2; 7-9 button 3; 10-18 the same with Shift; `cell` is the
// screen position under the pointer.
using SessionMouseProc = void (*)(SessionControlBlock* session, int code, int cell);
void SetSessionMouseProc(SessionMouseProc proc);

// How the "delay" action waits (milliseconds); tests replace it.
using ActionSleepProc = void (*)(unsigned int milliseconds);
void SetActionSleepProc(ActionSleepProc proc);

// The programming interface's look at an operator's key before the session
// takes it: kind 'M' with the keystroke code of a function key, 'A' with
// the keysym of a typed character. True: a client took the key, and the
// session does not process it at all.
using SessionKeyReportProc = bool (*)(SessionControlBlock* session, char kind, unsigned long value);
void SetSessionKeyReportProc(SessionKeyReportProc proc);
