#pragma once
// The card reader's presence poll of log-in mode and the session after a
// card log-in: a pulled card hides and resets the log-in dialog, closes the
// unlock dialog of a locked screen or logs the session off; an inserted
// card brings the PIN dialog (or the lock's unlock dialog) up.
struct ScreenState;

// Adds the recurring 250-ms poll (once).
void StartCardPoll(ScreenState* state);
void StopCardPoll(ScreenState* state);
// One tick of the poll.
void PollSmartCard(ScreenState* state);
// What a pulled card does to a running session; the default is the desktop
// command "log off". Null restores the default.
void SetCardRemovedLogoff(void (*logoff)(ScreenState*));
