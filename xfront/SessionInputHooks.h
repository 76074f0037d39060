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
